// Input resolution under a few hundred thousand generated inputs: whatever a person types or
// pastes becomes either exactly one search with a faithful encoding, or the text as an address.
#include "addressbar/navigate.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <random>
#include <string>

namespace {

const std::wstring kSearch = L"https://duckduckgo.com/?q=";

// Random text from the pieces that matter to the rule and to the encoder.
class InputGenerator {
public:
    explicit InputGenerator(uint64_t seed) : random_(seed) {}

    std::wstring Next() {
        std::wstring text;
        const int pieces = Pick(0, Pick(0, 9) == 0 ? 300 : 12);  // now and then a very long paste
        for (int i = 0; i < pieces; ++i) AppendPiece(text);
        return text;
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    void AppendPiece(std::wstring& text) {
        static const wchar_t* const kPrefixes[] = {L"http", L"https", L"http://", L"https://", L"HTTP://",
                                                   L"HtTpS://", L"http:/", L"ftp://", L"www.",
                                                   L"file:///", L"javascript://", L"a+b-c.9://"};
        static const wchar_t kSpecials[] = L" .%&#+=?/:~-_\t\r\n\x3000\x3002\x7f";
        switch (Pick(0, 9)) {
        case 0: text += kPrefixes[Pick(0, 11)]; break;
        case 1: text += static_cast<wchar_t>(Pick('a', 'z')); break;
        case 2: text += static_cast<wchar_t>(Pick('A', 'Z')); break;
        case 3: text += static_cast<wchar_t>(Pick('0', '9')); break;
        case 4: text += kSpecials[Pick(0, static_cast<int>(wcslen(kSpecials)) - 1)]; break;
        case 5: text += static_cast<wchar_t>(Pick(1, 31)); break;               // control characters
        case 6: text += static_cast<wchar_t>(Pick(0x4E00, 0x9FFF)); break;      // CJK
        case 7: {                                                               // outside the BMP
            const char32_t cp = static_cast<char32_t>(Pick(0x10000, 0x10FFFF));
            text += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            text += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            break;
        }
        case 8: text += static_cast<wchar_t>(Pick(0xD800, 0xDFFF)); break;      // a lone surrogate
        default: text.append(static_cast<size_t>(Pick(1, 2000)), static_cast<wchar_t>(Pick(0, 1) ? L'.' : L'x')); break;
        }
    }

    std::mt19937_64 random_;
};

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;  // lower-case hex is not what we send
}

bool IsUnreserved(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L'.' || c == L'_' || c == L'~';
}

// Percent-decoding and UTF-8 decoding, strict: false for anything a correct encoder never writes.
bool DecodeQuery(const std::wstring& encoded, std::wstring* text) {
    std::string bytes;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == L'%') {
            if (i + 2 >= encoded.size()) return false;
            const int high = HexValue(encoded[i + 1]), low = HexValue(encoded[i + 2]);
            if (high < 0 || low < 0) return false;
            const unsigned char byte = static_cast<unsigned char>(high * 16 + low);
            if (IsUnreserved(byte)) return false;  // unreserved bytes travel as themselves
            bytes += static_cast<char>(byte);
            i += 2;
        } else if (IsUnreserved(encoded[i])) {
            bytes += static_cast<char>(encoded[i]);
        } else {
            return false;
        }
    }
    text->clear();
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + static_cast<size_t>(length) > bytes.size()) return false;
        char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
            if ((next >> 6) != 2) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        static const char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            *text += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            *text += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            *text += static_cast<wchar_t>(cp);
        }
        i += static_cast<size_t>(length);
    }
    return true;
}

// The text as it can travel: each surrogate without its partner replaced by U+FFFD.
std::wstring WithLoneSurrogatesReplaced(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out += c;
            out += text[++i];
        } else {
            out += (high || low) ? static_cast<wchar_t>(0xFFFD) : c;
        }
    }
    return out;
}

// The ends that are trimmed before the rule: tab to carriage return, space, U+00A0 and U+3000.
std::wstring Trimmed(const std::wstring& typed) {
    const auto isEdge = [](wchar_t c) { return (c >= 9 && c <= 13) || c == L' ' || c == 0xA0 || c == 0x3000; };
    size_t first = 0, last = typed.size();
    while (first < last && isEdge(typed[first])) ++first;
    while (last > first && isEdge(typed[last - 1])) --last;
    return typed.substr(first, last - first);
}

// The length of a leading scheme and its "://", by a rule written apart from the product's.
size_t SchemeLength(const std::wstring& text) {
    const auto letter = [](wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); };
    size_t end = 0;
    while (end < text.size() && (letter(text[end]) || (end > 0 && ((text[end] >= L'0' && text[end] <= L'9') ||
                                                                    wcschr(L"+-.", text[end]) != nullptr)))) {
        ++end;
    }
    return end > 0 && text.substr(end, 3) == L"://" ? end + 3 : 0;
}

bool IsJavaScript(const std::wstring& text, size_t scheme) {
    std::wstring name = text.substr(0, scheme);
    for (wchar_t& c : name) c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
    return name == L"javascript://";
}

