#include "simulator.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::uint64_t logMark = 0;

std::string readLogFrom(std::uint64_t offset) {
    const std::string path = environment("SIM_LOG");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    std::string text;
    if (static_cast<std::uint64_t>(size.QuadPart) > offset) {
        text.resize(static_cast<std::size_t>(size.QuadPart - offset));
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
        DWORD read = 0;
        ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
        text.resize(read);
    }
    CloseHandle(file);
    return text;
}

std::uint64_t logSize() {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(environment("SIM_LOG").c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// "2026-12-07 10:00:01.250 IN B3 B3"
bool parseLine(const std::string& line, WireFrame& frame) {
    int year, month, day, hour, minute, second, ms;
    char direction[4] = {};
    int used = 0;
    if (std::sscanf(line.c_str(), "%d-%d-%d %d:%d:%d.%d %3s%n", &year, &month, &day, &hour, &minute, &second, &ms,
                    direction, &used) != 8)
        return false;
    if (std::strcmp(direction, "IN") != 0 && std::strcmp(direction, "OUT") != 0) return false;
    frame.in = direction[0] == 'I';
    frame.ms = ((static_cast<double>(day) * 24 + hour) * 60 + minute) * 60000.0 + second * 1000.0 + ms;
    frame.bytes.clear();
    const char* at = line.c_str() + used;
    unsigned value = 0;
    int step = 0;
    while (std::sscanf(at, " %2x%n", &value, &step) == 1) {
        frame.bytes.push_back(static_cast<std::uint8_t>(value));
        at += step;
    }
    return !frame.bytes.empty();
}

}  // namespace

std::string Simulator::command(const std::string& line) {
    static bool started = false;
    if (!started) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        started = true;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::atoi(environment("SIM_CONTROL_PORT").c_str())));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return "ERR no simulator";
    }
    const std::string sent = line + "\n";
    send(s, sent.data(), static_cast<int>(sent.size()), 0);
    std::string answer;
    char c;
    while (recv(s, &c, 1, 0) == 1 && c != '\n') answer += c;
    closesocket(s);
    return answer;
}

void Simulator::markLog() { logMark = logSize(); }

std::vector<WireFrame> Simulator::frames() {
    std::vector<WireFrame> result;
    const std::string text = readLogFrom(logMark);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a line still being written
        WireFrame frame;
        if (parseLine(text.substr(start, end - start), frame)) result.push_back(frame);
        start = end + 1;
    }
    return result;
}

std::vector<WireFrame> Simulator::requests() {
    std::vector<WireFrame> result;
    for (const WireFrame& frame : frames())
        if (frame.in) result.push_back(frame);
    return result;
}

bool Simulator::waitForRequests(std::size_t count, DWORD timeoutMs) {
    return waitFor([&] { return requests().size() >= count; }, timeoutMs);
}

std::string Simulator::lineSettings() {
    std::string found;
    const std::string text = readLogFrom(logMark);
    for (std::size_t at = text.find(" LINE "); at != std::string::npos; at = text.find(" LINE ", at + 1)) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) break;
        found = text.substr(at + 6, end - at - 6);
    }
    return found;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char part[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(part, sizeof part, text.empty() ? "%02X" : " %02X", b);
        text += part;
    }
    return text;
}
