#pragma once
// The values that outlive a single window: where the program's files are, the
// passwords, the main window's unload protocol, the hand-over between the main and
// thumbnails windows, sort and category filter, the picture the tool windows work on,
// two window-open flags and the slide-show interval marker.
//
// They are plain program-wide variables that the windows read and write directly.
// A variable that nothing has set yet is empty (std::nullopt): it compares unequal to
// every text, and readers take it as 0 or "" (or as the default their rule names).
// A restart after a compaction sets ProgramFolder and DatabasePassword again and
// leaves every other value as it was.

#include <optional>

#include <QString>

namespace Module1 {

// Folders and passwords
inline std::optional<QString> ProgramFolder;     // without a trailing slash
inline std::optional<QString> DatabasePassword;  // 12 decimal digits
// The program password accepted in this run: as typed in the password window, or the
// stored text (a hash) that the main window's load keeps; only "" or not is read.
inline QString SessionPassword;

// While true, unloading the main window deletes the temporary files and ends the
// program; otherwise it only closes the window. Whoever unloads the main window to
// load it again clears it first.
inline bool QuitOnMainWindowUnload = false;

// Thumbnails hand-over
inline std::optional<long> ThumbPageStart;         // first record of the page; empty means 1
inline std::optional<long> SavedMainPosition;      // empty or 0: none
inline std::optional<QString> ThumbReturnAction;   // "MoveForm1ToThumbnail" after a click
inline std::optional<QString> ThumbReturnPosition; // the clicked caption's record number
inline bool ThumbPageReopening = false;

// Sort and filter
inline bool SortByName = false;
inline bool CategoryFilterOn = false;
inline std::optional<QString> CategoryFilterName;

// Current picture of the edit windows and the hidden decoder
inline std::optional<QString> CurrentPhotoDescription;
inline std::optional<QString> CurrentPhotoExtension;  // lower case
inline std::optional<QString> DibImageFile;           // full path the decoder loads next

// Window-open flags
inline bool ThumbnailsWindowOpen = false;
inline bool SlideShowWindowOpen = false;

// "TimeFromForm27" once the user typed a slide interval; otherwise "" or empty.
inline std::optional<QString> SlideIntervalSource;

inline const QString kMoveForm1ToThumbnail = QStringLiteral("MoveForm1ToThumbnail");
inline const QString kTimeFromForm27 = QStringLiteral("TimeFromForm27");

// The text a variable reads as: "" while empty.
inline QString text(const std::optional<QString>& value) { return value.value_or(QString()); }
// The number a position reads as: 0 while empty.
inline long number(const std::optional<long>& value) { return value.value_or(0); }

// Puts every variable back to its value at program start (a fresh run, for tests).
void resetProgramState();

// ---- procedures of the start-up module -----------------------------------------

// The start-up procedure: program folder, database password, the catalogue from its
// template at the first start (welcome and splash windows, one compaction), then the
// main window. Also run by the splash window's restart tick after a compaction.
void Main();
// True while a pass of Main runs; the restart tick waits for it to end.
bool MainPassRunning();

// Compacts the catalogue with encryption and puts the copy in its place; the splash
// window must already be shown with its texts. Closes the main window first and lets
// the splash window's timer restart the program.
void CompactCatalogueDatabase();
// The File menu's "Compact DataBase": the splash window with the size, then the
// compaction.
void CompactDatabaseFromMenu();

// Unloads the main window and loads it again (its caller has cleared
// QuitOnMainWindowUnload), showing the current record once more when the thumbnails
// hand-over saved a position.
void ReloadMainWindow();

// The tool bar's "Thumbnails": closes the main window and opens the thumbnails window
// at the current record.
void SwitchMainToThumbnails();
// The thumbnails window's paging: the window closed without a hand-back and a fresh
// one built at ThumbPageStart (which its caller has moved).
void ReopenThumbnailPage();
// The thumbnails window's unload: the main window loaded afresh and shown at the clicked
// record (ThumbReturnAction, ThumbReturnPosition) or at SavedMainPosition.
void ReturnFromThumbnails();

// The File menu's "Change Password": the password window with both boxes emptied,
// shown modal.
void ShowPasswordWindow();

// Writes ProgramFolder into the main window's hidden label Label4.
void ShowProgramFolderOnMainWindow();

// The catalogue's size in megabytes of 1,000,000 bytes, truncated.
long CatalogueSizeInMegabytes(const QString& path);

}  // namespace Module1
