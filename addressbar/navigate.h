// Turning typed text into a URL, and sending it to the web view.
#pragma once

#include <string>

// The URL for a piece of typed text, once white space is trimmed from its ends: the text itself when
// it starts with a scheme and "://" (http://, https://, file://, ftp://, any but javascript://),
// has something after them and no space, or is about:blank; otherwise a search on the home engine
// when it has a space or no full stop, else the text over HTTPS. Characters beyond ASCII after the
// host are sent percent-encoded as UTF-8.
std::wstring ResolveInput(const std::wstring& text);

// The query text of a search, percent-encoded as UTF-8 (lone surrogates as U+FFFD).
std::string PercentEncodeQuery(const std::wstring& text);

// Text pasted into the bar, its line breaks taken out: a paste broken over lines arrives whole.
std::wstring JoinPastedLines(const std::wstring& pasted);

// Resolves the text and navigates the web view to it; does nothing until the web view is ready.
void NavigateTo(const std::wstring& text);

// Navigates to an address exactly as the engine gave it, unresolved.
void NavigateToExactAddress(const std::wstring& address);
