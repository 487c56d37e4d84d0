#include "record_dialog.h"

#include <commdlg.h>

#include <cstring>
#include <string>

#include "settings/settings.h"
#include "startup.h"
#include "recording/record_format.h"
#include "recording/recording.h"
#include "resource.h"

namespace {

constexpr char kChoiceFilter[] = "Текстовый файл (.txt)\0*.txt\0";
constexpr char kChoiceTitle[] = "Открыть файл для записи температуры";

// A full path is at most 260 characters and its zero.
constexpr int kPathSize = 261;

struct DialogState {
    HANDLE recordFile = nullptr;  // nullptr: no record file is open
    HWND dialog = nullptr;        // the dialog while it is open
    RecordChoice* choice = nullptr;
    bool fileNameChosen = false;
    // Kept so that the name offset the file dialog returned is still there
    // when "Начать запись" is pressed.
    OPENFILENAMEA fileChoiceRecord = {};
    char chosenFile[kPathSize] = {};
};

DialogState state;

bool writeAll(HANDLE file, const std::string& text) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(text.size());
    return WriteFile(file, text.data(), size, &written, nullptr) && written == size;
}


void onInitDialog(HWND dialog) {
    state.fileNameChosen = false;
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
    state.fileNameChosen = true;
}

// "Начать запись": true when the engine made the file, with its header.
bool startRecording(HWND dialog) {
    char path[kPathSize] = {};
    GetDlgItemTextA(dialog, IDC_FILE_PATH, path, kPathSize);
    LRESULT index = SendDlgItemMessageA(dialog, IDC_FILE_INTERVAL, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= static_cast<LRESULT>(kIntervalCount)) index = 0;
    if (!startRecordFile(path, static_cast<std::uint8_t>(index))) return false;

    RecordChoice& choice = *state.choice;
    std::memcpy(choice.path, path, sizeof path);
    choice.fileChosen = state.fileNameChosen &&
                        splitRecordPath(path, state.fileChoiceRecord.nFileOffset, choice.folder, choice.fileName,
                                        kPathFieldSize);
    choice.intervalIndex = static_cast<std::uint8_t>(index);
    return true;
}

}  // namespace

bool runRecordDialog(HWND window, RecordChoice& choice) {
    state.choice = &choice;
    const INT_PTR result = DialogBoxParamA(appInstance(), "FileDialog", window, fileDialogProc, 0);
    state.choice = nullptr;
    state.dialog = nullptr;
    return result == 1 && state.recordFile;
}

bool writeRecordFile(const char* text, std::size_t n) {
    if (!state.recordFile) return false;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(n);
    return WriteFile(state.recordFile, text, size, &written, nullptr) && written == size;
}

RecordFileFound probeRecordFile(const char* path) {
    HANDLE probe = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE,
                               nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return RecordFileFound::exists;
    }
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND: return RecordFileFound::none;
    case ERROR_SHARING_VIOLATION: return RecordFileFound::held;
    default: return RecordFileFound::unreachable;
    }
}

RecordFileMade makeRecordFile(const char* path, const char* header, std::size_t n) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return RecordFileMade::notMade;
    if (!writeAll(file, std::string(header, n))) {
        CloseHandle(file);
        return RecordFileMade::headerFailed;
    }
    closeRecordFile();
    state.recordFile = file;
    return RecordFileMade::made;
}

HWND recordDialogWindow() { return state.dialog; }

void closeRecordFile() {
    if (state.recordFile) CloseHandle(state.recordFile);
    state.recordFile = nullptr;
}

INT_PTR CALLBACK fileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        state.dialog = dialog;
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
            if (!state.choice || !startRecording(dialog)) return FALSE;
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
