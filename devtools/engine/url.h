// How the engine reads a URL passed to Navigate.
#pragma once

#include <string>

// The URL as a real engine reports it back (lower-case scheme and host, "/" for an empty path),
// or false for anything that is not an absolute http or https URL.
bool NormaliseUrl(const std::wstring& url, std::wstring* normalised);
