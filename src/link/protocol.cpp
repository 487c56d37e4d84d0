#include "link/protocol.h"

#include <cstring>

#include "link/frames.h"
#include "link/serial_port.h"

namespace {

constexpr UINT kExchangePeriodMs = 500;
constexpr UINT kReplyTimeoutMs = 1000;

constexpr char kLostCaption[] = "Ошибка связи";
constexpr char kLostText[] =
    "Термостат не отвечает на запрос!\n\n\rВозможные причины:\n\n\rсбой на линии связи;\n\rвыключение термостата.\n\n";
constexpr char kNoAnswerText[] =
    "Термостат не отвечает на запрос!\n\n\n\rВозможные причины:\n\n\r- термостат выключен;\n\r- не правильно выбран "
    "порт;\n\r- не подключен соединительный кабель.";
constexpr char kConfirmCaption[] = "Установка температуры";
constexpr char kConfirmText[] = "Термостат подтверждает выполнение команды.";
constexpr char kRefusalText[] = "Термостат не подтверждает установку температуры ";

// Everything the conversation keeps, in one place.
struct Conversation {
    LinkState state = linkStartUp;
    std::uint16_t pendingCommand = kPollWord;
    bool commandInFlight = false;
    TemperatureCode target = 0;
    std::int16_t measured = 0;
    TemperatureCode maintainedCode = 0;
};
Conversation link;

void ignoreStatus(HWND, TemperatureCode) {}
void ignoreChange(HWND, bool, bool, TemperatureCode) {}
void ignoreWindow(HWND) {}
void ignoreGivenUp(HWND, LinkState) {}
bool notQuiet() { return false; }

// Until the window sets its own, reports go nowhere.
LinkReports reports{ignoreStatus, ignoreChange, ignoreWindow, ignoreGivenUp, notQuiet};

// Steps 3 to 7 of the communication step: the request for pendingCommand.
void sendPending(HWND window) {
    std::uint8_t frame[kMaxRequestLength] = {};
    const std::size_t n = buildRequest(link.pendingCommand, link.target, frame);
    sendRequest(frame, n, expectedReplyLength(link.pendingCommand));
    SetTimer(window, replyTimer, kReplyTimeoutMs, nullptr);
    link.pendingCommand = kPollWord;
}

struct BoxSearch {
    HWND found;
};

BOOL CALLBACK findLostBox(HWND candidate, LPARAM parameter) {
    char caption[32] = {};
    GetWindowTextA(candidate, caption, sizeof caption);
    if (std::strcmp(caption, kLostCaption) != 0) return TRUE;
    reinterpret_cast<BoxSearch*>(parameter)->found = candidate;
    return FALSE;
}

// The "Ошибка связи" box of this program: looked for among this thread's
// windows, so that a window of the same title elsewhere is never closed.
void closeLostBox() {
    BoxSearch search{nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findLostBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) SendMessageA(search.found, WM_CLOSE, 0, 0);
}

void giveUp(HWND window) {
    const LinkState from = link.state;
    closePort();
    // Nothing is sent while no connection is up; the next accepted first
    // reply starts the cycle again.
    KillTimer(window, exchangeTimer);
    link.state = linkDown;
    reports.givenUp(window, from);
    // The very first attempt since start-up fails silently, and a lost
    // connection was already announced by its own box.
    if (from == linkDown) MessageBoxA(window, kNoAnswerText, nullptr, MB_OK);
}

void onFirstStatus(HWND window, const StatusReply& status) {
    link.measured = tenthsFromCode(status.measured);
    if (link.state == linkLost) closeLostBox();
    link.state = linkUp;
    link.maintainedCode = status.maintained;
    link.pendingCommand = kPollWord;
    SetTimer(window, exchangeTimer, kExchangePeriodMs, nullptr);
    reports.connected(window, link.maintainedCode);
}

void onStatus(HWND window, const StatusReply& status) {
    if (link.state != linkUp) {
        onFirstStatus(window, status);
        return;
    }
    const std::int16_t tenths = tenthsFromCode(status.measured);
    const bool measuredChanged = tenths != link.measured;
    link.measured = tenths;
    const bool maintainedChanged = status.maintained != link.maintainedCode;
    link.maintainedCode = status.maintained;
    if (measuredChanged || maintainedChanged)
        reports.statusChanged(window, measuredChanged, maintainedChanged, link.maintainedCode);
}

void onAcknowledgement(HWND window, const std::uint8_t* reply) {
    if (reply[0] == kAckConfirm) {
        if (!reports.confirmationsQuiet()) MessageBoxA(window, kConfirmText, kConfirmCaption, MB_OK);
        return;
    }
    char text[sizeof kRefusalText + kTemperatureTextSize + 4];
    char value[kTemperatureTextSize];
    formatTemperature(tenthsFromCode(link.target), value);
    std::strcpy(text, kRefusalText);
    std::strcat(text, value);
    std::strcat(text, "°C");
    MessageBoxA(window, text, nullptr, MB_OK);
}

}  // namespace

