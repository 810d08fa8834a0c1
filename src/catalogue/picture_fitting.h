#pragma once
// The rules by which the main window shows a record: the picture fitted and centred in
// the pane, and the texts of the navigation strip and the size label.

#include <cstdint>
#include <span>

#include <QString>

namespace catalogue {

// Where the image control stands in the pane, in twips.
struct FittedPicture {
    double left, top, width, height;
};

// A picture of 5415 twips wide or more, or 4155 high or more (fixed thresholds, not the
// pane's size), is scaled to the pane's width and then, when still too high, to its
// height, keeping its proportions; a smaller one keeps its natural size. Either way it
// is centred in the pane. Floating point throughout, no rounding of its own.
FittedPicture FitPictureIntoPane(double pictureWidth, double pictureHeight, double paneWidth, double paneHeight);

// The same rule with the window's room for the picture as both threshold and target:
// the slide show and full-screen view (a picture exactly as wide as the room is scaled
// too).
FittedPicture FitPictureIntoWindow(double pictureWidth, double pictureHeight, double roomWidth, double roomHeight);

// " 640 x 480 ": the picture's size in pixels, each number written as a single-precision
// number is written (up to seven significant digits, no trailing zeros).
QString PictureSizeText(double widthTwips, double heightTwips, double twipsPerPixelX, double twipsPerPixelY);

// "3 / 17"
QString PositionText(long position, long count);

// The stored file's size as the strip shows it: from 1000 bytes on in K (bytes / 1000,
// halves to even) with thousands separators, 1234567 bytes giving "1,235 K"; below that
// in bytes ("999 bytes", "1 byte"), which K would round to nothing.
QString SizeText(int64_t bytes);

// The type a record is shown and handed on as: the last three letters of its PhotoXtent
// in lower case, except that the tails of the four-letter extensions name their formats
// ("PEG" of a .jpeg reads "jpg", "IFF" of a .tiff "tif"). The stored value is not changed.
QString ShowingExtension(const QString& photoXtent);
// The same for a record whose stored bytes are at hand: a tail reads as its format only
// when the bytes are of that format, so a .mpeg or .aiff keeps "peg" or "iff".
QString ShowingExtension(const QString& photoXtent, std::span<const uint8_t> bytes);

// The type the strip shows for a record whose stored bytes begin with `head`: its
// PhotoXtent as stored, except that the tail of a .jpeg or .tiff whose bytes are of that
// format names the format whole ("PEG" reads "JPEG", "IFF" "TIFF").
QString TypeText(const QString& photoXtent, std::span<const uint8_t> head);

// The decoder road's extensions; the showing extension must equal one exactly ("wbmp"
// so never matches).
bool IsDecodedPictureExtension(const QString& photoXtent);
// The extensions the hidden picture box is bound to the stored bytes for.
bool IsBoundPictureExtension(const QString& photoXtent);
// Whether a record off the decoder road's list goes that road all the same: its picture
// box is bound, but the platform's picture loader read nothing there and left the logo.
// The program's own readers may read it (an icon whose entries are all PNG).
bool FallsBackToDecoder(const QString& photoXtent, bool showsLogo);

}  // namespace catalogue
