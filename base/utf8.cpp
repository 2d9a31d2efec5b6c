#include "base/utf8.h"

namespace {

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

constexpr unsigned kBroken = ~0u;

// The code point of the sequence at `i` of `length` bytes whose lead byte carries `bits`;
// kBroken where it is cut short, overlong, a surrogate or past U+10FFFF.
unsigned decode(const char* text, std::size_t size, std::size_t i, int length, unsigned bits) {
    static const unsigned kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (i + length > size) return kBroken;
    unsigned code = bits;
    for (int k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if (!continuation(c)) return kBroken;
        code = (code << 6) | (c & 0x3F);
    }
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return kBroken;
    return code;
}

}  // namespace

unsigned NextCodePoint(const char* text, std::size_t size, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 1;
    unsigned code = lead;
    if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, code = decode(text, size, i, 4, lead & 0x07);
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, code = decode(text, size, i, 3, lead & 0x0F);
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, code = decode(text, size, i, 2, lead & 0x1F);
    else if (lead >= 0x80)
        code = kBroken;
    // A broken sequence costs only its lead byte: what follows is read anew.
    if (code == kBroken) code = kReplacementChar, length = 1;
    i += length;
    return code;
}

std::vector<unsigned> CodePoints(const std::string& text) {
    std::vector<unsigned> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        out.push_back(NextCodePoint(text.data(), text.size(), i));
    return out;
}

void AppendUtf8(std::string& out, unsigned code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = kReplacementChar;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}
