#include "serial_port.h"

#include <atomic>
#include <cstring>

#include "port_calls.h"
#include "scoped_handles.h"

namespace {

constexpr char kDevicePrefix[] = "\\\\.\\";  // \\.\ reaches COM10 and above as well
constexpr std::size_t kDevicePrefixLength = sizeof kDevicePrefix - 1;

constexpr DWORD kBaudRate = 2400;
// A receive thread reads for at most 200 ms; a close or a new request waits a
// little longer than that for it to end.
constexpr DWORD kReaderEndWaitMs = 500;

// Everything this module keeps, in one place. The receive thread reads
// handle, replyBuffer's room and expectedLength, and writes replyBuffer; the
// user-interface thread changes them only while no reader runs.
struct PortState {
    ScopedHandle handle;
    HWND notify = nullptr;
    std::uint8_t commandFrame[5] = {};
    std::uint8_t replyBuffer[8] = {};
    DWORD expectedLength = 0;
    // The receive thread of the request last sent, kept so that a close or
    // the next request can wait for it to end.
    ScopedHandle reader;
};
PortState port;

// Numbers the requests. The reader of request n stores n in completedRequest
// before posting, so a ReplyArrived of an earlier request or of a closed port
// is recognised and ignored. readerRequest changes only while no reader runs.
std::atomic<std::uint32_t> currentRequest{0};
std::atomic<std::uint32_t> completedRequest{0};
std::atomic<std::uint32_t> readerRequest{0};

DWORD WINAPI receiveReply(void*) {
    const std::uint32_t request = readerRequest.load();
    DWORD read = 0;
    const BOOL ok = ReadFile(port.handle.get(), port.replyBuffer, port.expectedLength, &read, nullptr);
    if (ok && read == port.expectedLength) {
        completedRequest.store(request);
        PostMessageA(port.notify, ReplyArrived, 0, 0);
    }
    return 0;
}

// Lets the reader of the previous request end. Normally it ended long ago:
// requests follow replies or the 1 s time-out, and a read lasts 200 ms.
bool waitForReader() {
    if (!port.reader) return true;
    if (WaitForSingleObject(port.reader.get(), kReaderEndWaitMs) != WAIT_OBJECT_0) return false;
    port.reader.reset();
    return true;
}

void setUpLine(HANDLE handle) {
    DCB control = {};
    control.DCBlength = sizeof control;
    GetCommState(handle, &control);
    configureLine(control);
    SetCommState(handle, &control);

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
    SetCommTimeouts(handle, &timeouts);
}

}  // namespace

// Each setting the exchange relies on is set here; nothing is left to what
// the system or another program configured before.
void configureLine(DCB& control) {
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
}

bool openPort(const char* name, HWND window) {
    if (port.handle) closePort();
    // A name too long for the device path fails rather than being cut short:
    // a shortened name could name another port.
    const std::size_t length = name ? std::strlen(name) : 0;
    if (length == 0 || length > kMaxPortNameLength) return false;
    char path[kDevicePrefixLength + kMaxPortNameLength + 1];
    std::memcpy(path, kDevicePrefix, kDevicePrefixLength);
    std::memcpy(path + kDevicePrefixLength, name, length + 1);

    // Synchronous and not shared: the thermostat has one conversation.
    ScopedHandle opened(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!opened) return false;
    setUpLine(opened.get());
    port.handle = std::move(opened);
    port.notify = window;
    return true;
}

void sendRequest(const std::uint8_t* frame, std::size_t n, std::size_t replyLength) {
    if (!port.handle) return;
    // A reader that has not ended still reads into replyBuffer, with the
    // length and the request it was started for. Without it gone nothing is
    // changed and nothing is sent; its late reply, if any, belongs to a
    // request since superseded.
    if (!waitForReader()) {
        currentRequest.fetch_add(1);
        return;
    }
    if (n > sizeof port.commandFrame) n = sizeof port.commandFrame;
    if (replyLength > sizeof port.replyBuffer) replyLength = sizeof port.replyBuffer;
    std::memset(port.commandFrame, 0, sizeof port.commandFrame);
    std::memcpy(port.commandFrame, frame, n);
    port.expectedLength = static_cast<DWORD>(replyLength);

    // Error flags would stop further reads; bytes of a late or partial
    // earlier reply must never be taken for this one. The output side is
    // left alone: it holds nothing but what was written.
    const HANDLE handle = port.handle.get();
    ClearCommError(handle, nullptr, nullptr);
    PurgeComm(handle, PURGE_RXABORT | PURGE_RXCLEAR);

    // Write first, then read. The handle is synchronous, and Windows carries
    // out one request at a time on such a handle: a read started first would
    // hold the write for its whole 200 ms time-out. The driver keeps the
    // reply's bytes until the reader asks for them.
    readerRequest.store(currentRequest.fetch_add(1) + 1);
    writeToPort(handle, port.commandFrame, static_cast<DWORD>(n));
    port.reader.reset(startReceiveThread(receiveReply, nullptr));
}

const std::uint8_t* requestBytes() { return port.commandFrame; }

bool replyIsCurrent() { return port.handle.valid() && completedRequest.load() == currentRequest.load(); }

const std::uint8_t* replyBytes() { return port.replyBuffer; }
std::size_t replyLength() { return port.expectedLength; }

bool portOpen() { return port.handle.valid(); }

void closePort() {
    if (!port.handle) return;
    PurgeComm(port.handle.get(), PURGE_RXABORT | PURGE_RXCLEAR);
    // The reader ends within one read time-out; should a driver hold it
    // longer, its read is cancelled before the handle goes.
    if (!waitForReader()) {
        CancelSynchronousIo(port.reader.get());
        if (!waitForReader()) port.reader.reset();
    }
    port.handle.reset();
    // Whatever the last reader posted now belongs to a closed port.
    currentRequest.fetch_add(1);
}

void resetPort() {
    closePort();
    port.reader.reset();
    port.notify = nullptr;
    std::memset(port.commandFrame, 0, sizeof port.commandFrame);
    std::memset(port.replyBuffer, 0, sizeof port.replyBuffer);
    port.expectedLength = 0;
}
