#include "journal_writer.h"

#include <shlobj.h>

#include <deque>
#include <string>

#include "journal/journal_format.h"
#include "scoped_handles.h"
#include "text_code.h"

namespace {

// Files reach the disk this often at most apart, while lines come.
constexpr DWORD kFlushEveryMs = 30'000;
// Lines kept while the disk refuses them: about two days of readings; older
// ones go first beyond that.
constexpr std::size_t kMostPending = 200'000;

struct PendingLine {
    std::string fileName;
    std::string text;
};

struct Writer {
    CRITICAL_SECTION lock;
    bool lockMade = false;
    std::deque<PendingLine> queue;  // under lock
    bool stopping = false;          // under lock
    ScopedHandle wake;
    ScopedHandle thread;
    HWND window = nullptr;

    // The writer thread's own.
    std::string folder;
    std::string openName;
    ScopedHandle file;
    DWORD lastFlush = 0;
    bool unflushed = false;
    bool reportedOk = true;
};
Writer writer;

bool makeFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool writeAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Opens the day file for appending, with what must come before its first
// line: the mark and the header in a new file, a line break after a line
// that a crash tore.
bool openDayFile(const std::string& name) {
    writer.file.reset();
    writer.openName.clear();
    if (writer.folder.empty()) return false;
    const std::string top = writer.folder.substr(0, writer.folder.rfind('\\'));
    if (!makeFolder(top) || !makeFolder(writer.folder)) return false;
    const std::string path = writer.folder + "\\" + name;
    // Others may read the journal while it is written, not write it.
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return false;
    char last = '\n';
    if (size.QuadPart > 0) {
        LARGE_INTEGER at{};
        at.QuadPart = size.QuadPart - 1;
        DWORD read = 0;
        if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) || !ReadFile(file.get(), &last, 1, &read, nullptr) ||
            read != 1)
            return false;
    }
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file.get(), end, nullptr, FILE_END)) return false;
    const std::string prefix = journalAppendPrefix(static_cast<std::uint64_t>(size.QuadPart), last);
    std::string bytes;
    if (size.QuadPart == 0) bytes = "\xEF\xBB\xBF";
    bytes += programToUtf8(prefix.data(), prefix.size());
    if (!bytes.empty() && !writeAll(file.get(), bytes)) return false;
    writer.file = std::move(file);
    writer.openName = name;
    return true;
}

bool writeLine(const PendingLine& line) {
    if (line.fileName != writer.openName || !writer.file.valid()) {
        if (!openDayFile(line.fileName)) return false;
    }
    if (writeAll(writer.file.get(), programToUtf8(line.text.data(), line.text.size()))) return true;
    // A write that failed half-way leaves a torn line; the next opening
    // starts a new line after it.
    writer.file.reset();
    writer.openName.clear();
    return false;
}

void report(bool ok) {
    if (ok == writer.reportedOk) return;
    writer.reportedOk = ok;
    PostMessageA(writer.window, JournalWritten, ok ? 1 : 0, 0);
}

// Writes what is queued; what the disk refused stays at the front of the
// queue for the next round.
bool writeQueued() {
    for (;;) {
        EnterCriticalSection(&writer.lock);
        if (writer.queue.empty()) {
            LeaveCriticalSection(&writer.lock);
            return true;
        }
        PendingLine line = writer.queue.front();
        LeaveCriticalSection(&writer.lock);
        if (!writeLine(line)) return false;
        writer.unflushed = true;
        EnterCriticalSection(&writer.lock);
        writer.queue.pop_front();
        LeaveCriticalSection(&writer.lock);
    }
}

void flushIfDue(bool now) {
    if (!writer.unflushed || !writer.file.valid()) return;
    if (!now && GetTickCount() - writer.lastFlush < kFlushEveryMs) return;
    FlushFileBuffers(writer.file.get());
    writer.lastFlush = GetTickCount();
    writer.unflushed = false;
}

DWORD WINAPI writerThread(void*) {
    writer.lastFlush = GetTickCount();
    for (;;) {
        WaitForSingleObject(writer.wake.get(), 1000);
        const bool ok = writeQueued();
        report(ok);
        EnterCriticalSection(&writer.lock);
        const bool stopping = writer.stopping;
        LeaveCriticalSection(&writer.lock);
        flushIfDue(stopping);
        if (stopping) break;
    }
    writer.file.reset();
    return 0;
}

}  // namespace

std::string journalFolder() {
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_LOCAL_APPDATA, TRUE)) return {};
    return std::string(path) + "\\KRMD\\journal";
}

void startJournalWriter(HWND window) {
    if (writer.thread.valid()) return;
    if (!writer.lockMade) {
        InitializeCriticalSection(&writer.lock);
        writer.lockMade = true;
    }
    writer.window = window;
    writer.folder = journalFolder();
    writer.stopping = false;
    writer.reportedOk = true;
    writer.wake.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    writer.thread.reset(CreateThread(nullptr, 0, writerThread, nullptr, 0, nullptr));
}

void queueJournalLine(const char* fileName, const char* text, std::size_t n) {
    if (!writer.lockMade) return;
    EnterCriticalSection(&writer.lock);
    writer.queue.push_back(PendingLine{fileName, std::string(text, n)});
    if (writer.queue.size() > kMostPending) writer.queue.pop_front();
    LeaveCriticalSection(&writer.lock);
    if (writer.wake.valid()) SetEvent(writer.wake.get());
}

void stopJournalWriter() {
    if (!writer.thread.valid()) return;
    EnterCriticalSection(&writer.lock);
    writer.stopping = true;
    LeaveCriticalSection(&writer.lock);
    SetEvent(writer.wake.get());
    // A disk that hangs does not keep the program from closing.
    WaitForSingleObject(writer.thread.get(), 3000);
    writer.thread.reset();
    writer.wake.reset();
    EnterCriticalSection(&writer.lock);
    writer.queue.clear();
    LeaveCriticalSection(&writer.lock);
}
