#pragma once
// Controls bound to a field of a data control: on every change of current row the
// control shows the new row's field ("" when there is none); what the user changed
// since is written back into the row before the data control saves it (a move, an
// update). A binding's field can be changed later (db::DataControl::setDataField);
// an empty field unbinds the control. A control destroyed before its data control
// simply stops taking part.

#include <functional>

#include <QString>

#include "platform/db/data_control.h"

namespace ui {

class TextBox;
class ComboBox;
class Label;

// Two-way: the text box shows the field as text and hands back a changed text.
db::BindingId BindText(db::DataControl& source, TextBox* box, const QString& field);
// Two-way over the combo box's text.
db::BindingId BindText(db::DataControl& source, ComboBox* box, const QString& field);
// One-way.
db::BindingId BindText(db::DataControl& source, Label* label, const QString& field);
// One-way into a text box, which shows what `shownAs` makes of the field (null when there
// is no row): a field shown in words of its own is never written back.
db::BindingId BindShownText(db::DataControl& source, TextBox* box, const QString& field,
                            std::function<QString(const db::Field*)> shownAs);

// The text a field shows in a bound control ("" for no value).
QString fieldText(const db::Field* field);

}  // namespace ui
