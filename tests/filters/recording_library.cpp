#include "filters/recording_library.h"

#include <algorithm>
#include <map>

#include "filterlib/fx.h"
#include "filterlib/registry.h"
#include "filters/filter_lib_window.h"
#include "platform/sys/libraries.h"
#include "platform/ui/forms.h"
#include "platform/ui/label.h"
#include "platform/ui/screen.h"

namespace filterstest {

namespace {

// A name as a template argument, so that two functions of one type record apart.
template <size_t N>
struct Name {
    char text[N];
    constexpr Name(const char (&name)[N]) { std::copy_n(name, N, text); }
};

Argument argumentOf(int32_t v) { return {Kind::Int32, double(v)}; }
Argument argumentOf(int16_t v) { return {Kind::Int16, double(v)}; }
Argument argumentOf(uint8_t v) { return {Kind::Byte, double(v)}; }
Argument argumentOf(float v) { return {Kind::Float, double(v)}; }
Argument argumentOf(double v) { return {Kind::Double, v}; }
Argument argumentOf(uint32_t v) { return {Kind::UInt32, double(v)}; }

template <class Function, Name name>
struct Recorder;

template <class... Arguments, Name name>
struct Recorder<void (*)(Arguments...), name> {
    static void call(Arguments... arguments) {
        RecordedCall call{name.text, {argumentOf(arguments)...}, {}, 0, ui::Screen::MousePointer()};
        call.arguments.pop_back();  // FxResult
        if (ui::isLoaded<FilterLibFrm>()) {
            const FilterLibFrm& window = ui::forms<FilterLibFrm>();
            call.label = window.LabelCrtEffect->Caption().toStdString();
            call.slider = window.HScroll1->Value();
        }
        RecordingLibrary::calls().push_back(std::move(call));
    }
};

#define QM_RECORD(fn) \
    std::pair<std::string, void*> { #fn, reinterpret_cast<void*>(&Recorder<decltype(&filterlib::fn), #fn>::call) }

const std::map<std::string, void*>& entryPoints() {
    static const std::map<std::string, void*> table = {
        QM_RECORD(FxBrightness),
        QM_RECORD(FxContrast),
        QM_RECORD(FxGamma),
        QM_RECORD(FxGrayScale),
        QM_RECORD(FxInvert),
        QM_RECORD(FxReduceColors),
        QM_RECORD(FxReduceTo8Colors),
        QM_RECORD(FxWebColors),
        QM_RECORD(FxStamp),
        QM_RECORD(FxSepia),
        QM_RECORD(FxSolarize),
        QM_RECORD(FxSaturation),
        QM_RECORD(FxHue),
        QM_RECORD(FxColorBalance),
        QM_RECORD(FxMediumTones),
        QM_RECORD(FxTone),
        QM_RECORD(FxAmbientLight),
        QM_RECORD(FxBackDropRemoval),
        QM_RECORD(FxSharpening),
        QM_RECORD(FxAntiAlias),
        QM_RECORD(FxBlur),
        QM_RECORD(FxSoftenerBlur),
        QM_RECORD(FxSmartBlur),
        QM_RECORD(FxAdvancedBlur),
        QM_RECORD(FxMotionBlur),
        QM_RECORD(FxFarBlur),
        QM_RECORD(FxRadialBlur),
        QM_RECORD(FxZoomBlur),
        QM_RECORD(FxUnsharpMask),
        QM_RECORD(FxEmboss),
        QM_RECORD(FxRelief),
        QM_RECORD(FxFindEdges),
        QM_RECORD(FxDetectBorders),
        QM_RECORD(FxNeon),
        QM_RECORD(FxOilPaint),
        QM_RECORD(FxMosaic),
        QM_RECORD(FxTwirl),
        QM_RECORD(FxTwirlEx),
        QM_RECORD(FxSwirl),
        QM_RECORD(FxFishEye),
        QM_RECORD(FxFishEyeEx),
        QM_RECORD(FxCylindrical),
        QM_RECORD(FxPolarCoordinates),
        QM_RECORD(FxCaricature),
        QM_RECORD(FxRoll),
        QM_RECORD(FxFourCorners),
        QM_RECORD(FxMake3DEffect),
        QM_RECORD(FxWaves),
        QM_RECORD(FxBlockWaves),
        QM_RECORD(FxCircularWaves),
        QM_RECORD(FxCircularWavesEx),
        QM_RECORD(FxTile),
        QM_RECORD(FxFragment),
        QM_RECORD(FxShift),
        QM_RECORD(FxColorRandomize),
        QM_RECORD(FxRandomPoints),
        QM_RECORD(FxDiffuse),
        QM_RECORD(FxMelt),
        QM_RECORD(FxFrostGlass),
        QM_RECORD(FxRainDrops),
        QM_RECORD(FxFog),
        QM_RECORD(FxRock),
        QM_RECORD(FxCanvas),
        QM_RECORD(FxNotePaper),
        QM_RECORD(FxMetallic),
        QM_RECORD(FxAlphaBlend),
        QM_RECORD(FxBlendMode),
        QM_RECORD(FxGlassBlendMode),
    };
    return table;
}

void* lookup(const std::string& name) {
    const auto it = entryPoints().find(name);
    return it == entryPoints().end() ? nullptr : it->second;
}

}  // namespace

void RecordingLibrary::install() {
    calls().clear();
    sys::provideLibrary(sys::kFilterLibraryName, &lookup);
}

void RecordingLibrary::restoreRealLibrary() {
    filterlib::install();
}

std::vector<RecordedCall>& RecordingLibrary::calls() {
    static std::vector<RecordedCall> recorded;
    return recorded;
}

std::vector<std::string> RecordingLibrary::names() {
    std::vector<std::string> out;
    for (const auto& entry : entryPoints()) out.push_back(entry.first);
    return out;
}

}  // namespace filterstest
