// Velmora: starts the graphics, the exchange and the table view, shows the main menu and runs the
// screen loop until a screen ends it. A failure is reported in one line on standard output.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/sdl.h"
#include "ui/game_screen.h"
#include "ui/screen_loop.h"
#include "ui/screens.h"
#include "ui/table_view.h"

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

}  // namespace

int main(int, char**) {
    int status = 0;
    try {
        const std::string data = find_data();
        SDL sdl(SDL::kFlags);
        sdl.SetIcon(data + "3rdparty/velmora-icon.bmp");
        sdl.InitVideo(800, 600, data + kFontDir, data + kCardSheet);
        Exchange exch;
        gui = new GUI(&sdl);
        MyTrackerModify tracker_modify;
        sdl.tracker_modify = &tracker_modify;
        ScreenLoop loop(exch, sdl);
        Exchange::PushLocalMessage(EXCH_SET_SCREEN, new MainMenu(sdl, exch), nullptr);
        loop.Run();
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
