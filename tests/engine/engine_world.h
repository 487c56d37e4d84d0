// The test world of the engine: one process, one simulated clock, the
// simulated thermostat on the other side of the line, and fake controls,
// boxes and files in place of the window's. A test starts the program as the
// window does (resetEngine, the controls, startEngine), acts as the operator
// would, lets simulated time pass, and checks what went on the wire, what the
// controls and boxes showed and what reached the files.
//
// The line follows the real port's rule: after each request one read of the
// expected reply length with a 200 ms time-out; only a complete read is
// delivered, at the moment its last byte arrives; whatever arrives later is
// purged by the next request. A modal box runs a nested loop in which timers
// and replies go on, as the system's own box does.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "seat.h"
#include "thermostat.h"

namespace world {

// Wall-clock seconds counted from 1 January 2000, 00:00, local time.
std::int64_t wallSeconds(int year, int month, int day, int hour, int minute, int second = 0);
LocalTime localTimeAt(std::int64_t wallSeconds);

struct Frame {
    std::int64_t atMs;         // simulated time of the write
    std::int64_t wallSeconds;  // the local clock then
    Bytes bytes;
    bool isSet() const { return bytes.size() == 5 && bytes[0] == 0x5A && bytes[1] == 0xF1; }
    std::uint16_t code() const { return static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8); }
};

struct Box {
    std::string text;
    std::string caption;  // empty: the system's own caption
    unsigned style = 0;
    std::int64_t shownMs = 0;
    std::int64_t endedMs = 0;
    int answer = 0;
    bool closedByProgram = false;  // closeBox ended it
    bool overDialog = false;       // owned by the recording's dialog
    bool ended = false;
};

// How a box is answered: with answer, after delayMs of simulated time during
// which timers and replies go on. A box the program closes itself ends then.
struct BoxReply {
    int answer = box::answerOk;
    std::int64_t delayMs = 0;
};
using BoxRule = std::function<BoxReply(const Box&)>;

// A rule from a table: the first entry whose key is part of the box's
// caption or text answers; otherwise answers the rest.
struct BoxAnswer {
    std::string key;
    BoxReply reply;
};
BoxRule answerBy(std::vector<BoxAnswer> answers, BoxReply otherwise = {});

// The recording's dialog: what the operator picks, after delayMs.
struct DialogReply {
    bool start = true;
    std::string path = "C:\\data\\bath.txt";
    std::uint8_t intervalIndex = 0;
    std::int64_t delayMs = 0;
};

struct ControlState {
    std::string text;
    bool enabled = true;
    bool visible = true;
    std::string tip;
};

struct Row {
    std::string cells[5];
    bool selected = false;
};

struct Options {
    std::int64_t startWall = wallSeconds(2030, 1, 1, 9, 59, 30);
    std::uint32_t bootTicks = 5'000'000;  // the tick count at simulated time 0
    std::vector<std::string> ports{"COM1", "COM2"};
    std::string thermostatPort = "COM1";  // the port the thermostat is on
    ThermostatConfig thermostat{};
    TemperatureCode measured = 2980;    // 25,0
    TemperatureCode maintained = 2985;  // 25,5
};

// The default world, its wall clock starting at wall.
inline Options startingAt(std::int64_t wall) {
    Options options;
    options.startWall = wall;
    return options;
}

// Thrown out of a nested loop when a kill falls inside a box's wait; the
// top-level loop catches it.
struct Killed {};

class World {
public:
    explicit World(Options options = {});
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // --- The program ------------------------------------------------------
    // The settings file's bytes; start() reads them.
    std::vector<std::uint8_t> settingsFile;
    // A program start, as the window makes one.
    void start();
    // The operator closes the window: false when closing was refused.
    bool close();
    // The process dies: state, controls, port and timers are gone; the
    // files keep what they hold.
    void kill();
    bool running() const { return running_; }

