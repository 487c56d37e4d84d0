// The serial ports as the system lists them under
// HKLM\Hardware\DeviceMap\SerialComm, in the order the registry gives them.
#include "port_list.h"

#include <string>
#include <vector>

#include "link/connection.h"
#include "settings/settings.h"
#include "scoped_handles.h"

namespace {

constexpr DWORD kNameSize = 32;

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
    int count;
    while ((count = addListedPorts(combo)) == 0) {
        if (MessageBoxA(window, "Не найдено ни одного COM-порта", nullptr, MB_RETRYCANCEL | MB_DEFBUTTON2) !=
            IDRETRY)
            return false;
    }
    // The engine chooses from the names in the list's own order.
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[kNameSize] = {};
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof name))
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
        names.emplace_back(name);
    }
    setPortNames(std::move(names));
    SendMessageA(combo, CB_SETCURSEL, settings().portIndex, 0);
    return true;
}

