#include "link/protocol.h"

#include <cstring>

#include "app/main_window.h"
#include "app/painting.h"
#include "app/settings.h"
#include "control/run.h"
#include "link/frames.h"
#include "link/serial_port.h"
#include "link/temperature_edit.h"
#include "recording/recording.h"

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

LinkState state = linkStartUp;
std::uint16_t pendingCommand = kPollWord;
bool commandInFlight = false;
TemperatureCode target = 0;
std::int16_t measured = 0;
TemperatureCode maintainedCode = 0;

void showSetpoint(TemperatureCode code) {
    char text[kTemperatureTextSize];
    formatTemperature(tenthsFromCode(code), text);
    SendMessageA(controls().setpointEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void invalidate(HWND window, const RECT& area, bool erase) { InvalidateRect(window, &area, erase ? TRUE : FALSE); }

// Steps 3 to 7 of the communication step: the request for pendingCommand.
void sendPending(HWND window) {
    std::uint8_t frame[kMaxRequestLength] = {};
    const std::size_t n = buildRequest(pendingCommand, target, frame);
    sendRequest(window, frame, n, expectedReplyLength(pendingCommand));
    SetTimer(window, replyTimer, kReplyTimeoutMs, nullptr);
    pendingCommand = kPollWord;
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
    const MainControls& c = controls();
    EnableWindow(c.runButton, FALSE);
    EnableWindow(c.recordButton, FALSE);
    endRecording();
    EnableWindow(c.connectButton, TRUE);
    EnableWindow(c.portCombo, TRUE);
    closePort();
    // Nothing is sent while no connection is up; the next accepted first
    // reply starts the cycle again.
    KillTimer(window, exchangeTimer);

    if (state == linkStartUp) {
        settings().runFlag = kFlagOff;
        state = linkDown;
        return;
    }
    ShowWindow(c.portCombo, SW_SHOW);
    ShowWindow(c.connectButton, SW_SHOW);
    invalidate(window, linkPanelRect, true);
    if (state == linkLost) {
        state = linkDown;
        if (runActive()) stopRun(window, false);
    } else {
        MessageBoxA(window, kNoAnswerText, nullptr, MB_OK);
    }
}

void onFirstStatus(HWND window, const StatusReply& status) {
    const MainControls& c = controls();
    measured = tenthsFromCode(status.measured);
    if (state == linkLost) closeLostBox();
    state = linkUp;
    maintainedCode = status.maintained;
    showSetpoint(maintainedCode);

    EnableWindow(c.connectButton, TRUE);
    EnableWindow(c.portCombo, TRUE);
    ShowWindow(c.connectButton, SW_HIDE);
    ShowWindow(c.portCombo, SW_HIDE);
    EnableWindow(c.recordButton, TRUE);
    invalidate(window, linkPanelRect, true);

    pendingCommand = kPollWord;
    SetTimer(window, exchangeTimer, kExchangePeriodMs, nullptr);

    if (runFlag() != 0) {
        resumeRun(window);
        // resumeRun leaves runFlag set unless it found the program over.
        if (runFlag() != 0) return;
    }
    if (parseTemperature(c.setpointEdit).valid) EnableWindow(c.setButton, TRUE);
    SYSTEMTIME now;
    EnableWindow(c.runButton, startMomentReached(now) ? FALSE : TRUE);
}

void onStatus(HWND window, const StatusReply& status) {
    if (state != linkUp) {
        onFirstStatus(window, status);
        return;
    }
    const std::int16_t tenths = tenthsFromCode(status.measured);
    if (tenths != measured) {
        measured = tenths;
        invalidate(window, readoutRect, false);
    }
    if (status.maintained == maintainedCode) return;
    maintainedCode = status.maintained;
    // The bath now keeps another temperature than the running stage asks
    // for (changed at its own panel, say): the stage's temperature again.
    if (runActive() && nextStage() != 0) pendingCommand = kSetWord;
    showSetpoint(maintainedCode);
}

void onAcknowledgement(HWND window, const std::uint8_t* reply) {
    if (reply[0] == kAckConfirm) {
        if (!runActive()) MessageBoxA(window, kConfirmText, kConfirmCaption, MB_OK);
        return;
    }
    char text[sizeof kRefusalText + kTemperatureTextSize + 4];
    char value[kTemperatureTextSize];
    formatTemperature(tenthsFromCode(target), value);
    std::strcpy(text, kRefusalText);
    std::strcat(text, value);
    std::strcat(text, "°C");
    MessageBoxA(window, text, nullptr, MB_OK);
}

}  // namespace

LinkState linkState() { return state; }
bool linkIsUp() { return state == linkUp; }
std::int16_t measuredTenths() { return measured; }

void queueSetCommand(TemperatureCode code) {
    target = code;
    pendingCommand = kSetWord;
}

TemperatureCode targetCode() { return target; }

void onExchangeTick(HWND window) {
    if (commandInFlight) return;
    // A tick that outlived its connection sends nothing.
    if (!portOpen() || (state != linkUp && state != linkLost)) return;
    commandInFlight = true;
    sendPending(window);
}

void onReplyTimeout(HWND window) {
    KillTimer(window, replyTimer);
    switch (state) {
    case linkLost:
        sendPending(window);
        return;
    case linkUp:
        state = linkLost;
        EnableWindow(controls().setButton, FALSE);
        SetTimer(window, replyTimer, kReplyTimeoutMs, nullptr);
        // Its own message loop keeps the timers and the replies going: the
        // retries go on, and an accepted reply closes the box.
        MessageBoxA(window, kLostText, kLostCaption, MB_OK | MB_ICONEXCLAMATION);
        if (state != linkLost) return;  // a reply brought the link back
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
    commandInFlight = false;

    switch (commandWord(requestBytes())) {
    case kPollWord: onStatus(window, decodeStatus(reply)); break;
    case kSetWord: onAcknowledgement(window, reply); break;
    default: break;
    }
}

void onSetButton(HWND) {
    const ParsedTemperature typed = parseTemperature(controls().setpointEdit);
    if (!typed.valid) return;
    queueSetCommand(typed.code);
}
