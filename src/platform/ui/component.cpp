#include "platform/ui/component.h"

namespace ui {

void Component::attach(Form* form, const QString& name, int index) {
    form_ = form;
    name_ = name;
    index_ = index;
}

}  // namespace ui
