// Recording to a file with the real main window, the real "FileDialog" and
// the real message boxes: the operator's part is played from a second thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "main_window.h"
#include "settings/settings.h"
#include "harness.h"
#include "recording/recording.h"
#include "resource.h"
#include "window_support.h"

namespace {

constexpr char kDialogCaption[] = "Настройка параметров записи в файл";
constexpr char kBoxCaption[] = "Запись в файл";
constexpr char kChoiceTitle[] = "Открыть файл для записи температуры";

struct Find {
    const char* caption;
    HWND found;
};

BOOL CALLBACK findReady(HWND window, LPARAM parameter) {
    auto* find = reinterpret_cast<Find*>(parameter);
    if (className(window) != "#32770" || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    if (find->caption && windowText(window) != find->caption) return TRUE;
    find->found = window;
    return FALSE;
}

// The operator: for each step, waits for a dialog of the test thread with the
// caption that is visible and enabled (no box above it), lets the step look at
// it and act (by posted messages). Dialogs still open at the end are noted as
// unexpected and closed, so that a test never hangs in a modal loop.
class Operator {
public:
    struct Step {
        const char* caption;
        std::function<void(HWND)> act;
    };
    explicit Operator(std::vector<Step> steps) : steps_(std::move(steps)), threadId_(GetCurrentThreadId()) {
        thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    ~Operator() { finish(); }
    // Waits, dispatching this thread's messages, until the operator is done.
    void finish() {
        while (thread_ && MsgWaitForMultipleObjects(1, &thread_, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
            pumpMessages(0);
        if (thread_) CloseHandle(thread_);
        thread_ = nullptr;
    }
    std::size_t done = 0;
    std::vector<std::string> unexpected;

private:
    static DWORD WINAPI run(void* self) {
        auto* me = static_cast<Operator*>(self);
        HWND last = nullptr;
        for (const Step& step : me->steps_) {
            const HWND window = me->await(step.caption);
            if (!window) break;
            step.act(window);
            last = window;
            ++me->done;
        }
        // The last window acted on closes unless a box keeps it open.
        const DWORD deadline = GetTickCount() + 5000;
        while (last && IsWindow(last) && IsWindowVisible(last) && static_cast<int>(deadline - GetTickCount()) > 0)
            Sleep(20);
        for (HWND left; (left = me->await(nullptr, 300));) {
            me->unexpected.push_back(windowText(left) + ": " + boxText(left));
            PostMessageA(left, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(left, WM_COMMAND, IDNO, 0);
            Sleep(100);
        }
        return 0;
    }
    HWND await(const char* caption, DWORD ms = 5000) {
        const DWORD deadline = GetTickCount() + ms;
        while (static_cast<int>(deadline - GetTickCount()) > 0) {
            Find find{caption, nullptr};
            EnumThreadWindows(threadId_, findReady, reinterpret_cast<LPARAM>(&find));
            if (find.found) {
                Sleep(50);  // let it finish its set-up
                return find.found;
            }
            Sleep(20);
        }
        return nullptr;
    }
    std::vector<Step> steps_;
    DWORD threadId_;
    HANDLE thread_ = nullptr;
};

void press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

Operator::Step pressIn(const char* caption, int id) {
    return {caption, [id](HWND window) { press(window, id); }};
}

Operator::Step answerBox(std::string* text, int id) {
    return {kBoxCaption, [text, id](HWND box) {
                if (text) *text = boxText(box);
                press(box, id);
            }};
}

std::string tempFolder() {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string path(folder);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::string fileBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<none>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

void writeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string tipText(HWND window, HWND button) {
    char text[128] = {};
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = text;
    SendMessageA(controls().toolTip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return text;
}

const std::string kHeaderOf14May =
    "\xC4\xE0\xF2\xE0\t14.05.2026\r\n\xC2\xF0\xE5\xEC\xFF\t07:05:09\r\n\xC8\xED\xF2\xE5\xF0\xE2\xE0\xEB\t";

class Recording : public ::testing::Test {
protected:
    void SetUp() override {
        setFakeLocalTime(2026, 5, 14, 7, 5, 9);
        setFakeTicks(1000000);
        resetRecording();
        useSettingsFile(SettingsBytes{}.bytes());
        folder = tempFolder();
        path = folder + "\\quellor-record.txt";
        DeleteFileA(path.c_str());
        setStoredFile(folder, "\\quellor-record.txt", 0);
        window = openMainWindow();
        ASSERT_TRUE(IsWindow(window));
    }
    void TearDown() override {
        closeMainWindow(window);
        DeleteFileA(path.c_str());
    }
    static void setStoredFile(const std::string& storedFolder, const char* name, std::uint8_t interval) {
        setRecordChoice(storedFolder.c_str(), name, interval);
    }
    void pressRecordButton() {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(controls().recordButton));
    }
    // Starts a recording on the stored file with the interval of this index.
    void start(int interval) {
        DeleteFileA(path.c_str());
        Operator op({{kDialogCaption, [interval](HWND dialog) {
                          SendDlgItemMessageA(dialog, IDC_FILE_INTERVAL, CB_SETCURSEL, interval, 0);
                          press(dialog, IDC_FILE_START);
                      }}});
        pressRecordButton();
        op.finish();
        ASSERT_TRUE(recordingActive());
    }

    SerialPortsOverride ports{twoPorts()};
    std::string folder, path;
    HWND window = nullptr;
};

TEST_F(Recording, FirstUseOffersTheDocumentsFolderAndOneSecond) {
    closeMainWindow(window);
    useSettingsFile({}, false);
    window = openMainWindow();
    char documents[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE);

    std::string shown, interval, focused;
    int entries = 0;
    HICON icon = nullptr;
    const DWORD uiThread = GetCurrentThreadId();
    Operator op({{kDialogCaption, [&](HWND dialog) {
                      shown = windowText(GetDlgItem(dialog, IDC_FILE_PATH));
                      interval = windowText(GetDlgItem(dialog, IDC_FILE_INTERVAL));
                      entries = static_cast<int>(SendDlgItemMessageA(dialog, IDC_FILE_INTERVAL, CB_GETCOUNT, 0, 0));
                      GUITHREADINFO info = {};
                      info.cbSize = sizeof info;
                      GetGUIThreadInfo(uiThread, &info);
                      focused = windowText(info.hwndFocus);
                      icon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
                      press(dialog, IDC_FILE_CANCEL);
                  }}});
    pressRecordButton();
    op.finish();
    EXPECT_EQ(op.done, 1u);
    EXPECT_EQ(shown, std::string(documents) + "\\termo.txt");
    EXPECT_EQ(interval, "1 сек");
    EXPECT_EQ(entries, 7);
    EXPECT_EQ(focused, "Начать запись");
    EXPECT_NE(icon, nullptr);
    EXPECT_FALSE(recordingActive());
    EXPECT_EQ(windowText(controls().recordButton), "Запись в файл");
}

TEST_F(Recording, HeaderThenOneLinePerIntervalOnTheGridOfTheStart) {
    const struct {
        int index;
        const char* text;
        DWORD period;
    } intervals[] = {{0, "1 сек", 1000}, {2, "10 сек", 10000}};
    for (const auto& row : intervals) {
        SCOPED_TRACE(row.text);
        start(row.index);
        EXPECT_EQ(windowText(controls().recordButton), "Закончить запись");
        EXPECT_EQ(tipText(window, controls().recordButton), " Прекратить запись значения температуры в файл ");
        EXPECT_EQ(fileBytes(path), kHeaderOf14May + row.text + "\r\n\r\n");

        // The first value at the first tick after the dialog, then a minute of
        // 500 ms ticks with jitter; values cross zero.
        const std::int16_t values[] = {253, -125, -9, 9, 0, 600};
        std::string expected = kHeaderOf14May + row.text + "\r\n\r\n";
        const char* texts[] = {"25,3", "-12,5", "-0,9", "0,9", "0,0", "60,0"};
        int lines = 0;
        for (int tick = 0; tick <= 120; ++tick) {
            if (tick > 0) advanceFakeTicks(tick % 2 ? 530 : 470);
            const std::size_t before = fileBytes(path).size();
            recordTick(values[lines % 6]);
            if (fileBytes(path).size() == before) continue;
            expected += std::string(texts[lines % 6]) + "\r\n";
            ++lines;
        }
        EXPECT_EQ(fileBytes(path), expected);
        EXPECT_NEAR(lines, 60000 / row.period + 1, 1);
        endRecording();
    }
}

TEST_F(Recording, ExistingFileIsReplacedOnlyOnYes) {
    writeFile(path, "old lines\r\n");
    std::string firstText, secondText;
    Operator op({pressIn(kDialogCaption, IDC_FILE_START), answerBox(&firstText, IDNO),
                 pressIn(kDialogCaption, IDC_FILE_START), answerBox(&secondText, IDYES)});
    pressRecordButton();
    op.finish();
    EXPECT_EQ(op.done, 4u);
    EXPECT_EQ(firstText, "Файл\n\n\r" + path + "\n\n\rуже существует\n\rЗаменить имеющийся файл?");
    EXPECT_TRUE(recordingActive());
    EXPECT_EQ(fileBytes(path), kHeaderOf14May + "1 сек\r\n\r\n");
}

TEST_F(Recording, FileHeldByAnotherProgramOrInAMissingFolder) {
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string text;
    Operator op({pressIn(kDialogCaption, IDC_FILE_START), answerBox(&text, IDOK),
                 pressIn(kDialogCaption, IDC_FILE_CANCEL)});
    pressRecordButton();
    op.finish();
    CloseHandle(held);
    EXPECT_EQ(op.done, 3u);
    EXPECT_EQ(text, "Файл\n\n\r" + path + "\n\n\rиспользуется другим приложением.");
    EXPECT_FALSE(recordingActive());

    // A folder that is not there: no message, the dialog stays; "Отмена"
    // posted behind the start would land in any box and be seen as left over.
    setStoredFile(folder + "\\no-such-folder", "\\t.txt", 0);
    Operator missing({{kDialogCaption, [](HWND dialog) {
                           press(dialog, IDC_FILE_START);
                           press(dialog, IDC_FILE_CANCEL);
                       }}});
    pressRecordButton();
    missing.finish();
    EXPECT_TRUE(missing.unexpected.empty()) << missing.unexpected[0];
    EXPECT_FALSE(recordingActive());
}

TEST_F(Recording, ChosenFileIsStoredOnlyWhenARecordingStarts) {
    const std::string chosen = folder + "\\quellor-chosen.txt";
    writeFile(chosen, "");
    auto choose = [&](HWND choice) {
        // The file name field of the explorer-style dialog.
        SetDlgItemTextA(choice, 0x480, chosen.c_str());
        SetDlgItemTextA(choice, 0x47C, chosen.c_str());
        press(choice, IDOK);
    };
    std::string shown;
    Operator cancelled({pressIn(kDialogCaption, IDC_FILE_CHANGE), {kChoiceTitle, choose},
                        {kDialogCaption, [&](HWND dialog) {
                             shown = windowText(GetDlgItem(dialog, IDC_FILE_PATH));
                             press(dialog, IDC_FILE_CANCEL);
                         }}});
    pressRecordButton();
    cancelled.finish();
    EXPECT_EQ(shown, chosen);
    EXPECT_STREQ(settings().recordFolder, folder.c_str());
    EXPECT_STREQ(settings().recordFileName, "\\quellor-record.txt");

    Operator started({pressIn(kDialogCaption, IDC_FILE_CHANGE), {kChoiceTitle, choose},
                      {kDialogCaption, [](HWND dialog) {
                           SendDlgItemMessageA(dialog, IDC_FILE_INTERVAL, CB_SETCURSEL, 5, 0);
                           press(dialog, IDC_FILE_START);
                       }},
                      answerBox(nullptr, IDYES)});
    pressRecordButton();
    started.finish();
    EXPECT_TRUE(recordingActive());
    EXPECT_STREQ(settings().recordFolder, folder.c_str());
    EXPECT_STREQ(settings().recordFileName, "\\quellor-chosen.txt");
    EXPECT_EQ(settings().recordIntervalIndex, 5);
    endRecording();

    std::string interval;
    Operator again({{kDialogCaption, [&](HWND dialog) {
                         shown = windowText(GetDlgItem(dialog, IDC_FILE_PATH));
                         interval = windowText(GetDlgItem(dialog, IDC_FILE_INTERVAL));
                         press(dialog, IDC_FILE_CANCEL);
                     }}});
    pressRecordButton();
    again.finish();
    EXPECT_EQ(shown, chosen);
    EXPECT_EQ(interval, "5 мин");
    DeleteFileA(chosen.c_str());
}

bool openableForWriting(const std::string& file) {
    HANDLE other = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false;
    CloseHandle(other);
    return true;
}

TEST_F(Recording, StoppingAsksAndEndingClosesTheFile) {
    start(0);
    EXPECT_FALSE(openableForWriting(path));
    {
        BoxAnswerer cancel(IDCANCEL);
        pressRecordButton();
        ASSERT_EQ(cancel.boxes().size(), 1u);
        EXPECT_EQ(cancel.boxes()[0].caption, kBoxCaption);
        EXPECT_EQ(cancel.boxes()[0].text, "Запись значения температуры в файл будет прекращена.");
        EXPECT_EQ(cancel.boxes()[0].defaultButton, IDCANCEL);
    }
    EXPECT_TRUE(recordingActive());
    {
        BoxAnswerer ok(IDOK);
        pressRecordButton();
    }
    EXPECT_FALSE(recordingActive());
    EXPECT_EQ(windowText(controls().recordButton), "Запись в файл");
    EXPECT_EQ(tipText(window, controls().recordButton), " Сохранять значение температуры в файл ");
    EXPECT_TRUE(openableForWriting(path));

    // The link given up ends a recording the same way, without a word.
    start(0);
    endRecording();
    EXPECT_FALSE(recordingActive());
    EXPECT_TRUE(openableForWriting(path));
}

// The handle through which the program writes the file, found among the
// process's handles by the file's identity.
HANDLE handleWritingTo(const std::string& file) {
    HANDLE probe = CreateFileA(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION wanted = {}, info = {};
    GetFileInformationByHandle(probe, &wanted);
    HANDLE found = nullptr;
    for (std::uintptr_t value = 4; value < 0x10000 && !found; value += 4) {
        HANDLE candidate = reinterpret_cast<HANDLE>(value);
        if (candidate == probe || GetFileType(candidate) != FILE_TYPE_DISK) continue;
        if (GetFileInformationByHandle(candidate, &info) && info.nFileIndexLow == wanted.nFileIndexLow &&
            info.nFileIndexHigh == wanted.nFileIndexHigh && info.dwVolumeSerialNumber == wanted.dwVolumeSerialNumber)
            found = candidate;
    }
    CloseHandle(probe);
    return found;
}

TEST_F(Recording, AFailedWriteEndsTheRecordingWithAMessage) {
    start(0);
    recordTick(215);
    // Wine does not refuse writes into a region locked by another handle, so
    // the program's handle is swapped for a read-only one of the same value:
    // its next WriteFile fails as on a full disk or a removed medium.
    HANDLE writing = handleWritingTo(path);
    ASSERT_NE(writing, nullptr);
    CloseHandle(writing);
    // New handles take the lowest free values: open until the value comes back.
    std::vector<HANDLE> fillers;
    HANDLE readOnly = nullptr;
    while (readOnly != writing && fillers.size() < 4096) {
        readOnly = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr);
        if (readOnly != writing) fillers.push_back(readOnly);
    }
    for (HANDLE filler : fillers) CloseHandle(filler);
    ASSERT_EQ(readOnly, writing) << "the handle value did not come back";
    advanceFakeTicks(1000);
    {
        BoxAnswerer answer(IDOK);
        recordTick(216);
        ASSERT_EQ(answer.boxes().size(), 1u);
        EXPECT_EQ(answer.boxes()[0].caption, kBoxCaption);
        EXPECT_EQ(answer.boxes()[0].text, "Не удалось записать значение температуры в файл\n\n\r" + path +
                                              "\n\n\rЗапись значения температуры в файл прекращена.");
    }
    EXPECT_FALSE(recordingActive());
    EXPECT_EQ(windowText(controls().recordButton), "Запись в файл");
    // The recording closed the handle it held (here the read-only one).
    EXPECT_TRUE(openableForWriting(path));
    EXPECT_EQ(fileBytes(path), kHeaderOf14May + "1 сек\r\n\r\n21,5\r\n");
    advanceFakeTicks(1000);
    recordTick(217);
    EXPECT_EQ(fileBytes(path), kHeaderOf14May + "1 сек\r\n\r\n21,5\r\n");
}

volatile LONG givenUp = 0;

void CALLBACK giveUpLink(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    endRecording();
    InterlockedExchange(&givenUp, 1);
}

TEST_F(Recording, LinkGivenUpWhileTheDialogIsOpenLeavesNoRecording) {
    // The dialog's own loop runs the timer: the link is given up before
    // "Начать запись" is pressed.
    InterlockedExchange(&givenUp, 0);
    SetTimer(nullptr, 0, 10, giveUpLink);
    Operator op({{kDialogCaption, [](HWND dialog) {
                      const DWORD deadline = GetTickCount() + 5000;
                      while (!InterlockedCompareExchange(&givenUp, 0, 0) &&
                             static_cast<int>(deadline - GetTickCount()) > 0)
                          Sleep(10);
                      press(dialog, IDC_FILE_START);
                  }}});
    pressRecordButton();
    op.finish();
    EXPECT_EQ(givenUp, 1);
    EXPECT_FALSE(recordingActive());
    EXPECT_EQ(windowText(controls().recordButton), "Запись в файл");
    EXPECT_TRUE(openableForWriting(path));
}

}  // namespace
