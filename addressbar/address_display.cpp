#include "addressbar/address_display.h"

namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// Characters that stay percent-encoded however valid their UTF-8: they hide, reorder or space out the
// text around them, or imitate the characters that divide an address's authority. Unicode's
// Default_Ignorable_Code_Point and Bidi_Control sets, its spaces, the padlocks that imitate the
// page's security sign, and the private-use areas, which no font shows.
constexpr CodePointRange kKeptEncoded[] = {
    {0x0080, 0x00A0},   // C1 controls, no-break space
    {0x00AD, 0x00AD},   // soft hyphen
    {0x034F, 0x034F},   // combining grapheme joiner
    {0x061C, 0x061C},   // Arabic letter mark
    {0x115F, 0x1160},   // Hangul fillers
    {0x1680, 0x1680},   // Ogham space mark
    {0x17B4, 0x17B5},   // Khmer inherent vowels
    {0x180B, 0x180F},   // Mongolian variation selectors, vowel separator
    {0x2000, 0x200F},   // spaces, zero-width characters, left-to-right and right-to-left marks
    {0x2028, 0x202F},   // line and paragraph separators, bidi embeddings and overrides, narrow space
    {0x2044, 0x2044},   // fraction slash
    {0x205F, 0x206F},   // medium space, word joiner, invisible operators, bidi isolates
    {0x2215, 0x2215},   // division slash
    {0x2800, 0x2800},   // braille blank
    {0x29F8, 0x29F8},   // big solidus
    {0x3000, 0x3000},   // ideographic space
    {0x3164, 0x3164},   // Hangul filler
    {0xE000, 0xF8FF},   // private use
    {0xFE00, 0xFE0F},   // variation selectors
    {0xFE68, 0xFE68},   // small reverse solidus
    {0xFE6A, 0xFE6B},   // small percent sign, small commercial at
    {0xFEFF, 0xFEFF},   // byte order mark
    {0xFF05, 0xFF05},   // fullwidth percent sign
    {0xFF0F, 0xFF0F},   // fullwidth solidus
    {0xFF20, 0xFF20},   // fullwidth commercial at
    {0xFF3C, 0xFF3C},   // fullwidth reverse solidus
    {0xFFA0, 0xFFA0},   // halfwidth Hangul filler
    {0xFFF0, 0xFFFB},   // unassigned specials, interlinear annotation
    {0x1BCA0, 0x1BCA3}, // shorthand format controls
    {0x1D173, 0x1D17A}, // musical formatting
    {0x1F50F, 0x1F510}, // lock with ink pen, closed lock with key
    {0x1F512, 0x1F513}, // lock, open lock
    {0xE0000, 0xE0FFF}, // tags, variation selectors supplement
    {0xF0000, 0x10FFFF} // supplementary private use
};

bool IsSafeToShow(char32_t codePoint) {
    for (const CodePointRange& range : kKeptEncoded) {
        if (codePoint >= range.first && codePoint <= range.last) return false;
    }
    return true;
}

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

// The byte of a "%XX" escape at i, or -1 when none starts there.
int EscapedByteAt(const std::wstring& text, size_t i) {
    if (i + 2 >= text.size() || text[i] != L'%') return -1;
    const int high = HexDigitValue(text[i + 1]), low = HexDigitValue(text[i + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// One UTF-8 character of two to four escapes from i: false for anything that is not the shortest
// encoding of a Unicode scalar value.
bool DecodeEscapedCharacter(const std::wstring& text, size_t i, char32_t* codePoint, size_t* escapes) {
    const int lead = EscapedByteAt(text, i);
    const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0) return false;
    char32_t value = static_cast<char32_t>(lead) & (0x7Fu >> length);
    for (size_t k = 1; k < length; ++k) {
        const int next = EscapedByteAt(text, i + 3 * k);
        if (next < 0 || (next & 0xC0) != 0x80) return false;
        value = (value << 6) | static_cast<char32_t>(next & 0x3F);
    }
    static const char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kShortest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    *codePoint = value;
    *escapes = length;
    return true;
}

void AppendUtf16(std::wstring& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out += static_cast<wchar_t>(codePoint);
    } else {
        out += static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
        out += static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
    }
}

bool IsSchemeCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'+' ||
           c == L'-' || c == L'.';
}

// Where an address's authority begins, its host within it (past a "user:password@"), and the text
// after the host; all three at once for an address without "//" (about:blank, data:, mailto:).
struct AddressParts {
    size_t authority = 0, host = 0, afterHost = 0;
};

AddressParts PartsOf(const std::wstring& url) {
    AddressParts parts;
    size_t scheme = 0;
    while (scheme < url.size() && IsSchemeCharacter(url[scheme])) ++scheme;
    if (scheme == 0 || scheme >= url.size() || url[scheme] != L':') return parts;
    const bool slashes = url.compare(scheme, 3, L"://") == 0;
    parts.authority = parts.host = parts.afterHost = scheme + (slashes ? 3 : 1);
    if (!slashes) return parts;
    for (; parts.afterHost < url.size(); ++parts.afterHost) {
        const wchar_t c = url[parts.afterHost];
        if (c == L'/' || c == L'?' || c == L'#' || c == L'\\') break;
        if (c == L'@') parts.host = parts.afterHost + 1;
    }
    return parts;
}

}  // namespace

std::wstring DisplayAddress(const std::wstring& url) {
    const AddressParts parts = PartsOf(url);
    std::wstring shown(url, 0, parts.authority);
    shown.append(url, parts.host, parts.afterHost - parts.host);
    for (size_t i = parts.afterHost; i < url.size();) {
        char32_t codePoint = 0;
        size_t escapes = 0;
        if (DecodeEscapedCharacter(url, i, &codePoint, &escapes) && IsSafeToShow(codePoint)) {
            AppendUtf16(shown, codePoint);
            i += 3 * escapes;
        } else {
            shown += url[i++];
        }
    }
    return shown;
}

std::wstring TextToCopy(const std::wstring& barText, size_t start, size_t end, const std::wstring& address) {
    if (start == 0 && end >= barText.size() && barText == DisplayAddress(address)) return address;
    if (start >= barText.size()) return std::wstring();
    return barText.substr(start, end - start);
}
