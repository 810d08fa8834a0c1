#pragma once
// The desktop clipboard as the layers below the windows see it: a picture (the bitmap and
// metafile formats) and a list of copied files. The windows' services install theirs
// (ui::setServices), so the image class and the windows share one clipboard; before any is
// installed the clipboard is empty.

#include <string>
#include <vector>

#include "platform/picture/picture.h"

namespace picture {

class ClipboardService {
public:
    virtual ~ClipboardService() = default;
    // A picture is offered in one of the bitmap or metafile formats.
    virtual bool hasPicture() = 0;
    // The offered picture; no picture when there is none.
    virtual Picture GetData() = 0;
    // The copied files' full paths (UTF-8) in order; empty when no list of files is offered.
    virtual std::vector<std::string> fileList() = 0;
};

ClipboardService& clipboard();
// Installs a clipboard (not owned); nullptr restores the empty one.
void setClipboardService(ClipboardService* service);

}  // namespace picture
