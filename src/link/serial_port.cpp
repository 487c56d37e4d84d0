#include "link/serial_port.h"

#include <atomic>
#include <cstring>

#include "app/main_window.h"
#include "app/settings.h"
#include "link/frames.h"

namespace {

constexpr char kDevicePrefix[] = "\\\\.\\";  // \\.\ reaches COM10 and above as well
constexpr std::size_t kDevicePrefixLength = sizeof kDevicePrefix - 1;

constexpr DWORD kBaudRate = 2400;
constexpr UINT kReplyTimeoutMs = 1000;
// A receive thread reads for at most 200 ms; a close or a new request waits a
// little longer than that for it to end.
constexpr DWORD kReaderEndWaitMs = 500;

HANDLE portHandle = INVALID_HANDLE_VALUE;
// "\\.\" followed by the port's name; initially COM100, then the last name
// that fitted.
char portPath[kDevicePrefixLength + kMaxPortNameLength + 1] = "\\\\.\\COM100";
// The name shown to the operator: the last one tried, even one too long for
// portPath.
char shownName[256] = "COM100";

std::uint8_t commandFrame[kMaxRequestLength];
std::uint8_t replyBuffer[8];
DWORD expectedLength;

// The receive thread of the request last sent, kept so that a close or the
// next request can wait for it to end.
HANDLE readerThread;
// Numbers the requests: the reader of request n stores n in completedRequest
// before posting, so a ReplyArrived of an earlier request or of a closed port
// is recognised and ignored.
std::atomic<std::uint32_t> currentRequest{0};
std::atomic<std::uint32_t> completedRequest{0};

bool handleValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

DWORD WINAPI receiveReply(void* parameter) {
    const HWND window = static_cast<HWND>(parameter);
    const std::uint32_t request = currentRequest.load();
    DWORD read = 0;
    const BOOL ok = ReadFile(portHandle, replyBuffer, expectedLength, &read, nullptr);
    if (ok && read == expectedLength) {
        completedRequest.store(request);
        PostMessageA(window, ReplyArrived, 0, 0);
    }
    return 0;
}

// Lets the reader of the previous request end. Normally it ended long ago:
// requests follow replies or the 1 s time-out, and a read lasts 200 ms.
bool waitForReader() {
    if (!readerThread) return true;
    if (WaitForSingleObject(readerThread, kReaderEndWaitMs) != WAIT_OBJECT_0) return false;
    CloseHandle(readerThread);
    readerThread = nullptr;
    return true;
}

// Each setting the exchange relies on is set here; nothing is left to what
// the system or another program configured before.
void setUpLine(HANDLE port) {
    DCB control = {};
    control.DCBlength = sizeof control;
    GetCommState(port, &control);
    control.BaudRate = kBaudRate;
    control.ByteSize = 8;
    control.Parity = EVENPARITY;
    control.StopBits = ONESTOPBIT;
    control.fBinary = TRUE;
    control.fParity = TRUE;
    // The thermostat's cable has no handshake lines: with CTS or DSR flow
    // control a write would wait for a line that never comes. DTR and RTS are
    // held on, as a plain three-wire adapter expects.
    control.fOutxCtsFlow = FALSE;
    control.fOutxDsrFlow = FALSE;
    control.fDtrControl = DTR_CONTROL_ENABLE;
    control.fRtsControl = RTS_CONTROL_ENABLE;
    control.fDsrSensitivity = FALSE;
    // The frames are binary: XON and XOFF bytes are data, not flow control.
    control.fOutX = FALSE;
    control.fInX = FALSE;
    control.fErrorChar = FALSE;
    control.fNull = FALSE;
    control.fAbortOnError = FALSE;
    SetCommState(port, &control);

    // A read ends 200 ms after it starts, or when 200 ms pass between two
    // bytes: a five-byte reply takes about 23 ms at 2400 baud. Writes get
    // 100 ms for at most 5 bytes (about 23 ms), so a stuck port can never hold
    // the window.
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = 200;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 200;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 100;
    SetCommTimeouts(port, &timeouts);
}

// Copies the name of portCombo's entry portIndex into portPath. A name too
// long for portPath is kept only for the message; the open then fails, for
// a shortened name could name another port.
bool takePortName() {
    const HWND combo = controls().portCombo;
    const WPARAM index = settings().portIndex;
    const LRESULT length = combo ? SendMessageA(combo, CB_GETLBTEXTLEN, index, 0) : CB_ERR;
    if (length == CB_ERR || length < 0) return true;  // no such entry: keep the last name

    char name[sizeof shownName] = {};
    if (static_cast<std::size_t>(length) < sizeof name) {
        SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name));
    } else {
        // Longer than any buffer here: only the first part is shown.
        char* whole = new char[static_cast<std::size_t>(length) + 1];
        SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(whole));
        std::memcpy(name, whole, sizeof name - 1);
        delete[] whole;
    }
    std::memcpy(shownName, name, sizeof shownName);

    const std::size_t nameLength = std::strlen(name);
    if (nameLength == 0 || nameLength > kMaxPortNameLength) return false;
    std::memcpy(portPath + kDevicePrefixLength, name, nameLength + 1);
    return true;
}

}  // namespace

