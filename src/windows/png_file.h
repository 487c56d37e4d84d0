// Saving a picture as a PNG file, through GDI+ (started for the one save and
// shut down after it).
#pragma once

#include <windows.h>

#include <string>

// False when GDI+ cannot start, take the bitmap or write the file. The
// bitmap must not be selected into a device context.
bool savePngFile(HBITMAP bitmap, const std::wstring& path);