    // --- Time -------------------------------------------------------------
    std::int64_t nowMs() const { return nowMs_; }
    std::int64_t wallNow() const;
    LocalTime localNow() const { return localTimeAt(wallNow()); }
    // Lets simulated time pass, dispatching every timer and reply.
    void runFor(std::int64_t ms);
    void runUntilWall(std::int64_t wallSeconds);
    // Runs until the condition holds (checked after each event); false when
    // limitMs passed first.
    bool runUntil(const std::function<bool()>& condition, std::int64_t limitMs);
    // The wall clock jumps; the tick count runs on. Set by hand or by a time
    // server, universal time jumps with it; through a change of daylight
    // saving time (3600 s) or of time zone it runs on.
    enum class Jump { set, zone };
    void jumpClock(std::int64_t seconds, Jump kind);
    // Universal seconds, counted from the same origin as wallNow.
    std::int64_t universalNow() const;
    // The computer sleeps: time passes with nothing dispatched and nothing
    // read; each timer then fires once, as the system's timers do.
    void sleep(std::int64_t ms);
    // An action at a simulated time, run wherever the loop then is.
    void at(std::int64_t ms, std::function<void()> action);
    // A kill at this simulated time, even inside a box's wait.
    void killAt(std::int64_t ms);

    // --- The operator -----------------------------------------------------
    // Types text into a field (replacing it), as keys do; a two-digit field
    // is then left. False when the field is disabled or hidden.
    bool type(Control field, const std::string& text);
    // Clicks a button: false (and nothing happens) when disabled or hidden.
    bool click(Control button);
    void choosePort(int index);
    void clickRow(int row);
    void doubleClickRow(int row);
    void pressDelete();
    // Appends a stage through the fields and the add button.
    bool addStage(const std::string& temperature, int hours, int minutes);
    // Types a start moment into the five start fields.
    void typeStart(int day, int month, int year, int hour, int minute);

    BoxRule boxRule;  // default: every box answered OK at once
    std::function<DialogReply()> dialogRule;

    // --- What the world shows ---------------------------------------------
    Thermostat& thermostat() { return *thermostat_; }
    double seconds() const { return nowMs_ / 1000.0; }
    const std::vector<Frame>& wire() const { return wire_; }
    std::vector<Frame> setCommands(std::size_t fromIndex = 0) const;
    const std::vector<Box>& boxes() const { return boxes_; }
    std::vector<Box> boxesWithText(const std::string& part) const;
    std::size_t openBoxes() const { return boxStack_.size(); }
    const ControlState& control(Control c) const { return controls_[static_cast<int>(c)]; }
    const std::vector<Row>& rows() const { return rows_; }
    int selectedRow() const;  // -1 when none
    int selectionMark() const { return mark_; }
    Control focused() const { return focus_; }
    bool timerRunning(Timer timer) const { return timers_.count(static_cast<unsigned>(timer)) != 0; }
    bool awake() const { return awake_; }
    unsigned saves() const { return saves_; }
    unsigned repaints(Part part) const;
    // The record file: its lines without CR LF; open while recording.
    const std::vector<std::string>& recordLines() const { return recordLines_; }
    bool recordOpen() const { return recordOpen_; }
    bool failRecordWrites = false;
    // The journal's lines as handed to the writer: the day file and the text.
    struct JournalWrite {
        std::string fileName;
        std::string text;
    };
    std::vector<JournalWrite> journal;
    // The alerts: the queue file's and the settings file's text as last
    // written, each request handed to the sender, the dialog's test answers.
    std::string alertQueueFile;
    // The alerts' settings file that start() reads; none when empty.
    std::optional<std::string> alertsIni;
    std::string alertSettingsFile;
    struct Request {
        std::uint64_t id;
        std::string method;
        std::string url;
        std::string body;
    };
    std::vector<Request> requests;
    std::vector<std::string> testAnswers;
    // What the recording's dialog finds at a path (nothing unless set), and
    // what making a file there gives.
    std::map<std::string, RecordFileFound> recordFiles;
    RecordFileMade recordMaking = RecordFileMade::made;
    bool portOpen() const { return portOpen_; }
    unsigned kills() const { return kills_; }
    // Requests written while the one before was still unanswered and its
    // time-out had not passed: the conversation keeps one at a time.
    unsigned overlappingRequests() const { return overlaps_; }

