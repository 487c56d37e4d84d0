#include "host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr std::size_t kMaxCommandLine = 1024;

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 's';
    [[maybe_unused]] auto written = ::write(signalPipe[1], &byte, 1);
}

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

void setFlags(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// A source of command lines: standard input or one control connection.
struct CommandSource {
    int fd = -1;
    std::string pending;
    bool discarding = false;  // inside a line that was too long

    // Reads what is there and answers each complete line through reply.
    // Returns false at end of input.
    template <typename Reply>
    bool read(const HostHandlers& handlers, bool& quit, Reply reply)
    {
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return true;
        if (n <= 0)
            return false;
        for (ssize_t i = 0; i < n && !quit; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                if (!pending.empty() && pending.back() == '\r')
                    pending.pop_back();
                if (!discarding) {
                    const std::string answer = handlers.command(pending, quit);
                    if (!answer.empty())
                        reply(answer + "\n");
                }
                pending.clear();
                discarding = false;
            } else if (!discarding) {
                pending += c;
                if (pending.size() > kMaxCommandLine) {
                    reply("ERR line too long\n");
                    pending.clear();
                    discarding = true;
                }
            }
        }
        return true;
    }
};

}  // namespace

double hostNow()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

Host::~Host()
{
    // Remove the link only while it still leads to this simulator's line.
    if (!linkPath_.empty()) {
        char target[256];
        const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == lineName_)
            ::unlink(linkPath_.c_str());
    }
    for (int fd : {master_, slave_, listener_})
        if (fd >= 0)
            ::close(fd);
}

bool Host::open(const std::string& linkPath, int controlPort, std::string& error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = systemError("cannot create a pseudo-terminal");
        return false;
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error = systemError("cannot name the pseudo-terminal");
        return false;
    }
    lineName_ = name;

    // Holding the slave open means the master never sees a hang-up when the
    // program closes its port, so it can reopen the line at any time.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        error = systemError("cannot open " + lineName_);
        return false;
    }
    // Raw bytes, no echo, no line editing. The line starts at 9600 baud with
    // two stop bits, not at the thermostat's 2400 and one: the LINE entries
    // of the log then show whether the program set the line up itself. A
    // pseudo-terminal keeps 8 data bits and no parity whatever is set.
    if (!resetLine(error))
        return false;
    // Non-blocking, so that a program that stops reading cannot stall us.
    setFlags(master_);

    if (!linkPath.empty()) {
        struct stat existing{};
        if (::lstat(linkPath.c_str(), &existing) == 0) {
            if (!S_ISLNK(existing.st_mode)) {
                error = linkPath + " exists and is not a symbolic link; not replacing it";
                return false;
            }
            ::unlink(linkPath.c_str());
        }
        if (::symlink(lineName_.c_str(), linkPath.c_str()) != 0) {
            error = systemError("cannot link " + linkPath + " to " + lineName_);
            return false;
        }
        linkPath_ = linkPath;
    }

    if (controlPort >= 0) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(controlPort));
        socklen_t length = sizeof address;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            error = systemError("cannot listen on 127.0.0.1:" + std::to_string(controlPort));
            return false;
        }
        controlPort_ = ntohs(address.sin_port);
    }

    if (::pipe2(signalPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = systemError("cannot create a pipe");
        return false;
    }
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    // A closed control connection must not kill us, and a simulator started in
    // the background of a terminal must not be stopped for reading it.
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGTTIN, SIG_IGN);
    return true;
}

bool Host::resetLine(std::string& error)
{
    termios line{};
    ::tcgetattr(slave_, &line);
    ::cfmakeraw(&line);
    ::cfsetispeed(&line, B9600);
    ::cfsetospeed(&line, B9600);
    line.c_cflag |= CSTOPB;
    if (::tcsetattr(slave_, TCSANOW, &line) != 0) {
        error = systemError("cannot set " + lineName_ + " to raw mode");
        return false;
    }
    return true;
}

std::string Host::lineSettings() const
{
    termios line{};
    if (::tcgetattr(slave_, &line) != 0)
        return "unknown";
    static const struct {
        speed_t code;
        int baud;
    } speeds[] = {{B300, 300}, {B600, 600}, {B1200, 1200}, {B2400, 2400}, {B4800, 4800}, {B9600, 9600},
                  {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    int baud = 0;
    for (const auto& speed : speeds)
        if (::cfgetospeed(&line) == speed.code)
            baud = speed.baud;
    const tcflag_t size = line.c_cflag & CSIZE;
    const int data = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
    const char* parity = !(line.c_cflag & PARENB) ? "none" : (line.c_cflag & PARODD) ? "odd" : "even";
    return "speed " + std::to_string(baud) + " stop " + ((line.c_cflag & CSTOPB) ? "2" : "1") + " data " +
           std::to_string(data) + " parity " + parity;
}

bool Host::writeLine(const std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 && errno == EAGAIN ? "the line is full (nobody reads it)" : systemError("write failed");
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int Host::run(const HostHandlers& handlers)
{
    CommandSource input;
    input.fd = STDIN_FILENO;
    CommandSource client;
    bool quit = false;

    const auto toStdout = [](const std::string& text) {
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    };
    const auto toClient = [&client](const std::string& text) {
        [[maybe_unused]] auto sent = ::send(client.fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    };

    while (!quit) {
        pollfd fds[5];
        nfds_t count = 0;
        const auto watch = [&fds, &count](int fd) {
            fds[count] = {fd, fd < 0 ? short{0} : short{POLLIN}, 0};
            return count++;
        };
        const nfds_t lineIndex = watch(master_);
        const nfds_t signalIndex = watch(signalPipe[0]);
        const nfds_t inputIndex = watch(input.fd);
        const nfds_t listenIndex = watch(client.fd < 0 ? listener_ : -1);
        const nfds_t clientIndex = watch(client.fd);

        int timeout = -1;
        if (auto due = handlers.nextWake()) {
            const double ms = std::ceil((*due - hostNow()) * 1000.0);
            timeout = ms <= 0 ? 0 : ms > 60000 ? 60000 : static_cast<int>(ms);
        }
        if (::poll(fds, count, timeout) < 0 && errno != EINTR) {
            handlers.note(systemError("poll failed"));
            return 1;
        }

        if (fds[signalIndex].revents) {
            handlers.note("stopped by a signal");
            return 0;
        }
        if (fds[lineIndex].revents & POLLIN) {
            std::uint8_t buffer[256];
            ssize_t n;
            while ((n = ::read(master_, buffer, sizeof buffer)) > 0)
                handlers.lineBytes(buffer, static_cast<std::size_t>(n));
        }
        if (fds[inputIndex].revents && !input.read(handlers, quit, toStdout)) {
            // End of input, or a terminal we may not read from: the control
            // port (if any) and signals remain.
            input.fd = -1;
        }
        if (fds[listenIndex].revents & POLLIN) {
            client.fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (client.fd >= 0)
                handlers.note("control connection opened");
        }
        if (!quit && fds[clientIndex].revents && !client.read(handlers, quit, toClient)) {
            ::close(client.fd);
            client = CommandSource{};
            handlers.note("control connection closed");
        }
        handlers.wake();
    }
    if (client.fd >= 0)
        ::close(client.fd);
    return 0;
}
