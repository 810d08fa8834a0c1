#include "platform/ui/control_array.h"

#include <algorithm>

#include <QWidget>

#include "platform/runtime/error.h"
#include "platform/ui/form.h"
#include "platform/ui/handlers.h"

namespace ui {

ControlArrayBase::ControlArrayBase(Form* form, QString name) : form_(form), name_(std::move(name)) {
    if (form_) form_->arrays_.push_back(this);
}

ControlArrayBase::~ControlArrayBase() {
    if (form_) std::erase(form_->arrays_, this);
}

void ControlArrayBase::adopt(Component* element, QObject* object, int index) {
    form_->adopt(element, object, name_, index);
}

void ControlArrayBase::retireElement(Component* element, QObject* object) {
    element->retire();
    if (auto* widget = qobject_cast<QWidget*>(object)) widget->hide();
    detail::retire(object);
}

void ControlArrayBase::missing(int index) const {
    throw runtime::Error(340, "Control array element '" + std::to_string(index) + "' doesn't exist");
}

}  // namespace ui
