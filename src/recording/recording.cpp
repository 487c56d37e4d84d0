#include "recording/recording.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "app/clock.h"
#include "app/settings.h"
#include "app/startup.h"
#include "link/protocol.h"
#include "platform/tool_info.h"
#include "recording/record_format.h"
#include "resources/resource.h"

namespace {

constexpr char kCaption[] = "Запись в файл";
constexpr char kStartCaption[] = "Закончить запись";
constexpr char kStopQuestion[] = "Запись значения температуры в файл будет прекращена.";
constexpr char kStopTip[] = " Прекратить запись значения температуры в файл ";
constexpr char kStartTip[] = " Сохранять значение температуры в файл ";
constexpr char kFileWord[] = "Файл\n\n\r";
constexpr char kExistsTail[] = "\n\n\rуже существует\n\rЗаменить имеющийся файл?";
constexpr char kSharedTail[] = "\n\n\rиспользуется другим приложением.";
constexpr char kCannotCreate[] = "Не удалось создать файл\n\n\r";
constexpr char kCannotWrite[] = "Не удалось записать значение температуры в файл\n\n\r";
constexpr char kCannotWriteTail[] = "\n\n\rЗапись значения температуры в файл прекращена.";
constexpr char kChoiceFilter[] = "Текстовый файл (.txt)\0*.txt\0";
constexpr char kChoiceTitle[] = "Открыть файл для записи температуры";

// A full path is at most 260 characters and its zero.
constexpr int kPathSize = 261;

struct RecordingState {
    HWND window = nullptr;
    HWND recordButton = nullptr;
    HWND toolTip = nullptr;
    HANDLE recordFile = nullptr;  // nullptr: no recording is written
    std::uint8_t recordingActive = kFlagOff;
    std::uint32_t recordPeriod = 1000;
    RecordSchedule schedule;
    // Path of the open file, for the message when a write fails.
    char recordPath[kPathSize] = {};

    std::uint8_t fileNameChosen = kFlagOff;
    // Global so that the name offset the file dialog returned is still there
    // when "Начать запись" is pressed.
    OPENFILENAMEA fileChoiceRecord = {};
    char chosenFile[kPathSize] = {};
    // Counts endRecording calls: one made while the dialog is open (the link
    // was given up) means the recording it starts must not go on.
    unsigned endings = 0;
};

RecordingState state;

void updateTip(const char* text) {
    if (!state.toolTip) return;
    TOOLINFOA tool = toolRecord(state.window, reinterpret_cast<UINT_PTR>(state.recordButton), text);
    SendMessageA(state.toolTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

// Writes all of text; false when the system wrote less or failed.
bool writeAll(HANDLE file, const std::string& text) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(text.size());
    return WriteFile(file, text.data(), size, &written, nullptr) && written == size;
}

bool writeHeader(HANDLE file, std::size_t intervalIndex) {
    SYSTEMTIME now;
    readLocalTime(now);
    const RecordHeader header =
        makeRecordHeader({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}, intervalIndex);
    return writeAll(file, header.dateLine) && writeAll(file, header.timeLine) && writeAll(file, header.intervalLines);
}

int askAboutFile(HWND owner, const char* head, const char* path, const char* tail, UINT flags) {
    const std::string text = std::string(head) + path + tail;
    return MessageBoxA(owner, text.c_str(), kCaption, flags);
}

void onInitDialog(HWND dialog) {
    state.fileNameChosen = kFlagOff;
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(programIcon()));
    const SettingsRecord& record = settings();
    const std::string path = std::string(record.recordFolder) + record.recordFileName;
    SetDlgItemTextA(dialog, IDC_FILE_PATH, path.c_str());
    HWND combo = GetDlgItem(dialog, IDC_FILE_INTERVAL);
    for (const char* const* text = intervalTexts; *text; ++text)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(*text));
    SendMessageA(combo, CB_SETCURSEL, record.recordIntervalIndex, 0);
    SetFocus(GetDlgItem(dialog, IDC_FILE_START));
}

// "Изменить...": the operator picks the file; the stored one changes only
// when a recording is started with it.
void onChangeFile(HWND dialog) {
    const SettingsRecord& record = settings();
    const char* name = record.recordFileName[0] == '\\' ? record.recordFileName + 1 : record.recordFileName;
    lstrcpynA(state.chosenFile, name, kPathSize);

    OPENFILENAMEA& choice = state.fileChoiceRecord;
    choice = OPENFILENAMEA{};
    // The record without the Windows 2000 additions, as the program has always
    // passed it; the named size is right in both the 32- and 64-bit builds.
    choice.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    choice.hwndOwner = dialog;
    choice.hInstance = appInstance();
    choice.lpstrFilter = kChoiceFilter;
    choice.lpstrFile = state.chosenFile;
    choice.nMaxFile = kPathSize;
    choice.lpstrInitialDir = record.recordFolder;
    choice.lpstrTitle = kChoiceTitle;
    choice.Flags = OFN_LONGNAMES | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    choice.lpstrDefExt = "txt";
    if (!GetSaveFileNameA(&choice)) return;
    SetDlgItemTextA(dialog, IDC_FILE_PATH, state.chosenFile);
    state.fileNameChosen = kFlagOn;
}

