#include "store/record_shelf.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/kept_file.h"

namespace {

constexpr const char* kSuffix = ".txt";

// "2026-12-09T21:14:03Z" as a file name: letters, digits and dashes only.
std::string FileStem(const std::string& played) {
    std::string stem = played.substr(0, 32);
    for (char& c : stem)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
    return stem;
}

bool ReadAll(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return static_cast<bool>(in);
}

}  // namespace

RecordShelf::RecordShelf(const std::string& data) : dir(data.empty() ? "" : data + "/games") {}

std::vector<std::string> RecordShelf::Names() const {
    std::vector<std::string> names;
    std::error_code error;
    if (dir.empty()) return names;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(error) && name.size() > 4 &&
            name.compare(name.size() - 4, 4, kSuffix) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool RecordShelf::Keep(const GameRecord& record) {
    if (dir.empty()) return false;
    const std::vector<std::string> names = Names();
    // Two games may end within a second: the later one is numbered.
    std::string name = FileStem(record.played) + kSuffix;
    for (int n = 2; std::binary_search(names.begin(), names.end(), name); ++n)
        name = FileStem(record.played) + "-" + std::to_string(n) + kSuffix;
    if (!KeptFile(dir, name).Save(RecordText(record))) return false;
    const std::size_t kept = names.size() + 1;
    std::error_code error;
    for (std::size_t i = 0; i + kMostKept < kept && i < names.size(); ++i)
        std::filesystem::remove(dir + "/" + names[i], error);
    return true;
}

std::vector<RecordShelf::Shelved> RecordShelf::List() const {
    std::vector<Shelved> shelf;
    const std::vector<std::string> names = Names();
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        Shelved s{dir + "/" + *name, {}};
        std::string text, why;
        if (!ReadAll(s.path, text) || !ParseRecord(text, s.record, why)) {
            std::fprintf(stderr, "velmora: %s is passed over: %s\n", s.path.c_str(),
                         why.empty() ? "it cannot be read" : why.c_str());
            continue;
        }
        shelf.push_back(std::move(s));
    }
    return shelf;
}
