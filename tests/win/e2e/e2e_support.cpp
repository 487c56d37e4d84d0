#include "e2e_support.h"

#include <shlobj.h>

ProgramProcess::~ProgramProcess() {
    kill();
}

std::string quellorPath() {
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("QUELLOR_EXE", path, sizeof path) > 0) return path;
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    for (int up = 0; up < 3; ++up) folder = folder.substr(0, folder.find_last_of('\\'));
    return folder + "\\quellor.exe";
}

bool ProgramProcess::start(const std::string& currentDirectory) {
    std::string command = "\"";
    command += quellorPath();
    command += '"';
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &info_) != 0;
}

DWORD ProgramProcess::waitForExit(DWORD ms) {
    if (!info_.hProcess) return STILL_ACTIVE;
    WaitForSingleObject(info_.hProcess, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void ProgramProcess::kill() {
    if (!info_.hProcess) return;
    if (waitForExit(0) == STILL_ACTIVE) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
}

HWND waitForWindow(DWORD processId, const char* windowClass, DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    do {
        if (HWND found = findVisibleWindow(processId, windowClass)) {
            Sleep(100);  // let a dialog finish building its controls
            return found;
        }
        Sleep(50);
    } while (static_cast<int>(until - GetTickCount()) > 0);
    return nullptr;
}

void pressButton(HWND box, int id) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

std::string appDataFolder() {
    char folder[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE);
    return folder;
}

std::string settingsFilePath() {
    return appDataFolder() + "\\KRMD\\quellor.ini";
}

std::vector<unsigned char> readWholeFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

void removeSettings() {
    DeleteFileA(settingsFilePath().c_str());
    RemoveDirectoryA((appDataFolder() + "\\KRMD").c_str());
}
