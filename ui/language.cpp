#include "ui/language.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "store/settings.h"
#include "ui/catalogue.h"
#include "ui/texts.h"

namespace {

std::string catalogue_folder;
// The environment's language list, as gettext would read it, taken at start-up.
std::string environment_languages;
// Each language's catalogue once read, kept while the program runs: the texts handed out point
// into it.
std::map<std::string, std::unique_ptr<Catalogue>> catalogues;
const Catalogue* chosen_catalogue = nullptr;

bool is_c_locale(const char* name) {
    return !name || !*name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
}

// LANGUAGE where set (and the locale is no C locale, which makes gettext ignore it), else the
// first of LC_ALL, LC_MESSAGES and LANG, without its codeset and modifier ("de_DE").
std::string languages_of_environment() {
    const char* language = std::getenv("LANGUAGE");
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            locale = value;
            break;
        }
    }
    if (is_c_locale(locale.c_str())) return "";
    if (language && *language) return language;
    return locale.substr(0, locale.find_first_of(".@"));
}

const Catalogue* catalogue_of(const std::string& language) {
    auto& kept = catalogues[language];
    if (!kept) {
        kept = std::make_unique<Catalogue>();
        kept->Load(catalogue_folder + "/" + language + "/LC_MESSAGES/velmora.mo");
    }
    return kept.get();
}

// The first of a colon-separated list with a catalogue, each name tried whole and then as its
// language alone ("de_AT", then "de"), as gettext looks for them.
const Catalogue* first_catalogue(const std::string& languages) {
    std::size_t from = 0;
    for (std::size_t end; from <= languages.size(); from = end + 1) {
        end = std::min(languages.find(':', from), languages.size());
        const std::string name = languages.substr(from, end - from);
        for (const std::string& tried : {name, name.substr(0, name.find('_'))}) {
            const Catalogue* c = tried.empty() ? nullptr : catalogue_of(tried);
            if (c && !c->empty()) return c;
        }
    }
    return nullptr;
}

}  // namespace

void StartLanguage(const std::string& localedir, const std::string& chosen) {
    catalogue_folder = localedir;
    environment_languages = languages_of_environment();
    UseLanguage(chosen);
}

void UseLanguage(const std::string& chosen) {
    chosen_catalogue = first_catalogue(chosen.empty() ? environment_languages : chosen);
}

const char* TranslatedText(const std::string& key, unsigned long n) {
    return chosen_catalogue ? chosen_catalogue->Find(key, n) : nullptr;
}

std::string LanguageLabel(const std::string& chosen) {
    for (const Language& l : kLanguages)
        if (chosen == l.code) return l.name;
    return Translate("button", "System");
}

std::string NextLanguage(const std::string& chosen) {
    if (chosen.empty()) return kLanguages[0].code;
    for (std::size_t i = 0; i + 1 < std::size(kLanguages); ++i)
        if (chosen == kLanguages[i].code) return kLanguages[i + 1].code;
    return "";
}