void setLinkReports(const LinkReports& given) { reports = given; }

LinkState linkState() { return link.state; }
bool linkIsUp() { return link.state == linkUp; }
std::int16_t measuredTenths() { return link.measured; }

void setTargetCode(TemperatureCode code) { link.target = code; }
TemperatureCode targetCode() { return link.target; }
void queueSetCommand() { link.pendingCommand = kSetWord; }

void queueSetCommand(TemperatureCode code) {
    setTargetCode(code);
    queueSetCommand();
}

bool requestInFlight() { return link.commandInFlight; }

bool startConnection(const char* portName, HWND window) {
    if (!openPort(portName, window)) return false;
    // The first poll of an attempt leaves commandInFlight as it is: the
    // attempt is decided by its reply or its time-out alone.
    std::uint8_t poll[kMaxRequestLength] = {};
    const std::size_t n = buildRequest(kPollWord, 0, poll);
    sendRequest(poll, n, kStatusReplyLength);
    SetTimer(window, replyTimer, kReplyTimeoutMs, nullptr);
    return true;
}

void resetLink() {
    resetPort();
    link = Conversation{};
}

void onExchangeTick(HWND window) {
    if (link.commandInFlight) return;
    // A tick that outlived its connection sends nothing.
    if (!portOpen() || (link.state != linkUp && link.state != linkLost)) return;
    link.commandInFlight = true;
    sendPending(window);
}

void onReplyTimeout(HWND window) {
    KillTimer(window, replyTimer);
    switch (link.state) {
    case linkLost:
        sendPending(window);
        return;
    case linkUp:
        link.state = linkLost;
        reports.lost(window);
        SetTimer(window, replyTimer, kReplyTimeoutMs, nullptr);
        // Its own message loop keeps the timers and the replies going: the
        // retries go on, and an accepted reply closes the box.
        MessageBoxA(window, kLostText, kLostCaption, MB_OK | MB_ICONEXCLAMATION);
        if (link.state != linkLost) return;  // a reply brought the link back
        KillTimer(window, replyTimer);
        giveUp(window);
        return;
    case linkStartUp:
    case linkDown:
        // Only the reply to this attempt's poll could have kept it; a port
        // already given up has nothing to give up again.
        if (portOpen()) giveUp(window);
        return;
    }
}

void onReplyArrived(HWND window) {
    // A reply to a request since superseded, or from a port since closed.
    if (!replyIsCurrent()) return;
    const std::uint8_t* reply = replyBytes();
    if (!replyAccepted(reply, replyLength())) return;
    KillTimer(window, replyTimer);
    link.commandInFlight = false;

    switch (commandWord(requestBytes())) {
    case kPollWord: onStatus(window, decodeStatus(reply)); break;
    case kSetWord: onAcknowledgement(window, reply); break;
    default: break;
    }
}
