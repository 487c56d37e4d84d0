#include "link/protocol.h"

#include <cstring>

#include "seat.h"
#include "link/frames.h"
#include "journal/journal.h"

namespace {

constexpr unsigned kExchangePeriodMs = 500;
constexpr unsigned kReplyTimeoutMs = 1000;

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
    // The port is open: from a successful openPort to closePort.
    bool portOpen = false;
    std::uint16_t pendingCommand = kPollWord;
    // The command word of the request last written: what its reply answers.
    std::uint16_t sentCommand = kPollWord;
    bool commandInFlight = false;
    // The queued set command, and the one last sent, came from automatic
    // control: their confirmations are not shown.
    bool pendingQuiet = false;
    bool sentQuiet = false;
    TemperatureCode target = 0;
    // The temperature the queued set command carries, fixed when it is
    // queued, and the one the command last sent carried.
    TemperatureCode pendingCode = 0;
    TemperatureCode sentCode = 0;
    std::int16_t measured = 0;
    TemperatureCode maintainedCode = 0;
};
Conversation link;

void ignoreStatus(TemperatureCode) {}
void ignoreChange(bool, bool, TemperatureCode) {}
void ignoreLoss() {}
void ignoreGivenUp(LinkState) {}
bool notQuiet() { return false; }

// Until the engine sets its own, reports go nowhere.
LinkReports reports{ignoreStatus, ignoreChange, ignoreLoss, ignoreGivenUp, notQuiet};

void armReplyTimer() { seat().timers.start(Timer::reply, kReplyTimeoutMs); }

// Steps 3 to 7 of the communication step: the request for pendingCommand.
void sendPending() {
    // Code 0 is no temperature (-273,0 degC): a command carrying it is never
    // sent, a poll goes instead.
    if (link.pendingCommand == kSetWord && link.pendingCode == 0) link.pendingCommand = kPollWord;
    std::uint8_t frame[kMaxRequestLength] = {};
    const std::size_t n = buildRequest(link.pendingCommand, link.pendingCode, frame);
    if (link.pendingCommand == kSetWord) {
        link.sentQuiet = link.pendingQuiet;
        link.sentCode = link.pendingCode;
        link.pendingQuiet = false;
        journalChange("отправлена команда установки температуры", tenthsFromCode(link.maintainedCode),
                      tenthsFromCode(link.sentCode));
    }
    link.sentCommand = link.pendingCommand;
    seat().line.writeFrame(frame, n, expectedReplyLength(link.pendingCommand));
    armReplyTimer();
    link.pendingCommand = kPollWord;
}

void giveUp() {
    const LinkState from = link.state;
    seat().line.closePort();
    link.portOpen = false;
    // Nothing is sent while no connection is up; the next accepted first
    // reply starts the cycle again.
    seat().timers.stop(Timer::exchange);
    link.state = linkDown;
    reports.givenUp(from);
    // The very first attempt since start-up fails silently, and a lost
    // connection was already announced by its own box.
    if (from == linkDown) seat().boxes.show(kNoAnswerText, nullptr, box::ok);
}

void onFirstStatus(const StatusReply& status) {
    link.measured = tenthsFromCode(status.measured);
    if (link.state == linkLost) seat().boxes.close(kLostCaption);
    link.state = linkUp;
    link.maintainedCode = status.maintained;
    link.pendingCommand = kPollWord;
    seat().timers.start(Timer::exchange, kExchangePeriodMs);
    reports.connected(link.maintainedCode);
}

void onStatus(const StatusReply& status) {
    if (link.state != linkUp) {
        onFirstStatus(status);
        return;
    }
    const std::int16_t tenths = tenthsFromCode(status.measured);
    const bool measuredChanged = tenths != link.measured;
    link.measured = tenths;
    const bool maintainedChanged = status.maintained != link.maintainedCode;
    link.maintainedCode = status.maintained;
    if (measuredChanged || maintainedChanged) reports.statusChanged(measuredChanged, maintainedChanged, link.maintainedCode);
}

