#include "ui/host_beacon.h"

HostBeacon::HostBeacon(const Settings& settings, int port)
    : offer{settings.name, port, 0, 0}, findable(settings.findable) {}

void HostBeacon::Follow(int awaited, int seats) {
    if (!findable || awaited <= 0 || seats <= awaited) {
        beacon.reset();
        return;
    }
    offer.joined = seats - awaited;
    if (!beacon || offer.seats != seats) {
        offer.seats = seats;
        beacon = std::make_unique<GameBeacon>(offer);
    }
    beacon->SetJoined(offer.joined);
}
