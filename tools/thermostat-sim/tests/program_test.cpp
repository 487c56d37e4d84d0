// The simulator as the program and the end-to-end tests meet it: started as a
// process, reached through its pseudo-terminal (via the --link path), its
// control port and standard input, and read back through its log.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

#include "thermostat.h"

namespace {

// Reads up to n bytes, giving up after timeoutMs without any.
Bytes readFor(int fd, std::size_t n, int timeoutMs)
{
    Bytes bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (bytes.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        std::uint8_t buffer[64];
        const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, n - bytes.size()));
        if (got <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

std::string readLine(int fd, int timeoutMs = 5000)
{
    std::string line;
    while (true) {
        Bytes c = readFor(fd, 1, timeoutMs);
        if (c.empty() || c[0] == '\n')
            return line;
        line += static_cast<char>(c[0]);
    }
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/thermostat-sim-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        linkPath = dir + "/com1";
        logPath = dir + "/sim.log";

        int in[2], out[2];
        ASSERT_EQ(::pipe(in), 0);
        ASSERT_EQ(::pipe(out), 0);
        child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            for (int fd : {in[0], in[1], out[0], out[1]})
                ::close(fd);
            ::execl(THERMOSTAT_SIM_PATH, "thermostat-sim", "--link", linkPath.c_str(), "--log", logPath.c_str(),
                    "--control-port", "0", "--measured", "25,0", "--maintained", "25,5", "--tau", "1000000",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        toSim = in[1];
        fromSim = out[0];
    }

    void TearDown() override
    {
        if (line >= 0)
            ::close(line);
        if (child > 0) {
            ::kill(child, SIGTERM);
            ::waitpid(child, nullptr, 0);
        }
        ::close(toSim);
        ::close(fromSim);
        std::remove(logPath.c_str());
        std::remove(linkPath.c_str());
        ::rmdir(dir.c_str());
    }

    int connectControl(int port)
    {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return fd;
    }

    // Sends a command on fd and reads its answer from replies (the same
    // socket, or the simulator's standard output).
    std::string command(int fd, const std::string& text, int replies = -1)
    {
        const std::string line = text + "\n";
        EXPECT_EQ(::write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        return readLine(replies < 0 ? fd : replies);
    }

    Bytes poll(std::size_t expect, int timeoutMs = 2000)
    {
        const std::uint8_t request[] = {0xB3, 0xB3};
        EXPECT_EQ(::write(line, request, 2), 2);
        return readFor(line, expect, timeoutMs);
    }

    std::string dir, linkPath, logPath;
    pid_t child = -1;
    int toSim = -1, fromSim = -1, line = -1;
};

TEST_F(ProgramTest, AnswersOnItsPseudoTerminalTakesCommandsAndLogsTheWire)
{
    const std::string ptyLine = readLine(fromSim);
    ASSERT_EQ(ptyLine.rfind("PTY /dev/pts/", 0), 0u) << ptyLine;
    const std::string controlLine = readLine(fromSim);
    ASSERT_EQ(controlLine.rfind("CONTROL ", 0), 0u) << controlLine;
    const int port = std::atoi(controlLine.c_str() + 8);

    char target[256] = {};
    ASSERT_GT(::readlink(linkPath.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string("PTY ") + target, ptyLine);

    line = ::open(linkPath.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(line, 0);
    EXPECT_EQ(poll(5), (Bytes{0xA4, 0x0B, 0xA9, 0x0B, 0x0D}));

    // The port survives the program closing and reopening it; the line
    // settings it puts on the port are logged with the next bytes.
    ::close(line);
    line = ::open(linkPath.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(line, 0);
    termios settings{};
    ASSERT_EQ(::tcgetattr(line, &settings), 0);
    ::cfsetospeed(&settings, B2400);
    ::cfsetispeed(&settings, B2400);
    settings.c_cflag &= ~CSTOPB;
    ASSERT_EQ(::tcsetattr(line, TCSANOW, &settings), 0);

    const int control = connectControl(port);
    EXPECT_EQ(command(control, "drop 1").rfind("OK", 0), 0u);
    EXPECT_EQ(command(control, "bogus").rfind("ERR", 0), 0u);
    EXPECT_TRUE(poll(5, 300).empty());
    EXPECT_EQ(poll(5).size(), 5u);
    ::close(control);

    // A second connection after the first one closed.
    const int again = connectControl(port);
    EXPECT_EQ(command(again, "panel 30,0"), "OK maintained 30,0");
    EXPECT_EQ(poll(5), (Bytes{0xA4, 0x0B, 0xD6, 0x0B, 0x72}));
    ::close(again);

    // Standard input takes the same commands; quit ends the program cleanly.
    EXPECT_EQ(command(toSim, "quit", fromSim), "OK quit");
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    child = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    struct stat gone{};
    EXPECT_NE(::lstat(linkPath.c_str(), &gone), 0) << "the link should be removed at exit";

    std::ifstream log(logPath);
    const std::regex format(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (IN|OUT|NOTE|LINE) .+)");
    std::vector<std::string> wire;
    for (std::string entry; std::getline(log, entry);) {
        EXPECT_TRUE(std::regex_match(entry, format)) << entry;
        const std::string event = entry.substr(24);
        if (event.rfind("NOTE", 0) != 0)
            wire.push_back(event);
    }
    EXPECT_EQ(wire, (std::vector<std::string>{"LINE speed 9600 stop 2 data 8 parity none", "IN B3 B3",
                                              "OUT A4 0B A9 0B 0D", "LINE speed 2400 stop 1 data 8 parity none",
                                              "IN B3 B3", "IN B3 B3", "OUT A4 0B A9 0B 0D", "IN B3 B3",
                                              "OUT A4 0B D6 0B 72"}));
}

TEST(ProgramOptions, BadOptionFailsWithAMessage)
{
    const std::string run = std::string(THERMOSTAT_SIM_PATH) + " --tau soon 2>/dev/null";
    const int status = std::system(run.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
}

}  // namespace
