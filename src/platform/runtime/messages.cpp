#include "platform/runtime/messages.h"

#include <cstdio>

namespace runtime {

namespace {

class StandardErrorMessages : public MessageService {
public:
    int MsgBox(const std::string& prompt, int style, const std::string& title) override {
        std::fprintf(stderr, "[%s] %s\n", title.empty() ? "Quillmere" : title.c_str(),
                     prompt.c_str());
        return defaultButtonResult(style);
    }
};

StandardErrorMessages g_standardError;
MessageService* g_service = nullptr;

}  // namespace

MessageService& messages() { return g_service ? *g_service : g_standardError; }

void setMessageService(MessageService* service) { g_service = service; }

int defaultButtonResult(int style) {
    static const int buttons[6][3] = {
        {vbOK, vbOK, vbOK},
        {vbOK, vbCancel, vbCancel},
        {vbAbort, vbRetry, vbIgnore},
        {vbYes, vbNo, vbCancel},
        {vbYes, vbNo, vbNo},
        {vbRetry, vbCancel, vbCancel},
    };
    const int set = style & 7;
    const int which = (style & 0x300) >> 8;
    if (set > 5) return vbOK;
    return buttons[set][which > 2 ? 0 : which];
}

}  // namespace runtime