bool openPort(HWND window) {
    if (handleValid(portHandle)) closePort();
    if (!takePortName()) return false;

    // Synchronous and not shared: the thermostat has one conversation.
    const HANDLE port = CreateFileA(portPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return false;
    portHandle = port;
    setUpLine(port);

    std::uint8_t poll[kMaxRequestLength] = {};
    const std::size_t n = buildRequest(kPollWord, 0, poll);
    sendRequest(window, poll, n, kStatusReplyLength);
    SetTimer(window, replyTimer, kReplyTimeoutMs, nullptr);

    EnableWindow(controls().connectButton, FALSE);
    EnableWindow(controls().portCombo, FALSE);
    return true;
}

void sendRequest(HWND window, const std::uint8_t* frame, std::size_t n, std::size_t replyLength) {
    if (!handleValid(portHandle)) return;
    if (n > sizeof commandFrame) n = sizeof commandFrame;
    if (replyLength > sizeof replyBuffer) replyLength = sizeof replyBuffer;

    std::memset(commandFrame, 0, sizeof commandFrame);
    std::memcpy(commandFrame, frame, n);
    expectedLength = static_cast<DWORD>(replyLength);

    // Error flags would stop further reads; bytes of a late or partial
    // earlier reply must never be taken for this one. The output side is
    // left alone: it holds nothing but what was written.
    ClearCommError(portHandle, nullptr, nullptr);
    PurgeComm(portHandle, PURGE_RXABORT | PURGE_RXCLEAR);

    // A reader that has not ended shares replyBuffer; without it gone, this
    // request is not sent and the reply time-out decides as for a lost reply.
    if (!waitForReader()) return;
    PurgeComm(portHandle, PURGE_RXCLEAR);

    currentRequest.fetch_add(1);
    readerThread = CreateThread(nullptr, 0, receiveReply, window, 0, nullptr);
    DWORD written = 0;
    WriteFile(portHandle, commandFrame, static_cast<DWORD>(n), &written, nullptr);
}

const std::uint8_t* requestBytes() { return commandFrame; }

bool replyIsCurrent() { return handleValid(portHandle) && completedRequest.load() == currentRequest.load(); }

const std::uint8_t* replyBytes() { return replyBuffer; }
std::size_t replyLength() { return expectedLength; }

bool portOpen() { return handleValid(portHandle); }

void closePort() {
    if (!handleValid(portHandle)) return;
    PurgeComm(portHandle, PURGE_RXABORT | PURGE_RXCLEAR);
    // The reader ends within one read time-out; should a driver hold it
    // longer, its read is cancelled before the handle goes.
    if (!waitForReader()) {
        CancelSynchronousIo(readerThread);
        if (!waitForReader()) {
            CloseHandle(readerThread);
            readerThread = nullptr;
        }
    }
    CloseHandle(portHandle);
    portHandle = INVALID_HANDLE_VALUE;
    // Whatever the last reader posted now belongs to a closed port.
    currentRequest.fetch_add(1);
}

const char* portName() { return shownName; }
