#include "corpus_photo.h"

#include <cstdio>

#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"

namespace fxtest {

FxPicture corpusPhoto(const std::string& path, int width, int height) {
    FxPicture picture = makeFixture(Fixture::Photo, width, height);
    try {
        const picture::Picture photo = picture::LoadPicture(path);
        gdi::BITMAP bm{};
        gdi::GetObject(photo.Handle(), sizeof bm, &bm);
        const gdi::HDC dc = gdi::CreateCompatibleDC(0);
        const gdi::HGDIOBJ old = gdi::SelectObject(dc, photo.Handle());
        gdi::SetStretchBltMode(picture.dc(), gdi::HALFTONE);
        gdi::StretchBlt(picture.dc(), 0, 0, width, height, dc, 0, 0, bm.bmWidth, bm.bmHeight, gdi::SRCCOPY);
        gdi::SelectObject(dc, old);
        gdi::DeleteDC(dc);
    } catch (...) {
        std::fprintf(stderr, "the corpus photo %s did not load; a made-up picture stands in\n", path.c_str());
    }
    return picture;
}

}  // namespace fxtest
