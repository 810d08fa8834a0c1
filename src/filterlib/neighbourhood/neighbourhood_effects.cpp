#include "filterlib/families.h"
#include "filterlib/fx.h"

namespace filterlib {

void registerNeighbourhoodEffects(Exports& exports) {
    exports.add("FxSharpening", &FxSharpening);
    exports.add("FxAntiAlias", &FxAntiAlias);
    exports.add("FxBlur", &FxBlur);
    exports.add("FxSoftenerBlur", &FxSoftenerBlur);
    exports.add("FxSmartBlur", &FxSmartBlur);
    exports.add("FxAdvancedBlur", &FxAdvancedBlur);
    exports.add("FxMotionBlur", &FxMotionBlur);
    exports.add("FxFarBlur", &FxFarBlur);
    exports.add("FxRadialBlur", &FxRadialBlur);
    exports.add("FxZoomBlur", &FxZoomBlur);
    exports.add("FxUnsharpMask", &FxUnsharpMask);
    exports.add("FxEmboss", &FxEmboss);
    exports.add("FxRelief", &FxRelief);
    exports.add("FxFindEdges", &FxFindEdges);
    exports.add("FxDetectBorders", &FxDetectBorders);
    exports.add("FxNeon", &FxNeon);
    exports.add("FxOilPaint", &FxOilPaint);
}

}  // namespace filterlib
