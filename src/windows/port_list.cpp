// The serial ports as the system lists them under
// HKLM\Hardware\DeviceMap\SerialComm, in the order the registry gives them.
#include "port_list.h"

#include <cstring>
#include <vector>

#include "settings/settings.h"
#include "scoped_handles.h"

namespace {

constexpr DWORD kNameSize = 32;

struct PortChoice {
    bool autoConnect = false;
    // The name of the last entry taken, even one too long to open.
    char name[256] = "COM100";
};
PortChoice choice;

// Adds every listed port's name to combo and returns how many were added.
// A value whose name or data does not fit the 32-byte buffers, or whose data
// is not a terminated string, is skipped: a cut or unterminated name would
// open some other device or read past the buffer.
int addListedPorts(HWND combo) {
    ScopedRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Hardware\\DeviceMap\\SerialComm", 0, KEY_QUERY_VALUE, key.out()) !=
        ERROR_SUCCESS)
        return 0;
    int count = 0;
    for (DWORD index = 0;; ++index) {
        char name[kNameSize];
        DWORD nameSize = sizeof name;
        char data[kNameSize];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        const LONG result = RegEnumValueA(key.get(), index, name, &nameSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataSize);
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS, or a key that cannot be read on
        if (type != REG_SZ || dataSize == 0 || dataSize > sizeof data) continue;
        if (data[dataSize - 1] != '\0') {
            if (dataSize == sizeof data) continue;
            data[dataSize] = '\0';
        }
        if (data[0] == '\0') continue;
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(data));
        ++count;
    }
    return count;
}

}  // namespace

bool listPorts(HWND window, HWND combo) {
    choice.autoConnect = false;
    int count;
    while ((count = addListedPorts(combo)) == 0) {
        if (MessageBoxA(window, "Не найдено ни одного COM-порта", nullptr, MB_RETRYCANCEL | MB_DEFBUTTON2) !=
            IDRETRY)
            return false;
    }
    choice.autoConnect = settings().portIndex < count;
    SendMessageA(combo, CB_SETCURSEL, settings().portIndex, 0);
    return true;
}

bool autoConnectAllowed() { return choice.autoConnect; }

const char* choosePortName(HWND combo) {
    const WPARAM index = settings().portIndex;
    const LRESULT length = combo ? SendMessageA(combo, CB_GETLBTEXTLEN, index, 0) : CB_ERR;
    if (length == CB_ERR || length < 0) return choice.name;  // no such entry: keep the last name

    char name[sizeof choice.name] = {};
    if (static_cast<std::size_t>(length) < sizeof name) {
        SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name));
    } else {
        // Longer than any buffer here: only the first part is shown.
        std::vector<char> whole(static_cast<std::size_t>(length) + 1);
        SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(whole.data()));
        std::memcpy(name, whole.data(), sizeof name - 1);
    }
    std::memcpy(choice.name, name, sizeof choice.name);
    return choice.name;
}

const char* chosenPortName() { return choice.name; }

void resetPortList() { choice = PortChoice{}; }
