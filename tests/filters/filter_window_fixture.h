#pragma once
// The Filters window opened from the main window over a catalogue of one BMP record,
// with the recording stand-in serving as the filter library (or the real one).

#include <string>
#include <vector>

#include <QImage>

#include "filters/filter_lib_window.h"
#include "filters/recording_library.h"
#include "platform/ui/colors.h"
#include "platform/ui/forms.h"
#include "support/program_folder_test.h"

namespace filterstest {

// Every pixel unlike its neighbours, so that a moved or scaled pixel shows.
QImage pattern(int width, int height);
// One colour all over.
QImage filled(int width, int height, QRgb colour);
// The result box's colour before a Tile effect: the platform's button face.
inline const QRgb kButtonFace = ui::toQColor(ui::vbButtonFace).rgb();
// The image stretched to `size`, each pixel taking the source pixel under its centre.
QImage stretched(const QImage& image, QSize size);
// A picture object or a picture box's drawn image as RGB32.
QImage imageOf(const picture::Picture& picture);
QImage drawnImage(const ui::PictureBox& box);
// A BMP file of the image.
void writeBmp(const std::string& path, const QImage& image);

class FiltersWindow : public testsupport::ProgramFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A catalogue whose only record is `picture` as a BMP; the main window shows it and
    // its "Filters" item opens the window.
    FilterLibFrm& open(const QImage& picture);
    // Shows another picture in the main window, as moving to another record does.
    static void showInMainWindow(const QImage& picture);
    static FilterLibFrm& window() { return ui::forms<FilterLibFrm>(); }
    // Chooses an item of the "Filters" menu as the user does.
    static void choose(int effect);

    std::vector<RecordedCall>& calls() { return RecordingLibrary::calls(); }
};

}  // namespace filterstest
