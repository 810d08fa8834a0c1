#pragma once
// The catalogue database as the windows address it: its file, password and connection
// string, the Options record's fields by position, and every statement and find
// criterion handed to the record sets.

#include <QString>

#include "platform/db/data_control.h"

namespace catalogue {

inline const QString kCatalogueFileName = QStringLiteral("Quillmere.mdb");
inline const QString kCompactedFileName = QStringLiteral("QuillmereC.mdb");

// The database password: one constant of the program, carried as string resource 119.
QString DatabasePasswordConstant();

// ProgramFolder & "/Quillmere.mdb" and the compaction's working copy beside it.
QString CataloguePath();
QString CompactedCataloguePath();

// The one connection string every data control over the catalogue gets, built from
// ProgramFolder and DatabasePassword at the moment it is assigned.
QString CatalogueConnectionString();

// Fields of the single Options row, addressed by position only.
enum OptionsField : int {
    ProgramPassword = 2,  // text, or no value for no log-in
    SortOption = 3,       // "Sort" / "NoSort"
    CompressOption = 4,   // "Compress" / "NOCompress"
    MainWindowWidth = 5,  // 6650 or 11500 (twips)
};

// The Options record's field at a position, on its one row, and its value as text.
db::Field OptionsFieldAt(db::DataControl& options, OptionsField position);
QString OptionsText(db::DataControl& options, OptionsField position);

// The category box's prompt, shown while no category is chosen.
inline const QString kCategoryPrompt = QStringLiteral("Categories");
// The box's text names a category: neither empty nor the prompt.
inline bool IsCategoryChosen(const QString& text) { return !text.isEmpty() && text != kCategoryPrompt; }

inline const QString kCategoriesQuery = QStringLiteral("Select * from Categories Order by Description");
inline const QString kOptionsQuery = QStringLiteral("Select * from Options");

// The record sources of the picture lists for a sort setting and category filter:
// the full query (Adodc3, Adodc1, the thumbnails) and the list query (the grid).
QString FullPictureQuery(bool sorted, bool filterOn, const QString& categoryName);
QString ListPictureQuery(bool sorted, bool filterOn, const QString& categoryName);

// Find criteria. Texts go between the quotes unchanged; the record sets bind them.
QString NameContainsCriterion(const QString& typed);  // PhotoDescription like '*typed*'
QString IdCriterion(const QString& typedNumber);       // ID=n
QString NameEqualsCriterion(const QString& name);      // PhotoDescription='name'
QString CategoryEqualsCriterion(const QString& name);  // Description='name'

// PhotoXtent of a stored file: the last three characters of its name in upper case
// ("photo.jpeg" -> "PEG", "a.b" -> "A.B").
QString PhotoExtentOf(const QString& fileName);
// PhotoDescription of a stored file: its name up to its last "." ("a.b.c.png" ->
// "a.b.c"); a name without a "." raises error 5.
QString PhotoDescriptionOf(const QString& fileName);

}  // namespace catalogue
