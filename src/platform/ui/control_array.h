#pragma once
// A control array, keyed by the indices the windows use (not necessarily from 0:
// the navigation buttons are 1 to 4). A window declares it as a member with its name:
//
//     ui::ControlArray<ui::Label> Label7{this, "Label7"};
//
// creates its elements in createControls (create(Label7, 5, left, top, width, height))
// and connects one handler for all elements, which receives the index first:
//
//     Label7.bind(&ui::Label::Click, [this](int Index) { Label7_Click(Index); });
//
// A missing index raises error 340. load(i) adds an element at run time as a copy of
// the lowest element's properties, hidden, with the array's handlers; unload(i)
// removes one loaded at run time.

#include <functional>
#include <map>
#include <set>
#include <vector>

#include <QPointer>
#include <QString>

#include "platform/ui/event.h"

namespace ui {

class Component;
class Form;

class ControlArrayBase {
public:
    ControlArrayBase(Form* form, QString name);
    virtual ~ControlArrayBase();
    ControlArrayBase(const ControlArrayBase&) = delete;
    ControlArrayBase& operator=(const ControlArrayBase&) = delete;

    QString Name() const { return name_; }

protected:
    friend class Form;
    // A new widget tree: the elements of the last one are gone.
    virtual void clear() = 0;
    void adopt(Component* element, QObject* object, int index);
    void retireElement(Component* element, QObject* object);
    [[noreturn]] void missing(int index) const;
    bool isDesignElement(int index) const { return design_.count(index) > 0; }
    void markDesignElement(int index) { design_.insert(index); }
    void clearDesign() { design_.clear(); }

    Form* form_;
    QString name_;

private:
    std::set<int> design_;
};

template <class T>
class ControlArray : public ControlArrayBase {
public:
    using ControlArrayBase::ControlArrayBase;

    T* operator[](int index) const {
        auto it = items_.find(index);
        if (it == items_.end() || !it->second) missing(index);
        return it->second.data();
    }
    bool contains(int index) const {
        auto it = items_.find(index);
        return it != items_.end() && it->second;
    }
    int Count() const { return static_cast<int>(indices().size()); }
    int LBound() const {
        const auto all = indices();
        return all.empty() ? 0 : all.front();
    }
    int UBound() const {
        const auto all = indices();
        return all.empty() ? -1 : all.back();
    }
    std::vector<int> indices() const {
        std::vector<int> all;
        for (const auto& [index, element] : items_)
            if (element) all.push_back(index);
        return all;
    }
    std::vector<T*> elements() const {
        std::vector<T*> all;
        for (const auto& [index, element] : items_)
            if (element) all.push_back(element.data());
        return all;
    }

    // One handler for every element, present and loaded later; it receives the index first.
    template <class C, class... A, class Handler>
    void bind(Event<A...> C::*event, Handler handler) {
        binders_.push_back([event, handler](T& element, int index) {
            (element.*event) = [handler, index](A... args) { handler(index, args...); };
        });
        for (const auto& [index, element] : items_)
            if (element) binders_.back()(*element, index);
    }

    void load(int index);
    void unload(int index);

    // Used by Form::create for the elements of the design.
    void insertDesignElement(int index, T* element) {
        items_[index] = element;
        markDesignElement(index);
        for (auto& binder : binders_) binder(*element, index);
    }

protected:
    void clear() override {
        items_.clear();
        binders_.clear();
        clearDesign();
    }

private:
    std::map<int, QPointer<T>> items_;
    std::vector<std::function<void(T&, int)>> binders_;
};

}  // namespace ui
