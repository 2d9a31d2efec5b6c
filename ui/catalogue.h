// One language's compiled catalogue (gettext's .mo format), read whole into memory. The language
// chosen in Settings is looked up here rather than by changing LANGUAGE, which other threads may
// be reading in the environment at that moment. A catalogue that is missing or damaged holds
// nothing, and the texts stay as written.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

class Catalogue {
  public:
    // Whether `path` was a whole catalogue; the catalogue is empty otherwise.
    bool Load(const std::string& path);
    // The translation of `key` (context, EOT, text) in the form for `n`, or null.
    const char* Find(const std::string& key, unsigned long n = 1) const;
    bool empty() const { return texts.empty(); }

  private:
    bool Read(const std::string& bytes);
    std::size_t FormFor(unsigned long n) const;

    // Each text's forms: one, or the singular and the plurals.
    std::unordered_map<std::string, std::vector<std::string>> texts;
    // The languages' rules for the form of n: French uses the singular for 0 as well.
    bool singular_for_zero = false;
};
