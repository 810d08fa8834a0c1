#include "shell/module1.h"

namespace Module1 {

void resetProgramState() {
    ProgramFolder.reset();
    DatabasePassword.reset();
    SessionPassword.clear();
    QuitOnMainWindowUnload = false;
    ThumbPageStart.reset();
    SavedMainPosition.reset();
    ThumbReturnAction.reset();
    ThumbReturnPosition.reset();
    ThumbPageReopening = false;
    SortByName = false;
    CategoryFilterOn = false;
    CategoryFilterName.reset();
    CurrentPhotoDescription.reset();
    CurrentPhotoExtension.reset();
    DibImageFile.reset();
    ThumbnailsWindowOpen = false;
    SlideShowWindowOpen = false;
    SlideIntervalSource.reset();
}

}  // namespace Module1
