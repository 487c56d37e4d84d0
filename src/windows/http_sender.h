// The alerts' sender: a thread of its own sends one HTTP request at a time
// through WinHTTP, the system's HTTP client (HTTPS with the system's
// certificates, TLS 1.2 turned on for Windows 7), each with a 10 s time-out,
// and posts the answer to the main window. The window and the exchange
// cycle never wait for it: handing a request over only queues it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// The private message of an answer: wParam is the request's id; the status
// and the reason come from takeHttpAnswer.
constexpr UINT HttpAnswered = WM_USER + 111;

struct HttpAnswer {
    std::uint64_t id = 0;
    int status = 0;      // the HTTP status; 0 when nothing came back
    std::string reason;  // why nothing came back, in the program's words
};

void startHttpSender(HWND window);
// Queues a request: "POST" with a body of this type (UTF-8 already), or
// "GET" without one.
void queueHttpRequest(std::uint64_t id, const char* method, const std::string& url, const std::string& contentType,
                      const std::string& body);
// The answer of that id, once HttpAnswered came for it; false if none.
bool takeHttpAnswer(std::uint64_t id, HttpAnswer& answer);
// True while a request is queued or being sent.
bool httpSenderBusy();
// Waits for the requests queued, at most ms, then ends the thread; what is
// still unsent stays with its owner (the queue file).
void stopHttpSender(DWORD ms);
