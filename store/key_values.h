// A plain text file of key=value lines, grouped under [section] lines, as a person writes it. It
// keeps every line it read in order, so that a file rewritten by this program keeps the keys and
// sections it does not know. Reading uses inih.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "store/kept_file.h"

class KeyValues {
  public:
    // Parses `text` in place of what was held; false, with the first bad line in `why`, for a
    // text that is not such a file.
    bool Parse(const std::string& text, std::string& why);
    std::string Text() const;

    // The value of `key` in `section` ("" the lines before any section), or null.
    const std::string* Find(const std::string& section, const std::string& key) const;
    void Set(const std::string& section, const std::string& key, const std::string& value);
    std::vector<std::string> Sections() const;
    // The keys of `section`, in order.
    std::vector<std::string> Keys(const std::string& section) const;
    void EraseSection(const std::string& section);

    // Reads `file`, which must carry a version line. A missing file leaves this empty; a file
    // that cannot be read is set aside; one written by a version above `ours` is read as far as
    // it goes and never written. Whether anything was read.
    bool Load(KeptFile& file, int ours);

  private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    Section& At(const std::string& name);
    static int OnLine(void* user, const char* section, const char* key, const char* value);

    std::vector<Section> sections;
};

// A whole non-negative decimal number of at most nine digits, or -1.
int ParseCount(const std::string* text);
