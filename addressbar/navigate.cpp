#include "addressbar/navigate.h"

#include "app/state.h"
#include "webhost/engine.h"
#include "webhost/navigation_events.h"
#include "webhost/restart.h"

namespace {

bool IsUnreserved(unsigned char octet) {
    return (octet >= 'A' && octet <= 'Z') || (octet >= 'a' && octet <= 'z') || (octet >= '0' && octet <= '9') ||
           octet == '-' || octet == '.' || octet == '_' || octet == '~';
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 to UTF-8; a surrogate without its partner cannot be encoded and becomes U+FFFD.
std::string ToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                                (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            AppendUtf8(out, cp);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, static_cast<char32_t>(c));
        }
    }
    return out;
}

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// ASCII-only folding: no locale may turn another character into a letter of the scheme.
bool StartsWithIgnoringCase(const std::wstring& text, const wchar_t* lowerPrefix) {
    for (size_t i = 0; lowerPrefix[i]; ++i) {
        if (i >= text.size() || AsciiLower(text[i]) != lowerPrefix[i]) return false;
    }
    return true;
}

// White space that pastes carry at their ends: the ASCII controls tab to carriage return, the space,
// the no-break space of web pages and the ideographic space of full-width input.
bool IsEdgeWhiteSpace(wchar_t c) {
    return (c >= L'\t' && c <= L'\r') || c == L' ' || c == 0x00A0 || c == 0x3000;
}

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

bool IsSchemeCharacter(wchar_t c) {
    return IsAsciiLetter(c) || (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
}

// The length of a leading scheme followed by "://" (a letter, then letters, digits, "+", "-" or
// "."), without the "://"; 0 when the text starts with none.
size_t SchemeLength(const std::wstring& text) {
    if (text.empty() || !IsAsciiLetter(text[0])) return 0;
    size_t length = 1;
    while (length < text.size() && IsSchemeCharacter(text[length])) ++length;
    return text.compare(length, 3, L"://") == 0 ? length : 0;
}

// An address with its own scheme ("https://", "file://", "ftp://"), something after the "://"
// and no space anywhere: the engine decides what it can show. Script is never run from the bar,
// so "javascript://" stays text to search for.
bool IsAddressWithScheme(const std::wstring& text) {
    const size_t schemeLength = SchemeLength(text);
    if (schemeLength == 0 || text.size() <= schemeLength + 3) return false;
    if (schemeLength == 10 && StartsWithIgnoringCase(text, L"javascript")) return false;
    return text.find(L' ') == std::wstring::npos;
}

std::wstring TrimEdgeWhiteSpace(const std::wstring& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsEdgeWhiteSpace(text[first])) ++first;
    while (last > first && IsEdgeWhiteSpace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool IsLineBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }

// Percent-encodes text as UTF-8, every byte outside the unreserved set, or only those beyond ASCII.
std::wstring PercentEncoded(const std::wstring& text, bool asciiToo) {
    static const char kHex[] = "0123456789ABCDEF";
    std::wstring out;
    for (unsigned char octet : ToUtf8(text)) {
        if (IsUnreserved(octet) || (!asciiToo && octet < 0x80)) {
            out += static_cast<wchar_t>(octet);
        } else {
            out += L'%';
            out += static_cast<wchar_t>(kHex[octet >> 4]);
            out += static_cast<wchar_t>(kHex[octet & 0x0F]);
        }
    }
    return out;
}

// What the bar shows reads characters as themselves; what is sent has them percent-encoded as the
// engine reports them, so that an address read from the bar and edited leads where it says. The host
// is left to the engine, which turns an international name into its xn-- form.
std::wstring EncodeNonAsciiAfterHost(const std::wstring& url) {
    const size_t scheme = url.find(L"://");
    const size_t afterHost = url.find_first_of(L"/?#", scheme == std::wstring::npos ? 0 : scheme + 3);
    if (afterHost == std::wstring::npos) return url;
    return url.substr(0, afterHost) + PercentEncoded(url.substr(afterHost), false);
}

struct Resolution {
    std::wstring url;
    bool upgradedToHttps = false;  // typed without a scheme: Trov chose https://
};

Resolution Resolve(const std::wstring& typed) {
    const std::wstring text = TrimEdgeWhiteSpace(typed);
    // Local and intranet hosts have no full stop, but the scheme says it is an address.
    if (IsAddressWithScheme(text)) return {EncodeNonAsciiAfterHost(text)};
    // The engine's empty page, as every browser opens it.
    if (text.size() == 11 && StartsWithIgnoringCase(text, L"about:blank")) return {L"about:blank"};
    // Inside the text only U+0020 and U+002E count: no other white space, no other full stops.
    if (text.find(L'.') == std::wstring::npos || text.find(L' ') != std::wstring::npos) {
        return {searchUrl + PercentEncoded(text, true)};
    }
    return {EncodeNonAsciiAfterHost(L"https://" + text), true};
}

// Before the engine is ready the address is dropped; an engine left down after its restarts gave up
// is started once more, and opens the address asked for (its answer comes later, from the message loop).
void OpenResolved(const Resolution& resolved) {
    if (!webviewReady) {
        if (StartParkedEngine()) currentUrl = resolved.url;
        return;
    }
    currentUrl = resolved.url;
    ExpectUpgradedNavigation(resolved.upgradedToHttps ? currentUrl : std::wstring());
    NavigateView(currentUrl);
}

}  // namespace

std::string PercentEncodeQuery(const std::wstring& text) {
    const std::wstring encoded = PercentEncoded(text, true);
    return std::string(encoded.begin(), encoded.end());
}

std::wstring ResolveInput(const std::wstring& typed) { return Resolve(typed).url; }

// As browsers do: white space around line breaks goes; the breaks vanish from text with no other white
// space inside (an address split by a mail program or a terminal), and become one space otherwise.
std::wstring JoinPastedLines(const std::wstring& pasted) {
    if (pasted.find_first_of(L"\r\n") == std::wstring::npos) return pasted;
    const std::wstring text = TrimEdgeWhiteSpace(pasted);
    // Each run of white space, found twice: first whether any has no line break, then to join.
    bool spaceWithoutBreak = false;
    std::wstring joined;
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < text.size();) {
            if (!IsEdgeWhiteSpace(text[i])) {
                if (pass == 1) joined += text[i];
                ++i;
                continue;
            }
            const size_t start = i;
            bool lineBreak = false;
            for (; i < text.size() && IsEdgeWhiteSpace(text[i]); ++i) lineBreak = lineBreak || IsLineBreak(text[i]);
            if (pass == 0) spaceWithoutBreak = spaceWithoutBreak || !lineBreak;
            else if (!lineBreak) joined.append(text, start, i - start);
            else if (spaceWithoutBreak) joined += L' ';
        }
    }
    return joined;
}

void NavigateTo(const std::wstring& text) {
    if (text.empty()) return;
    OpenResolved(Resolve(text));
}

void NavigateToExactAddress(const std::wstring& address) {
    if (!address.empty()) OpenResolved({address});
}
