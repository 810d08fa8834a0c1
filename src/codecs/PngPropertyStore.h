#pragma once
// PngPropertyStore: what the PNG writer adds to the image data, kept between saves by the
// image's PNG property holder: the ten standard texts of PNG, texts under keywords of the
// caller's choosing, a time stamp, a background colour and the filter choice.
//
// Texts and keywords arrive as UTF-8 and are kept in ISO 8859-1, the character set of
// PNG's tEXt and zTXt chunks; a character without an ISO 8859-1 code becomes "?".
// - Texts keep their first 32700 characters, CR LF and lone CR become LF. A text holding
//   any other control character below 32 but TAB is refused (Set returns False and
//   stores nothing): PNG text does not carry them, and an emptied text would lose the
//   caller's words without a word.
// - Keywords are cut to 79 characters, a no-break space counts as a space, the spaces at
//   the ends go and runs of spaces fold to one (PNG keywords allow neither); any
//   character outside 32..126 and 161..255 makes the keyword empty, which every member
//   refuses. A custom keyword
//   that names a standard text (in any letter case) stands for that text.
// - Set finds a custom text by its keyword without regard to case and replaces it; Delete
//   wants the keyword exactly; Get answers a standard keyword under code 1024 only while
//   some custom text exists. Deleting a custom text moves the last one into its place,
//   which is the order the chunks are written in.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/date_time.h"
#include "platform/runtime/variant.h"

namespace codecs {

enum PngProperty : int32_t {
    PngPropertyTitle = 1,
    PngPropertyAuthor = 2,
    PngPropertyDescription = 4,
    PngPropertyCopyright = 8,
    PngPropertyCreationTime = 16,
    PngPropertySoftware = 32,
    PngPropertyDisclaimer = 64,
    PngPropertyWarning = 128,
    PngPropertySource = 256,
    PngPropertyComment = 512,
    PngPropertyCustomText = 1024,
    PngPropertyTimeStamp = 2048,
    PngPropertyBackgroundColor = 4096,
    PngPropertyFilter = 8192,
};

class PngPropertyStore {
public:
    // Stores one property; False, changing nothing, for an unknown code, a null or object
    // value, an empty keyword (1024), a value that is no date (2048) or no 32-bit number
    // (4096, 8192), or a refused text.
    bool Set(int32_t PropertyID, const runtime::Variant& PropertyValue, const std::string& Caption_Misc);
    // False for an unknown code, a property that is not set or a custom text not found.
    bool Delete(int32_t PropertyID, const std::string& Caption_Misc);
    // The value, or the property's default: "" for texts, the zero date for 2048, -1 for
    // 4096, the filter choice (0 at first) for 8192, an empty value for an unknown code.
    runtime::Variant Get(int32_t PropertyID, const std::string& Caption_Misc) const;

    bool IsSet(int32_t PropertyID) const { return (flags_ & uint32_t(PropertyID)) != 0; }
    int32_t FilterChoice() const { return filterChoice_; }
    int32_t BackgroundColor() const { return backgroundColor_; }  // &HBBGGRR
    const runtime::DateTime& TimeStamp() const { return timeStamp_; }

    // A text chunk's keyword and text, ISO 8859-1.
    struct Text {
        std::string keyword, text;
    };
    // The set standard texts of the first pass (Title, Author) or the second (the others
    // in the order of their codes).
    std::vector<Text> StandardTexts(bool firstPass) const;
    // The custom texts in their order.
    const std::vector<Text>& CustomTexts() const { return custom_; }

    // The text as kept, or nothing when it is refused.
    static std::optional<std::string> SanitizePngText(const std::string& utf8);
    // The keyword as kept, "" when it is refused.
    static std::string SanitizePngKeyword(const std::string& utf8);
    // The standard code a kept keyword names (letter case aside), or -1.
    static int32_t PngKeywordToProperty(const std::string& latin1);

private:
    static constexpr int kStandardTexts = 10;

    std::vector<Text>::iterator findCustom(const std::string& keyword, bool exactCase);
    std::vector<Text>::const_iterator findCustom(const std::string& keyword, bool exactCase) const;

    int32_t filterChoice_ = 0;
    int32_t backgroundColor_ = 0;
    std::string standard_[kStandardTexts];
    runtime::DateTime timeStamp_;
    std::vector<Text> custom_;
    uint32_t flags_ = 0;
};

}  // namespace codecs
