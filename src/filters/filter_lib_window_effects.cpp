// The application of the current effect: one call of the filter library from the source
// picture (and the second picture) into the result picture, which then becomes the
// shown picture. Nothing is cached or accumulated: every application reads the source
// afresh. A failing step is skipped without a message and the next one runs.

#include "filterlib/effect_calls.h"
#include "filters/filter_lib_window.h"
#include "filters/modFunctions.h"
#include "platform/runtime/error.h"
#include "platform/sys/libraries.h"
#include "platform/ui/wait_cursor.h"

namespace {

constexpr ui::COLORREF kTileBackground = 0xFFFFFF;
constexpr int kTileEffect = 42;

// Unloads the library when the call is done, whatever happens in it.
struct LoadedLibrary {
    sys::LibraryHandle handle = sys::LoadLibrary("FilterLib.dll");
    ~LoadedLibrary() {
        if (handle) sys::FreeLibrary(handle);
    }
};

}  // namespace

void FilterLibFrm::callCurrentEffect(bool immediate, ui::COLORREF picked) {
    const filterlib::EffectCall* call = filterlib::effectCall(modFunctions::CurrentEffect);
    if (!call || call->immediate != immediate) return;
    if (call->number == kTileEffect) {
        // Tiles leave gaps that show what the result box held: they show white from here
        // on, for as long as the window lives.
        Picture2->setPicture(picture::Picture());
        Picture2->setBackColor(kTileBackground);
        Picture2->Cls();
    }
    const LoadedLibrary library;
    void* function = sys::GetProcAddress(library.handle, call->function);
    if (!function) return;
    const filterlib::CallPictures pictures{Picture2->hDC(), Picture1->hDC(), Picture3->hDC()};
    const int16_t v = immediate ? 0 : static_cast<int16_t>(HScroll1->Value());
    call->invoke(function, pictures, v, picked, FxResult);
}

void FilterLibFrm::HScroll1_Change() {
    using runtime::resumeNext;
    const ui::WaitCursor busy;
    ui::COLORREF picked = 0;
    resumeNext([&] { picked = Text2->BackColor(); });
    resumeNext([&] { callCurrentEffect(false, picked); });
    resumeNext([&] { Picture2->Refresh(); });
    // A result box without a bitmap keeps the picture on show.
    picture::Picture result;
    resumeNext([&] { result = Picture2->Image(); });
    if (result.Handle() == 0) return;
    resumeNext([&] { ImageCatalogue->setPicture(result); });
    resumeNext([&] { closeEnlargedPicker(); });
    resumeNext([&] { refreshPreview(); });
}

void FilterLibFrm::HScroll1_Scroll() { HScroll1_Change(); }

void FilterLibFrm::Command2_Click() {
    using runtime::resumeNext;
    const ui::WaitCursor busy;
    resumeNext([&] { Picture2->Cls(); });
    resumeNext([&] { callCurrentEffect(true, 0); });
    resumeNext([&] { Picture2->Refresh(); });
    resumeNext([&] { ImageCatalogue->setPicture(Picture2->Image()); });
    resumeNext([&] { closeEnlargedPicker(); });
    resumeNext([&] { refreshPreview(); });
}
