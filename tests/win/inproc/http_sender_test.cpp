// The alerts' sender against a listener of the test's own on 127.0.0.1: the
// status that came back, or why nothing did, and the body as UTF-8.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "http_sender.h"
#include "text_code.h"

namespace {

// Answers one request with this status line and keeps what it received.
struct Listener {
    SOCKET socket = INVALID_SOCKET;
    int port = 0;
    const char* status;
    std::string received;
    HANDLE thread = nullptr;

    explicit Listener(const char* statusLine) : status(statusLine) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(socket, 1);
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
        thread = CreateThread(nullptr, 0, serve, this, 0, nullptr);
    }
    ~Listener() {
        closesocket(socket);
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
    }
    static DWORD WINAPI serve(void* self) {
        auto& l = *static_cast<Listener*>(self);
        const SOCKET peer = accept(l.socket, nullptr, nullptr);
        if (peer == INVALID_SOCKET) return 0;
        char buffer[4096];
        // The request's head, then as much body as its length says.
        for (int n; (n = recv(peer, buffer, sizeof buffer, 0)) > 0;) {
            l.received.append(buffer, static_cast<std::size_t>(n));
            const std::size_t head = l.received.find("\r\n\r\n");
            const std::size_t length = l.received.find("Content-Length: ");
            if (head != std::string::npos &&
                (length == std::string::npos ||
                 l.received.size() - head - 4 >= std::stoul(l.received.substr(length + 16))))
                break;
        }
        const std::string reply = std::string("HTTP/1.1 ") + l.status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        send(peer, reply.data(), static_cast<int>(reply.size()), 0);
        closesocket(peer);
        return 0;
    }
};

HttpAnswer sendAndWait(std::uint64_t id, const std::string& url, const std::string& body) {
    queueHttpRequest(id, body.empty() ? "GET" : "POST", url, "application/json; charset=utf-8", body);
    HttpAnswer answer;
    pumpUntil([&] { return takeHttpAnswer(id, answer); }, 15'000);
    return answer;
}

TEST(HttpSender, GivesTheStatusOrWhyNothingCameBack) {
    const HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    startHttpSender(window);
    const std::string text = "Связь с термостатом потеряна";
    {
        Listener listener("200 OK");
        const std::string body = "{\"event\":\"link_lost\",\"text\":\"" + programToUtf8(text.data(), text.size()) + "\"}";
        const HttpAnswer answer =
            sendAndWait(1, "http://127.0.0.1:" + std::to_string(listener.port) + "/hook?token=x", body);
        EXPECT_EQ(answer.status, 200) << answer.reason;
        EXPECT_EQ(listener.received.rfind("POST /hook?token=x HTTP/1.1\r\n", 0), 0u) << listener.received;
        EXPECT_NE(listener.received.find(body), std::string::npos);
        EXPECT_NE(listener.received.find("\xD0\xA1\xD0\xB2\xD1\x8F\xD0\xB7\xD1\x8C"), std::string::npos);  // "Связь"
    }
    {
        Listener listener("503 Service Unavailable");
        EXPECT_EQ(sendAndWait(2, "http://127.0.0.1:" + std::to_string(listener.port) + "/ping", "").status, 503);
    }
    // A port where nothing listens: no status, and a reason.
    int closedPort = 0;
    { closedPort = Listener("200 OK").port; }
    const HttpAnswer none = sendAndWait(3, "http://127.0.0.1:" + std::to_string(closedPort) + "/", "{}");
    EXPECT_EQ(none.status, 0);
    EXPECT_FALSE(none.reason.empty());
    stopHttpSender(3000);
    DestroyWindow(window);
}

}  // namespace
