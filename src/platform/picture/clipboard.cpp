#include "platform/picture/clipboard.h"

namespace picture {

namespace {

class EmptyClipboard : public ClipboardService {
public:
    bool hasPicture() override { return false; }
    Picture GetData() override { return {}; }
    std::vector<std::string> fileList() override { return {}; }
};

EmptyClipboard g_empty;
ClipboardService* g_clipboard = nullptr;

}  // namespace

ClipboardService& clipboard() { return g_clipboard ? *g_clipboard : g_empty; }

void setClipboardService(ClipboardService* service) { g_clipboard = service; }

}  // namespace picture
