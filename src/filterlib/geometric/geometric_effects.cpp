#include "filterlib/families.h"
#include "filterlib/fx.h"

namespace filterlib {

void registerGeometricEffects(Exports& exports) {
    exports.add("FxMosaic", &FxMosaic);
    exports.add("FxTwirl", &FxTwirl);
    exports.add("FxTwirlEx", &FxTwirlEx);
    exports.add("FxSwirl", &FxSwirl);
    exports.add("FxFishEye", &FxFishEye);
    exports.add("FxFishEyeEx", &FxFishEyeEx);
    exports.add("FxCylindrical", &FxCylindrical);
    exports.add("FxPolarCoordinates", &FxPolarCoordinates);
    exports.add("FxCaricature", &FxCaricature);
    exports.add("FxRoll", &FxRoll);
    exports.add("FxFourCorners", &FxFourCorners);
    exports.add("FxMake3DEffect", &FxMake3DEffect);
    exports.add("FxWaves", &FxWaves);
    exports.add("FxBlockWaves", &FxBlockWaves);
    exports.add("FxCircularWaves", &FxCircularWaves);
    exports.add("FxCircularWavesEx", &FxCircularWavesEx);
    exports.add("FxTile", &FxTile);
    exports.add("FxFragment", &FxFragment);
    exports.add("FxShift", &FxShift);
}

}  // namespace filterlib
