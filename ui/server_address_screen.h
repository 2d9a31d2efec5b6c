// Asks for the address of a server to play on (HOST or HOST:PORT), then goes to its lobby.
#pragma once

#include "ui/text_entry_screen.h"

class ServerAddressScreen : public TextEntryScreen {
  public:
    ServerAddressScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t);

  private:
    void Enter() override;
};
