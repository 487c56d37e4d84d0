// alert-listener: the lab's HTTP server in miniature, for the end-to-end test
// of the alerts. It listens on 127.0.0.1 only, writes one log line for each
// request, and answers 200, or fails on purpose while a "down" file exists.
//
//   alert-listener serve --log FILE [--down FILE] [--bodies FILE] [--seconds N]
//       Binds a free port on 127.0.0.1 and prints "PORT n". Each request
//       appends a line to the log (received.h: the time on the clock this
//       process sees, the method, the target, the event of a POST's JSON
//       body, the answer). While the --down file exists the answer is 503,
//       or no answer at all (the connection closed) when the file begins
//       with "close". --bodies appends each POST's body on a line of its own
//       after its time. Ends after N seconds of its clock, or when its
//       standard input closes (the script that started it went away).
//   alert-listener select LOG [--from MS] [--to MS] [--method M] [--path P] [--event E] [--answer A]
//       The log's lines within [MS, MS) whose method is M, whose target
//       begins with P, whose event is E and whose answer is A.
//   alert-listener gaps LOG [the same filters] [--within LOW HIGH | --near S,S... EARLY LATE]
//       The seconds between consecutive selected lines, one a line; exit
//       status 1 with --within when there is no gap or one lies outside
//       [LOW, HIGH], with --near unless the gaps are those seconds, each at
//       most EARLY seconds shorter and LATE seconds longer.
//   alert-listener expect LOG [--from MS] [--extra KIND,...] KIND:FROM:TO...
//       The alerts delivered from MS on (POSTs answered 200) against those
//       expected, each of KIND made between the two times (ms since 1970):
//       see judgeDeliveries in received.h. A line for each alert delivered,
//       "FAIL ..." for each fault, "NOTE ..." for each extra alert of the
//       kinds allowed; exit status 1 on a fault.
// Exit status 2 on a wrong call.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "received.h"

namespace {

constexpr int kRequestWaitMs = 30'000;  // of the listener's clock

int usage() {
    std::fprintf(stderr,
                 "usage: alert-listener serve --log FILE [--down FILE] [--bodies FILE] [--seconds N]\n"
                 "       alert-listener select LOG [--from MS] [--to MS] [--method M] [--path P] [--event E] [--answer A]\n"
                 "       alert-listener gaps LOG [filters] [--within LOW HIGH | --near S,S... EARLY LATE]\n"
                 "       alert-listener expect LOG [--from MS] [--extra KIND,...] KIND:FROM:TO...\n");
    return 2;
}

std::int64_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
}

