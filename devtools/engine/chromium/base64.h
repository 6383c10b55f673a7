// Base64 (RFC 4648, with padding): the WebSocket handshake's key and the page's image frames.
#pragma once

#include <string>

std::string Base64Encode(const std::string& bytes);
// False for text that is not padded Base64; line breaks are not allowed either.
bool Base64Decode(const std::string& text, std::string* bytes);
