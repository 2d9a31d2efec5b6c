#include "ui/screens.h"

#include "exchange/tokens.h"
#include "game/autoplay_server.h"
#include "ui/game_screen.h"

namespace {

constexpr int kPort = 1234;
// The host joins its own game over this address.
constexpr const char* kLoopback = "127.0.0.1";

bool is_key(const SDL_Event& event, SDLKey key) {
    return event.type == SDL_KEYDOWN && event.key.keysym.sym == key;
}

// The waiting screens' picture: a status line and how to leave.
void draw_waiting(SDL& sdl, const char* status) {
    sdl.Clear(sdl.screen, 0, -128, -128);
    sdl.DrawString(sdl.screen, 1, 10, 10, status);
    sdl.DrawString(sdl.screen, 1, 10, 10 + sdl.GetFontHeight(1), "Press Esc to QUIT!");
    SDL_Flip(sdl.screen);
}

}  // namespace

bool RouteMessage(Exchange& exch, Client* client, Server* server) {
    if (!exch.IsPlayerMessage()) return false;
    if (exch.GetPlayerNum() == -1) return client && client->Receive(exch.GetPlayerMessage());
    return server && server->Receive(exch.GetPlayerNum(), exch.GetPlayerMessage());
}

// ---- The main menu ----

MainMenu::MainMenu(SDL& sdl_t, Exchange& exch_t) : Screen(sdl_t, exch_t) {
    int y = 4 * sdl.GetFontHeight(1) + 10;
    const int step = static_cast<int>(sdl.GetButtonHeight());
    button_new = buttons.AddButton(sdl, 10, y, "New game (local, 2 players)", true);
    y += step;
    button_serve = buttons.AddButton(sdl, 10, y, "Serve and join a game...", true);
    y += step;
    button_join = buttons.AddButton(sdl, 10, y, "Join a game...", true);
}

MainMenu::~MainMenu() {
    if (keep_values) return;
    if (server) {
        exch.ServerDisable();
        delete server;
    }
    delete client;
}

void MainMenu::Draw() {
    sdl.Clear(sdl.screen, 0, -128, -128);
    sdl.DrawString(sdl.screen, 1, 10, 10, "Welcome to Velmora!");
    sdl.DrawString(sdl.screen, 1, 10, 10 + sdl.GetFontHeight(1), "Version 0.10");
    buttons.Draw(sdl, sdl.screen);
    SDL_Flip(sdl.screen);
}

bool MainMenu::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (event.type == SDL_MOUSEMOTION) buttons.ButtonMotion(event.motion.x, event.motion.y);
    const bool press = event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP;
    const bool left = press && event.button.button == SDL_BUTTON_LEFT;
    if (event.type == SDL_MOUSEBUTTONDOWN && left)
        buttons.ButtonDown(event.button.x, event.button.y);
    if (event.type == SDL_MOUSEBUTTONUP && left) {
        const Button* b = buttons.ButtonUp(event.button.x, event.button.y);
        if (b == button_new) {
            if (client || server) return false;
            exch.EnterLocalMode(2);
            server = new ServerWithAutoPlay(2, exch);
            client = new Client(exch);
            return false;
        }
        if (b == button_join) PostScreen(new JoinScreen(sdl, exch));
        if (b == button_serve) PostScreen(new ServeScreen(sdl, exch));
    }
    if (RouteMessage(exch, client, server)) {
        PostScreen(new MainMenu(sdl, exch));
        return false;
    }
    if (!keep_values && client && server) {
        PostScreen(new GameScreen(sdl, exch, client, server));
        keep_values = true;
    }
    return false;
}

// ---- Typing a host name or a player count ----

TextEntryScreen::TextEntryScreen(SDL& sdl_t, Exchange& exch_t, const char* prompt_t,
                                 const char* help_t, std::string text_t)
    : Screen(sdl_t, exch_t),
      text(std::move(text_t)),
      prompt(prompt_t),
      help(help_t),
      prevunicode(SDL_EnableUNICODE(1)) {
    SDL_EnableKeyRepeat(500, 30);
}

TextEntryScreen::~TextEntryScreen() {
    SDL_EnableUNICODE(prevunicode);
    SDL_EnableKeyRepeat(0, 0);
}

void TextEntryScreen::Draw() {
    sdl.Clear(sdl.screen, 0, -128, -128);
    const int x = 10 + sdl.DrawString(sdl.screen, 1, 10, 10, prompt);
    sdl.DrawTextInput(sdl.screen, x, 10, joinchars, (text + "_").c_str());
    sdl.DrawString(sdl.screen, 1, 10, 10 + 2 * sdl.GetFontHeight(1), help);
    SDL_Flip(sdl.screen);
}

