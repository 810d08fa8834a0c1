#pragma once
// Template members of Form and ControlArray that need the complete control classes.

#include <type_traits>

#include "platform/runtime/error.h"
#include "platform/ui/control.h"
#include "platform/ui/control_array.h"
#include "platform/ui/form.h"

namespace ui {

template <class T>
T* Form::create(const QString& name, double left, double top, double width, double height,
                Control* container) {
    static_assert(std::is_base_of_v<Control, T>, "create<T> makes controls; timers: createTimer");
    T* control = new T(parentFor(container));
    adopt(control, control, name, -1);
    control->Move(left, top, width, height);
    // A control that starts hidden (a calendar) stays so until Visible is set.
    if (control->Visible()) control->widget()->show();
    return control;
}

template <class T>
T* Form::create(ControlArray<T>& array, int index, double left, double top, double width,
                double height, Control* container) {
    if (array.contains(index)) throw runtime::Error(360, "Object already loaded");
    T* control = create<T>(array.Name(), left, top, width, height, container);
    control->attach(this, array.Name(), index);
    control->setProperty("Index", index);
    array.insertDesignElement(index, control);
    return control;
}

template <class T>
void ControlArray<T>::load(int index) {
    if (contains(index)) throw runtime::Error(360, "Object already loaded");
    const auto all = elements();
    if (all.empty()) missing(index);
    T* lowest = all.front();
    T* element;
    if constexpr (std::is_base_of_v<Control, T>)
        element = new T(lowest->parentWidget());
    else
        element = new T(lowest->parent());
    adopt(element, element, index);
    element->copyPropertiesFrom(*lowest);
    items_[index] = element;
    for (auto& binder : binders_) binder(*element, index);
}

template <class T>
void ControlArray<T>::unload(int index) {
    if (!contains(index)) missing(index);
    if (isDesignElement(index))
        throw runtime::Error(362, "Can't unload controls created at design time");
    T* element = items_[index].data();
    items_.erase(index);
    retireElement(element, element);
}

}  // namespace ui
