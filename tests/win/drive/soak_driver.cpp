// The operator and the weather of a long unattended run (scripts/soak.sh):
// starts the shipped quellor.exe on the settings file the script wrote, and
// for the length of its program (minutes from 12:00 on 1 January 2030 of the
// shared accelerated clock) keeps asking its window for an answer, records at
// "1 сек" for a while, appends stages, kills and restarts it twice, answers
// the message boxes an operator would, and has the simulated thermostat
// misbehave at random with a fixed seed. Everything it does or sees goes to
// standard output as one line each, stamped with the program clock, for the
// script to check against the simulator's log and the files:
//   FAULT|CALM|KILL|START|RECORD|STOP|APPEND|BOX|STATS|PROBE|END ...
//   soak_driver.exe <program-minutes> <speed> <seed>
// Environment: QUELLOR_EXE, SIM_CONTROL_PORT, SOAK_RECORD (the recording's
// path), SOAK_WORK (a folder for copies of the settings file after a kill).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "process_counts.h"
#include "program.h"
#include "simulator.h"

namespace {

double speed = 20;
std::unique_ptr<Program> program;

// Minutes of the program clock since 12:00 on 1 January 2030.
double clockMinutes() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    const double day = (t.wDay - 1) + (t.wMonth > 1 ? 31 : 0);
    return day * 1440 + (t.wHour - 12) * 60 + t.wMinute + (t.wSecond + t.wMilliseconds / 1000.0) / 60;
}

std::string stamp() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%02d %02d:%02d:%02d.%03d", t.wDay, t.wHour, t.wMinute, t.wSecond,
                  t.wMilliseconds);
    return text;
}

void say(const std::string& line) {
    std::printf("%s %s\n", stamp().c_str(), line.c_str());
    std::fflush(stdout);
}

// Waits for this much program time, in steps of about 100 ms of real time.
void pause(double programSeconds) {
    const double until = clockMinutes() + programSeconds / 60;
    while (clockMinutes() < until) Sleep(static_cast<DWORD>(speed * 100));
}

std::string env(const char* name) {
    char value[1024] = {};
    GetEnvironmentVariableA(name, value, sizeof value);
    return value;
}

HWND childWithText(HWND window, const char* text) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (windowText(child) == text) return child;
    return nullptr;
}

HWND childAt(HWND window, int left, int top) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        if (r.left == left && r.top == top) return child;
    }
    return nullptr;
}

// Boxes of the program: "Ошибка связи" is left to the program (a good reply
// closes it; closing it by hand would give the link up); any other box is
// printed and answered as an operator would. The recording dialog is the
// driver's own business.
std::set<HWND> lossBoxes;
int boxesAnswered = 0;
BOOL CALLBACK lookAtBox(HWND window, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != program->id() || !isBox(window) || GetDlgItem(window, 104)) return TRUE;
    const Box box = readBox(window);
    if (box.caption == "Ошибка связи") {
        if (lossBoxes.insert(window).second) say("BOX loss seen");
        return TRUE;
    }
    ++boxesAnswered;
    say("BOX " + box.caption + " | " + box.text);
    pressButton(window, IDOK);
    return TRUE;
}

long worstAnswerMs = 0;  // real time
int probes = 0;
int unanswered = 0;
void probe() {
    if (!program || !program->window()) return;
    const DWORD before = GetTickCount();
    DWORD_PTR result = 0;
    const bool answered = SendMessageTimeoutA(program->window(), WM_NULL, 0, 0, SMTO_NORMAL,
                                              static_cast<UINT>(speed * 1000), &result) != 0;
    const long ms = static_cast<long>((GetTickCount() - before) / speed);
    ++probes;
    if (ms > worstAnswerMs) worstAnswerMs = ms;
    if (!answered) {
        ++unanswered;
        say("PROBE no answer within 1 s (real)");
    }
    EnumWindows(lookAtBox, 0);
}

void stats() {
    const DWORD pid = program->id();
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (process) {
        GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
        CloseHandle(process);
    }
    char line[160];
    std::snprintf(line, sizeof line, "STATS threads %d handles %ld working-set-kb %lu pagefile-kb %lu",
                  bench::countThreads(pid), bench::countHandles(pid),
                  static_cast<unsigned long>(memory.WorkingSetSize / 1024),
                  static_cast<unsigned long>(memory.PagefileUsage / 1024));
    say(line);
}

void startProgram() {
    program = Program::startAsFound();
    const bool up = program->waitForMainWindow(static_cast<DWORD>(speed * 20000));
    say(up ? "START window up" : "START no window");
}

void calm() {
    for (const char* line : {"power on", "refuse off", "drop 0", "corrupt 0", "short 0", "late 0"})
        Simulator::command(line);
    say("CALM");
}

// One random fault; returns the program seconds after which it is over.
double fault(std::mt19937& random) {
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::string command;
    double lasts = 0;
    switch (pick(0, 8)) {
        case 0: command = "drop " + std::to_string(pick(1, 3)); break;
        case 1: command = "corrupt " + std::to_string(pick(1, 2)); break;
        case 2: command = "short " + std::to_string(pick(1, 2)) + " " + std::to_string(pick(1, 4)); break;
        case 3: command = "late " + std::to_string(pick(1, 2)) + " " + std::to_string(pick(300, 1500)); break;
        case 4: command = "refuse on"; lasts = pick(10, 90); break;
        case 5: command = "power off"; lasts = pick(2, 30); break;
        case 6: command = "power off"; lasts = pick(60, 300); break;
        default: {
            const int tenths = pick(50, 600);
            command = "panel " + std::to_string(tenths / 10) + "," + std::to_string(tenths % 10);
        }
    }
    say("FAULT " + command + (lasts > 0 ? " for " + std::to_string(static_cast<int>(lasts)) + " s" : ""));
    Simulator::command(command);
    return lasts;
}

