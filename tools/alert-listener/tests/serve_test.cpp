// The real listener as its own process, on 127.0.0.1: the port it prints,
// the answers up and down, the log, and its two ways of ending.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Listener {
    pid_t pid = -1;
    int input = -1;  // its standard input
    int port = 0;
};

Listener start(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        close(in[1]);
        close(out[0]);
        std::vector<char*> argv{const_cast<char*>(ALERT_LISTENER_PATH), const_cast<char*>("serve")};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    Listener listener{pid, in[1], 0};
    FILE* output = fdopen(out[0], "r");
    unsigned port = 0;
    if (output && std::fscanf(output, "PORT %u", &port) == 1) listener.port = static_cast<int>(port);
    if (output) std::fclose(output);
    return listener;
}

// Whether the process ended within the time, reaped if so.
bool endsWithin(pid_t pid, std::chrono::milliseconds time) {
    const auto until = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void stop(Listener& listener) {
    if (listener.input >= 0) close(listener.input);
    listener.input = -1;
    if (listener.pid > 0 && !endsWithin(listener.pid, std::chrono::seconds(5))) {
        kill(listener.pid, SIGKILL);
        waitpid(listener.pid, nullptr, 0);
    }
    listener.pid = -1;
}

// Sends the bytes and reads what comes back until the listener closes.
std::string exchange(int port, const std::string& bytes) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return "(no connection)";
    }
    // In two parts, as a client may send them.
    const std::size_t half = bytes.size() / 2;
    send(fd, bytes.data(), half, MSG_NOSIGNAL);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    send(fd, bytes.data() + half, bytes.size() - half, MSG_NOSIGNAL);
    std::string answer;
    char chunk[512];
    for (;;) {
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, 5000) <= 0) break;
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        answer.append(chunk, static_cast<std::size_t>(n));
    }
    close(fd);
    return answer;
}

std::vector<std::string> linesOf(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The words of a log line after its two times.
std::string tail(const std::string& line) {
    std::istringstream words(line);
    std::string ms, time, rest;
    words >> ms >> time;
    std::getline(words, rest);
    return rest;
}

class Serve : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("alert-listener-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
};

const std::string kBody = "{\"event\":\"link_restored\",\"time\":\"2030-01-01T12:00:03+00:00\",\"stage\":null}";
const std::string kPost =
    "POST /hook?token=SECRET HTTP/1.1\r\nContent-Length: " + std::to_string(kBody.size()) + "\r\n\r\n" + kBody;

TEST_F(Serve, AnswersUpAndDownAndLogsEachRequestBeforeItsAnswer) {
    const fs::path log = dir / "log", down = dir / "down", bodies = dir / "bodies";
    Listener listener = start({"--log", log, "--down", down, "--bodies", bodies});
    ASSERT_GT(listener.port, 0);

    EXPECT_EQ(exchange(listener.port, kPost).substr(0, 15), "HTTP/1.1 200 OK");
    std::ofstream(down) << "503\n";
    EXPECT_EQ(exchange(listener.port, "GET /ping HTTP/1.1\r\nHost: h\r\n\r\n").substr(0, 12), "HTTP/1.1 503");
    std::ofstream(down) << "close\n";
    EXPECT_EQ(exchange(listener.port, kPost), "");
    fs::remove(down);
    EXPECT_EQ(exchange(listener.port, "BREW /pot HTCPCP/1.0\r\n\r\n").substr(0, 12), "HTTP/1.1 400");

    const std::vector<std::string> lines = linesOf(log);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(tail(lines[0]), " POST /hook?token=SECRET link_restored 1893499203000 200");
    EXPECT_EQ(tail(lines[1]), " GET /ping - - 503");
    EXPECT_EQ(tail(lines[2]), " POST /hook?token=SECRET link_restored 1893499203000 closed");
    EXPECT_EQ(tail(lines[3]), " - - - - 400");
    const std::vector<std::string> kept = linesOf(bodies);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_NE(kept[0].find(" " + kBody), std::string::npos);
    stop(listener);
}

TEST_F(Serve, EndsWhenItsInputClosesOrItsTimeIsUp) {
    Listener listener = start({"--log", dir / "log"});
    ASSERT_GT(listener.port, 0);
    ASSERT_FALSE(endsWithin(listener.pid, std::chrono::milliseconds(300)));
    close(listener.input);
    listener.input = -1;
    EXPECT_TRUE(endsWithin(listener.pid, std::chrono::seconds(5)));
    listener.pid = -1;

    Listener timed = start({"--log", dir / "log", "--seconds", "1"});
    ASSERT_GT(timed.port, 0);
    EXPECT_TRUE(endsWithin(timed.pid, std::chrono::seconds(5)));
    timed.pid = -1;
    stop(timed);
}

}  // namespace
