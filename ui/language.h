// The language of the program's texts: the one chosen in Settings, or else the environment's
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, as gettext reads them). The catalogues lie in
// `localedir`/LANG/LC_MESSAGES/velmora.mo.
#pragma once

#include <string>

// Binds the catalogues in `localedir` and uses `chosen` ("" for the environment's language).
void StartLanguage(const std::string& localedir, const std::string& chosen);
// Switches to `chosen` at once: every text looked up from now on is in it.
void UseLanguage(const std::string& chosen);
// The translation of `key` (context, EOT, text) in the form for `n`, or null: none, or English.
const char* TranslatedText(const std::string& key, unsigned long n = 1);
// The Settings screen's name of `chosen`: its own name ("Deutsch"), or the system's language.
std::string LanguageLabel(const std::string& chosen);
// The language after `chosen` in the Settings screen's round: the system's, then each shipped.
std::string NextLanguage(const std::string& chosen);
