// cImage32: loading what the desktop hands over: the clipboard's picture, files copied to
// the clipboard and files dropped on a window.

#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "image/cImage32.h"
#include "platform/picture/clipboard.h"
#include "platform/runtime/error.h"
#include "platform/runtime/text.h"
#include "platform/ui/data_object.h"

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

}  // namespace

bool cImage32::LoadPicture_ClipBoard() {
    try {
        picture::ClipboardService& clipboard = picture::clipboard();
        if (!clipboard.hasPicture()) return false;
        return LoadPicture_StdPicture(clipboard.GetData());
    } catch (const std::exception&) {
        return false;
    }
}

int32_t cImage32::GetPastedFileNames(std::vector<std::string>& ListOfFiles) {
    std::vector<std::string> names = picture::clipboard().fileList();
    if (names.empty()) return 0;
    ListOfFiles = std::move(names);
    return int32_t(ListOfFiles.size());
}

bool cImage32::LoadPicture_PastedFiles(int32_t FileIndex, int32_t iconCx, int32_t iconCy, bool SaveFormat,
                                       int32_t iconBitDepth, int32_t& FileCount) {
    std::vector<std::string> names;
    FileCount = GetPastedFileNames(names);
    if (FileIndex > FileCount) return false;
    if (FileIndex == 0) return true;
    if (FileIndex < 0) runtime::raise(runtime::kErrSubscriptOutOfRange);
    return LoadPicture_File(names[size_t(FileIndex) - 1], iconCx, iconCy, SaveFormat, iconBitDepth);
}

bool cImage32::LoadPicture_DroppedFiles(ui::DataObject* DragDrop_DataObject, int32_t FileIndex, int32_t iconCx,
                                        int32_t iconCy, bool SaveFormat, int32_t iconBitDepth) {
    if (!GetDroppedFileNames(DragDrop_DataObject)) return false;
    const ui::DataObject::FileList& files = DragDrop_DataObject->Files();
    if (FileIndex < 1 || size_t(FileIndex) > files.Count()) return false;
    return LoadPicture_File(files.Item(size_t(FileIndex)), iconCx, iconCy, SaveFormat, iconBitDepth);
}

bool cImage32::GetDroppedFileNames(ui::DataObject* OLEDragDrop_DataObject) {
    if (!OLEDragDrop_DataObject || !OLEDragDrop_DataObject->GetFormat(ui::DataObject::vbCFFiles)) return false;
    const std::vector<uint8_t>& block = OLEDragDrop_DataObject->fileListBlock();
    if (block.size() < ui::DataObject::kFileListHeaderBytes) return false;
    const size_t namesAt = le32(block, 0);
    if (namesAt > block.size()) return false;
    if (le32(block, 16) == 0) return true;  // narrow names: the list stands as it is

    ui::DataObject::FileList& files = OLEDragDrop_DataObject->Files();
    const size_t count = files.Count();
    files.Clear();
    size_t at = namesAt;
    for (size_t i = 0; i < count; ++i) {
        std::u16string name;
        bool terminated = false;
        for (; at + 1 < block.size(); at += 2) {
            const char16_t unit = char16_t(block[at] | block[at + 1] << 8);
            if (unit == 0) {
                terminated = true;
                at += 2;
                break;
            }
            name.push_back(unit);
        }
        if (!terminated) break;  // the block ends inside a name
        files.Add(runtime::Utf8FromUtf16(name.c_str()));
    }
    return true;
}
