// Writes a contact sheet of the effects, to look at: a corpus photo under each registered
// effect (or each number given) at its start and its maximum, side by side, one effect a
// row, the untouched photo first. The sheet is a PPM; the rows are listed on standard output.
//
//   filterlib_contact_sheet SHEET.ppm [EFFECT-NUMBER ...]

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "filterlib/effect_calls.h"
#include "support/corpus_photo.h"
#include "support/effect_runner.h"

namespace {

using namespace fxtest;

constexpr int kCellWidth = 240, kCellHeight = 160, kGap = 4;

void place(const FxPicture& cell, FxPicture& sheet, int column, int row) {
    const int left = kGap + column * (kCellWidth + kGap), top = kGap + row * (kCellHeight + kGap);
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x) sheet.set(left + x, top + y, cell.at(x, y) & 0xFFFFFFu);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SHEET.ppm [EFFECT-NUMBER ...]\n", argv[0]);
        return 2;
    }
    std::vector<const filterlib::EffectCall*> calls;
    for (int i = 2; i < argc; ++i)
        if (const filterlib::EffectCall* call = filterlib::effectCall(std::atoi(argv[i]))) calls.push_back(call);
    if (argc == 2)
        for (const filterlib::EffectCall& call : filterlib::effectCalls())
            if (findEntryPoint(call.function)) calls.push_back(&call);

    const FxPicture photo = corpusPhoto(std::string(QM_CORPORA_DIR) + "/photos/IMG0023.jpg", kCellWidth, kCellHeight);
    const int rows = int(calls.size()) + 1;
    FxPicture sheet(kGap + 2 * (kCellWidth + kGap), kGap + rows * (kCellHeight + kGap));
    sheet.fill(0x00404040u);
    place(photo, sheet, 0, 0);
    std::printf("row 0: the photo\n");
    for (size_t i = 0; i < calls.size(); ++i) {
        const filterlib::EffectCall& call = *calls[i];
        const SliderValues values = sliderValues(call, kCellWidth);
        const std::vector<int16_t> shown = call.immediate ? std::vector<int16_t>{0}
                                                          : std::vector<int16_t>{values.start, values.max};
        for (size_t k = 0; k < shown.size(); ++k) {
            // Tile draws over what D holds, which the window makes white first.
            FxPicture cell(kCellWidth, kCellHeight);
            cell.fill(0x00FFFFFFu);
            const Outcome outcome = runEffect(call, shown[k], 0x00E0E0E0u, photo, cell, &photo);
            if (!outcome.called || outcome.fxResult != filterlib::kFxOk) cell.fill(0x00FF00FFu);
            place(cell, sheet, int(k), int(i) + 1);
        }
        std::printf("row %zu: %s (%d) at %s\n", i + 1, call.function, call.number,
                    call.immediate ? "its fixed arguments"
                                   : (std::to_string(values.start) + " and " + std::to_string(values.max)).c_str());
    }
    return writePpm(sheet, argv[1]) ? 0 : 1;
}
