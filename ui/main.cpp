// Velmora: starts the graphics, the exchange and the table view, shows the main menu and runs the
// screen loop until a screen ends it. A failure is reported in one line on standard output.
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "gfx/sdl.h"
#include "ui/game_screen.h"
#include "ui/screen_loop.h"
#include "ui/screens.h"
#include "ui/table_view.h"

int main(int, char**) {
    int status = 0;
    try {
        SDL sdl(SDL::kFlags);
        sdl.InitVideo(800, 600, "3rdparty/font/data", "3rdparty/deck_default.bmp");
        Exchange exch;
        gui = new GUI(&sdl);
        MyTrackerModify tracker_modify;
        sdl.tracker_modify = &tracker_modify;
        ScreenLoop loop(exch);
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
