#include "engine_world.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "front.h"
#include "settings/settings.h"
#include "settings/settings_record.h"
#include "link/connection.h"
#include "link/frames.h"
#include "program/input_rules.h"
#include "recording/record_format.h"
#include "recording/recording.h"

namespace world {
namespace {

World* theWorld = nullptr;

// The real port: one read of the reply's length ends 200 ms after it starts.
constexpr std::int64_t kReadTimeoutMs = 200;

// Days from 1 January 2000 of a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = static_cast<int>(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 - 10957;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

bool isTwoDigitField(Control c) {
    switch (c) {
    case Control::startDayEdit:
    case Control::startMonthEdit:
    case Control::startYearEdit:
    case Control::startHourEdit:
    case Control::startMinuteEdit:
    case Control::holdHoursEdit:
    case Control::holdMinutesEdit: return true;
    default: return false;
    }
}


void putWord(std::vector<std::uint8_t>& bytes, std::size_t offset, unsigned value) {
    bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The seat: every function hands its call to the world.
Seat worldSeat() {
    return Seat{
        .line = {
            .writeFrame = [](const std::uint8_t* f, std::size_t n, std::size_t r) { current().writeFrame(f, n, r); },
            .openPort = [](const char* name) { return current().openPort(name); },
            .closePort = [] { current().closePort(); },
        },
        .timers = {
            .start = [](Timer t, unsigned ms) { current().startTimer(t, ms); },
            .stop = [](Timer t) { current().stopTimer(t); },
        },
        .view = {
            .setText = [](Control c, const char* text) { current().controlRef(c).text = text; },
            .enable = [](Control c, bool on) { current().controlRef(c).enabled = on; },
            .show = [](Control c, bool on) { current().controlRef(c).visible = on; },
            .focus = [](Control c) { current().focus(c); },
            .setTip = [](Control c, const char* text) { current().controlRef(c).tip = text; },
            .placeRunButton = [](int) {},
            .repaint = [](Part part) { current().repaint(part); },
            .insertRow = [](int row, const char* number) {
                auto& rows = current().rowsRef();
                if (row < 0 || row > static_cast<int>(rows.size())) return;
                Row added;
                added.cells[0] = number;
                rows.insert(rows.begin() + row, added);
                if (current().selectionMark() >= row) current().setMark(current().selectionMark() + 1);
            },
            .deleteRow = [](int row) {
                auto& rows = current().rowsRef();
                if (row < 0 || row >= static_cast<int>(rows.size())) return;
                rows.erase(rows.begin() + row);
                const int mark = current().selectionMark();
                if (mark == row) current().setMark(-1);
                else if (mark > row) current().setMark(mark - 1);
            },
            .deleteAllRows = [] {
                current().rowsRef().clear();
                current().setMark(-1);
            },
            .setCell = [](int row, int column, const char* text) {
                auto& rows = current().rowsRef();
                if (row >= 0 && row < static_cast<int>(rows.size()) && column >= 0 && column < 5)
                    rows[row].cells[column] = text;
            },
            .selectRow = [](int row, bool selected) {
                auto& rows = current().rowsRef();
                if (row < 0 || row >= static_cast<int>(rows.size())) return;
                // A single-selection list: selecting one row takes the others'.
                if (selected)
                    for (Row& r : rows) r.selected = false;
                rows[row].selected = selected;
            },
            .ensureRowVisible = [](int) {},
        },
        .boxes = {
            .show = [](const char* text, const char* caption, unsigned style) {
                return current().messageBox(text, caption, style);
            },
            .close = [](const char* caption) { current().closeBox(caption); },
            .showOverDialog = [](const char* text, const char* caption, unsigned style) {
                return current().messageBox(text, caption, style, true);
            },
        },
        .files = {
            .saveSettings = [](const SettingsRecord& record) { current().saveSettings(record); },
            .chooseRecordFile = [](RecordChoice& choice) { return current().chooseRecordFile(choice); },
            .probeRecordFile = [](const char* path) {
                const auto found = current().recordFiles.find(path);
                return found == current().recordFiles.end() ? RecordFileFound::none : found->second;
            },
            .makeRecordFile = [](const char* path, const char* header, std::size_t n) {
                return current().makeRecordFile(path, header, n);
            },
            .writeRecordLine = [](const char* text, std::size_t n) { return current().writeRecordLine(text, n); },
            .closeRecordFile = [] { current().closeRecordFile(); },
            .appendJournal = [](const char* fileName, const char* text, std::size_t n) {
                current().journal.push_back({fileName, std::string(text, n)});
            },
            .saveAlertQueue = [](const char* text, std::size_t n) { current().alertQueueFile.assign(text, n); },
            .saveAlertSettings = [](const char* text, std::size_t n) {
                current().alertSettingsFile.assign(text, n);
                return true;
            },
        },
        .net = {
            .send = [](std::uint64_t id, const char* method, const char* url, const char*, const char* body,
                       std::size_t n) { current().requests.push_back({id, method, url, std::string(body, n)}); },
            .testAnswered = [](const char* text) { current().testAnswers.push_back(text); },
        },
        .system = {
            .keepAwake = [](bool on) { current().keepAwake(on); },
            .clock = [] { return ClockReading{current().localNow(), current().universalNow()}; },
            .tickCount = [] { return current().tickCount(); },
        },
    };
}

// Ends a loop level however it is left, a kill's throw included.
struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(d) { ++depth; }
    ~Depth() { --depth; }
};

}  // namespace

std::int64_t wallSeconds(int year, int month, int day, int hour, int minute, int second) {
    return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

LocalTime localTimeAt(std::int64_t wall) {
    const std::int64_t days = floorDiv(wall, 86400);
    const std::int64_t rest = wall - days * 86400;
    const std::int64_t z = days + 10957 + 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const int doe = static_cast<int>(z - era * 146097);
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    const int day = doy - (153 * mp + 2) / 5 + 1;
    const int month = mp < 10 ? mp + 3 : mp - 9;
    const int year = static_cast<int>(yoe + era * 400) + (month <= 2);
    return LocalTime{year, month, day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                     static_cast<int>(rest % 60)};
}

World& current() {
    if (!theWorld) throw std::logic_error("no test world");
    return *theWorld;
}

World::World(Options options) : options_(std::move(options)) {
    thermostat_ = std::make_unique<Thermostat>(options_.thermostat, options_.measured, options_.maintained, 0.0,
                                               [](const std::string&) {});
    theWorld = this;
    setSeat(worldSeat());
    settingsFile.assign(kSettingsHeaderSize, 0);
}

World::~World() {
    if (theWorld == this) theWorld = nullptr;
}

// --- The program ----------------------------------------------------------

void World::resetControls() {
    // The controls as the window creates them.
    struct Initial {
        Control control;
        const char* text;
        bool enabled;
    };
    static const Initial initial[] = {
        {Control::connectButton, "Подключиться", true}, {Control::setButton, "Установить", false},
        {Control::recordButton, "", false},             {Control::runButton, "", false},
    };
    for (ControlState& c : controls_) c = ControlState{};
    for (const Initial& i : initial) {
        controlRef(i.control).text.assign(i.text);
        controlRef(i.control).enabled = i.enabled;
    }
    controlRef(Control::setButton).tip.assign(" Установить температуру в термостате ");
    rows_.clear();
    mark_ = -1;
    focus_ = Control::count;
}

void World::start() {
    loadSettings(decodeSettings(settingsFile.data(), settingsFile.size()));
    setSeat(worldSeat());
    resetEngine();
    resetControls();
    setPortNames(options_.ports);
    const std::string ini = alertsIni.value_or("");
    setEngineAlertFiles(alertsIni.has_value(), ini.data(), ini.size(), alertQueueFile.data(), alertQueueFile.size(),
                        "LAB-PC");
    running_ = true;
    act([&] {
        startEngine();
        onEngineWindowShown();
    });
}

bool World::close() {
    bool allowed = false;
    act([&] { allowed = running_ && closeAllowed(); });
    if (!allowed) return false;
    stopEngine();
    recordOpen_ = false;
    closePort();
    timers_.clear();
    awake_ = false;
    running_ = false;
    return true;
}

void World::kill() {
    running_ = false;
    ++kills_;
    timers_.clear();
    closePort();
    recordOpen_ = false;
    awake_ = false;
    for (std::size_t i : boxStack_) boxes_[i].ended = true;
    boxStack_.clear();
    resetControls();
}

void World::act(const std::function<void()>& action) {
    try {
        action();
    } catch (const Killed&) {
        kill();
    }
}

// --- Time -----------------------------------------------------------------

std::int64_t World::wallNow() const { return options_.startWall + floorDiv(nowMs_, 1000) + wallOffset_; }

void World::jumpClock(std::int64_t seconds, Jump kind) {
    wallOffset_ += seconds;
    if (kind == Jump::set) universalOffset_ += seconds;
}

std::int64_t World::universalNow() const {
    // Counted from 01.01.1601 as the system's clock counts it; the wall clock
    // of the world counts from 01.01.2000, in a zone of UTC.
    constexpr std::int64_t kSecondsFrom1601To2000 = 145'731LL * 86'400;
    return kSecondsFrom1601To2000 + options_.startWall + floorDiv(nowMs_, 1000) + universalOffset_;
}

void World::sleep(std::int64_t ms) {
    nowMs_ += ms;
    thermostat_->takeDueReplies(seconds() + 1e-5);
    read_.reset();
    received_.clear();
    for (auto& [id, timer] : timers_) timer.due = std::max(timer.due, nowMs_);
}

void World::at(std::int64_t ms, std::function<void()> action) {
    actions_.push_back(Action{ms, actionOrder_++, std::move(action), false});
}

void World::killAt(std::int64_t ms) { actions_.push_back(Action{ms, actionOrder_++, {}, true}); }

void World::deliverDueReplies() {
    for (Bytes& reply : thermostat_->takeDueReplies(seconds() + 1e-5)) {
        // A line without the program's port open carries nothing to it.
        if (portOpen_) received_.insert(received_.end(), reply.begin(), reply.end());
    }
    if (!read_ || received_.size() < read_->length) return;
    const Bytes reply(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(read_->length));
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(read_->length));
    read_.reset();
    answered_ = true;
    if (running_) onEngineReply(reply.data(), reply.size());
}

bool World::step(std::int64_t limitMs) {
    enum class Kind { none, action, reply, readEnd, timer };
    Kind kind = Kind::none;
    std::int64_t when = limitMs + 1;
    std::size_t actionIndex = 0;
    unsigned timerId = 0;

    for (std::size_t i = 0; i < actions_.size(); ++i) {
        const Action& a = actions_[i];
        if (a.atMs < when || (kind == Kind::action && a.atMs == when && a.order < actions_[actionIndex].order)) {
            when = a.atMs;
            kind = Kind::action;
            actionIndex = i;
        }
    }
    if (const auto due = thermostat_->nextReplyDue()) {
        // Rounded up to the millisecond, so that the reply is due then.
        const auto ms = static_cast<std::int64_t>(std::ceil(*due * 1000.0 - 1e-3));
        if (ms < when) {
            when = ms;
            kind = Kind::reply;
        }
    }
    if (read_ && read_->startedMs + kReadTimeoutMs < when) {
        when = read_->startedMs + kReadTimeoutMs;
        kind = Kind::readEnd;
    }
    for (const auto& [id, timer] : timers_) {
        if (timer.due < when) {
            when = timer.due;
            kind = Kind::timer;
            timerId = id;
        }
    }
    if (kind == Kind::none) {
        nowMs_ = std::max(nowMs_, limitMs);
        return false;
    }
    nowMs_ = std::max(nowMs_, when);

    switch (kind) {
    case Kind::action: {
        Action action = std::move(actions_[actionIndex]);
        actions_.erase(actions_.begin() + static_cast<std::ptrdiff_t>(actionIndex));
        if (!action.kill) {
            action.run();
        } else if (depth_ > 0) {
            throw Killed{};
        } else {
            kill();
        }
        break;
    }
    case Kind::reply: deliverDueReplies(); break;
    case Kind::readEnd:
        // A short read is dropped, with the bytes it took.
        read_.reset();
        received_.clear();
        break;
    case Kind::timer: {
        TimerState& timer = timers_[timerId];
        timer.due += timer.period;
        if (running_) onEngineTimer(timerId);
        break;
    }
    case Kind::none: break;
    }
    return true;
}

bool World::runUntil(const std::function<bool()>& condition, std::int64_t limitMs) {
    const std::int64_t end = nowMs_ + limitMs;
    while (!condition()) {
        try {
            if (!step(end)) return condition();
        } catch (const Killed&) {
            kill();
        }
    }
    return true;
}

void World::runFor(std::int64_t ms) {
    runUntil([] { return false; }, ms);
}

void World::runUntilWall(std::int64_t wall) {
    runUntil([&] { return wallNow() >= wall; }, std::max<std::int64_t>(0, (wall - wallNow()) * 1000 + 1000));
}

void World::wait(std::int64_t untilMs, const std::function<bool()>& done) {
    Depth level(depth_);
    while (!done() && step(untilMs)) {
    }
}

// --- The operator -----------------------------------------------------------

bool World::type(Control field, const std::string& text) {
    ControlState& c = controlRef(field);
    if (!running_ || !c.enabled || !c.visible) return false;
    std::string kept;
    if (isTwoDigitField(field)) {
        for (char ch : text)
            if (ch >= '0' && ch <= '9' && kept.size() < 2) kept += ch;
    } else {
        for (char ch : text) {
            const int k = temperatureFieldChar(static_cast<unsigned char>(ch));
            if (k > 0 && kept.size() < 4) kept += static_cast<char>(k);
        }
    }
    c.text = kept;
    act([field, kept] {
        onEngineTextChanged(field, kept.c_str());
        if (isTwoDigitField(field)) onEngineFieldLeft(field);
    });
    return true;
}

bool World::click(Control button) {
    const ControlState& c = control(button);
    if (!running_ || !c.enabled || !c.visible) return false;
    act([&] { onEngineButton(button); });
    return true;
}

void World::choosePort(int index) {
    act([index] { onPortChosen(index); });
}

void World::clickRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    for (Row& r : rows_) r.selected = false;
    rows_[row].selected = true;
    mark_ = row;
    act([row] { onEngineRowMarked(row); });
}

