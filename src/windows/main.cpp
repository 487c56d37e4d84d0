// The program's entry point: one copy per desktop, the settings file, the main
// window and the message loop. Every path ends the process with exit code 0.
#include <windows.h>

#include "main_window.h"
#include "settings_file.h"
#include "startup.h"

namespace {

// A copy that already runs is brought forward instead of starting another.
bool bringRunningCopyForward() {
    HWND running = FindWindowA(kMainWindowClass, kMainWindowTitle);
    if (!running) return false;
    if (IsIconic(running)) ShowWindow(running, SW_SHOWNORMAL);
    SetForegroundWindow(running);
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (bringRunningCopyForward()) ExitProcess(0);

    HINSTANCE instance = GetModuleHandleA(nullptr);
    // Room for a folder path of up to 260 characters and both names.
    char settingsPath[MAX_PATH + 32];
    if (!prepareSettingsPath(settingsPath, sizeof settingsPath) || !openSettingsFile(settingsPath)) {
        MessageBoxA(nullptr, "Не удалось открыть или создать файл конфигурации.", nullptr, MB_OK);
        ExitProcess(0);
    }

    initAppShell(instance);
    HWND window = createMainWindow();
    if (!window) {
        // The operator cancelled the search for a port: nothing was shown
        // and nothing is saved.
        closeSettingsFile();
        ExitProcess(0);
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    mainWindowShown(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    closeSettingsFile();
    ExitProcess(0);
}