// The existence test before creating: true when the file may be created.
bool mayCreate(HWND dialog, const char* path) {
    HANDLE probe = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE,
                               nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return askAboutFile(dialog, kFileWord, path, kExistsTail, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
               IDYES;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) askAboutFile(dialog, kFileWord, path, kSharedTail, MB_OK);
    // A missing folder or a denied access: the dialog stays as it is.
    return error == ERROR_FILE_NOT_FOUND;
}

// "Начать запись": true when the file is open and its header written.
bool startRecording(HWND dialog) {
    char path[kPathSize] = {};
    GetDlgItemTextA(dialog, IDC_FILE_PATH, path, kPathSize);
    if (!mayCreate(dialog, path)) return false;

    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_ARCHIVE, nullptr);
    LRESULT index = SendDlgItemMessageA(dialog, IDC_FILE_INTERVAL, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= static_cast<LRESULT>(kIntervalCount)) index = 0;
    // A header that cannot be written leaves no recording behind.
    if (file != INVALID_HANDLE_VALUE && !writeHeader(file, static_cast<std::size_t>(index))) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    if (file == INVALID_HANDLE_VALUE) {
        askAboutFile(dialog, kCannotCreate, path, "", MB_OK);
        return false;
    }

    SettingsRecord& record = settings();
    if (state.fileNameChosen != kFlagOff)
        splitRecordPath(path, state.fileChoiceRecord.nFileOffset, record.recordFolder, record.recordFileName,
                        kPathFieldSize);
    record.recordIntervalIndex = static_cast<std::uint8_t>(index);
    state.recordPeriod = intervalPeriods[index];
    state.schedule.start(tickCount(), state.recordPeriod);
    std::memcpy(state.recordPath, path, sizeof path);
    state.recordFile = file;
    return true;
}

void onWriteFailed() {
    char path[kPathSize];
    std::memcpy(path, state.recordPath, sizeof path);
    // Ended before the box: the ticks its loop dispatches write nothing more.
    endRecording();
    askAboutFile(state.window, kCannotWrite, path, kCannotWriteTail, MB_OK);
}

}  // namespace

void initRecording(HWND window, HWND recordButton, HWND toolTip) {
    state.window = window;
    state.recordButton = recordButton;
    state.toolTip = toolTip;
}

void recordStep(HWND) { recordTick(measuredTenths()); }

void recordTick(std::int16_t tenths) {
    if (!state.recordFile) return;
    if (!state.schedule.due(tickCount())) return;
    if (!writeAll(state.recordFile, makeValueLine(tenths))) onWriteFailed();
}

void endRecording() {
    ++state.endings;
    if (state.recordFile) {
        CloseHandle(state.recordFile);
        state.recordFile = nullptr;
    }
    if (state.recordButton) SetWindowTextA(state.recordButton, kCaption);
    state.recordingActive = kFlagOff;
    updateTip(kStartTip);
}

void closeRecordFile() {
    if (state.recordFile) CloseHandle(state.recordFile);
    state.recordFile = nullptr;
    state.recordingActive = kFlagOff;
    state.window = state.recordButton = state.toolTip = nullptr;
}

void onRecordButton(HWND window) {
    if (state.recordingActive == kFlagOff) {
        const unsigned endings = state.endings;
        if (DialogBoxParamA(appInstance(), "FileDialog", window, fileDialogProc, 0) != 1) return;
        if (endings != state.endings) {
            // The link was given up while the dialog was open.
            endRecording();
            return;
        }
        state.recordingActive = kFlagOn;
        if (state.recordButton) SetWindowTextA(state.recordButton, kStartCaption);
        updateTip(kStopTip);
        return;
    }
    if (MessageBoxA(window, kStopQuestion, kCaption, MB_OKCANCEL | MB_DEFBUTTON2) == IDOK) endRecording();
}

INT_PTR CALLBACK fileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog(dialog);
        return FALSE;  // the focus stays on "Начать запись"
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_FILE_INTERVAL:
            if (HIWORD(wParam) == CBN_SELCHANGE || HIWORD(wParam) == CBN_CLOSEUP)
                SetFocus(GetDlgItem(dialog, IDC_FILE_START));
            return FALSE;
        case IDC_FILE_CHANGE: onChangeFile(dialog); return FALSE;
        case IDC_FILE_START:
            if (!startRecording(dialog)) return FALSE;
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_FILE_CANCEL:
        case IDCANCEL:  // Esc
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    }
    return FALSE;
}

bool recordingActive() { return state.recordingActive != kFlagOff; }

void resetRecording() {
    if (state.recordFile) CloseHandle(state.recordFile);
    state = RecordingState{};
}
