#include "ui/network_setup.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <unistd.h>

#include "ui/table_view.h"
#include "ui/texts.h"

std::string ConnectFailure(AsyncConnect::Outcome outcome, const std::string& host) {
    switch (outcome) {
        case AsyncConnect::kUnknownHost:
            return Fill(Translate("line", "Error: no host is known by the name %s"), host);
        case AsyncConnect::kNotAHost:
            return Fill(
                Translate("line",
                          "Error: %s is no host's address: type the host's name or address"),
                host);
        case AsyncConnect::kRefused:
            return Fill(Translate("line", "Error: %s refused: no game is hosted there"), host);
        case AsyncConnect::kNoAnswer:
            return Fill(Translate("line", "Error: no answer from %s within 10 seconds"), host);
        default:
            break;
    }
    return Translate("line", "Error: couldn't connect to server!");
}

void DrawWaiting(SDL& sdl, const std::string& status, std::initializer_list<std::string> more,
                 ButtonList* buttons) {
    ClearToTable(sdl, sdl.screen);
    const int h = sdl.GetFontHeight(1);
    sdl.DrawString(sdl.screen, 1, 10, 10, status.c_str());
    // Esc returns to the menu there; it never ends the program.
    sdl.DrawString(sdl.screen, 1, 10, 10 + h, Translate("line", "Press Esc to return to the menu"));
    int y = 10 + 3 * h;
    for (const std::string& line : more) {
        sdl.DrawString(sdl.screen, 1, 10, y, line.c_str());
        y += h;
    }
    if (buttons) buttons->Draw(sdl, sdl.screen);
    sdl.Present();
}

std::string LocalAddresses() {
    std::string list;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) == 0) {
        for (const ifaddrs* a = all; a; a = a->ifa_next) {
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
            if (ntohl(in->sin_addr.s_addr) >> 24 == 127) continue;
            char text[INET_ADDRSTRLEN];
            if (!inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) continue;
            list += (list.empty() ? "" : ", ") + std::string(text);
        }
        freeifaddrs(all);
    }
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) == 0 && name[0])
        list += (list.empty() ? "" : ", ") + std::string(name);
    return list;
}
