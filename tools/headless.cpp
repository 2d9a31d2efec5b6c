#include "tools/headless.h"

#include <SDL.h>
#include <SDL_net.h>

#include <cstdlib>
#include <stdexcept>

#include "net/fastevents.h"
#include "net/net2.h"

HeadlessSDL::HeadlessSDL(bool network_t) : network(network_t) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    FE_CatchQuitSignals();
    // No timer thread: it would wake a thousand times a second, and nothing here needs it.
    if (SDL_Init(SDL_INIT_VIDEO) == -1)
        throw std::runtime_error(std::string("SDL: ") + SDL_GetError());
    if (SDLNet_Init() == -1)
        throw std::runtime_error(std::string("SDL(Net): ") + SDLNet_GetError());
    if (FE_Init() == -1) throw std::runtime_error(std::string("SDL(FE): ") + FE_GetError());
    if (network && NET2_Init() == -1)
        throw std::runtime_error(std::string("SDL(Net2): ") + NET2_GetError());
}

HeadlessSDL::~HeadlessSDL() {
    if (network) NET2_Quit();
    FE_Quit();
    SDLNet_Quit();
    SDL_Quit();
}