void onAcknowledgement(const std::uint8_t* reply) {
    if (reply[0] == kAckConfirm) {
        journalChange("термостат подтвердил установку температуры", tenthsFromCode(link.maintainedCode),
                      tenthsFromCode(link.sentCode));
        if (!link.sentQuiet && !reports.confirmationsQuiet()) seat().boxes.show(kConfirmText, kConfirmCaption, box::ok);
        return;
    }
    journalChange("термостат не подтвердил установку температуры", tenthsFromCode(link.maintainedCode),
                  tenthsFromCode(link.sentCode));
    char text[sizeof kRefusalText + kTemperatureTextSize + 4];
    char value[kTemperatureTextSize];
    formatTemperature(tenthsFromCode(link.sentCode), value);
    std::strcpy(text, kRefusalText);
    std::strcat(text, value);
    std::strcat(text, "°C");
    seat().boxes.show(text, nullptr, box::ok);
}

}  // namespace

void setLinkReports(const LinkReports& given) { reports = given; }

LinkState linkState() { return link.state; }
bool linkIsUp() { return link.state == linkUp; }
std::int16_t measuredTenths() { return link.measured; }
TemperatureCode maintainedCode() { return link.maintainedCode; }

void setTargetCode(TemperatureCode code) { link.target = code; }
TemperatureCode targetCode() { return link.target; }
void queueSetCommand(TemperatureCode code) {
    setTargetCode(code);
    if (code == 0) return;
    link.pendingCommand = kSetWord;
    link.pendingCode = code;
    link.pendingQuiet = false;
}

void queueQuietSetCommand(TemperatureCode code) {
    setTargetCode(code);
    if (code == 0) return;
    link.pendingCommand = kSetWord;
    link.pendingCode = code;
    link.pendingQuiet = true;
}

bool requestInFlight() { return link.commandInFlight; }
bool setCommandQueued() { return link.pendingCommand == kSetWord; }

bool startConnection(const char* portName) {
    if (!seat().line.openPort(portName)) return false;
    link.portOpen = true;
    // The first poll of an attempt leaves commandInFlight as it is: the
    // attempt is decided by its reply or its time-out alone.
    std::uint8_t poll[kMaxRequestLength] = {};
    const std::size_t n = buildRequest(kPollWord, 0, poll);
    link.sentCommand = kPollWord;
    seat().line.writeFrame(poll, n, kStatusReplyLength);
    armReplyTimer();
    return true;
}

void resetLink() { link = Conversation{}; }

void onExchangeTick() {
    if (link.commandInFlight) return;
    // A tick that outlived its connection sends nothing.
    if (!link.portOpen || (link.state != linkUp && link.state != linkLost)) return;
    link.commandInFlight = true;
    sendPending();
}

void onReplyTimeout() {
    seat().timers.stop(Timer::reply);
    switch (link.state) {
    case linkLost:
        sendPending();
        return;
    case linkUp:
        link.state = linkLost;
        reports.lost();
        armReplyTimer();
        // The box's own message loop keeps the timers and the replies going:
        // the retries go on, and an accepted reply closes the box.
        seat().boxes.show(kLostText, kLostCaption, box::ok | box::iconExclamation);
        if (link.state != linkLost) return;  // a reply brought the link back
        seat().timers.stop(Timer::reply);
        giveUp();
        return;
    case linkStartUp:
    case linkDown:
        // Only the reply to this attempt's poll could have kept it; a port
        // already given up has nothing to give up again.
        if (link.portOpen) giveUp();
        return;
    }
}

void onReplyArrived(const std::uint8_t* reply, std::size_t n) {
    if (!replyAccepted(reply, n)) return;
    seat().timers.stop(Timer::reply);
    link.commandInFlight = false;

    switch (link.sentCommand) {
    case kPollWord: onStatus(decodeStatus(reply)); break;
    case kSetWord: onAcknowledgement(reply); break;
    default: break;
    }
}
