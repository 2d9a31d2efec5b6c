// Velmora: starts the graphics, the exchange and the table view, shows the main menu and runs the
// screen loop until a screen ends it. A failure is reported in one line on standard output.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/server_address.h"
#include "gfx/sdl.h"
#include "gfx/sound_names.h"
#include "store/profile.h"
#include "ui/game_screen.h"
#include "ui/language.h"
#include "ui/navigation.h"
#include "ui/network_setup.h"
#include "ui/screen_loop.h"
#include "ui/table_view.h"
#include "ui/texts.h"

namespace {

constexpr const char* kCardSheet = "3rdparty/deck_default.bmp";
constexpr const char* kFontDir = "3rdparty/font/data";

// Where the card sheet and fonts may lie: the working directory (a build tree), beside the
// executable, and ../share/velmora from it (an installed tree, wherever it has been moved).
std::vector<std::string> data_places() {
    std::vector<std::string> places{"."};
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return places;
    const std::string path(exe, static_cast<size_t>(n));
    const std::string dir = path.substr(0, path.rfind('/'));
    places.push_back(dir);
    places.push_back(dir + "/../share/velmora");
    return places;
}

// The first place that holds the card sheet and the fonts, as a prefix for their relative
// paths ("" for the working directory, so that reports name them as before).
std::string find_data() {
    const std::vector<std::string> places = data_places();
    std::string tried;
    for (const std::string& p : places) {
        const std::string prefix = p == "." ? "" : p + "/";
        if (access((prefix + kCardSheet).c_str(), R_OK) == 0 &&
            access((prefix + kFontDir + "/font1/font.ini").c_str(), R_OK) == 0)
            return prefix;
        tried += (tried.empty() ? "" : ", ") + p;
    }
    throw std::runtime_error(std::string("can't find ") + kCardSheet + " and " + kFontDir + " in " +
                             tried);
}

// The catalogues (found by the German one): locale/ in a build tree, ../locale from
// share/velmora in an installed one; "" where there are none, and the texts stay English.
std::string find_locale() {
    for (const std::string& p : data_places())
        for (const char* sub : {"/locale", "/../locale"})
            if (access((p + sub + "/de/LC_MESSAGES/velmora.mo").c_str(), R_OK) == 0) return p + sub;
    return "";
}

constexpr const char* kUsage =
    Marked("terminal",
           "usage: velmora [--fullscreen] [--window WxH] [--server HOST[:PORT]] [--replay FILE]\n"
           "  --fullscreen   fill the whole screen in this run\n"
           "  --window WxH   open a window of W x H pixels in this run (for example 1200x900)\n"
           "  --server HOST[:PORT]  open the lobby of the velmora-server at HOST (port 1234)\n"
           "  --replay FILE  watch the game kept in FILE again (docs/records.md)\n"
           "  --help         print this text and exit\n"
           "  --version      print the version and exit\n"
           "Settings, statistics and a local game left unfinished are kept in $XDG_CONFIG_HOME,\n"
           "$XDG_DATA_HOME and $XDG_STATE_HOME (see velmora(6)).\n");

constexpr int kMinSide = 100;
constexpr int kMaxSide = 16384;

// The window of this run: the remembered one, unless the command line says otherwise.
struct WindowChoice {
    int w = 0;
    int h = 0;
    bool full = false;
};

WindowChoice window_choice(const CommandLine& line, const Settings& kept) {
    WindowChoice choice{kept.window_w, kept.window_h, kept.fullscreen};
    if (line.Given("--window")) {
        const std::string size = line.Text("--window");
        const auto x = size.find('x');
        const std::string w = size.substr(0, x);
        const std::string h = x == std::string::npos ? "" : size.substr(x + 1);
        choice = {ParseCount(&w), ParseCount(&h), false};
        if (choice.w < kMinSide || choice.h < kMinSide || choice.w > kMaxSide ||
            choice.h > kMaxSide)
            line.Fail(Fill(Translate("terminal",
                                     "--window takes a size such as 1200x900, each "
                                     "side from %d to %d, not '%s'"),
                           kMinSide, kMaxSide, size));
    }
    if (line.Given("--fullscreen")) choice.full = true;
    return choice;
}

// The window as the program ends, for the next start, where the player changed it.
void keep_window(SDL& sdl, const WindowChoice& started, Settings& kept) {
    int w, h;
    sdl.WindowedSize(w, h);
    if (w == started.w && h == started.h && sdl.IsFullscreen() == started.full) return;
    kept.window_w = w;
    kept.window_h = h;
    kept.fullscreen = sdl.IsFullscreen();
}

// The game kept in the file --replay names; one that cannot be read ends the program, saying why.
std::optional<GameRecord> replayed(const CommandLine& line) {
    if (!line.Given("--replay")) return std::nullopt;
    const std::string path = line.Text("--replay");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    GameRecord record;
    std::string why = in ? "" : std::strerror(errno);
    if (why.empty() && ParseRecord(text.str(), record, why)) return record;
    line.Fail(Fill(Translate("terminal", "can't show %s: %s"), path, why));
}

// The menu, a kept game watched again, or a server's lobby at once.
Screen* first_screen(const CommandLine& line, SDL& sdl, Exchange& exch, Profile& profile,
                     const std::optional<GameRecord>& replay) {
    if (replay)
        return navigate::Replay(sdl, exch, profile, *replay,
                                [&] { return navigate::Menu(sdl, exch, profile); });
    if (!line.Given("--server")) return navigate::Menu(sdl, exch, profile);
    const std::string typed = CleanHost(line.Text("--server"));
    profile.settings.values.last_server = typed;
    return navigate::Lobby(sdl, exch, profile, ReadServerAddress(typed, kPort), false);
}

}  // namespace

int main(int argc, char** argv) {
    StartLanguage(find_locale(), "");
    const CommandLine line(argc, argv, Translate("terminal", kUsage),
                           {"--window", "--server", "--replay"}, {"--fullscreen"});
    const std::optional<GameRecord> replay = replayed(line);
    int status = 0;
    try {
        const std::string data = find_data();
        Profile profile;
        UseLanguage(profile.settings.values.language);
        const WindowChoice choice = window_choice(line, profile.settings.values);
        SDL sdl(SDL::kFlags);
        sdl.SetIcon(data + "3rdparty/velmora-icon.bmp");
        sdl.InitVideo(800, 600, data + kFontDir, data + kCardSheet, choice.w, choice.h,
                      choice.full);
        sdl.UseSuitColours(profile.settings.values.high_contrast);
        sdl.sounds.SetOn(profile.settings.values.sound);
        sdl.sounds.Find(data + kSoundDir);
        WindowChoice started;
        sdl.WindowedSize(started.w, started.h);
        started.full = sdl.IsFullscreen();
        Exchange exch;
        gui = new GUI(&sdl);
        MyTrackerModify tracker_modify;
        sdl.tracker_modify = &tracker_modify;
        {
            ScreenLoop loop(exch, sdl);
            Exchange::PushLocalMessage(EXCH_SET_SCREEN,
                                       first_screen(line, sdl, exch, profile, replay), nullptr);
            loop.Run();
        }
        // Only what this run changed: a window size given on the command line is not kept.
        if (!line.Given("--window") && !line.Given("--fullscreen")) {
            keep_window(sdl, started, profile.settings.values);
            profile.settings.Save();
        }
    } catch (const std::exception& e) {
        // Runtime errors of the libraries, the referee and the exchange, and the graphics'
        // failures to get a data file, the window or a surface.
        std::printf("Error: %s\n", e.what());
        status = 1;
    }
    delete gui;
    gui = nullptr;
    return status;
}
