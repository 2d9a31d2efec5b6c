#include "ui/game_route.h"

bool RouteMessage(Exchange& exch, Client* client, Server* server) {
    if (!exch.IsPlayerMessage()) return false;
    if (exch.GetPlayerNum() == -1) return client && client->Receive(exch.GetPlayerMessage());
    return server && server->Receive(exch.GetPlayerNum(), exch.GetPlayerMessage());
}

void ReleaseGame(Exchange& exch, Client* client, Server* server) {
    if (server) {
        // The others' game ends with ours, and they are told so first; a local game frees the
        // exchange for the next one.
        if (exch.IsLocalMode()) {
            exch.LocalModeDisable();
        } else {
            server->Goodbye();
            exch.ServerDisable();
        }
        delete server;
    } else {
        exch.ClientDisconnect();
    }
    delete client;
}
