#include "filterlib/families.h"
#include "filterlib/fx.h"

namespace filterlib {

void registerPointEffects(Exports& exports) {
    exports.add("FxBrightness", &FxBrightness);
    exports.add("FxContrast", &FxContrast);
    exports.add("FxGamma", &FxGamma);
    exports.add("FxGrayScale", &FxGrayScale);
    exports.add("FxInvert", &FxInvert);
    exports.add("FxReduceColors", &FxReduceColors);
    exports.add("FxReduceTo8Colors", &FxReduceTo8Colors);
    exports.add("FxWebColors", &FxWebColors);
    exports.add("FxStamp", &FxStamp);
    exports.add("FxSepia", &FxSepia);
    exports.add("FxSolarize", &FxSolarize);
    exports.add("FxSaturation", &FxSaturation);
    exports.add("FxHue", &FxHue);
    exports.add("FxColorBalance", &FxColorBalance);
    exports.add("FxMediumTones", &FxMediumTones);
    exports.add("FxTone", &FxTone);
    exports.add("FxAmbientLight", &FxAmbientLight);
    exports.add("FxBackDropRemoval", &FxBackDropRemoval);
}

}  // namespace filterlib
