#include "alerts_files.h"

#include <windows.h>
#include <shlobj.h>

#include "scoped_handles.h"

namespace {

std::string folderOf(int which) {
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, which, TRUE)) return {};
    const std::string folder = std::string(path) + "\\KRMD";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool readFile(const std::string& path, std::string& bytes) {
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    LARGE_INTEGER size{};
    // Neither file is ever near this large; a larger one is not ours.
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 16 * 1024 * 1024) return false;
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return false;
    bytes.resize(read);
    return true;
}

// Written beside, flushed, then put in the file's place in one step.
bool replaceFile(const std::string& path, const char* text, std::size_t n) {
    if (path.empty()) return false;
    const std::string fresh = path + ".new";
    {
        ScopedHandle file(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        if (!file.valid()) return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), text, static_cast<DWORD>(n), &written, nullptr) || written != n) return false;
        FlushFileBuffers(file.get());
    }
    return MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::string settingsPath() {
    const std::string folder = folderOf(CSIDL_APPDATA);
    return folder.empty() ? folder : folder + "\\alerts.ini";
}

std::string queuePath() {
    const std::string folder = folderOf(CSIDL_LOCAL_APPDATA);
    return folder.empty() ? folder : folder + "\\alerts-queue.txt";
}

}  // namespace

bool readAlertsSettings(std::string& bytes) { return readFile(settingsPath(), bytes); }
bool readAlertsQueue(std::string& bytes) { return readFile(queuePath(), bytes); }
bool writeAlertsSettings(const char* text, std::size_t n) { return replaceFile(settingsPath(), text, n); }
void writeAlertsQueue(const char* text, std::size_t n) { replaceFile(queuePath(), text, n); }

std::string computerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}