void TextEntryScreen::Cancel() {
    PostScreen(new MainMenu(sdl, exch));
}

bool TextEntryScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (event.type != SDL_KEYDOWN) return false;
    const SDL_keysym& key = event.key.keysym;
    if (key.sym == SDLK_RETURN) {
        if (!text.empty()) Enter();
    } else if (key.sym == SDLK_ESCAPE) {
        Cancel();
    } else if (key.sym == SDLK_BACKSPACE) {
        if (!text.empty()) {
            text.pop_back();
            RequestRedraw();
        }
    } else if ((key.unicode & 0xFF) != 0 && text.size() < joinchars) {
        text += static_cast<char>(key.unicode & 0xFF);
        RequestRedraw();
    }
    return false;
}

JoinScreen::JoinScreen(SDL& sdl_t, Exchange& exch_t)
    : TextEntryScreen(sdl_t, exch_t, "Enter host name: ", "Press Enter when Done or Esc to Cancel",
                      "") {}

void JoinScreen::Enter() {
    if (ignore_screen) return;
    ignore_screen = true;
    PostScreen(new DoJoinScreen(sdl, exch, kPort, text));
}

void JoinScreen::Cancel() {
    if (ignore_screen) return;
    ignore_screen = true;
    TextEntryScreen::Cancel();
}

ServeScreen::ServeScreen(SDL& sdl_t, Exchange& exch_t)
    : TextEntryScreen(sdl_t, exch_t,
                      "Enter number of players total: ", "Press Enter when Done or Esc to cancel",
                      "2") {}

void ServeScreen::Enter() {
    const int n = string_to_int(text);
    if (n > 1 && n < 6) PostScreen(new DoServeScreen(sdl, exch, kPort, n));
}

// ---- Waiting for a network game ----

DoJoinScreen::DoJoinScreen(SDL& sdl_t, Exchange& exch_t, int port_t, std::string hostnm_t)
    : Screen(sdl_t, exch_t), port(port_t), hostnm(std::move(hostnm_t)) {
    if (exch.ClientConnect(hostnm, port))
        client = new Client(exch);
    else
        waiting = false;
}

DoJoinScreen::~DoJoinScreen() {
    if (keep_values) return;
    delete client;
}

void DoJoinScreen::Draw() {
    draw_waiting(sdl, waiting ? "Please wait a moment..." : "Error: couldn't connect to server!");
}

// Back to the menu, once: the connection this screen opened closes with it, or the next join
// would be refused.
void DoJoinScreen::Leave() {
    if (ignore_screen) return;
    ignore_screen = true;
    if (!keep_values) exch.ClientDisconnect();
    PostScreen(new MainMenu(sdl, exch));
}

bool DoJoinScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (is_key(event, SDLK_ESCAPE)) {
        Leave();
        return false;
    }
    if (!exch.IsPlayerMessage() || exch.GetPlayerNum() != -1 || !client) return false;
    if (client->Receive(exch.GetPlayerMessage())) {
        Leave();
        return false;
    }
    if (keep_values || ignore_screen) return false;
    ignore_screen = true;
    PostScreen(new GameScreen(sdl, exch, client, server));
    keep_values = true;
    return false;
}

DoServeScreen::DoServeScreen(SDL& sdl_t, Exchange& exch_t, int port_t, int players_t)
    : Screen(sdl_t, exch_t), port(port_t), players(players_t) {
    if (!exch.EnterServerMode(port, players)) {
        waiting = false;
        return;
    }
    if (!exch.ClientConnect(kLoopback, port)) {
        // Nobody can join a game its host cannot: the port is given back at once.
        exch.ServerDisable();
        waiting = false;
        return;
    }
    server = new ServerWithAutoPlay(players, exch);
    client = new Client(exch);
}

DoServeScreen::~DoServeScreen() {
    if (keep_values) return;
    if (server) {
        exch.ServerDisable();
        delete server;
    }
    delete client;
}

void DoServeScreen::Draw() {
    draw_waiting(sdl, waiting ? "Still waiting for clients to connect..."
                              : "Error: can't start server and connect to it!");
}

bool DoServeScreen::AcceptEvent(SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (is_key(event, SDLK_ESCAPE)) {
        PostScreen(new MainMenu(sdl, exch));
        return false;
    }
    if (RouteMessage(exch, client, server)) {
        PostScreen(new MainMenu(sdl, exch));
        return false;
    }
    if (exch.GetPlayerWaitCount() == 0 && !keep_values && server && client) {
        PostScreen(new GameScreen(sdl, exch, client, server));
        keep_values = true;
    }
    return false;
}
