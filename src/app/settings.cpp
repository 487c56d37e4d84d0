#include "app/settings.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

namespace {

SettingsRecord record;
HANDLE settingsFile = INVALID_HANDLE_VALUE;

void appendText(char* to, unsigned size, const char* text) {
    const std::size_t used = std::strlen(to);
    if (used + std::strlen(text) < size) std::strcat(to, text);
}

}  // namespace

SettingsRecord& settings() { return record; }

bool prepareSettingsPath(char* path, unsigned size) {
    path[0] = '\0';
    char folder[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE);
    appendText(path, size, folder);
    appendText(path, size, "\\KRMD");
    if (!CreateDirectoryA(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    appendText(path, size, "\\quellor.ini");
    return true;
}

bool openSettingsFile(const char* path) {
    settingsFile = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (settingsFile == INVALID_HANDLE_VALUE) return false;

    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Only the first 1556 bytes can belong to the record; a longer file
        // was written by something else and its tail is not read.
        std::uint8_t image[kSettingsMaxSize] = {};
        DWORD read = 0;
        ReadFile(settingsFile, image, sizeof image, &read, nullptr);
        record = decodeSettings(image, read);
    } else {
        record = SettingsRecord{};
        SHGetSpecialFolderPathA(nullptr, record.recordFolder, CSIDL_PERSONAL, FALSE);
        std::strcpy(record.recordFileName, "\\termo.txt");
        std::uint8_t header[kSettingsHeaderSize];
        encodeSettings(record, header);
        DWORD written = 0;
        WriteFile(settingsFile, header, sizeof header, &written, nullptr);
        FlushFileBuffers(settingsFile);
    }
    return true;
}

void saveSettings() {
    if (settingsFile == INVALID_HANDLE_VALUE) return;
    std::uint8_t image[kSettingsMaxSize];
    const std::size_t size = encodeSettings(record, image);
    SetFilePointer(settingsFile, 0, nullptr, FILE_BEGIN);
    DWORD written = 0;
    WriteFile(settingsFile, image, static_cast<DWORD>(size), &written, nullptr);
    // Runs are left alone for days: a change must be on the disk before the
    // next power cut, not in the system's cache.
    FlushFileBuffers(settingsFile);
}

void closeSettingsFile() {
    if (settingsFile != INVALID_HANDLE_VALUE) CloseHandle(settingsFile);
    settingsFile = INVALID_HANDLE_VALUE;
}