void World::doubleClickRow(int row) {
    clickRow(row);
    act([] { onEngineStageDoubleClick(); });
}

void World::pressDelete() {
    act([] { onEngineStageDeleteKey(); });
}

bool World::addStage(const std::string& temperature, int hours, int minutes) {
    type(Control::stageTempEdit, temperature);
    type(Control::holdHoursEdit, std::to_string(hours));
    type(Control::holdMinutesEdit, std::to_string(minutes));
    return click(Control::addStageButton);
}

void World::typeStart(int day, int month, int year, int hour, int minute) {
    const std::pair<Control, int> fields[] = {{Control::startDayEdit, day},
                                              {Control::startMonthEdit, month},
                                              {Control::startYearEdit, year % 100},
                                              {Control::startHourEdit, hour},
                                              {Control::startMinuteEdit, minute}};
    for (const auto& [field, value] : fields) type(field, std::to_string(value));
}

// --- What the world shows ---------------------------------------------------

std::vector<Frame> World::setCommands(std::size_t fromIndex) const {
    std::vector<Frame> found;
    for (std::size_t i = fromIndex; i < wire_.size(); ++i)
        if (wire_[i].isSet()) found.push_back(wire_[i]);
    return found;
}

std::vector<Box> World::boxesWithText(const std::string& part) const {
    std::vector<Box> found;
    for (const Box& b : boxes_)
        if (b.text.find(part) != std::string::npos) found.push_back(b);
    return found;
}

