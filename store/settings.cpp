#include "store/settings.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "game/line_text.h"

namespace {

constexpr int kVersion = 1;
constexpr int kMaxWindow = 16384;
constexpr const char* kPaceNames[] = {"Off", "Fast", "Normal", "Slow"};
constexpr int kPaces = 4;

std::string login_name() {
    if (const char* user = std::getenv("USER"); user && *user) return user;
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_name ? pw->pw_name : "";
}

// `text` without ';', which starts a comment in the file.
std::string without_comment_sign(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ';'), text.end());
    return text;
}

}  // namespace

std::string CleanText(const std::string& text, std::size_t limit) {
    return PrintableText(without_comment_sign(text), limit);
}

std::string CleanHost(const std::string& text) {
    return PrintableAscii(without_comment_sign(text), Settings::kHostChars);
}

bool KnownLanguage(const std::string& code) {
    return std::any_of(std::begin(kLanguages), std::end(kLanguages),
                       [&](const Language& l) { return code == l.code; });
}

int NextPlayerCount(int players) {
    return players >= 5 ? 2 : players + 1;
}

Strategy OtherStrength(Strategy s) {
    switch (s) {
        case Strategy::kEasy:
            return Strategy::kAuto;
        case Strategy::kAuto:
            return Strategy::kStrong;
        case Strategy::kStrong:
            return Strategy::kExpert;
        case Strategy::kExpert:
            break;
    }
    return Strategy::kEasy;
}

const char* PaceName(Pace p) {
    return kPaceNames[static_cast<int>(p)];
}

Pace NextPace(Pace p) {
    return static_cast<Pace>((static_cast<int>(p) + 1) % kPaces);
}

SettingsFile::SettingsFile(const std::string& dir) : file(dir, "settings.ini") {
    values.name = CleanText(login_name(), Settings::kNameChars);
    // The defaults are no reason to create the file.
    Put();
    last_text = kept.Text();
}

void SettingsFile::Load() {
    if (kept.Load(file, kVersion)) Take();
}

void SettingsFile::Take() {
    Settings& v = values;
    if (const std::string* name = kept.Find("", "name")) {
        const std::string clean = CleanText(*name, Settings::kNameChars);
        if (!clean.empty()) v.name = clean;
    }
    const int players = ParseCount(kept.Find("", "players"));
    if (players >= 2 && players <= 5) v.players = players;
    Strategy strength;
    if (const std::string* s = kept.Find("", "strength"); s && ParseStrategy(*s, strength))
        v.strength = strength;
    const int w = ParseCount(kept.Find("", "window_width"));
    const int h = ParseCount(kept.Find("", "window_height"));
    if (w > 0 && h > 0 && w <= kMaxWindow && h <= kMaxWindow) v.window_w = w, v.window_h = h;
    v.fullscreen = ParseCount(kept.Find("", "fullscreen")) == 1;
    v.findable = ParseCount(kept.Find("", "findable")) != 0;
    v.high_contrast = ParseCount(kept.Find("", "high_contrast")) == 1;
    v.sound = ParseCount(kept.Find("", "sound")) != 0;
    if (const std::string* language = kept.Find("", "language");
        language && KnownLanguage(*language))
        v.language = *language;
    if (const std::string* host = kept.Find("", "last_host")) v.last_host = CleanHost(*host);
    if (const std::string* at = kept.Find("", "last_server")) v.last_server = CleanHost(*at);
    if (const std::string* pace = kept.Find("", "animations"))
        for (int i = 0; i < kPaces; ++i)
            if (*pace == kPaceNames[i]) v.animations = static_cast<Pace>(i);
    Put();
    last_text = kept.Text();
}

void SettingsFile::Put() {
    const Settings& v = values;
    if (!kept.Find("", "version")) kept.Set("", "version", std::to_string(kVersion));
    kept.Set("", "name", v.name);
    kept.Set("", "players", std::to_string(v.players));
    kept.Set("", "strength", StrategyName(v.strength));
    kept.Set("", "window_width", std::to_string(v.window_w));
    kept.Set("", "window_height", std::to_string(v.window_h));
    kept.Set("", "fullscreen", v.fullscreen ? "1" : "0");
    kept.Set("", "last_host", v.last_host);
    kept.Set("", "last_server", v.last_server);
    kept.Set("", "animations", PaceName(v.animations));
    kept.Set("", "findable", v.findable ? "1" : "0");
    kept.Set("", "high_contrast", v.high_contrast ? "1" : "0");
    kept.Set("", "sound", v.sound ? "1" : "0");
    kept.Set("", "language", v.language);
}

// Another copy of the game may have written the file since: what this copy changed goes onto the
// file as it is now, and this copy takes the other's changes.
void SettingsFile::Save() {
    Put();
    const KeyValues mine = kept;
    if (mine.Text() == last_text) return;
    file.Locked([&] {
        KeyValues before;
        std::string why;
        before.Parse(last_text, why);
        kept.Load(file, kVersion);
        for (const std::string& key : mine.Keys("")) {
            const std::string* was = before.Find("", key);
            const std::string& now = *mine.Find("", key);
            if (!was || *was != now) kept.Set("", key, now);
        }
        Take();
        const std::string text = kept.Text();
        if (file.Save(text)) last_text = text;
    });
}
