#include "filterlib/families.h"
#include "filterlib/fx.h"

namespace filterlib {

void registerStochasticEffects(Exports& exports) {
    exports.add("FxColorRandomize", &FxColorRandomize);
    exports.add("FxRandomPoints", &FxRandomPoints);
    exports.add("FxDiffuse", &FxDiffuse);
    exports.add("FxMelt", &FxMelt);
    exports.add("FxFrostGlass", &FxFrostGlass);
    exports.add("FxRainDrops", &FxRainDrops);
    exports.add("FxFog", &FxFog);
    exports.add("FxRock", &FxRock);
    exports.add("FxCanvas", &FxCanvas);
    exports.add("FxNotePaper", &FxNotePaper);
    exports.add("FxMetallic", &FxMetallic);
    exports.add("FxAlphaBlend", &FxAlphaBlend);
    exports.add("FxBlendMode", &FxBlendMode);
    exports.add("FxGlassBlendMode", &FxGlassBlendMode);
}

}  // namespace filterlib
