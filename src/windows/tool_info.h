// The tooltip record the program adds and updates its tools with.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>

// The record that ends with lParam (TTTOOLINFOA_V2_SIZE, written so that it
// is a constant): 44 bytes in the 32-bit build, 64 in the 64-bit one. Wine
// drops the text of a record whose size it does not know, and the full sizeof
// differs between the builds.
constexpr UINT kToolInfoSize = static_cast<UINT>(offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM));
static_assert(sizeof(void*) != 4 || kToolInfoSize == 44, "the 32-bit tool record is 44 bytes");

// A tool record for the tool id of owner, carrying text.
inline TOOLINFOA toolRecord(HWND owner, UINT_PTR id, const char* text) {
    TOOLINFOA tool = {};
    tool.cbSize = kToolInfoSize;
    tool.hwnd = owner;
    tool.uId = id;
    tool.lpszText = const_cast<char*>(text);
    return tool;
}
