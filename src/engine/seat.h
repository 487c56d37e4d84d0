// The seat: the one way the engine acts on the world. The engine (the link's
// conversation, the run, the stage list, the input fields, the recording and
// the settings' owner) is portable code; it writes frames, starts timers,
// shows boxes and control states, saves the settings, writes record lines,
// keeps the computer awake and reads the clock only through these functions.
// The main window sets them once at creation; the native tests set their own,
// with a simulated clock and the simulated thermostat on the other side.
// Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

struct SettingsRecord;

// The controls the engine shows state in, one of each.
enum class Control : std::uint8_t {
    portCombo,
    connectButton,
    setpointEdit,
    setButton,
    recordButton,
    runButton,
    stageList,
    stageTempEdit,
    startDayEdit,
    startMonthEdit,
    startYearEdit,
    startHourEdit,
    startMinuteEdit,
    holdHoursEdit,
    holdMinutesEdit,
    addStageButton,
    clearListButton,
    count,
};

// Areas the window draws itself from the engine's state.
enum class Part : std::uint8_t {
    linkPanel,         // the connection panel, erased first
    readout,           // the measured temperature
    setpointBox,       // the frame of the set-point field
    startMomentStrip,  // the separators between the start fields
    stageNumber,       // the number of the stage being entered, drawn at once
    stageStart,        // the start date and time of that stage, drawn at once
    chart,             // the chart window, when it is open and live
};

// Timers of the main window, each owned by one engine module; the value is
// the timer's identifier.
enum class Timer : std::uint16_t {
    exchange = 1000,      // link: the 500 ms exchange cycle
    reply = 1001,         // link: the 1 s reply time-out
    stageTooltip = 1002,  // stage list: the buttons' tooltips after edit mode
    runTooltip = 1003,    // run: the run button's tooltip follows the run
    runWaiting = 1004,    // run: a run left in the file still waits for the link
    second = 1005,        // front: each second, the chart and the alerts
};

// Message box styles and answers, with the values the system gives them.
namespace box {
constexpr unsigned ok = 0x0;
constexpr unsigned okCancel = 0x1;
constexpr unsigned retryCancel = 0x5;
constexpr unsigned yesNo = 0x4;
constexpr unsigned iconQuestion = 0x20;
constexpr unsigned iconExclamation = 0x30;
constexpr unsigned iconInformation = 0x40;
constexpr unsigned defaultButton2 = 0x100;
constexpr int answerOk = 1;
constexpr int answerCancel = 2;
constexpr int answerRetry = 4;
constexpr int answerYes = 6;
constexpr int answerNo = 7;
}  // namespace box

// Local wall-clock time to the second, with the full year.
struct LocalTime {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

// One reading of the clock: local wall-clock time and universal time, taken
// together. Universal time counts seconds from a fixed origin; only its
// differences matter, and it is not moved by a change of time zone or of
// daylight saving time.
struct ClockReading {
    LocalTime local;
    std::int64_t universalSeconds;
};

// What is found at a record file's path before it is made: no file, a file,
// a file another program holds, or a place that cannot be reached (a folder
// that is not there, an access denied).
enum class RecordFileFound : std::uint8_t { none, exists, held, unreachable };
// What making a record file gave: made with its header, made but the header
// could not be written (nothing is kept then), or not made.
enum class RecordFileMade : std::uint8_t { made, headerFailed, notMade };

// What the recording's dialog gives back: the file opened (its full path), the
// folder and name to keep when the operator picked another file, and the
// interval.
struct RecordChoice {
    char path[261];
    bool fileChosen;  // folder and fileName hold a new choice
    char folder[261];
    char fileName[261];
    std::uint8_t intervalIndex;
};

// The seat, by what each part serves.
struct Seat {
    // The line to the thermostat.
    struct Line {
        // Sends a request frame and starts waiting for a reply of
        // replyLength bytes, which comes back through onEngineReply.
        void (*writeFrame)(const std::uint8_t* frame, std::size_t n, std::size_t replyLength);
        // Opens the port of this name; false when it cannot be opened.
        bool (*openPort)(const char* name);
        void (*closePort)();
    } line;

