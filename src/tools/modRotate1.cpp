#include "tools/modRotate1.h"

namespace modRotate1 {

void StartGdiPlusForSave(uint32_t Version) {
    gdiplus::GdiplusStartupInput input{};
    input.GdiplusVersion = Version;
    GdiStarted = gdiplus::GdiplusStartup(&GdiToken, &input, nullptr) == gdiplus::Ok;
}

}  // namespace modRotate1
