#include "platform/ui/data_binding.h"

#include <memory>
#include <utility>

#include <QPointer>

#include "platform/ui/combo_box.h"
#include "platform/ui/label.h"
#include "platform/ui/text_box.h"

namespace ui {

QString fieldText(const db::Field* field) {
    if (!field) return QString();
    const db::Value value = field->value();
    if (value.isNull()) return QString();
    return QString::fromStdString(value.text());
}

namespace {

// Shows the field in a control with a Text and hands back what the user changed.
template <class Box>
db::BindingId bindTwoWay(db::DataControl& source, Box* box, const QString& field) {
    QPointer<Box> target(box);
    auto shown = std::make_shared<QString>();
    db::Binding binding;
    binding.dataField = field.toStdString();
    binding.show = [target, shown](const db::Field* f) {
        *shown = fieldText(f);
        if (!target) return;
        target->setText(*shown);
        // What the box shows (a multi-line box ends lines with CR LF): only a change
        // the user makes from here is written back.
        *shown = target->Text();
    };
    binding.takeChange = [target, shown]() -> std::optional<db::Value> {
        if (!target || target->Text() == *shown) return std::nullopt;
        *shown = target->Text();
        return db::Value(shown->toStdString());
    };
    return source.bind(std::move(binding));
}

}  // namespace

db::BindingId BindText(db::DataControl& source, TextBox* box, const QString& field) {
    return bindTwoWay(source, box, field);
}

db::BindingId BindText(db::DataControl& source, ComboBox* box, const QString& field) {
    return bindTwoWay(source, box, field);
}

db::BindingId BindText(db::DataControl& source, Label* label, const QString& field) {
    QPointer<Label> target(label);
    db::Binding binding;
    binding.dataField = field.toStdString();
    binding.show = [target](const db::Field* f) {
        if (target) target->setCaption(fieldText(f));
    };
    return source.bind(std::move(binding));
}

db::BindingId BindShownText(db::DataControl& source, TextBox* box, const QString& field,
                            std::function<QString(const db::Field*)> shownAs) {
    QPointer<TextBox> target(box);
    db::Binding binding;
    binding.dataField = field.toStdString();
    binding.show = [target, shownAs = std::move(shownAs)](const db::Field* f) {
        if (target) target->setText(shownAs(f));
    };
    return source.bind(std::move(binding));
}

}  // namespace ui