// An operator acts on a program that is talking to its thermostat: the
// faults are called off and the link is back (no "Ошибка связи" box: closing
// it by hand would give the link up, and it hides the dialogs looked for).
bool lossBoxUp() {
    EnumWindows(lookAtBox, 0);
    for (HWND box : lossBoxes)
        if (IsWindowVisible(box) && windowText(box) == "Ошибка связи") return true;
    return false;
}
void quiet() {
    calm();
    waitFor([] { return !lossBoxUp(); }, static_cast<DWORD>(speed * 30000));
}

void startRecording(const std::string& path) {
    program->click(childWithText(program->window(), "Запись в файл"));
    const HWND dialog = program->waitForWindow("#32770", static_cast<DWORD>(speed * 5000));
    if (!dialog || !GetDlgItem(dialog, 104)) {
        say("RECORD no dialog");
        return;
    }
    SetDlgItemTextA(dialog, 103, path.c_str());
    SendDlgItemMessageA(dialog, 104, CB_SETCURSEL, 0, 0);
    pressButton(dialog, 100);
    say("RECORD " + path);
}

void stopRecording() {
    // While recording, the button offers to end it.
    program->click(childWithText(program->window(), "Закончить запись"));
    HWND box = nullptr;
    waitFor(
        [&] {
            box = FindWindowA("#32770", "Запись в файл");
            return box && !boxText(box).empty();
        },
        static_cast<DWORD>(speed * 5000));
    say("STOP " + (box ? boxText(box) : std::string("no question")));
    if (box) pressButton(box, IDOK);
}

void appendStage(int n) {
    const HWND window = program->window();
    char temperature[8];
    std::snprintf(temperature, sizeof temperature, "%d,%d", 41 + n, n);
    program->setText(childAt(window, 198, 246), temperature);
    program->setText(childAt(window, 278, 246), "0");
    program->setText(childAt(window, 304, 246), std::to_string(2 + n));
    program->click(childWithText(window, "Добавить этап"));
    say(std::string("APPEND ") + temperature + " 0:" + std::to_string(2 + n));
}

void kill(int n) {
    calm();
    program->kill();
    const std::string copy = env("SOAK_WORK") + "\\after-kill-" + std::to_string(n) + ".ini";
    const bool copied = CopyFileA(settingsFilePath().c_str(), copy.c_str(), FALSE) != 0;
    say("KILL " + std::to_string(n) + (copied ? " settings copied" : " settings not copied"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: soak_driver <program-minutes> <speed> <seed>\n");
        return 2;
    }
    const double length = std::atof(argv[1]);
    speed = std::atof(argv[2]);
    std::mt19937 random(static_cast<unsigned>(std::atoi(argv[3])));

    // The timeline, as parts of the program's length: a first stretch without
    // faults (at most an hour), in which no link may be lost at this speed.
    const double calmUntil = length / 5 < 60 ? length / 5 : 60;
    const double recordFrom = length * 0.10, recordTo = length * 0.30;
    const double killAt[2] = {length * 0.40, length * 0.70};
    const double appendAt[5] = {length * 0.35, length * 0.45, length * 0.55, length * 0.65, length * 0.80};
    const double downtime = 3;  // program minutes between a kill and the restart
    const double statsEvery = length / 24;

    startProgram();
    double nextFault = calmUntil, faultEnds = -1, nextStats = 0;
    bool recording = false, recorded = false;
    int kills = 0, appends = 0;
    while (clockMinutes() < length + 2) {
        const double now = clockMinutes();
        probe();
        if (now >= nextStats) {
            stats();
            nextStats += statsEvery;
        }
        const bool act = (!recorded && now >= recordFrom) || (recording && now >= recordTo) ||
                         (appends < 5 && now >= appendAt[appends]);
        if (act) {
            faultEnds = -1;
            quiet();
        }
        if (!recorded && now >= recordFrom) {
            startRecording(env("SOAK_RECORD"));
            recording = recorded = true;
        }
        if (recording && now >= recordTo) {
            stopRecording();
            recording = false;
        }
        if (appends < 5 && now >= appendAt[appends]) appendStage(appends++);
        if (kills < 2 && now >= killAt[kills] - 1) {
            // No fault may be pending across a restart: a first exchange
            // without a reply gives the resumed run up, as the operator's
            // manual says.
            faultEnds = -1;
            quiet();
            pause(60);
            kill(++kills);
            pause(downtime * 60);
            startProgram();
            nextFault = clockMinutes() + 2;
            continue;
        }
        if (faultEnds >= 0 && now >= faultEnds) {
            calm();
            faultEnds = -1;
        }
        if (now >= nextFault && faultEnds < 0 && now < length - 2) {
            const double lasts = fault(random);
            if (lasts > 0) faultEnds = now + lasts / 60;
            nextFault = now + std::uniform_int_distribution<int>(30, 240)(random) / 60.0;
        }
        pause(speed / 2);  // half a second of real time
    }
    calm();
    stats();
    char line[200];
    std::snprintf(line, sizeof line, "END probes %d unanswered %d worst-answer-ms %ld loss-boxes %zu answered-boxes %d",
                  probes, unanswered, worstAnswerMs, lossBoxes.size(), boxesAnswered);
    say(line);
    PostMessageA(program->window(), WM_CLOSE, 0, 0);
    const DWORD code = program->waitForExit(static_cast<DWORD>(speed * 10000));
    say("EXIT " + std::to_string(code));
    program.reset();
    return 0;
}
