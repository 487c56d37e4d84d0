#include "http_sender.h"

#include <winhttp.h>

#include <deque>
#include <map>
#include <string>

#include "scoped_handles.h"

namespace {

constexpr int kTimeoutMs = 10'000;

struct Request {
    std::uint64_t id;
    std::string method;
    std::string url;
    std::string contentType;
    std::string body;
};

struct Sender {
    CRITICAL_SECTION lock;
    bool lockMade = false;
    std::deque<Request> queue;                 // under lock
    std::map<std::uint64_t, HttpAnswer> done;  // under lock
    bool sending = false;                      // under lock
    bool stopping = false;                     // under lock
    ScopedHandle wake;
    ScopedHandle thread;
    HWND window = nullptr;
    HINTERNET session = nullptr;  // the thread's
};
Sender sender;

// A WinHTTP handle, closed on every path.
struct Internet {
    HINTERNET handle = nullptr;
    explicit Internet(HINTERNET h) : handle(h) {}
    ~Internet() {
        if (handle) WinHttpCloseHandle(handle);
    }
    Internet(const Internet&) = delete;
    Internet& operator=(const Internet&) = delete;
};

std::wstring wide(const std::string& text) {
    if (text.empty()) return {};
    std::wstring out(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                                  nullptr, 0)),
                     L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                        static_cast<int>(out.size()));
    return out;
}

std::string reasonOf(DWORD error) {
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT: return "нет ответа за 10 с";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "адрес сервера не найден";
    case ERROR_WINHTTP_CANNOT_CONNECT: return "сервер не принимает соединение";
    case ERROR_WINHTTP_CONNECTION_ERROR: return "соединение прервано";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "сервер закрыл соединение, не ответив";
    case ERROR_WINHTTP_SECURE_FAILURE: return "ошибка защищённого соединения (сертификат или TLS)";
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
    case ERROR_WINHTTP_INVALID_URL: return "неверный адрес";
    default: return "ошибка сети " + std::to_string(error);
    }
}

HttpAnswer send(const Request& request) {
    HttpAnswer answer;
    answer.id = request.id;
    const std::wstring url = wide(request.url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    wchar_t host[256] = {};
    wchar_t path[2048] = {};
    wchar_t extra[2048] = {};
    parts.lpszHostName = host;
    parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = static_cast<DWORD>(std::size(path));
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = static_cast<DWORD>(std::size(extra));
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        answer.reason = "неверный адрес";
        return answer;
    }
    Internet connection(WinHttpConnect(sender.session, host, parts.nPort, 0));
    if (!connection.handle) {
        answer.reason = reasonOf(GetLastError());
        return answer;
    }
    const std::wstring target = std::wstring(path) + extra;
    const std::wstring method = wide(request.method);
    Internet call(WinHttpOpenRequest(connection.handle, method.c_str(), target.c_str(), nullptr, WINHTTP_NO_REFERER,
                                     WINHTTP_DEFAULT_ACCEPT_TYPES,
                                     parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!call.handle) {
        answer.reason = reasonOf(GetLastError());
        return answer;
    }
    const std::wstring headers = request.contentType.empty() ? L"" : L"Content-Type: " + wide(request.contentType);
    void* body = request.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(request.body.data());
    const DWORD length = static_cast<DWORD>(request.body.size());
    if (!WinHttpSendRequest(call.handle, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                            headers.empty() ? 0 : static_cast<DWORD>(-1L), body, length, length, 0) ||
        !WinHttpReceiveResponse(call.handle, nullptr)) {
        answer.reason = reasonOf(GetLastError());
        return answer;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(call.handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        answer.reason = reasonOf(GetLastError());
        return answer;
    }
    answer.status = static_cast<int>(status);
    return answer;
}

void openSession() {
    sender.session = WinHttpOpen(L"quellor", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                 WINHTTP_NO_PROXY_BYPASS, 0);
    if (!sender.session) return;
    // Windows 7 offers TLS 1.2 only when asked for it.
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
#ifdef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
    protocols |= WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
#endif
    if (!WinHttpSetOption(sender.session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
        protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
        WinHttpSetOption(sender.session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
    }
    WinHttpSetTimeouts(sender.session, kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
}

DWORD WINAPI senderThread(void*) {
    openSession();
    for (;;) {
        EnterCriticalSection(&sender.lock);
        const bool stopping = sender.stopping;
        const bool empty = sender.queue.empty();
        Request request;
        if (!empty) {
            request = sender.queue.front();
            sender.queue.pop_front();
            sender.sending = true;
        }
        LeaveCriticalSection(&sender.lock);
        if (empty) {
            if (stopping) break;
            WaitForSingleObject(sender.wake.get(), INFINITE);
            continue;
        }
        HttpAnswer answer;
        if (sender.session) {
            answer = send(request);
        } else {
            answer.id = request.id;
            answer.reason = "HTTP недоступен в этой системе";
        }
        EnterCriticalSection(&sender.lock);
        sender.done[answer.id] = answer;
        sender.sending = false;
        LeaveCriticalSection(&sender.lock);
        PostMessageA(sender.window, HttpAnswered, static_cast<WPARAM>(answer.id), 0);
    }
    if (sender.session) WinHttpCloseHandle(sender.session);
    sender.session = nullptr;
    return 0;
}

}  // namespace

void startHttpSender(HWND window) {
    if (sender.thread.valid()) return;
    if (!sender.lockMade) {
        InitializeCriticalSection(&sender.lock);
        sender.lockMade = true;
    }
    sender.window = window;
    sender.stopping = false;
    sender.wake.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    sender.thread.reset(CreateThread(nullptr, 0, senderThread, nullptr, 0, nullptr));
}

void queueHttpRequest(std::uint64_t id, const char* method, const std::string& url, const std::string& contentType,
                      const std::string& body) {
    if (!sender.lockMade) return;
    EnterCriticalSection(&sender.lock);
    sender.queue.push_back(Request{id, method, url, contentType, body});
    LeaveCriticalSection(&sender.lock);
    if (sender.wake.valid()) SetEvent(sender.wake.get());
}

bool takeHttpAnswer(std::uint64_t id, HttpAnswer& answer) {
    if (!sender.lockMade) return false;
    EnterCriticalSection(&sender.lock);
    const auto found = sender.done.find(id);
    const bool there = found != sender.done.end();
    if (there) {
        answer = found->second;
        sender.done.erase(found);
    }
    LeaveCriticalSection(&sender.lock);
    return there;
}

bool httpSenderBusy() {
    if (!sender.lockMade) return false;
    EnterCriticalSection(&sender.lock);
    const bool busy = sender.sending || !sender.queue.empty();
    LeaveCriticalSection(&sender.lock);
    return busy;
}

void stopHttpSender(DWORD ms) {
    if (!sender.thread.valid()) return;
    EnterCriticalSection(&sender.lock);
    sender.stopping = true;
    LeaveCriticalSection(&sender.lock);
    SetEvent(sender.wake.get());
    // What is queued goes first, for at most ms; the rest waits for the
    // next start in the queue file.
    if (WaitForSingleObject(sender.thread.get(), ms) == WAIT_TIMEOUT) {
        EnterCriticalSection(&sender.lock);
        sender.queue.clear();
        LeaveCriticalSection(&sender.lock);
    }
    sender.thread.reset();
    sender.wake.reset();
}
