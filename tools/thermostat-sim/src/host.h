// What the simulator needs from the operating system: the serial line, the
// command sources (standard input and a loopback TCP port), the clock and the
// loop that waits on all of them. host_linux.cpp is the only implementation
// (a pseudo-terminal); a Windows one would open a COM port instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Wall-clock seconds since the epoch (CLOCK_REALTIME, so faketime moves it).
double hostNow();

struct HostHandlers {
    // Bytes that came in on the serial line.
    std::function<void(const std::uint8_t*, std::size_t)> lineBytes;
    // One command line; returns the answer line. Sets quit to end the loop.
    std::function<std::string(const std::string&, bool& quit)> command;
    // When the loop must wake up next (absolute hostNow() time), if ever.
    std::function<std::optional<double>()> nextWake;
    // Called after every wait, whatever woke the loop.
    std::function<void()> wake;
    // The host's own events for the log ("control connection opened", ...).
    std::function<void(const std::string&)> note;
};

class Host {
public:
    Host() = default;
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    ~Host();

    // Opens the serial line (and links linkPath to it when not empty) and,
    // for controlPort >= 0, the loopback command port.
    bool open(const std::string& linkPath, int controlPort, std::string& error);
    const std::string& lineName() const { return lineName_; }
    int controlPort() const { return controlPort_; }

    // The line settings the program on the other end put on the line, as
    // "speed 2400 stop 1 data 8 parity none". A pseudo-terminal keeps the
    // speed and the stop bits; it always reports 8 data bits and no parity.
    std::string lineSettings() const;
    // Puts the line back to how open() left it: 9600 baud, two stop bits.
    bool resetLine(std::string& error);

    // Writes a reply; false with a reason when the line would not take it.
    bool writeLine(const std::vector<std::uint8_t>& bytes, std::string& error);

    // Waits and dispatches until a quit command or SIGINT/SIGTERM/SIGHUP.
    // Returns the exit status.
    int run(const HostHandlers& handlers);

private:
    int master_ = -1;
    int slave_ = -1;
    int listener_ = -1;
    int controlPort_ = -1;
    std::string lineName_;
    std::string linkPath_;
};
