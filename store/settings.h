// The player's settings, kept in settings.ini in the configuration folder.
#pragma once

#include <string>

#include "game/strategy.h"
#include "store/key_values.h"

// How fast the cards of the others' moves, the draws and the deal slide across the table.
enum class Pace { kOff, kFast, kNormal, kSlow };

struct Settings {
    // Printable Latin-1 in UTF-8, at most kNameChars, blanks trimmed; the login name by default.
    std::string name;
    // The local game chosen in the menu.
    int players = 3;
    Strategy strength = Strategy::kStrong;
    // The window's size when it was last closed (0: the program chooses), and whether it filled
    // the screen.
    int window_w = 0;
    int window_h = 0;
    bool fullscreen = false;
    // The host joined last, offered again in the join screen.
    std::string last_host;
    // The server played on last (HOST or HOST:PORT), offered again.
    std::string last_server;
    Pace animations = Pace::kNormal;
    // Whether a hosted game answers the searches of players on the local network.
    bool findable = true;
    // The suits in a bright orange-red and a deep black rather than the classic red and black.
    bool high_contrast = false;
    bool sound = true;
    // The language of the texts: "" follows the environment, else a code of kLanguages.
    std::string language;

    static constexpr int kNameChars = 16;
    static constexpr int kHostChars = 64;
};

// The languages the game ships, by code, each with its name in itself.
struct Language {
    const char* code;
    const char* name;
};
constexpr Language kLanguages[] = {
    {"de", "Deutsch"}, {"en", "English"}, {"es", "Español"}, {"fr", "Français"}};
bool KnownLanguage(const std::string& code);

// `text` with every character but printable Latin-1 removed (';' too, which starts a comment in the
// file), blanks trimmed, at most `limit` characters.
std::string CleanText(const std::string& text, std::size_t limit);
// The same in printable ASCII, at most kHostChars: a host name.
std::string CleanHost(const std::string& text);
// The menu's toggles: 2, 3, 4, 5 and round again; Normal and Strong.
int NextPlayerCount(int players);
Strategy OtherStrength(Strategy s);
// "Off", "Fast", "Normal" or "Slow", as the file keeps it; a click goes on to the next.
const char* PaceName(Pace p);
Pace NextPace(Pace p);

class SettingsFile {
  public:
    explicit SettingsFile(const std::string& dir);
    // Reads the file; a missing or unusable one leaves the defaults.
    void Load();
    // Writes the values changed since they were written or read last.
    void Save();

    Settings values;

  private:
    // The values the held lines give, where they are sound; then the lines of every value.
    void Take();
    void Put();

    KeptFile file;
    KeyValues kept;
    std::string last_text;
};
