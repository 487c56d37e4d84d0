#include "commands.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <vector>

namespace {

constexpr unsigned kMaxCount = 1000000;
constexpr unsigned kMaxLateMs = 600000;

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> result;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > start)
            result.push_back(line.substr(start, i - start));
    }
    return result;
}

std::string lower(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::string countError(const std::string& command)
{
    return "ERR " + command + " needs a count from 0 to " + std::to_string(kMaxCount) + ", e.g. " + command + " 3";
}

std::optional<unsigned> countArgument(const std::vector<std::string_view>& args, std::size_t index)
{
    if (index >= args.size())
        return std::nullopt;
    auto n = parseCount(args[index]);
    if (!n || *n > kMaxCount)
        return std::nullopt;
    return n;
}

std::string replies(unsigned n)
{
    return std::to_string(n) + (n == 1 ? " reply" : " replies");
}

}  // namespace

std::string printableText(std::string_view text, std::size_t maxLength)
{
    std::string result;
    for (char c : text) {
        if (result.size() >= maxLength) {
            result += "...";
            break;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            result += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            result += escaped;
        }
    }
    return result;
}

std::optional<TemperatureCode> parseWideTemperature(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::size_t digits = 0;
    long tenths = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
        tenths = tenths * 10 + (text[digits] - '0');
        if (tenths > 100000)
            return std::nullopt;
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    tenths *= 10;
    text.remove_prefix(digits);
    if (!text.empty()) {
        if ((text[0] != ',' && text[0] != '.') || text.size() != 2 ||
            !std::isdigit(static_cast<unsigned char>(text[1])))
            return std::nullopt;
        tenths += text[1] - '0';
    }
    const long code = (negative ? -tenths : tenths) + kZeroCelsiusCode;
    if (code < 0 || code > 65535)
        return std::nullopt;
    return static_cast<TemperatureCode>(code);
}

