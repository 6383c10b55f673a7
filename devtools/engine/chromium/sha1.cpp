#include "devtools/engine/chromium/sha1.h"

#include <cstdint>

namespace {

uint32_t RotateLeft(uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

void ProcessBlock(const unsigned char* block, uint32_t state[5]) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
        w[i] = (uint32_t(block[4 * i]) << 24) | (uint32_t(block[4 * i + 1]) << 16) | (uint32_t(block[4 * i + 2]) << 8) |
               uint32_t(block[4 * i + 3]);
    }
    for (int i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);

    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

}  // namespace

std::string Sha1(const std::string& bytes) {
    uint32_t state[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    // The message, a 1 bit, zeros up to 56 bytes mod 64, then the length in bits, big-endian.
    std::string padded = bytes;
    padded += static_cast<char>(0x80);
    while (padded.size() % 64 != 56) padded += '\0';
    uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
    for (int shift = 56; shift >= 0; shift -= 8) padded += static_cast<char>((bits >> shift) & 0xFF);

    for (size_t i = 0; i < padded.size(); i += 64) {
        ProcessBlock(reinterpret_cast<const unsigned char*>(padded.data() + i), state);
    }
    std::string digest;
    for (uint32_t word : state) {
        for (int shift = 24; shift >= 0; shift -= 8) digest += static_cast<char>((word >> shift) & 0xFF);
    }
    return digest;
}
