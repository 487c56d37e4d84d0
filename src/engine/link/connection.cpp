#include "link/connection.h"

#include <cstring>
#include <string>

#include "seat.h"
#include "journal/journal.h"
#include "link/protocol.h"
#include "settings/settings.h"

// The message's two parts, kept whole in the program's data (a text the
// compiler folds into code is not one the guide's check can find).
extern const char kOpenFailedStart[] = "Не могу открыть порт ";
extern const char kOpenFailedEnd[] = ".\n\rПорт отсутствует или\n\rзанят другим приложением.";

namespace {

// A name is kept to this length for the message that names it.
constexpr std::size_t kNameLength = 255;
constexpr char kNoPortYet[] = "COM100";

struct PortChoice {
    std::vector<std::string> names;
    std::string kept = kNoPortYet;
};
PortChoice ports;

}  // namespace

void setPortNames(std::vector<std::string> names) { ports.names = std::move(names); }

bool savedPortListed() { return settings().portIndex < ports.names.size(); }

const char* choosePortName() {
    if (savedPortListed()) ports.kept = ports.names[settings().portIndex].substr(0, kNameLength);
    return ports.kept.c_str();
}

void resetConnection() { ports = PortChoice{}; }

bool connectPort(const char* portName) {
    journalEvent((std::string("подключение к порту ") + portName).c_str());
    if (!startConnection(portName)) {
        journalEvent((std::string("порт ") + portName + " не открывается").c_str());
        return false;
    }
    seat().view.enable(Control::connectButton, false);
    seat().view.enable(Control::portCombo, false);
    return true;
}

void onConnectButton() {
    const std::string portName = choosePortName();
    // Once open, the first reply or its time-out carries the attempt on.
    if (connectPort(portName.c_str())) return;
    const std::string text = kOpenFailedStart + portName + kOpenFailedEnd;
    seat().boxes.show(text.c_str(), nullptr, box::ok);
}