int World::selectedRow() const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].selected) return static_cast<int>(i);
    return -1;
}

unsigned World::repaints(Part part) const { return repaints_[static_cast<int>(part)]; }

// --- The seat's side --------------------------------------------------------

void World::writeFrame(const std::uint8_t* frame, std::size_t n, std::size_t replyLength) {
    if (!portOpen_) return;
    constexpr std::int64_t kReplyTimeoutMs = 1000;
    if (!answered_ && !wire_.empty() && nowMs_ - wire_.back().atMs < kReplyTimeoutMs) ++overlaps_;
    answered_ = false;
    // The request purges whatever arrived since the last read.
    received_.clear();
    wire_.push_back(Frame{nowMs_, wallNow(), Bytes(frame, frame + n)});
    read_ = Read{nowMs_, replyLength};
    if (portName_ == options_.thermostatPort) thermostat_->receive(frame, n, seconds());
}

bool World::openPort(const char* name) {
    if (std::find(options_.ports.begin(), options_.ports.end(), name) == options_.ports.end()) return false;
    closePort();
    portOpen_ = true;
    portName_ = name;
    return true;
}

void World::closePort() {
    portOpen_ = false;
    answered_ = true;
    read_.reset();
    received_.clear();
}

void World::startTimer(Timer timer, unsigned ms) { timers_[static_cast<unsigned>(timer)] = TimerState{ms, nowMs_ + ms}; }

