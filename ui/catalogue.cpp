#include "ui/catalogue.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::uint32_t kSwappedMagic = 0xde120495;
// A catalogue of ours is far smaller; anything larger is no catalogue.
constexpr std::size_t kLargest = 4 << 20;

std::uint32_t word_at(const std::string& bytes, std::size_t at, bool swapped) {
    std::uint32_t w = 0;
    for (int i = 0; i < 4; ++i)
        w |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i]))
             << (swapped ? 24 - 8 * i : 8 * i);
    return w;
}

// The NUL-separated parts of a string of the catalogue.
std::vector<std::string> parts(const std::string& text) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t nul; (nul = text.find('\0', from)) != std::string::npos; from = nul + 1)
        out.push_back(text.substr(from, nul - from));
    out.push_back(text.substr(from));
    return out;
}

}  // namespace

bool Catalogue::Load(const std::string& path) {
    texts.clear();
    std::ifstream in(path, std::ios::binary);
    std::string bytes;
    char chunk[8192];
    while (in && bytes.size() <= kLargest) {
        in.read(chunk, sizeof chunk);
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (bytes.size() > kLargest || Read(bytes)) return !texts.empty();
    texts.clear();
    return false;
}

// Every offset is checked against the file's size: the file is data, not trusted.
bool Catalogue::Read(const std::string& bytes) {
    if (bytes.size() < 20) return false;
    const std::uint32_t magic = word_at(bytes, 0, false);
    if (magic != kMagic && magic != kSwappedMagic) return false;
    const bool swapped = magic == kSwappedMagic;
    const std::size_t count = word_at(bytes, 8, swapped);
    const std::size_t originals = word_at(bytes, 12, swapped);
    const std::size_t translations = word_at(bytes, 16, swapped);
    const auto table_fits = [&](std::size_t at) {
        return at <= bytes.size() && count <= (bytes.size() - at) / 8;
    };
    if (!table_fits(originals) || !table_fits(translations)) return false;
    const auto string_at = [&](std::size_t table, std::size_t i, std::string& out) {
        const std::size_t length = word_at(bytes, table + 8 * i, swapped);
        const std::size_t at = word_at(bytes, table + 8 * i + 4, swapped);
        if (at > bytes.size() || length > bytes.size() - at) return false;
        out.assign(bytes, at, length);
        return true;
    };
    for (std::size_t i = 0; i < count; ++i) {
        std::string original, translation;
        if (!string_at(originals, i, original) || !string_at(translations, i, translation))
            return false;
        texts[parts(original).front()] = parts(translation);
    }
    // The header, the translation of "", names the rule: "plural=(n > 1);" is French's.
    if (const auto header = texts.find(""); header != texts.end()) {
        std::string rule = header->second.front();
        rule.erase(std::remove_if(rule.begin(), rule.end(),
                                  [](char c) { return c == ' ' || c == '(' || c == ')'; }),
                   rule.end());
        singular_for_zero = rule.find("plural=n>1;") != std::string::npos;
    }
    return true;
}

std::size_t Catalogue::FormFor(unsigned long n) const {
    return singular_for_zero ? (n > 1) : (n != 1);
}

const char* Catalogue::Find(const std::string& key, unsigned long n) const {
    const auto found = texts.find(key);
    if (found == texts.end() || key.empty()) return nullptr;
    const std::vector<std::string>& forms = found->second;
    const std::string& form = forms[std::min(FormFor(n), forms.size() - 1)];
    return form.empty() ? nullptr : form.c_str();
}
