#include "catalogue/hidden_decoder.h"

#include "platform/sys/files.h"

namespace catalogue {

namespace {

class NoDecoder : public HiddenDecoder {
public:
    void ShowImage(bool, bool) override {}
    bool SaveToFile_Bitmap(const QString& FileName, bool, unsigned, bool) override {
        sys::writeFile(FileName.toStdString(), {});
        return false;
    }
};

NoDecoder g_noDecoder;
HiddenDecoder* g_decoder = nullptr;

}  // namespace

HiddenDecoder& frmDecoder() { return g_decoder ? *g_decoder : g_noDecoder; }

void setHiddenDecoder(HiddenDecoder* decoder) { g_decoder = decoder; }

}  // namespace catalogue
