#pragma once
// What every control of a window has, widget or not: its name (the Qt object name
// too), its index in a control array (-1 outside one) and its Tag. A component is
// retired when its window unloads: from then on it fires no events, though the
// object lives on until the outermost handler returns.

#include <QString>

namespace ui {

class Form;

class Component {
public:
    virtual ~Component() = default;

    QString Name() const { return name_; }
    int Index() const { return index_; }
    QString Tag() const { return tag_; }
    void setTag(const QString& tag) { tag_ = tag; }

    Form* form() const { return form_; }
    bool retired() const { return retired_; }

    // Called by the form when it creates the component.
    void attach(Form* form, const QString& name, int index);
    // Called by the form's unload.
    virtual void retire() { retired_ = true; }

    // Copies what a control array's load(i) takes from the lowest element.
    virtual void copyPropertiesFrom(const Component& other) { tag_ = other.tag_; }

private:
    Form* form_ = nullptr;
    QString name_;
    int index_ = -1;
    QString tag_;
    bool retired_ = false;
};

}  // namespace ui
