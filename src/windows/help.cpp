#include "help.h"

#include <shellapi.h>

#include "about.h"
#include "build_info.h"
#include "startup.h"
#include "scoped_handles.h"

namespace {

ScopedMenu menu;

// ShellExecuteA's "file not found"; other failures are not reported.
constexpr INT_PTR kFileNotFound = 2;

void openHelpDocument(HWND window, const char* name) {
    const std::string path = helpDocumentPath(startupFolder(), name);
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOW));
    if (result == kFileNotFound) MessageBoxA(window, "Не найден файл справки.", nullptr, MB_OK);
}

}  // namespace

bool inHelpArea(int x, int y) {
    return x >= helpAreaRect.left && x <= helpAreaRect.right && y >= helpAreaRect.top && y <= helpAreaRect.bottom;
}

HMENU createHelpMenu() {
    if (menu) return menu.get();
    menu.reset(CreatePopupMenu());
    const HMENU m = menu.get();
    AppendMenuA(m, MF_STRING, kHelpUserGuide, "Термостат под управлением ПК. Руководство пользователя.");
    AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(m, MF_STRING, kHelpManual, "Термостат КРМ-Д. Руководство по эксплуатации.");
    AppendMenuA(m, MF_STRING, kHelpCertification, "Термостат КРМ-Д. Методика аттестации.");
    AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(m, MF_STRING, kHelpWebSite, QUELLOR_SITE_HOST);
    AppendMenuA(m, MF_STRING, kHelpAbout, "О программе.");
    return m;
}

HMENU helpMenu() { return menu.get(); }

void destroyHelpMenu() { menu.reset(); }

std::string helpDocumentPath(const char* folder, const char* name) {
    std::string path = folder ? folder : "";
    // The current directory of a drive's root comes with its backslash ("C:\").
    if (!path.empty() && path.back() == '\\' && name[0] == '\\') path.pop_back();
    return path + name;
}

void onHelpMouseMove(HWND, LPARAM lParam) {
    // Unsigned 16-bit halves: a captured pointer left of or above the window
    // reads as a large value, which is outside.
    SetCursor(inHelpArea(LOWORD(lParam), HIWORD(lParam)) ? handCursor() : arrowCursor());
}

void onHelpClick(HWND window, LPARAM lParam) {
    if (!inHelpArea(LOWORD(lParam), HIWORD(lParam)) || !menu) return;
    POINT anchor = helpMenuAnchor;
    ClientToScreen(window, &anchor);
    TrackPopupMenu(menu.get(), TPM_CENTERALIGN | TPM_LEFTBUTTON, anchor.x, anchor.y, 0, window, nullptr);
}

void onHelpCommand(HWND window, WPARAM wParam) {
    switch (wParam) {
    case kHelpUserGuide: openHelpDocument(window, "\\quellor.pdf"); break;
    case kHelpManual: openHelpDocument(window, "\\manual.pdf"); break;
    case kHelpCertification: openHelpDocument(window, "\\certification.pdf"); break;
    case kHelpWebSite: ShellExecuteA(nullptr, nullptr, QUELLOR_SITE_URL, nullptr, nullptr, 0); break;
    case kHelpAbout: showAboutDialog(window); break;
    default: break;
    }
}