bool exists(const std::string& path) {
    struct stat info{};
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool beginsWithClose(const std::string& path) {
    std::ifstream in(path);
    std::string first;
    in >> first;
    return first == "close";
}

void appendTo(int fd, const std::string& text) {
    if (fd < 0) return;
    // One write per line, so that a reader never sees half of one.
    if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        std::fprintf(stderr, "alert-listener: cannot write the log: %s\n", std::strerror(errno));
}

void sendAll(int fd, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

struct Options {
    std::string log;
    std::string down;
    std::string bodies;
    long seconds = 0;
};

// One connection, one request: read until it is whole, answer, close.
void serveConnection(int connection, const Options& options, int logFd, int bodiesFd) {
    std::string bytes;
    Request request;
    const std::int64_t deadline = nowMs() + kRequestWaitMs;
    for (;;) {
        request = parseRequest(bytes);
        if (request.state != RequestState::incomplete) break;
        const std::int64_t left = deadline - nowMs();
        pollfd wait{connection, POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0) break;
        char chunk[8192];
        const ssize_t n = recv(connection, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    LogLine line;
    line.ms = nowMs();
    Answer answer = Answer::torn;
    const char* reply = nullptr;
    if (request.state == RequestState::bad) {
        answer = Answer::bad;
        reply = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    } else if (request.state == RequestState::complete) {
        line.method = request.method;
        line.target = request.target;
        const AlertFields fields = readAlert(request.method, request.body);
        line.event = fields.event;
        line.madeMs = fields.madeMs;
        if (!exists(options.down)) {
            answer = Answer::ok;
            reply = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        } else if (beginsWithClose(options.down)) {
            answer = Answer::closed;
        } else {
            answer = Answer::unavailable;
            reply = "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        }
        if (request.method == "POST") appendTo(bodiesFd, std::to_string(line.ms) + " " + request.body + "\n");
    } else if (bytes.empty()) {
        close(connection);
        return;  // connected and went: nothing to log
    }
    line.answer = answerWord(answer);
    // The line is in the log before the client has its answer.
    appendTo(logFd, formatLogLine(line));
    if (reply) sendAll(connection, reply);
    shutdown(connection, SHUT_WR);
    close(connection);
}

int serve(int argc, char** argv) {
    Options options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return usage();
        if (arg == "--log") options.log = argv[++i];
        else if (arg == "--down") options.down = argv[++i];
        else if (arg == "--bodies") options.bodies = argv[++i];
        else if (arg == "--seconds") options.seconds = std::strtol(argv[++i], nullptr, 10);
        else return usage();
    }
    if (options.log.empty()) return usage();
    std::signal(SIGPIPE, SIG_IGN);
    const int logFd = open(options.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int bodiesFd =
        options.bodies.empty() ? -1 : open(options.bodies.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (logFd < 0 || (!options.bodies.empty() && bodiesFd < 0)) {
        std::fprintf(stderr, "alert-listener: cannot open the log: %s\n", std::strerror(errno));
        return 1;
    }

    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        std::fprintf(stderr, "alert-listener: cannot listen on 127.0.0.1: %s\n", std::strerror(errno));
        return 1;
    }
    std::printf("PORT %u\n", static_cast<unsigned>(ntohs(address.sin_port)));
    std::fflush(stdout);

    const std::int64_t end = options.seconds > 0 ? nowMs() + std::int64_t{options.seconds} * 1000 : INT64_MAX;
    while (nowMs() < end) {
        pollfd waits[2] = {{listener, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int ready = poll(waits, 2, 1000);
        if (ready < 0 && errno != EINTR) return 1;
        if (waits[1].revents != 0) {
            char scratch[256];
            const ssize_t n = read(STDIN_FILENO, scratch, sizeof scratch);
            if (n <= 0 && !(n < 0 && errno == EINTR)) break;
        }
        if (waits[0].revents & POLLIN) {
            const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0) serveConnection(connection, options, logFd, bodiesFd);
        }
    }
    close(listener);
    return 0;
}

std::vector<std::string> splitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

bool readLog(const char* path, std::vector<LogLine>& lines) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "alert-listener: cannot read %s\n", path);
        return false;
    }
    for (std::string text; std::getline(in, text);)
        if (const auto line = parseLogLine(text)) lines.push_back(*line);
    return true;
}

// The select and gaps commands: the log read back and filtered.
int readBack(int argc, char** argv, bool gaps) {
    if (argc < 3) return usage();
    Selection selection;
    bool within = false;
    double low = 0, high = 0;
    bool near = false;
    std::vector<std::int64_t> wanted;
    std::int64_t earlyMs = 0, lateMs = 0;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return usage();
        if (arg == "--from") selection.fromMs = std::strtoll(argv[++i], nullptr, 10);
        else if (arg == "--to") selection.toMs = std::strtoll(argv[++i], nullptr, 10);
        else if (arg == "--method") selection.method = argv[++i];
        else if (arg == "--path") selection.targetPrefix = argv[++i];
        else if (arg == "--event") selection.event = argv[++i];
        else if (arg == "--answer") selection.answer = argv[++i];
        else if (arg == "--within" && gaps && i + 2 < argc) {
            within = true;
            low = std::strtod(argv[++i], nullptr);
            high = std::strtod(argv[++i], nullptr);
        } else if (arg == "--near" && gaps && i + 3 < argc) {
            near = true;
            for (const std::string& seconds : splitAt(argv[++i], ','))
                wanted.push_back(static_cast<std::int64_t>(std::strtod(seconds.c_str(), nullptr) * 1000));
            earlyMs = static_cast<std::int64_t>(std::strtod(argv[++i], nullptr) * 1000);
            lateMs = static_cast<std::int64_t>(std::strtod(argv[++i], nullptr) * 1000);
        } else {
            return usage();
        }
    }
    std::vector<LogLine> lines;
    if (!readLog(argv[2], lines)) return 2;
    const std::vector<LogLine> chosen = selectLines(lines, selection);
    if (!gaps) {
        for (const LogLine& line : chosen) std::fputs(formatLogLine(line).c_str(), stdout);
        return 0;
    }
    const std::vector<std::int64_t> found = gapsMs(chosen);
    bool inside = !found.empty();
    for (const std::int64_t gap : found) {
        const double seconds = static_cast<double>(gap) / 1000.0;
        std::printf("%.3f\n", seconds);
        if (seconds < low || seconds > high) inside = false;
    }
    if (within && !inside) return 1;
    return near && !gapsAsWanted(found, wanted, earlyMs, lateMs) ? 1 : 0;
}

int expect(int argc, char** argv) {
    if (argc < 3) return usage();
    Selection selection;
    selection.method = "POST";
    selection.answer = answerWord(Answer::ok);
    std::vector<std::string> extra;
    std::vector<Expected> expected;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--from" && i + 1 < argc) {
            selection.fromMs = std::strtoll(argv[++i], nullptr, 10);
        } else if (arg == "--extra" && i + 1 < argc) {
            extra = splitAt(argv[++i], ',');
        } else {
            const std::vector<std::string> parts = splitAt(arg, ':');
            if (parts.size() != 3 || parts[0].empty()) return usage();
            expected.push_back({parts[0], std::strtoll(parts[1].c_str(), nullptr, 10),
                                std::strtoll(parts[2].c_str(), nullptr, 10)});
        }
    }
    std::vector<LogLine> lines;
    if (!readLog(argv[2], lines)) return 2;
    const std::vector<LogLine> delivered = selectLines(lines, selection);
    for (const LogLine& line : delivered) std::fputs(formatLogLine(line).c_str(), stdout);
    const Verdict verdict = judgeDeliveries(delivered, expected, extra);
    for (const std::string& note : verdict.notes) std::printf("NOTE %s\n", note.c_str());
    for (const std::string& failure : verdict.failures) std::printf("FAIL %s\n", failure.c_str());
    return verdict.failures.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    if (command == "serve") return serve(argc, argv);
    if (command == "select") return readBack(argc, argv, false);
    if (command == "gaps") return readBack(argc, argv, true);
    if (command == "expect") return expect(argc, argv);
    return usage();
}
