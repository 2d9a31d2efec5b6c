#include "ui/language.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "store/settings.h"
#include "ui/texts.h"

// glibc's count of catalogue changes: raised, it makes gettext look its texts up afresh.
extern "C" int _nl_msg_cat_cntr;

namespace {

constexpr const char* kDomain = "velmora";

// The environment's language list, as gettext would read it, taken before any choice changes it.
std::string environment_languages;

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

void apply(const std::string& languages) {
    if (languages.empty())
        unsetenv("LANGUAGE");
    else
        setenv("LANGUAGE", languages.c_str(), 1);
    ++_nl_msg_cat_cntr;
}

}  // namespace

void StartLanguage(const std::string& localedir, const std::string& chosen) {
    environment_languages = languages_of_environment();
    // gettext translates nothing under the C locale, and a locale named in the environment may
    // not be installed: then C.UTF-8 (always there) lets LANGUAGE choose the catalogue.
    const char* messages = std::setlocale(LC_MESSAGES, "");
    if (is_c_locale(messages)) std::setlocale(LC_MESSAGES, "C.UTF-8");
    bindtextdomain(kDomain, localedir.c_str());
    bind_textdomain_codeset(kDomain, "UTF-8");
    textdomain(kDomain);
    UseLanguage(chosen);
}

void UseLanguage(const std::string& chosen) {
    apply(chosen.empty() ? environment_languages : chosen);
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
