// The help area: cursor, popup menu and its commands, and the About dialog,
// driven on the real main window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "about.h"
#include "help.h"
#include "startup.h"
#include "harness.h"

namespace {

class Help : public testing::Test {
protected:
    void SetUp() override {
        useSettingsFile({}, false);
        window = openMainWindow();
        ASSERT_TRUE(window);
        createHelpMenu();
    }
    void TearDown() override {
        closeMainWindow(window);
        closeSettings();
    }
    HWND window = nullptr;
};

std::string menuText(HMENU menu, int position) {
    char text[256] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The popup menu window that TrackPopupMenu shows, seen from inside its loop.
struct MenuSeen {
    bool seen = false;
    RECT rect{};
};
MenuSeen menuSeen;
int menuTicks;

void CALLBACK lookForMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup && IsWindowVisible(popup)) {
        menuSeen.seen = true;
        GetWindowRect(popup, &menuSeen.rect);
    }
    if (menuSeen.seen || ++menuTicks > 100) {
        KillTimer(nullptr, timer);
        EndMenu();
    }
}

// Runs action (which opens the About dialog modally) while a second thread
// waits for the dialog and hands it to visit.
struct AboutVisit {
    HWND dialog = nullptr;
    HBITMAP logo = nullptr;
    bool logoWasBitmap = false;
    std::string caption;
    bool stillOpenAfterEscape = false;
};

struct Watcher {
    DWORD owner;
    std::function<void(HWND, AboutVisit&)> visit;
    AboutVisit result;
};

BOOL CALLBACK findDialog(HWND window, LPARAM out) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == "#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI watchAbout(void* param) {
    auto* w = static_cast<Watcher*>(param);
    for (int i = 0; i < 250 && !w->result.dialog; ++i) {
        EnumThreadWindows(w->owner, findDialog, reinterpret_cast<LPARAM>(&w->result.dialog));
        Sleep(20);
    }
    if (!w->result.dialog) return 0;
    Sleep(100);
    w->result.logo = aboutLogo();
    w->result.logoWasBitmap = GetObjectType(w->result.logo) == OBJ_BITMAP;
    w->result.caption = windowText(w->result.dialog);
    w->visit(w->result.dialog, w->result);
    return 0;
}

AboutVisit runAbout(HWND window, std::function<void(HWND, AboutVisit&)> visit) {
    Watcher watcher{GetCurrentThreadId(), std::move(visit), {}};
    HANDLE thread = CreateThread(nullptr, 0, watchAbout, &watcher, 0, nullptr);
    onHelpCommand(window, kHelpAbout);  // returns when the dialog has closed
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    return watcher.result;
}

}  // namespace

TEST_F(Help, AreaIncludesBothEnds) {
    struct Point {
        int x, y;
        bool inside;
    };
    for (Point p : {Point{30, 273, true}, Point{110, 293, true}, Point{30, 293, true}, Point{110, 273, true},
                    Point{29, 273, false}, Point{111, 293, false}, Point{30, 272, false}, Point{110, 294, false}}) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(p.inside, inHelpArea(p.x, p.y));
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        EXPECT_EQ(p.inside ? handCursor() : arrowCursor(), GetCursor());
    }
    // A captured pointer left of the window arrives as a large unsigned x.
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(-50, 280));
    EXPECT_EQ(arrowCursor(), GetCursor());
}

TEST_F(Help, MenuHoldsTheDocumentsSiteAndAbout) {
    HMENU menu = helpMenu();
    ASSERT_TRUE(menu);
    ASSERT_EQ(7, GetMenuItemCount(menu));
    const UINT ids[] = {200, 0, 201, 204, 0, 202, 203};
    const char* texts[] = {"Термостат под управлением ПК. Руководство пользователя.",
                           "",
                           "Термостат КРМ-Д. Руководство по эксплуатации.",
                           "Термостат КРМ-Д. Методика аттестации.",
                           "",
                           "thermostat.example.org",
                           "О программе."};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const bool separator = ids[i] == 0;
        EXPECT_EQ(separator, (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) != 0);
        if (separator) continue;
        EXPECT_EQ(ids[i], GetMenuItemID(menu, i));
        EXPECT_EQ(texts[i], menuText(menu, i));
        EXPECT_EQ(0u, GetMenuState(menu, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP));
    }
    EXPECT_EQ(menu, createHelpMenu());  // made once
}

TEST_F(Help, ClickInTheAreaOpensTheMenuUnderItsAnchor) {
    POINT anchor = helpMenuAnchor;
    ClientToScreen(window, &anchor);
    for (POINT click : {POINT{30, 273}, POINT{110, 293}, POINT{70, 280}}) {
        SCOPED_TRACE(testing::Message() << click.x << "," << click.y);
        menuSeen = {};
        menuTicks = 0;
        SetTimer(nullptr, 0, 20, lookForMenu);
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(click.x, click.y));
        ASSERT_TRUE(menuSeen.seen);
        EXPECT_EQ(anchor.y, menuSeen.rect.top);
        EXPECT_NEAR(anchor.x, (menuSeen.rect.left + menuSeen.rect.right) / 2, 1);
    }
}

