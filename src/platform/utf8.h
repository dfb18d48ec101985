#pragma once
// UTF-8 decoding and encoding shared by the platform layer. The program's 8-bit text is UTF-8
// here, but names and values may hold any bytes, so decoding reports malformed input instead of
// replacing it: each caller decides how to carry such bytes.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::utf8 {

/// Decodes the well-formed UTF-8 sequence at s[i] into `cp`; returns its length, or 0 when the
/// bytes there are malformed (overlong, surrogate, beyond U+10FFFF or cut short).
inline std::size_t Decode(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

/// Appends the UTF-8 form of a code point.
inline void Append(std::string& out, char32_t cp) {
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

/// True when the whole text is well-formed UTF-8.
inline bool IsValid(std::string_view s) {
    char32_t cp;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Decode(s, i, cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

} // namespace corvane::utf8
