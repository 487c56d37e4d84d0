#include "settings_file.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "settings/settings.h"
#include "scoped_handles.h"

namespace {

ScopedHandle settingsFile;

void appendText(char* to, unsigned size, const char* text) {
    const std::size_t used = std::strlen(to);
    if (used + std::strlen(text) < size) std::strcat(to, text);
}

}  // namespace

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
    const HANDLE file =
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    const DWORD opened = GetLastError();
    settingsFile.reset(file);
    if (!settingsFile) return false;

    if (opened == ERROR_ALREADY_EXISTS) {
        // Only the first 1556 bytes can belong to the record; a longer file
        // was written by something else and its tail is not read.
        std::uint8_t image[kSettingsMaxSize] = {};
        DWORD read = 0;
        ReadFile(settingsFile.get(), image, sizeof image, &read, nullptr);
        loadSettings(decodeSettings(image, read));
    } else {
        SettingsRecord record{};
        SHGetSpecialFolderPathA(nullptr, record.recordFolder, CSIDL_PERSONAL, FALSE);
        std::strcpy(record.recordFileName, "\\termo.txt");
        std::uint8_t header[kSettingsHeaderSize];
        encodeSettings(record, header);
        DWORD written = 0;
        WriteFile(settingsFile.get(), header, sizeof header, &written, nullptr);
        FlushFileBuffers(settingsFile.get());
        loadSettings(record);
    }
    return true;
}

void writeSettingsFile(const SettingsRecord& record) {
    if (!settingsFile) return;
    std::uint8_t image[kSettingsMaxSize];
    const std::size_t size = encodeSettings(record, image);
    SetFilePointer(settingsFile.get(), 0, nullptr, FILE_BEGIN);
    DWORD written = 0;
    WriteFile(settingsFile.get(), image, static_cast<DWORD>(size), &written, nullptr);
    // Runs are left alone for days: a change must be on the disk before the
    // next power cut, not in the system's cache.
    FlushFileBuffers(settingsFile.get());
}

void closeSettingsFile() { settingsFile.reset(); }
