#include "ui/server_address_screen.h"

#include "ui/navigation.h"
#include "ui/network_setup.h"
#include "ui/texts.h"

ServerAddressScreen::ServerAddressScreen(SDL& sdl_t, Exchange& exch_t, Profile& profile_t)
    : TextEntryScreen(
          sdl_t, exch_t, profile_t, Translate("line", "Enter the server's address: "),
          Translate("line", "HOST or HOST:PORT. Press Enter when Done or Esc to Cancel"),
          profile_t.settings.values.last_server) {}

void ServerAddressScreen::Enter() {
    profile.settings.values.last_server = CleanHost(text);
    profile.settings.Save();
    PostScreen(navigate::Lobby(sdl, exch, profile, ReadServerAddress(text, kPort), false));
}
