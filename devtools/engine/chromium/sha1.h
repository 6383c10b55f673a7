// SHA-1 (FIPS 180-4), which the WebSocket handshake uses to prove the server read our key.
#pragma once

#include <string>

// The 20-byte digest of the bytes.
std::string Sha1(const std::string& bytes);