    // The main window's timers: a started timer fires every ms until it is
    // stopped, and comes back through onEngineTimer.
    struct Timers {
        void (*start)(Timer timer, unsigned ms);
        void (*stop)(Timer timer);
    } timers;

    // The controls, the list's rows and the parts the window draws.
    struct View {
        void (*setText)(Control control, const char* text);
        void (*enable)(Control control, bool on);
        void (*show)(Control control, bool on);
        void (*focus)(Control control);
        void (*setTip)(Control control, const char* text);
        // The run button at its place, this wide.
        void (*placeRunButton)(int width);
        void (*repaint)(Part part);

        void (*insertRow)(int row, const char* number);
        void (*deleteRow)(int row);
        void (*deleteAllRows)();
        void (*setCell)(int row, int column, const char* text);
        // Selects the row, or takes its selection and focus away.
        void (*selectRow)(int row, bool selected);
        void (*ensureRowVisible)(int row);
    } view;

    // Message boxes owned by the main window.
    struct Boxes {
        // A modal box: its answer. caption may be null (the system's own
        // caption). Timers and replies go on while it is up.
        int (*show)(const char* text, const char* caption, unsigned style);
        // Closes this program's box of that caption, if one is up.
        void (*close)(const char* caption);
        // A box owned by the recording's dialog while it is open.
        int (*showOverDialog)(const char* text, const char* caption, unsigned style);
    } boxes;

    // The settings file, the record file and the journal.
    struct Files {
        // Writes the record to the settings file and flushes it to the disk.
        void (*saveSettings)(const SettingsRecord& record);
        // The recording's dialog: the operator picks the file and the
        // interval; true when the file is open with its header written, and
        // choice says what was picked. Its "Начать запись" asks the engine
        // (startRecordFile), which probes and makes the file through the two
        // below.
        bool (*chooseRecordFile)(RecordChoice& choice);
        RecordFileFound (*probeRecordFile)(const char* path);
        // Makes the file at path, replacing one there, and writes the
        // header; once made, it is the record file (the one before is
        // closed).
        RecordFileMade (*makeRecordFile)(const char* path, const char* header, std::size_t n);
        // Appends to the open record file; false when not all of it was
        // written.
        bool (*writeRecordLine)(const char* text, std::size_t n);
        void (*closeRecordFile)();
        // Hands a line of the journal (the program's text, its line break
        // included) to the writer, for the day file of that name; it never
        // waits for the disk. The writer reports through onEngineJournalWritten.
        void (*appendJournal)(const char* fileName, const char* text, std::size_t n);
        // Replaces the file of the alerts waiting for delivery, so that a
        // power cut finds either the old text or the new one.
        void (*saveAlertQueue)(const char* text, std::size_t n);
        // Writes the alerts' settings file; false when it cannot be written.
        bool (*saveAlertSettings)(const char* text, std::size_t n);
    } files;

    // The alerts' sender, a thread of its own.
    struct Net {
        // Sends one HTTP request ("POST" with a body of contentType, or
        // "GET"); the answer comes back through onEngineHttpAnswer with id.
        void (*send)(std::uint64_t id, const char* method, const char* url, const char* contentType,
                     const char* body, std::size_t n);
        // The answer to the settings dialog's test, shown in the dialog.
        void (*testAnswered)(const char* text);
    } net;

    // The system.
    struct System {
        // Asks the system not to sleep while on.
        void (*keepAwake)(bool on);
        ClockReading (*clock)();
        // Milliseconds since the system started, wrapping after 49,7 days.
        std::uint32_t (*tickCount)();
    } system;
};

// The seat the engine uses; the window (or a test) sets it before anything
// else runs.
void setSeat(const Seat& seat);
const Seat& seat();