std::optional<unsigned> parseCount(std::string_view text)
{
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::string runCommand(Thermostat& thermostat, std::string_view line, double now, bool& quit)
{
    const auto args = words(line);
    if (args.empty())
        return "";
    const std::string command = lower(args[0]);

    if (command == "drop" || command == "corrupt") {
        auto n = countArgument(args, 1);
        if (!n || args.size() > 2)
            return countError(command);
        if (command == "drop") {
            thermostat.dropReplies(*n);
            return "OK the next " + replies(*n) + " will not be sent";
        }
        thermostat.corruptReplies(*n);
        return "OK the next " + replies(*n) + " will have a wrong check byte";
    }
    if (command == "short") {
        auto n = countArgument(args, 1);
        if (!n || args.size() > 3)
            return "ERR short needs a count and optionally the bytes to cut, e.g. short 3 or short 1 2";
        unsigned by = 1;
        if (args.size() == 3) {
            auto cut = parseCount(args[2]);
            if (!cut || *cut < 1 || *cut > 4)
                return "ERR short cuts 1 to 4 bytes";
            by = *cut;
        }
        thermostat.shortenReplies(*n, by);
        return "OK the next " + replies(*n) + " will be cut short by up to " + std::to_string(by) +
               (by == 1 ? " byte" : " bytes");
    }
    if (command == "late") {
        auto n = countArgument(args, 1);
        if (!n || args.size() > 3)
            return "ERR late needs a count and optionally a delay in ms, e.g. late 2 or late 2 600";
        unsigned ms = 400;
        if (args.size() == 3) {
            auto delay = parseCount(args[2]);
            if (!delay || *delay > kMaxLateMs)
                return "ERR late delay must be 0 to " + std::to_string(kMaxLateMs) + " ms";
            ms = *delay;
        }
        thermostat.delayReplies(*n, ms / 1000.0);
        return "OK the next " + replies(*n) + " will be sent after " + std::to_string(ms) + " ms";
    }
    if (command == "refuse" || command == "power") {
        const std::string value = args.size() == 2 ? lower(args[1]) : "";
        if (value != "on" && value != "off")
            return "ERR " + command + " takes on or off";
        if (command == "refuse") {
            thermostat.setRefuse(value == "on");
            return value == "on" ? "OK set commands will be refused" : "OK set commands will be carried out";
        }
        thermostat.setPower(value == "on");
        return value == "on" ? "OK power on" : "OK power off, the thermostat is silent";
    }
    if (command == "panel" || command == "measured" || command == "hold") {
        auto code = args.size() == 2 ? parseWideTemperature(args[1]) : std::nullopt;
        if (!code)
            return "ERR " + command + " needs a temperature such as 30,0";
        if (command == "panel") {
            thermostat.setFromPanel(*code, now);
            return "OK maintained " + temperatureText(*code);
        }
        if (command == "hold") {
            thermostat.hold(*code, now);
            return "OK measured held at " + temperatureText(*code) + " until release";
        }
        if (!thermostat.forceMeasured(*code, now))
            return "ERR the bath is held at " + temperatureText(*thermostat.heldAt()) +
                   ": release it first, or hold another temperature";
        return "OK measured " + temperatureText(*code);
    }
    if (command == "release" && args.size() == 1) {
        const auto held = thermostat.heldAt();
        if (!thermostat.release(now))
            return "OK the bath was not held";
        return "OK released at " + temperatureText(*held) + ", following maintained " +
               temperatureText(thermostat.maintainedCode());
    }
    if (command == "state" && args.size() == 1)
        return "OK " + thermostat.describe(now);
    if (command == "quit" && args.size() == 1) {
        quit = true;
        return "OK quit";
    }
    if (command == "help" && args.size() == 1)
        return "OK commands: drop N, corrupt N, short N [BYTES], late N [MS], refuse on|off, power on|off, "
               "panel T, measured T, hold T, release, state, line reset, quit";
    return "ERR unknown command '" + printableText(line) + "' (try help)";
}

const char* const kUsage =
    "Usage: thermostat-sim [options]\n"
    "The simulated thermostat on a pseudo-terminal (Linux). Prints \"PTY <path>\" first.\n"
    "\n"
    "  --link PATH          also make PATH a symlink to the pseudo-terminal\n"
    "  --log FILE           event log (appended); default standard error\n"
    "  --control-port N     take commands on 127.0.0.1:N as well (0: any free port,\n"
    "                       printed as \"CONTROL <port>\")\n"
    "  --measured T         measured temperature at start, e.g. 25,0 (default 25,0)\n"
    "  --maintained T       maintained temperature at start (default 25,0)\n"
    "  --measured-code N    the same as a code in tenths of a kelvin (2730 = 0,0)\n"
    "  --maintained-code N\n"
    "  --tau SECONDS        time constant of the bath (default 60; 0: no lag)\n"
    "  --noise TENTHS       uniform noise on the measured value (default 0)\n"
    "  --seed N             seed of the noise (default: from the clock)\n"
    "  --reply-delay MS     normal answer delay (default 20)\n"
    "  --help               this text\n"
    "\n"
    "Commands (stdin or control port), one per line, answered OK or ERR:\n"
    "  drop N | corrupt N | short N [BYTES] | late N [MS] | refuse on|off\n"
    "  power off|on | panel T | measured T | hold T | release | state | line reset\n"
    "  quit\n";

std::optional<std::string> parseOptions(int argc, const char* const* argv, SimOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            hasValue = true;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        static const char* const withValue[] = {"--link", "--log", "--control-port", "--measured", "--maintained",
                                                "--measured-code", "--maintained-code", "--tau", "--noise",
                                                "--seed", "--reply-delay"};
        bool known = false;
        for (const char* name : withValue)
            known = known || arg == name;
        if (!known)
            return "unknown option " + arg;
        if (!hasValue) {
            if (i + 1 >= argc)
                return arg + " needs a value";
            value = argv[++i];
        }
        const auto bad = [&arg, &value](const std::string& what) {
            return arg + " " + value + ": " + what;
        };
        if (arg == "--link") {
            if (value.empty())
                return bad("needs a path");
            options.linkPath = value;
        } else if (arg == "--log") {
            if (value.empty())
                return bad("needs a path");
            options.logPath = value;
        } else if (arg == "--control-port") {
            auto port = parseCount(value);
            if (!port || *port > 65535)
                return bad("port must be 0 to 65535");
            options.controlPort = static_cast<int>(*port);
        } else if (arg == "--measured" || arg == "--maintained") {
            auto code = parseWideTemperature(value);
            if (!code)
                return bad("not a temperature such as 25,0");
            (arg == "--measured" ? options.measured : options.maintained) = *code;
        } else if (arg == "--measured-code" || arg == "--maintained-code") {
            auto code = parseCount(value);
            if (!code || *code > 65535)
                return bad("code must be 0 to 65535");
            (arg == "--measured-code" ? options.measured : options.maintained) = static_cast<TemperatureCode>(*code);
        } else if (arg == "--tau" || arg == "--noise") {
            double number = 0;
            auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
            if (value.empty() || ec != std::errc() || ptr != value.data() + value.size() || !(number >= 0) ||
                number > 1e9)
                return bad("must be a number from 0");
            (arg == "--tau" ? options.thermostat.tauSeconds : options.thermostat.noiseTenths) = number;
        } else if (arg == "--seed") {
            auto seed = parseCount(value);
            if (!seed)
                return bad("must be a whole number");
            options.thermostat.seed = *seed;
            options.seedGiven = true;
        } else {
            auto ms = parseCount(value);
            if (!ms || *ms > 600000)
                return bad("must be 0 to 600000 ms");
            options.thermostat.replyDelaySeconds = *ms / 1000.0;
        }
    }
    return std::nullopt;
}
