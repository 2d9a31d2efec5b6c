#include "ui/typed_text.h"

#include "base/utf8.h"

bool TypeChar(std::string& text, Uint16 unicode, Typeable kind, std::size_t limit) {
    const bool takes =
        kind == Typeable::kAscii ? IsPrintableAscii(unicode) : IsPrintableLatin1(unicode);
    if (!takes || CharCount(text) >= limit) return false;
    AppendUtf8(text, unicode);
    return true;
}

bool EraseChar(std::string& text) {
    if (text.empty()) return false;
    // Back over the continuation bytes to the character's first.
    std::size_t at = text.size() - 1;
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    text.erase(at);
    return true;
}

std::size_t CharCount(const std::string& text) {
    return CodePoints(text).size();
}

std::string LastChars(const std::string& text, std::size_t n) {
    std::string out;
    const std::vector<unsigned> codes = CodePoints(text);
    for (std::size_t i = codes.size() > n ? codes.size() - n : 0; i < codes.size(); ++i)
        AppendUtf8(out, codes[i]);
    return out;
}