    // --- The seat's side (called through the seat) -------------------------
    void writeFrame(const std::uint8_t* frame, std::size_t n, std::size_t replyLength);
    bool openPort(const char* name);
    void closePort();
    void startTimer(Timer timer, unsigned ms);
    void stopTimer(Timer timer);
    int messageBox(const char* text, const char* caption, unsigned style, bool overDialog = false);
    void closeBox(const char* caption);
    ControlState& controlRef(Control c) { return controls_[static_cast<int>(c)]; }
    void focus(Control c) { focus_ = c; }
    void repaint(Part part) { ++repaints_[static_cast<int>(part)]; }
    std::vector<Row>& rowsRef() { return rows_; }
    void setMark(int mark) { mark_ = mark; }
    void saveSettings(const SettingsRecord& record);
    bool chooseRecordFile(RecordChoice& choice);
    RecordFileMade makeRecordFile(const char* path, const char* header, std::size_t n);
    bool writeRecordLine(const char* text, std::size_t n);
    void closeRecordFile() { recordOpen_ = false; }
    void keepAwake(bool on) { awake_ = on; }
    std::uint32_t tickCount() const { return static_cast<std::uint32_t>(options_.bootTicks + nowMs_); }

private:
    struct TimerState {
        unsigned period;
        std::int64_t due;
    };
    struct Read {
        std::int64_t startedMs;
        std::size_t length;
    };
    struct Action {
        std::int64_t atMs;
        std::uint64_t order;
        std::function<void()> run;
        bool kill;
    };

    void resetControls();
    // An engine call of the operator's; a kill inside a box it opened ends
    // it here.
    void act(const std::function<void()>& action);
    // Dispatches the next event at or before limitMs; false when none was
    // left (time then stands at limitMs).
    bool step(std::int64_t limitMs);
    void deliverDueReplies();
    void wait(std::int64_t untilMs, const std::function<bool()>& done);

    Options options_;
    std::unique_ptr<Thermostat> thermostat_;
    std::int64_t nowMs_ = 0;
    std::int64_t wallOffset_ = 0;
    std::int64_t universalOffset_ = 0;
    bool running_ = false;
    unsigned kills_ = 0;
    int depth_ = 0;  // nested loops now running

    std::map<unsigned, TimerState> timers_;
    std::vector<Action> actions_;
    std::uint64_t actionOrder_ = 0;

    bool portOpen_ = false;
    std::string portName_;
    std::optional<Read> read_;
    Bytes received_;  // bytes of the line not read yet
    std::vector<Frame> wire_;
    bool answered_ = true;  // the last request's reply was delivered
    unsigned overlaps_ = 0;

    std::vector<Box> boxes_;
    std::vector<std::size_t> boxStack_;  // indexes of the boxes up, innermost last

    // One more than the controls: Control::count reaches a control of no one.
    ControlState controls_[static_cast<int>(Control::count) + 1];
    std::vector<Row> rows_;
    int mark_ = -1;
    Control focus_ = Control::count;
    unsigned repaints_[8] = {};

    unsigned saves_ = 0;
    bool awake_ = false;
    std::vector<std::string> recordLines_;
    bool recordOpen_ = false;
};

// The one world the seat's functions reach; set by World's constructor.
World& current();

// A settings file's bytes for these stages (code, hours, minutes) from the
// start moment, run flag and port index as given.
struct StageSpec {
    std::uint16_t code;
    int hours;
    int minutes;
};
std::vector<std::uint8_t> settingsBytes(const std::vector<StageSpec>& stages, const LocalTime& start, bool running,
                                        std::uint8_t portIndex = 0);

// Expected stage starts, in wall seconds, from a start and the holds; the
// last entry is the program's end.
std::vector<std::int64_t> stageStarts(std::int64_t startWall, const std::vector<StageSpec>& stages);

// Little-endian 16-bit field of a byte vector.
inline unsigned fileWord(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return bytes.size() < offset + 2 ? 0xFFFFFu : bytes[offset] | bytes[offset + 1] << 8;
}

}  // namespace world