void World::stopTimer(Timer timer) { timers_.erase(static_cast<unsigned>(timer)); }

int World::messageBox(const char* text, const char* caption, unsigned style, bool overDialog) {
    Box shown;
    shown.overDialog = overDialog;
    shown.text = text;
    shown.caption = caption ? caption : "";
    shown.style = style;
    shown.shownMs = nowMs_;
    const BoxReply reply = boxRule ? boxRule(shown) : BoxReply{};
    const std::size_t index = boxes_.size();
    boxes_.push_back(shown);
    if (reply.delayMs > 0) {
        boxStack_.push_back(index);
        wait(nowMs_ + reply.delayMs, [this, index] { return boxes_[index].ended; });
        boxStack_.erase(std::remove(boxStack_.begin(), boxStack_.end(), index), boxStack_.end());
    }
    Box& b = boxes_[index];
    if (!b.ended) b.answer = reply.answer;
    b.ended = true;
    b.endedMs = nowMs_;
    return b.answer;
}

void World::closeBox(const char* caption) {
    for (auto it = boxStack_.rbegin(); it != boxStack_.rend(); ++it) {
        Box& b = boxes_[*it];
        if (b.caption != caption || b.ended) continue;
        // Closing a box ends it as Escape would: Cancel where it has one.
        const unsigned buttons = b.style & 0xF;
        b.answer = buttons == box::okCancel || buttons == box::retryCancel ? box::answerCancel : box::answerOk;
        b.closedByProgram = true;
        b.ended = true;
        return;
    }
}

