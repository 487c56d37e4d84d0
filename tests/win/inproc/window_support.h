// Helpers of the main window tests: settings files built byte by byte, the
// ports the tests give the program, and reading controls back.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "harness.h"

// A settings file's bytes, written out field by field at the file's offsets.
struct SettingsBytes {
    std::uint8_t portIndex = 0;
    std::uint8_t runFlag = 0;
    std::uint16_t start[5] = {};  // year minus 2000, month, day, hour, minute
    struct Stage {
        std::uint16_t code;
        std::uint8_t hours;
        std::uint8_t minutes;
    };
    std::vector<Stage> stages;

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out(536 + 4 * stages.size(), 0);
        out[0] = portIndex;
        out[1] = runFlag;
        out[2] = static_cast<std::uint8_t>(stages.size());
        for (int i = 0; i < 5; ++i) {
            out[3 + 2 * i] = static_cast<std::uint8_t>(start[i] & 0xFF);
            out[4 + 2 * i] = static_cast<std::uint8_t>(start[i] >> 8);
        }
        const char folder[] = "C:\\users\\test\\Documents";
        std::copy(folder, folder + sizeof folder, out.begin() + 14);
        const char name[] = "\\termo.txt";
        std::copy(name, name + sizeof name, out.begin() + 275);
        for (std::size_t i = 0; i < stages.size(); ++i) {
            std::uint8_t* entry = &out[536 + 4 * i];
            entry[0] = static_cast<std::uint8_t>(stages[i].code & 0xFF);
            entry[1] = static_cast<std::uint8_t>(stages[i].code >> 8);
            entry[2] = stages[i].minutes;
            entry[3] = stages[i].hours;
        }
        return out;
    }
};

// COM1 and COM2, as the test prefix lists them.
inline const SerialPortsOverride::Values& twoPorts() {
    static const SerialPortsOverride::Values values = {{"\\Device\\Serial0", "COM1"}, {"\\Device\\Serial1", "COM2"}};
    return values;
}

inline std::string listCell(HWND list, int row, int column) {
    char text[64] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

inline int listRows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

inline std::vector<std::string> comboEntries(HWND combo) {
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[64] = {};
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text))
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

// A control's window rectangle in the client pixels of its parent.
inline RECT clientPlace(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}
