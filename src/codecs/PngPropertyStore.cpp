#include "codecs/PngPropertyStore.h"

#include <algorithm>
#include <bit>
#include <exception>

#include "platform/runtime/text.h"

namespace codecs {

namespace {

constexpr size_t kMaxTextLength = 32700;
constexpr size_t kMaxKeywordLength = 79;  // PNG's limit for a keyword

// Slot order is code order: slot n holds the text of code 2^n.
constexpr const char* kStandardKeywords[] = {"Title",    "Author",     "Description", "Copyright",
                                             "Creation Time", "Software", "Disclaimer", "Warning",
                                             "Source",   "Comment"};

constexpr uint32_t kAllCodes = 0x3FFF;

bool isValidPngProperty(int32_t code) {
    return code > 0 && (uint32_t(code) & kAllCodes) == uint32_t(code) && std::has_single_bit(uint32_t(code));
}
size_t slotOf(int32_t code) { return size_t(std::countr_zero(uint32_t(code))); }

// Upper case of an ISO 8859-1 character (the letters of both halves; the sharp s and the y
// with diaeresis have no upper case of their own there).
uint8_t foldCase(uint8_t c) {
    if (c >= 'a' && c <= 'z') return uint8_t(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return uint8_t(c - 32);
    return c;
}
bool equalIgnoringCase(const std::string& x, const std::string& y) {
    return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                      [](char a, char b) { return foldCase(uint8_t(a)) == foldCase(uint8_t(b)); });
}

}  // namespace

std::optional<std::string> PngPropertyStore::SanitizePngText(const std::string& utf8) {
    std::string text = runtime::Latin1FromUtf8(utf8);
    if (text.size() > kMaxTextLength) text.resize(kMaxTextLength);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t c = uint8_t(text[i]);
        if (c == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c < 32 && c != '\t' && c != '\n') {
            return std::nullopt;
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string PngPropertyStore::SanitizePngKeyword(const std::string& utf8) {
    std::string keyword = runtime::Latin1FromUtf8(utf8);
    // A no-break space is a space before the blanks are trimmed and folded: PNG keywords
    // have no space at an end or beside another.
    std::replace(keyword.begin(), keyword.end(), char(0xA0), ' ');
    if (keyword.size() > kMaxKeywordLength) keyword.resize(kMaxKeywordLength);
    const size_t first = keyword.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    keyword = keyword.substr(first, keyword.find_last_not_of(' ') - first + 1);
    std::string folded;
    for (const char c : keyword)
        if (c != ' ' || folded.empty() || folded.back() != ' ') folded += c;
    for (const char ch : folded) {
        const uint8_t c = uint8_t(ch);
        if (c < 32 || (c > 126 && c < 161)) return "";
    }
    return folded;
}

int32_t PngPropertyStore::PngKeywordToProperty(const std::string& latin1) {
    for (int i = 0; i < kStandardTexts; ++i)
        if (equalIgnoringCase(latin1, kStandardKeywords[i])) return int32_t(1) << i;
    return -1;
}

std::vector<PngPropertyStore::Text>::iterator PngPropertyStore::findCustom(const std::string& keyword,
                                                                           bool exactCase) {
    return std::find_if(custom_.begin(), custom_.end(), [&](const Text& t) {
        return exactCase ? t.keyword == keyword : equalIgnoringCase(t.keyword, keyword);
    });
}

std::vector<PngPropertyStore::Text>::const_iterator PngPropertyStore::findCustom(const std::string& keyword,
                                                                                 bool exactCase) const {
    return const_cast<PngPropertyStore*>(this)->findCustom(keyword, exactCase);
}

bool PngPropertyStore::Set(int32_t PropertyID, const runtime::Variant& PropertyValue,
                           const std::string& Caption_Misc) {
    using Kind = runtime::Variant::Kind;
    if (PropertyValue.kind() == Kind::Null || PropertyValue.kind() == Kind::Object) return false;
    if (!isValidPngProperty(PropertyID)) return false;
    try {
        switch (PropertyID) {
            case PngPropertyBackgroundColor:
                backgroundColor_ = PropertyValue.ToLong() & 0xFFFFFF;
                break;
            case PngPropertyFilter:
                filterChoice_ = PropertyValue.ToLong();
                break;
            case PngPropertyTimeStamp: {
                const auto date = PropertyValue.AsDate();
                if (!date) return false;
                timeStamp_ = *date;
                break;
            }
            case PngPropertyCustomText: {
                const std::string keyword = SanitizePngKeyword(Caption_Misc);
                if (keyword.empty()) return false;
                const int32_t standard = PngKeywordToProperty(keyword);
                // The custom bit is not touched: the text is the standard one.
                if (standard != -1) return Set(standard, PropertyValue, "");
                const auto text = SanitizePngText(PropertyValue.ToText());
                if (!text) return false;
                const auto found = findCustom(keyword, false);
                if (found != custom_.end()) *found = {keyword, *text};
                else custom_.push_back({keyword, *text});
                break;
            }
            default: {
                const auto text = SanitizePngText(PropertyValue.ToText());
                if (!text) return false;
                standard_[slotOf(PropertyID)] = *text;
                break;
            }
        }
    } catch (const std::exception&) {
        return false;
    }
    flags_ |= uint32_t(PropertyID);
    return true;
}

bool PngPropertyStore::Delete(int32_t PropertyID, const std::string& Caption_Misc) {
    if (!isValidPngProperty(PropertyID) || !IsSet(PropertyID)) return false;
    switch (PropertyID) {
        case PngPropertyCustomText: {
            const std::string keyword = SanitizePngKeyword(Caption_Misc);
            if (keyword.empty()) return false;
            const int32_t standard = PngKeywordToProperty(keyword);
            if (standard != -1) return Delete(standard, "");
            const auto found = findCustom(keyword, true);
            if (found == custom_.end()) return false;
            *found = std::move(custom_.back());
            custom_.pop_back();
            if (!custom_.empty()) return true;
            break;
        }
        case PngPropertyBackgroundColor:
            break;  // the colour stays, no longer written
        case PngPropertyFilter:
            filterChoice_ = 0;
            break;
        case PngPropertyTimeStamp:
            timeStamp_ = {};
            break;
        default:
            standard_[slotOf(PropertyID)].clear();
            break;
    }
    flags_ &= ~uint32_t(PropertyID);
    return true;
}

runtime::Variant PngPropertyStore::Get(int32_t PropertyID, const std::string& Caption_Misc) const {
    if (!isValidPngProperty(PropertyID)) return {};
    switch (PropertyID) {
        case PngPropertyCustomText: {
            if (!IsSet(PngPropertyCustomText)) return "";
            const std::string keyword = SanitizePngKeyword(Caption_Misc);
            if (keyword.empty()) return "";
            const int32_t standard = PngKeywordToProperty(keyword);
            if (standard != -1) return Get(standard, "");
            const auto found = findCustom(keyword, false);
            return found == custom_.end() ? "" : runtime::Utf8FromLatin1(found->text);
        }
        case PngPropertyTimeStamp:
            return IsSet(PropertyID) ? timeStamp_ : runtime::DateTime();
        case PngPropertyBackgroundColor:
            return IsSet(PropertyID) ? backgroundColor_ : -1;
        case PngPropertyFilter:
            return filterChoice_;
        default:
            return IsSet(PropertyID) ? runtime::Utf8FromLatin1(standard_[slotOf(PropertyID)]) : "";
    }
}

std::vector<PngPropertyStore::Text> PngPropertyStore::StandardTexts(bool firstPass) const {
    std::vector<Text> texts;
    const int32_t first = firstPass ? PngPropertyTitle : PngPropertyDescription;
    const int32_t last = firstPass ? PngPropertyAuthor : PngPropertyComment;
    for (int32_t code = first; code <= last; code <<= 1)
        if (IsSet(code)) texts.push_back({kStandardKeywords[slotOf(code)], standard_[slotOf(code)]});
    return texts;
}

}  // namespace codecs