TEST_F(Help, ClickOutsideTheAreaOpensNothing) {
    for (POINT click : {POINT{29, 273}, POINT{111, 293}, POINT{300, 150}}) {
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(click.x, click.y));
        HWND popup = FindWindowA("#32768", nullptr);
        EXPECT_FALSE(popup && IsWindowVisible(popup));
    }
}

TEST_F(Help, MissingDocumentIsReported) {
    for (const char* name : {"\\quellor.pdf", "\\manual.pdf", "\\certification.pdf"})
        if (fileExists(std::string(startupFolder()) + name)) GTEST_SKIP() << "start folder holds " << name;
    for (UINT id : {kHelpUserGuide, kHelpManual, kHelpCertification}) {
        SCOPED_TRACE(id);
        BoxAnswerer answer(IDOK);
        onHelpCommand(window, id);
        ASSERT_EQ(1u, answer.boxes().size());
        EXPECT_EQ("Не найден файл справки.", answer.boxes()[0].text);
    }
}

TEST_F(Help, OtherCommandValuesAreIgnored) {
    BoxAnswerer answer(IDOK);
    for (WPARAM value : {WPARAM{0}, WPARAM{199}, WPARAM{205}, WPARAM{MAKEWPARAM(201, 1)}}) onHelpCommand(window, value);
    EXPECT_TRUE(answer.boxes().empty());
}

TEST(HelpPath, FolderAndNameJoinWithOneBackslash) {
    EXPECT_EQ("C:\\work\\quellor.pdf", helpDocumentPath("C:\\work", "\\quellor.pdf"));
    EXPECT_EQ("C:\\manual.pdf", helpDocumentPath("C:\\", "\\manual.pdf"));
    EXPECT_EQ("\\\\server\\share\\docs\\certification.pdf",
              helpDocumentPath("\\\\server\\share\\docs", "\\certification.pdf"));
}

TEST_F(Help, AboutClosesWithOkAndCloseBoxButNotEscape) {
    // OK (WM_COMMAND 100).
    AboutVisit ok = runAbout(window, [](HWND dialog, AboutVisit&) { PostMessageA(dialog, WM_COMMAND, 100, 0); });
    ASSERT_TRUE(ok.dialog);
    EXPECT_EQ("О программе управления термостатом", ok.caption);
    EXPECT_FALSE(IsWindow(ok.dialog));

    // Escape (its IDCANCEL) leaves it open; the close box then closes it.
    AboutVisit esc = runAbout(window, [](HWND dialog, AboutVisit& seen) {
        PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        Sleep(300);
        seen.stillOpenAfterEscape = IsWindow(dialog) && IsWindowVisible(dialog);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    ASSERT_TRUE(esc.dialog);
    EXPECT_TRUE(esc.stillOpenAfterEscape);
    EXPECT_FALSE(IsWindow(esc.dialog));
}

TEST_F(Help, AboutShowsItsTexts) {
    std::string texts;
    AboutVisit visit = runAbout(window, [&texts](HWND dialog, AboutVisit&) {
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            texts += windowText(child) + "|";
        PostMessageA(dialog, WM_COMMAND, 100, 0);
    });
    ASSERT_TRUE(visit.dialog);
    EXPECT_EQ("Программа управления термостатом КРМ-Д|Исполняемый файл|quellor.exe|Версия|V2.1|Дата|27.03.2021|"
              "Автор|Группа разработки|OK|",
              texts);
}

TEST_F(Help, AboutLoadsAndFreesItsLogoEachTime) {
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        AboutVisit visit = runAbout(window, [i](HWND dialog, AboutVisit&) {
            PostMessageA(dialog, i % 2 ? WM_CLOSE : WM_COMMAND, i % 2 ? 0 : 100, 0);
        });
        ASSERT_TRUE(visit.dialog);
        EXPECT_TRUE(visit.logoWasBitmap);          // loaded while open
        EXPECT_EQ(nullptr, aboutLogo());           // released on closing
        EXPECT_EQ(0u, GetObjectType(visit.logo));  // and deleted
    }
    // Wine may not count GDI objects (it reports 0); Windows does.
    const DWORD gdiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (gdiBefore != 0) {
        EXPECT_LE(gdiAfter, gdiBefore + 2);
    }
}

TEST_F(Help, AboutBannerIsPaintedOnScreen) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (scripts/test-win-display.sh)";
    COLORREF banner = 0, line = 0, below = 0;
    AboutVisit visit = runAbout(window, [&](HWND dialog, AboutVisit&) {
        RECT units = {0, 0, 200, 14};
        MapDialogRect(dialog, &units);
        Sleep(200);
        HDC dc = GetDC(dialog);
        banner = GetPixel(dc, 3, 2) & 0xFFFFFF;
        line = GetPixel(dc, units.right / 2, units.bottom) & 0xFFFFFF;
        below = GetPixel(dc, units.right / 2, units.bottom + 3) & 0xFFFFFF;
        ReleaseDC(dialog, dc);
        PostMessageA(dialog, WM_COMMAND, 100, 0);
    });
    ASSERT_TRUE(visit.dialog);
    EXPECT_EQ(0xFFFF00u, banner);
    EXPECT_EQ(0xFF0000u, line);
    EXPECT_NE(0xFFFF00u, below);
}
