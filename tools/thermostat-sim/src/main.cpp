// thermostat-sim: the thermostat on a serial line, for operators, trainers and
// the end-to-end tests. See README.md beside this folder.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "commands.h"
#include "event_log.h"
#include "host.h"
#include "thermostat.h"

namespace {

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    if (auto error = parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "thermostat-sim: %s\nTry thermostat-sim --help.\n", error->c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!options.seedGiven)
        options.thermostat.seed =
            static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());

    std::string error;
    EventLog log;
    if (!log.open(options.logPath, error)) {
        std::fprintf(stderr, "thermostat-sim: %s\n", error.c_str());
        return 1;
    }
    Host host;
    if (!host.open(options.linkPath, options.controlPort, error)) {
        std::fprintf(stderr, "thermostat-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("PTY %s\n", host.lineName().c_str());
    if (host.controlPort() >= 0)
        std::printf("CONTROL %d\n", host.controlPort());
    std::fflush(stdout);

    const auto event = [&log](const std::string& line) { log.write(line, hostNow()); };
    Thermostat thermostat(options.thermostat, options.measured, options.maintained, hostNow(), event);

    const auto& config = options.thermostat;
    std::string started = "NOTE started on " + host.lineName();
    if (!options.linkPath.empty())
        started += " (linked as " + options.linkPath + ")";
    started += ": measured " + temperatureText(options.measured) + ", maintained " +
               temperatureText(options.maintained) + ", tau " + number(config.tauSeconds) + " s, noise " +
               number(config.noiseTenths) + " tenths, reply delay " +
               std::to_string(std::lround(config.replyDelaySeconds * 1000)) + " ms";
    if (host.controlPort() >= 0)
        started += ", control port " + std::to_string(host.controlPort());
    event(started);

    HostHandlers handlers;
    // The line settings are logged whenever bytes come in under settings
    // other than the last ones logged, so the log shows what the program set.
    std::string lastLine;
    handlers.lineBytes = [&](const std::uint8_t* bytes, std::size_t n) {
        const std::string line = host.lineSettings();
        if (line != lastLine) {
            lastLine = line;
            event("LINE " + line);
        }
        thermostat.receive(bytes, n, hostNow());
    };
    handlers.command = [&](const std::string& line, bool& quit) {
        if (line.find_first_not_of(" \t") != std::string::npos)
            event("NOTE command: " + printableText(line, 200));
        // The line belongs to the host, not to the thermostat's commands.
        if (line == "line reset") {
            std::string reason;
            if (!host.resetLine(reason))
                return "ERR " + reason;
            lastLine.clear();
            return std::string("OK line 9600 baud, 2 stop bits");
        }
        return runCommand(thermostat, line, hostNow(), quit);
    };
    handlers.nextWake = [&] { return thermostat.nextReplyDue(); };
    handlers.wake = [&] {
        for (const auto& reply : thermostat.takeDueReplies(hostNow())) {
            std::string reason;
            if (!host.writeLine(reply, reason))
                event("NOTE reply not sent: " + reason);
        }
    };
    handlers.note = [&](const std::string& text) { event("NOTE " + text); };

    const int status = host.run(handlers);
    event("NOTE stopped");
    return status;
}