void World::saveSettings(const SettingsRecord& record) {
    std::vector<std::uint8_t> bytes(kSettingsMaxSize);
    bytes.resize(encodeSettings(record, bytes.data()));
    if (settingsFile.size() < bytes.size()) settingsFile.resize(bytes.size());
    std::copy(bytes.begin(), bytes.end(), settingsFile.begin());
    ++saves_;
}

bool World::chooseRecordFile(RecordChoice& choice) {
    if (!dialogRule) return false;
    const DialogReply reply = dialogRule();
    if (reply.delayMs > 0) wait(nowMs_ + reply.delayMs, [] { return false; });
    // "Начать запись" once; a file that is not made leaves the dialog, which
    // the operator then cancels.
    if (!reply.start || reply.path.size() >= sizeof choice.path) return false;
    if (!startRecordFile(reply.path.c_str(), reply.intervalIndex)) return false;
    choice = RecordChoice{};
    std::strcpy(choice.path, reply.path.c_str());
    const std::size_t slash = reply.path.rfind('\\');
    choice.fileChosen = slash != std::string::npos;
    if (choice.fileChosen) {
        std::strcpy(choice.folder, reply.path.substr(0, slash).c_str());
        std::strcpy(choice.fileName, reply.path.substr(slash).c_str());
    }
    choice.intervalIndex = reply.intervalIndex;
    return true;
}

