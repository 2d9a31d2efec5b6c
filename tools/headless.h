// What the headless programs share: SDL without a window, and command-line numbers.
#pragma once

#include "base/command_line.h"

// Starts SDL with the dummy video driver (SDL 1.2 runs its event queue only with video),
// SDL_net, the fast event queue and, when `network` is set, the network layer. Throws a
// runtime error with the library's text on failure; the destructor shuts all down again.
class HeadlessSDL {
  public:
    explicit HeadlessSDL(bool network);
    ~HeadlessSDL();
    HeadlessSDL(const HeadlessSDL&) = delete;
    HeadlessSDL& operator=(const HeadlessSDL&) = delete;

  private:
    bool network;
};

// SDL turns Ctrl-C and SIGTERM into its quit event: a headless program then stops, closes its
// connections, says in one line what it finished, and exits with this status.
constexpr int kInterruptedStatus = 130;
