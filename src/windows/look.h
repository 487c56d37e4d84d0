// Colours and sizes of the maker's artwork, shared by the main window's
// painting and the About dialog.
#pragma once

#include <windows.h>

constexpr COLORREF kBrandBlue = 0x00FF0000;
// The logo bitmap (resource 1000).
constexpr int kLogoWidth = 21;
constexpr int kLogoHeight = 15;