RecordFileMade World::makeRecordFile(const char* path, const char* header, std::size_t n) {
    if (recordMaking != RecordFileMade::made) return recordMaking;
    recordLines_.clear();
    const std::string all(header, n);
    for (std::size_t from = 0, end; (end = all.find("\r\n", from)) != std::string::npos; from = end + 2)
        recordLines_.push_back(all.substr(from, end - from));
    recordFiles[path] = RecordFileFound::exists;
    recordOpen_ = true;
    return RecordFileMade::made;
}

bool World::writeRecordLine(const char* text, std::size_t n) {
    if (!recordOpen_ || failRecordWrites) return false;
    // One write may hold several lines; every line the program writes ends
    // with CR LF, and a rest without one shows as it is, with a mark.
    const std::string all(text, n);
    std::size_t from = 0;
    for (std::size_t end; (end = all.find("\r\n", from)) != std::string::npos; from = end + 2)
        recordLines_.push_back(all.substr(from, end - from));
    if (from < all.size()) recordLines_.push_back(all.substr(from) + "<no CR LF>");
    return true;
}

BoxRule answerBy(std::vector<BoxAnswer> answers, BoxReply otherwise) {
    return [answers = std::move(answers), otherwise](const Box& b) {
        for (const BoxAnswer& a : answers)
            if (b.caption.find(a.key) != std::string::npos || b.text.find(a.key) != std::string::npos) return a.reply;
        return otherwise;
    };
}

// --- Helpers ------------------------------------------------------------------

std::vector<std::uint8_t> settingsBytes(const std::vector<StageSpec>& stages, const LocalTime& start, bool running,
                                        std::uint8_t portIndex) {
    // The file's layout, written out by hand: the header of 536 bytes, then
    // four bytes a stage (code, minutes, hours).
    std::vector<std::uint8_t> bytes(536 + 4 * stages.size(), 0);
    bytes[0] = portIndex;
    bytes[1] = running ? 0xFF : 0x00;
    bytes[2] = static_cast<std::uint8_t>(stages.size());
    putWord(bytes, 3, static_cast<unsigned>(start.year - 2000));
    putWord(bytes, 5, static_cast<unsigned>(start.month));
    putWord(bytes, 7, static_cast<unsigned>(start.day));
    putWord(bytes, 9, static_cast<unsigned>(start.hour));
    putWord(bytes, 11, static_cast<unsigned>(start.minute));
    const char folder[] = "C:\\data";
    const char name[] = "\\bath.txt";
    std::memcpy(&bytes[14], folder, sizeof folder);
    std::memcpy(&bytes[275], name, sizeof name);
    for (std::size_t i = 0; i < stages.size(); ++i) {
        putWord(bytes, 536 + 4 * i, stages[i].code);
        bytes[536 + 4 * i + 2] = static_cast<std::uint8_t>(stages[i].minutes);
        bytes[536 + 4 * i + 3] = static_cast<std::uint8_t>(stages[i].hours);
    }
    return bytes;
}

std::vector<std::int64_t> stageStarts(std::int64_t startWall, const std::vector<StageSpec>& stages) {
    std::vector<std::int64_t> starts{startWall};
    for (const StageSpec& s : stages) starts.push_back(starts.back() + (s.hours * 60 + s.minutes) * 60);
    return starts;
}

}  // namespace world
