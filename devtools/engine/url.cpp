// URL handling of the development engine. Deliberately loose: "scheme://host" is enough, as long
// as the scheme is http or https; path, query and fragment pass through as typed.
#include "devtools/engine/url.h"

namespace {

std::wstring AsciiLower(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

}  // namespace

bool NormaliseUrl(const std::wstring& url, std::wstring* normalised) {
    const std::wstring separator = L"://";
    size_t schemeEnd = url.find(separator);
    if (schemeEnd == std::wstring::npos) return false;
    std::wstring scheme = AsciiLower(url.substr(0, schemeEnd));
    if (scheme != L"http" && scheme != L"https") return false;

    size_t hostStart = schemeEnd + separator.size();
    size_t hostEnd = url.find_first_of(L"/?#", hostStart);
    if (hostEnd == std::wstring::npos) hostEnd = url.size();
    if (hostEnd == hostStart) return false;

    std::wstring rest = url.substr(hostEnd);
    if (rest.empty() || rest[0] != L'/') rest.insert(0, L"/");
    *normalised = scheme + separator + AsciiLower(url.substr(hostStart, hostEnd - hostStart)) + rest;
    return true;
}
