#include "store/key_values.h"

#include <ini.h>

#include <algorithm>

namespace {

// inih reads a line in pieces of its buffer's size, and strips blanks and other spaces around a
// key: a longer line, or a key holding a carriage return, would read back as something else once
// written. No line of ours is either; a final carriage return (a file edited on Windows) is fine.
bool readable(const std::string& line) {
    const std::size_t size = !line.empty() && line.back() == '\r' ? line.size() - 1 : line.size();
    return line.size() < INI_MAX_LINE - 1 &&
           std::none_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(size),
                        [](char c) { return static_cast<unsigned char>(c) < 32 && c != '\t'; });
}

// The number of the first line that is not readable, 0 for none.
std::size_t first_unreadable_line(const std::string& text) {
    std::size_t line = 1;
    for (std::size_t start = 0; start <= text.size(); ++line) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (!readable(text.substr(start, end - start))) return line;
        start = end + 1;
    }
    return 0;
}

}  // namespace

KeyValues::Section& KeyValues::At(const std::string& name) {
    auto it = std::find_if(sections.begin(), sections.end(),
                           [&](const Section& s) { return s.name == name; });
    if (it != sections.end()) return *it;
    // The lines before any section come first, or a rewrite would put them under one.
    if (name.empty()) return *sections.insert(sections.begin(), Section{name, {}});
    sections.push_back({name, {}});
    return sections.back();
}

int KeyValues::OnLine(void* user, const char* section, const char* key, const char* value) {
    auto* self = static_cast<KeyValues*>(user);
    // A section line alone, with no key, only opens it.
    if (!key) {
        self->At(section);
        return 1;
    }
    self->Set(section, key, value ? value : "");
    return 1;
}

bool KeyValues::Parse(const std::string& text, std::string& why) {
    sections.clear();
    At("");
    // inih stops at a NUL: a text holding one is no text of ours.
    if (text.find('\0') != std::string::npos) {
        why = "it holds binary data";
        return false;
    }
    if (const std::size_t line = first_unreadable_line(text)) {
        why = "line " + std::to_string(line) + " is too long or holds a control character";
        return false;
    }
    const int bad = ini_parse_string(text.c_str(), OnLine, this);
    if (bad == 0) return true;
    why = "line " + std::to_string(bad) + " is not a key=value line";
    return false;
}

std::string KeyValues::Text() const {
    std::string out;
    for (const Section& s : sections) {
        if (!s.name.empty()) out += (out.empty() ? "[" : "\n[") + s.name + "]\n";
        for (const auto& [key, value] : s.entries) out += key + "=" + value + "\n";
    }
    return out;
}

const std::string* KeyValues::Find(const std::string& section, const std::string& key) const {
    for (const Section& s : sections) {
        if (s.name != section) continue;
        for (const auto& entry : s.entries)
            if (entry.first == key) return &entry.second;
    }
    return nullptr;
}

void KeyValues::Set(const std::string& section, const std::string& key, const std::string& value) {
    auto& entries = At(section).entries;
    for (auto& entry : entries)
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    entries.emplace_back(key, value);
}

std::vector<std::string> KeyValues::Sections() const {
    std::vector<std::string> names;
    for (const Section& s : sections)
        if (!s.name.empty()) names.push_back(s.name);
    return names;
}

std::vector<std::string> KeyValues::Keys(const std::string& section) const {
    std::vector<std::string> keys;
    for (const Section& s : sections)
        if (s.name == section)
            for (const auto& entry : s.entries) keys.push_back(entry.first);
    return keys;
}

void KeyValues::EraseSection(const std::string& section) {
    sections.erase(std::remove_if(sections.begin(), sections.end(),
                                  [&](const Section& s) { return s.name == section; }),
                   sections.end());
}

int ParseCount(const std::string* text) {
    if (!text || text->empty() || text->size() > 9) return -1;
    if (text->find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoi(*text);
}

bool KeyValues::Load(KeptFile& file, int ours) {
    sections.clear();
    std::string text, why;
    if (file.Load(text) != KeptFile::Loaded::kRead) return false;
    if (!Parse(text, why)) {
        sections.clear();
        file.SetAside(why);
        return false;
    }
    const int version = ParseCount(Find("", "version"));
    if (version < 1) {
        sections.clear();
        file.SetAside("it has no version line");
        return false;
    }
    if (version > ours) file.Protect("was written by a newer Velmora");
    return true;
}