// Characters beyond ASCII after the host travel as percent-encoded UTF-8.
std::wstring EncodedAfterHost(const std::wstring& address) {
    const size_t scheme = address.find(L"://");
    const size_t host = address.find_first_of(L"/?#", scheme == std::wstring::npos ? 0 : scheme + 3);
    std::wstring out = address.substr(0, host);
    for (size_t i = host, run = host; i < address.size(); i = run) {  // each run of non-ASCII, and one more
        while (run < address.size() && address[run] >= 0x80) ++run;
        const std::string encoded = PercentEncodeQuery(address.substr(i, run - i));
        out.append(encoded.begin(), encoded.end());
        if (run < address.size()) out += address[run++];
    }
    return out;
}

// Why the result breaks the rule, or empty when it keeps it.
std::string Violation(const std::wstring& typed, const std::wstring& url) {
    const std::wstring text = Trimmed(typed);
    const bool space = text.find(L' ') != std::wstring::npos;
    const size_t scheme = SchemeLength(text);
    if (scheme > 0 && text.size() > scheme && !space && !IsJavaScript(text, scheme)) {
        return url == EncodedAfterHost(text) ? "" : "a scheme-named address that was changed";
    }
    const bool search = space || text.find(L'.') == std::wstring::npos;
    if (search) {
        if (url.rfind(kSearch, 0) != 0) return "a search that does not start with the search prefix";
        std::wstring decoded;
        if (!DecodeQuery(url.substr(kSearch.size()), &decoded)) return "a query that is not a valid encoding";
        if (decoded != WithLoneSurrogatesReplaced(text)) return "a query that does not decode to the text";
        return "";
    }
    return url == EncodedAfterHost(L"https://" + text) ? "" : "an address without the https:// prefix in front of the text";
}

uint64_t SeedForThisRun() {
    if (const char* fixed = std::getenv("TROV_PROPERTY_SEED")) return std::strtoull(fixed, nullptr, 10);
    return std::random_device{}() ^ (static_cast<uint64_t>(GetTickCount64()) << 20);
}

TEST(ResolveInputPropertyTest, EveryGeneratedInputKeepsTheRule) {
    const uint64_t seed = SeedForThisRun();
    InputGenerator generator(seed);
    const int kInputs = 200000;
    for (int i = 0; i < kInputs; ++i) {
        const std::wstring text = generator.Next();
        const std::string problem = Violation(text, ResolveInput(text));
        if (!problem.empty()) {
            FAIL() << "input #" << i << " (" << text.size() << " UTF-16 units) gave " << problem
                   << "; reproduce with TROV_PROPERTY_SEED=" << seed;
        }
    }
}

// The checker itself must reject wrong answers, or the property above proves nothing.
TEST(ResolveInputPropertyTest, CheckerRejectsWrongResults) {
    EXPECT_EQ(Violation(L"a b", kSearch + L"a%20b"), "");
    EXPECT_NE(Violation(L"a b", kSearch + L"a b"), "");          // unescaped space
    EXPECT_NE(Violation(L"a&b", kSearch + L"a&b"), "");          // unescaped ampersand
    EXPECT_NE(Violation(L"a b", kSearch + L"a%2fb"), "");        // lower-case hex
    EXPECT_NE(Violation(L"ab", kSearch + L"%61b"), "");          // an unreserved byte escaped
    EXPECT_NE(Violation(L"\xD800", kSearch + L"%ED%A0%80"), "");  // a surrogate encoded as such
    EXPECT_EQ(Violation(L"\xD800", kSearch + L"%EF%BF%BD"), "");
    EXPECT_NE(Violation(L"x.y", L"x.y"), "");
    EXPECT_NE(Violation(L"HTTP://x.y", L"https://HTTP://x.y"), "");
    EXPECT_NE(Violation(L"httpx.y", L"httpx.y"), "");
    EXPECT_EQ(Violation(L"httpx.y", L"https://httpx.y"), "");
    EXPECT_NE(Violation(L" x.y\n", L"https:// x.y\n"), "");        // the ends were not trimmed
    EXPECT_NE(Violation(L"http://intranet", kSearch + L"http%3A%2F%2Fintranet"), "");
    EXPECT_EQ(Violation(L"\thttp://intranet ", L"http://intranet"), "");
    EXPECT_NE(Violation(L"ftp://x", L"https://ftp://x"), "");
    EXPECT_NE(Violation(L"javascript://x.y", L"javascript://x.y"), "");  // script from the bar
    EXPECT_NE(Violation(L"x.y/\x4e2d", L"https://x.y/\x4e2d"), "");      // sent unencoded
    EXPECT_NE(Violation(L"\x4e2d.y", L"https://%E4%B8%AD.y"), "");         // the host encoded
    EXPECT_EQ(Violation(L"ftp://\x4e2d/\x4e2d", L"ftp://\x4e2d/%E4%B8%AD"), "");
    EXPECT_EQ(Violation(L"javascript://x.y", L"https://javascript://x.y"), "");
}

}  // namespace
