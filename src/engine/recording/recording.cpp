#include "recording/recording.h"

#include <cstring>
#include <string>

#include "awake.h"
#include "journal/journal.h"
#include "seat.h"
#include "texts.h"
#include "settings/settings.h"
#include "link/protocol.h"
#include "recording/record_format.h"

const char kRecordCaption[] = "Запись в файл";
// Kept whole in the program's data (not folded into the code that joins
// them), where the guide's check of its messages finds them.
extern const char kCannotWrite[] = "Не удалось записать значение температуры в файл\n\n\r";
extern const char kCannotWriteTail[] = "\n\n\rЗапись значения температуры в файл прекращена.";
extern const char kFileWord[] = "Файл\n\n\r";
extern const char kExistsTail[] = "\n\n\rуже существует\n\rЗаменить имеющийся файл?";
extern const char kSharedTail[] = "\n\n\rиспользуется другим приложением.";
extern const char kCannotCreate[] = "Не удалось создать файл\n\n\r";

namespace {

constexpr char kStopCaption[] = "Закончить запись";
constexpr char kStopQuestion[] = "Запись значения температуры в файл будет прекращена.";
constexpr char kStopTip[] = " Прекратить запись значения температуры в файл ";
constexpr char kStartTip[] = " Сохранять значение температуры в файл ";

struct RecordingState {
    bool fileOpen = false;
    bool active = false;
    RecordSchedule schedule;
    // Path of the open file, for the message when a write fails.
    char path[sizeof RecordChoice::path] = {};
    // Counts endRecording calls: one made while the dialog is open (the link
    // was given up) means the recording it starts must not go on.
    unsigned endings = 0;
};

RecordingState state;

void onWriteFailed() {
    const std::string text = recordWriteFailedText(state.path);
    // Ended before the box: the ticks its loop dispatches write nothing more.
    endRecording();
    seat().boxes.show(text.c_str(), kRecordCaption, box::ok);
}

void begin(const RecordChoice& choice) {
    const std::uint8_t index = choice.intervalIndex < kIntervalCount ? choice.intervalIndex : 0;
    setRecordChoice(choice.fileChosen ? choice.folder : nullptr, choice.fileChosen ? choice.fileName : nullptr,
                    index);
    // The folder, the name and the interval are kept for the next recording.
    saveSettings();
    state.schedule.start(seat().system.tickCount(), intervalPeriods[index]);
    std::memcpy(state.path, choice.path, sizeof state.path);
    state.path[sizeof state.path - 1] = '\0';
    state.fileOpen = true;
    // Recording alone is unattended data collection too: a sleeping computer
    // would leave a hole in it.
    keepAwakeFor(AwakeFor::recording, true);
}

}  // namespace

void showIdleRecordButton() {
    showText(Control::recordButton, kRecordCaption);
    seat().view.setTip(Control::recordButton, kStartTip);
}

void recordStep() { recordTick(measuredTenths()); }

void recordTick(std::int16_t tenths) {
    if (!state.fileOpen) return;
    // Each due value gets its line, those of missed ticks too (with the
    // newest value), so that line n keeps standing for start + n intervals.
    const std::uint64_t due = state.schedule.due(seat().system.tickCount());
    if (due == 0) return;
    const std::string line = makeValueLine(tenths);
    std::string lines;
    lines.reserve(line.size() * due);
    for (std::uint64_t i = 0; i < due; ++i) lines += line;
    if (!seat().files.writeRecordLine(lines.data(), lines.size())) onWriteFailed();
}

void endRecording() {
    ++state.endings;
    if (state.active) journalEvent("запись в файл окончена");
    if (state.fileOpen) {
        seat().files.closeRecordFile();
        state.fileOpen = false;
    }
    keepAwakeFor(AwakeFor::recording, false);
    showText(Control::recordButton, kRecordCaption);
    state.active = false;
    seat().view.setTip(Control::recordButton, kStartTip);
}

void onRecordButton() {
    if (!state.active) {
        const unsigned endings = state.endings;
        RecordChoice choice{};
        if (!seat().files.chooseRecordFile(choice)) return;
        begin(choice);
        if (endings != state.endings) {
            // The link was given up while the dialog was open.
            endRecording();
            return;
        }
        state.active = true;
        journalEvent((std::string("запись в файл начата: ") + choice.path).c_str());
        showText(Control::recordButton, kStopCaption);
        seat().view.setTip(Control::recordButton, kStopTip);
        return;
    }
    if (seat().boxes.show(kStopQuestion, kRecordCaption, box::okCancel | box::defaultButton2) == box::answerOk)
        endRecording();
}

bool recordingActive() { return state.active; }

bool startRecordFile(const char* path, std::uint8_t intervalIndex) {
    const auto ask = [path](const char* head, const char* tail, unsigned style) {
        const std::string text = head + std::string(path) + tail;
        return seat().boxes.showOverDialog(text.c_str(), kRecordCaption, style);
    };
    switch (seat().files.probeRecordFile(path)) {
    case RecordFileFound::none: break;
    case RecordFileFound::exists:
        if (ask(kFileWord, kExistsTail, box::yesNo | box::iconQuestion | box::defaultButton2) != box::answerYes)
            return false;
        break;
    case RecordFileFound::held: ask(kFileWord, kSharedTail, box::ok); return false;
    // A missing folder or a denied access: the dialog stays as it is.
    case RecordFileFound::unreachable: return false;
    }
    const LocalTime now = seat().system.clock().local;
    const RecordHeader header =
        makeRecordHeader(RecordStartTime{now.year, now.month, now.day, now.hour, now.minute, now.second},
                         intervalIndex < kIntervalCount ? intervalIndex : 0);
    const std::string text = header.dateLine + header.timeLine + header.intervalLines;
    switch (seat().files.makeRecordFile(path, text.data(), text.size())) {
    case RecordFileMade::made: return true;
    // The file was made, so what failed is a write; no recording is left.
    case RecordFileMade::headerFailed:
        seat().boxes.showOverDialog(recordWriteFailedText(path).c_str(), kRecordCaption, box::ok);
        return false;
    case RecordFileMade::notMade: ask(kCannotCreate, "", box::ok); return false;
    }
    return false;
}

std::string recordWriteFailedText(const char* path) {
    return std::string(kCannotWrite) + path + kCannotWriteTail;
}

void resetRecording() {
    keepAwakeFor(AwakeFor::recording, false);
    state = RecordingState{};
}
