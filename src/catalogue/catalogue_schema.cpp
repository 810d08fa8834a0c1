#include "catalogue/catalogue_schema.h"

#include "platform/runtime/error.h"
#include "platform/ui/data_binding.h"
#include "resources/resources.h"
#include "shell/module1.h"

namespace catalogue {

QString DatabasePasswordConstant() {
    return QString::fromStdString(resources::loadResString(resources::kDatabasePasswordResource));
}

db::Field OptionsFieldAt(db::DataControl& options, OptionsField position) {
    return options.recordset().field(static_cast<size_t>(position));
}

QString OptionsText(db::DataControl& options, OptionsField position) {
    const db::Field field = OptionsFieldAt(options, position);
    return ui::fieldText(&field);
}

QString CataloguePath() { return Module1::text(Module1::ProgramFolder) + "/" + kCatalogueFileName; }

QString CompactedCataloguePath() {
    return Module1::text(Module1::ProgramFolder) + "/" + kCompactedFileName;
}

QString CatalogueConnectionString() {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + Module1::text(Module1::ProgramFolder) +
           "/" + kCatalogueFileName + ";Persist Security Info=False;Jet OLEDB:Database Password=" +
           Module1::text(Module1::DatabasePassword);
}

namespace {

QString pictureQuery(const QString& columns, bool sorted, bool filterOn, const QString& categoryName) {
    QString query = "Select " + columns + " from Pictures";
    if (filterOn) query += " where Category='" + categoryName + "'";
    if (sorted) query += " ORDER BY PhotoDescription";
    return query;
}

}  // namespace

QString FullPictureQuery(bool sorted, bool filterOn, const QString& categoryName) {
    return pictureQuery("*", sorted, filterOn, categoryName);
}

QString ListPictureQuery(bool sorted, bool filterOn, const QString& categoryName) {
    return pictureQuery("ID,PhotoDescription,Date,Category", sorted, filterOn, categoryName);
}

QString NameContainsCriterion(const QString& typed) { return "PhotoDescription like '*" + typed + "*'"; }

QString IdCriterion(const QString& typedNumber) { return "ID=" + typedNumber; }

QString NameEqualsCriterion(const QString& name) { return "PhotoDescription='" + name + "'"; }

QString CategoryEqualsCriterion(const QString& name) { return "Description='" + name + "'"; }

QString PhotoExtentOf(const QString& fileName) { return fileName.right(3).toUpper(); }

QString PhotoDescriptionOf(const QString& fileName) {
    const int dot = fileName.lastIndexOf('.');
    if (dot < 0) runtime::raise(runtime::kErrInvalidProcedureCall);
    return fileName.left(dot);
}

}  // namespace catalogue
