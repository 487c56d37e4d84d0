// The state of the connection to the thermostat, as the link keeps it and the
// window's painting shows it. Portable: no Windows header.
#pragma once

#include <cstdint>

enum LinkState : std::uint8_t {
    linkStartUp = 0,  // no reply accepted and no attempt given up since start-up
    linkDown = 1,     // the last attempt was given up; the port is closed
    linkLost = 2,     // connected, then a reply was missed; retrying every second
    linkUp = 0xFF,    // connected; the exchange cycle runs
};
