// The main window's own drawing, checked on real renderings: a 32-bit memory
// bitmap painted for each state, and the real window on a display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "main_window.h"
#include "painting.h"
#include "harness.h"
#include "resource.h"

namespace {

constexpr int kWidth = 504;
constexpr int kHeight = 340;

HFONT makeFont(int height, int width, int weight, bool italic, const char* face) {
    return CreateFontA(height, width, 0, 0, weight, italic, FALSE, FALSE, RUSSIAN_CHARSET, 0, 0, 0, FF_SWISS, face);
}

COLORREF sys(int index) { return GetSysColor(index); }

int brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

// A memory bitmap with the fonts and logo of the main window, cleared to the
// window class's button-face background before each paint.
class Canvas {
public:
    Canvas() {
        BITMAPINFO info = topDownBitmap(kWidth, kHeight);
        dc_ = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        tools_.fonts = {makeFont(8, 0, 0, false, "MS Sans Serif"), makeFont(8, 0, 700, false, "MS Sans Serif"),
                        makeFont(32, 0, 700, false, "Arial"),        makeFont(32, 10, 700, false, "Arial"),
                        makeFont(20, 0, 800, false, "Arial"),        makeFont(15, 9, 800, true, "Arial")};
        tools_.logo = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_LOGO));
        tools_.clientHeight = 316;
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
        const MainFonts& f = tools_.fonts;
        for (HFONT font : {f.captionFont, f.boldFont, f.readoutFont, f.unitFont, f.brandFont, f.helpFont})
            DeleteObject(font);
        DeleteObject(tools_.logo);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void clear() {
        const RECT all = {0, 0, kWidth, kHeight};
        HBRUSH face = CreateSolidBrush(sys(COLOR_BTNFACE));
        FillRect(dc_, &all, face);
        DeleteObject(face);
    }
    void paint(const PaintState& state, int clientHeight = 316) {
        clear();
        tools_.clientHeight = clientHeight;
        paintWindowContents(dc_, state, tools_);
    }

    HDC dc() const { return dc_; }
    const PaintTools& tools() const { return tools_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y) & 0xFFFFFF; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    PaintTools tools_{};
};

// Pixels in a rectangle (right and bottom exclusive) unlike the background.
std::vector<POINT> ink(const Canvas& canvas, RECT r, COLORREF background) {
    std::vector<POINT> found;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (canvas.at(x, y) != background) found.push_back({x, y});
    return found;
}

// Leftmost and rightmost column that carry ink, or {-1, -1}.
std::pair<int, int> inkColumns(const Canvas& canvas, RECT r, COLORREF background) {
    int left = -1, right = -1;
    for (POINT p : ink(canvas, r, background)) {
        if (left < 0 || p.x < left) left = static_cast<int>(p.x);
        right = std::max(right, static_cast<int>(p.x));
    }
    return {left, right};
}

// The darkest pixel of a rectangle: text strokes reach their full colour
// somewhere, whatever smoothing the fonts get.
COLORREF darkest(const Canvas& canvas, RECT r) {
    COLORREF best = 0xFFFFFF;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (brightness(canvas.at(x, y)) < brightness(best)) best = canvas.at(x, y);
    return best;
}

PaintState state(LinkState link, bool locked = false, bool runShown = false, std::int16_t tenths = 253) {
    return PaintState{link, tenths, locked, runShown, 1, "00.00.00", "00:00"};
}

class Painting : public testing::Test {
protected:
    Canvas canvas;
};

// DrawEdge: a raised edge is light on its left and darkest on its right, a
// sunken one is shadowed on its left and highlighted on its right.
void expectRaised(const Canvas& c, RECT r, const char* what) {
    const int midY = (r.top + r.bottom) / 2;
    EXPECT_EQ(sys(COLOR_3DLIGHT), c.at(r.left, midY)) << what;
    EXPECT_EQ(sys(COLOR_BTNHIGHLIGHT), c.at(r.left + 1, midY)) << what;
    EXPECT_EQ(sys(COLOR_3DDKSHADOW), c.at(r.right - 1, midY)) << what;
    EXPECT_EQ(sys(COLOR_BTNSHADOW), c.at(r.right - 2, midY)) << what;
}

void expectSunken(const Canvas& c, RECT r, const char* what, int sampleY = -1) {
    const int y = sampleY >= 0 ? sampleY : (r.top + r.bottom) / 2;
    EXPECT_EQ(sys(COLOR_BTNSHADOW), c.at(r.left, y)) << what;
    EXPECT_EQ(sys(COLOR_3DDKSHADOW), c.at(r.left + 1, y)) << what;
    EXPECT_EQ(sys(COLOR_BTNHIGHLIGHT), c.at(r.right - 1, y)) << what;
    EXPECT_EQ(sys(COLOR_3DLIGHT), c.at(r.right - 2, y)) << what;
}

}  // namespace

TEST_F(Painting, PanelsAreRaisedWithSunkenFramesInside) {
    canvas.paint(state(linkDown));
    expectRaised(canvas, {10, 10, 130, 110}, "top-left panel");
    expectRaised(canvas, {10, 120, 130, 232}, "middle-left panel");
    expectRaised(canvas, {140, 10, 490, 306}, "right panel");
    expectSunken(canvas, {12, 12, 128, 108}, "top-left inner");
    expectSunken(canvas, {12, 122, 128, 230}, "middle-left inner");
    expectSunken(canvas, {142, 12, 488, 304}, "right inner");
    expectSunken(canvas, {155, 25, 477, 265}, "program table", 150);
    expectSunken(canvas, {42, 163, 97, 187}, "set-point frame");
}

TEST_F(Painting, RightPanelAndMakersNameFollowClientHeight) {
    for (int h : {316, 330}) {
        SCOPED_TRACE(h);
        canvas.paint(state(linkDown), h);
        // Bottom edges: raised outer frame ends at H - 10, sunken inner at H - 12.
        EXPECT_EQ(sys(COLOR_3DDKSHADOW), canvas.at(300, h - 11));
        EXPECT_EQ(sys(COLOR_BTNFACE), canvas.at(300, h - 10));
        EXPECT_EQ(sys(COLOR_BTNHIGHLIGHT), canvas.at(300, h - 13));

        // The maker's name in blue within (45, H - 24, 125, H - 10), nothing outside.
        const COLORREF face = sys(COLOR_BTNFACE);
        const auto name = ink(canvas, {45, h - 24, 125, h - 10}, face);
        ASSERT_GT(name.size(), 40u);
        bool blue = false;
        for (POINT p : name) {
            const COLORREF c = canvas.at(p.x, p.y);
            EXPECT_LE(GetRValue(c), GetBValue(c));
            blue = blue || (GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60);
        }
        EXPECT_TRUE(blue);
        EXPECT_TRUE(ink(canvas, {45, h - 10, 125, h - 2}, face).empty());

        // The logo, pixel for pixel, at (20, H - 24).
        MemoryDC memory(canvas.dc());
        SelectedObject selected(memory.get(), canvas.tools().logo);
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 21; ++x)
                ASSERT_EQ(GetPixel(memory.get(), x, y) & 0xFFFFFF, canvas.at(20 + x, h - 24 + y)) << x << "," << y;
        EXPECT_EQ(face, canvas.at(19, h - 24));
        EXPECT_EQ(face, canvas.at(20, h - 25));
    }
}

TEST_F(Painting, WhiteStripsAndTheirRules) {
    canvas.paint(state(linkStartUp));
    const COLORREF white = sys(COLOR_WINDOW);
    EXPECT_EQ(white, canvas.at(470, 230));  // stage row
    EXPECT_EQ(white, canvas.at(470, 55));   // caption strip
    EXPECT_EQ(white, canvas.at(470, 35));   // start-moment strip
    EXPECT_EQ(white, canvas.at(46, 167));   // set-point box
    EXPECT_EQ(sys(COLOR_BTNFACE), canvas.at(200, 40));  // run button row is not filled
    // Button-face cell lines, dark rules around the captions and the entry row.
    EXPECT_EQ(sys(COLOR_BTNFACE), canvas.at(197, 60));
    EXPECT_EQ(sys(COLOR_BTNFACE), canvas.at(457, 35));
    EXPECT_EQ(sys(COLOR_BTNFACE), canvas.at(300, 242));
    EXPECT_EQ(sys(COLOR_BTNFACE), canvas.at(277, 250));
    EXPECT_EQ(white, canvas.at(277, 230));  // that line starts at the row's rule
    EXPECT_EQ(sys(COLOR_WINDOWTEXT), canvas.at(300, 68));
    EXPECT_EQ(sys(COLOR_WINDOWTEXT), canvas.at(300, 224));
    EXPECT_EQ(sys(COLOR_WINDOWTEXT), canvas.at(400, 48));
    EXPECT_NE(sys(COLOR_WINDOWTEXT), canvas.at(474, 68));  // end points are not drawn
}

TEST_F(Painting, CaptionsAndUnitsAreDrawnInTheirCells) {
    canvas.paint(state(linkStartUp));
    const COLORREF white = sys(COLOR_WINDOW);
    const RECT whiteCells[] = {{158, 50, 197, 68},  {198, 50, 277, 68},  {278, 50, 337, 68}, {338, 50, 407, 68},
                               {408, 50, 457, 68},  {158, 243, 196, 260}, {198, 225, 336, 242},
                               {338, 225, 456, 242}, {248, 247, 263, 257}, {297, 247, 306, 257},
                               {323, 247, 332, 257}, {338, 243, 406, 260}, {408, 243, 457, 260}};
    for (const RECT& r : whiteCells) EXPECT_FALSE(ink(canvas, r, white).empty()) << r.left << "," << r.top;
    const COLORREF face = sys(COLOR_BTNFACE);
    EXPECT_FALSE(ink(canvas, {12, 128, 128, 156}, face).empty());  // "Температура поддержания"
    EXPECT_FALSE(ink(canvas, {30, 273, 110, 293}, face).empty());  // "Справка"
}

TEST_F(Painting, ReadoutOnlyWhileConnected) {
    const COLORREF face = sys(COLOR_BTNFACE);
    for (LinkState link : {linkStartUp, linkDown, linkLost}) {
        SCOPED_TRACE(static_cast<int>(link));
        canvas.paint(state(link));
        EXPECT_TRUE(ink(canvas, readoutRect, face).empty());
        // "Порт", short and centred on its own row, nothing on the second row.
        const auto [left, right] = inkColumns(canvas, {14, 22, 126, 36}, face);
        ASSERT_GE(left, 0);
        EXPECT_LT(right - left, 40);
        EXPECT_NEAR((left + right) / 2, 70, 4);
        EXPECT_TRUE(ink(canvas, {14, 37, 126, 46}, face).empty());
    }

    canvas.paint(state(linkUp, false, false, 253));
    EXPECT_EQ(sys(COLOR_BTNSHADOW), canvas.at(20, 75));  // sunken readout frame
    EXPECT_EQ(sys(COLOR_WINDOW), canvas.at(23, 60));
    const COLORREF white = sys(COLOR_WINDOW);
    const auto [dl, dr] = inkColumns(canvas, {22, 59, 88, 93}, white);
    ASSERT_GE(dl, 0);
    EXPECT_GE(dr, 80);  // right-aligned
    EXPECT_LT(brightness(darkest(canvas, {22, 59, 88, 93})), 100);
    EXPECT_FALSE(ink(canvas, {90, 59, 118, 93}, white).empty());  // "°C"
    // "Температура" / "в термостате" are wider than "Порт" and use both rows.
    const auto [cl, cr] = inkColumns(canvas, {14, 32, 126, 46}, face);
    EXPECT_GT(cr - cl, 40);

    // The digits follow the value.
    const auto first = ink(canvas, {22, 59, 88, 93}, white);
    canvas.paint(state(linkUp, false, false, -57));
    EXPECT_NE(first.size(), ink(canvas, {22, 59, 88, 93}, white).size());
}

TEST_F(Painting, SetpointBoxGreysWhileLocked) {
    const RECT unit = {76, 165, 93, 185};
    for (LinkState link : {linkStartUp, linkDown, linkLost, linkUp}) {
        SCOPED_TRACE(static_cast<int>(link));
        canvas.paint(state(link, true));
        EXPECT_EQ(sys(COLOR_BTNFACE), canvas.at(46, 167));
        EXPECT_FALSE(ink(canvas, unit, sys(COLOR_BTNFACE)).empty());
        EXPECT_GE(brightness(darkest(canvas, unit)), brightness(sys(COLOR_GRAYTEXT)) - 6);

        canvas.paint(state(link, false));
        EXPECT_EQ(sys(COLOR_WINDOW), canvas.at(46, 167));
        EXPECT_LT(brightness(darkest(canvas, unit)), 100);
    }
}

TEST_F(Painting, StartMomentSeparatorsHiddenWhileARunIsShown) {
    const COLORREF white = sys(COLOR_WINDOW);
    const RECT separators[] = {{361, 30, 365, 45}, {382, 30, 386, 45}, {430, 29, 435, 44}};
    struct Case {
        LinkState link;
        bool runShown;
        bool shown;
    };
    // A run read from the settings file shows the start fields until it is
    // resumed: at start-up, and while it waits after a failed first attempt.
    for (Case c : {Case{linkStartUp, false, true}, Case{linkUp, false, true}, Case{linkUp, true, false},
                   Case{linkDown, false, true}, Case{linkLost, true, false}}) {
        SCOPED_TRACE(testing::Message() << int(c.link) << " run shown " << c.runShown);
        canvas.paint(state(c.link, false, c.runShown));
        for (const RECT& r : separators) EXPECT_EQ(c.shown, !ink(canvas, r, white).empty());
        EXPECT_EQ(c.shown ? sys(COLOR_WINDOWTEXT) : white, canvas.at(400, 48));
        EXPECT_EQ(white, canvas.at(470, 35));  // the strip itself stays white
    }
}

TEST_F(Painting, StageNumberShowsIndexPlusOne) {
    PaintState s = state(linkStartUp);
    const COLORREF white = sys(COLOR_WINDOW);
    s.stageNumber = 1;
    canvas.paint(s);
    const auto one = inkColumns(canvas, stageNumberBoxRect, white);
    s.stageNumber = 188;
    canvas.paint(s);
    const auto wide = inkColumns(canvas, stageNumberBoxRect, white);
    ASSERT_GE(one.first, 0);
    EXPECT_GT(wide.second - wide.first, one.second - one.first);

    // The partial repaint clears the box: "1" over "188" looks as "1" alone.
    paintStageNumber(canvas.dc(), canvas.tools().fonts.boldFont, 1);
    const auto over = ink(canvas, stageNumberBoxRect, white);
    s.stageNumber = 1;
    canvas.paint(s);
    const auto fresh = ink(canvas, stageNumberBoxRect, white);
    ASSERT_EQ(fresh.size(), over.size());
}

namespace {
std::vector<COLORREF> stageStartPixels(const Canvas& canvas) {
    std::vector<COLORREF> pixels;
    for (const RECT& r : {stageStartDateRect, stageStartTimeRect})
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) pixels.push_back(canvas.at(x, y));
    return pixels;
}
}  // namespace

TEST_F(Painting, StageStartRepaintLeavesNoTraceOfThePreviousText) {
    struct Texts {
        const char* date;
        const char* time;
    };
    // A blanked cell's single blank, a three-digit year, another date.
    for (Texts next : {Texts{" ", " "}, Texts{"01.01.100", "00:00"}, Texts{"11.11.11", "11:11"}}) {
        SCOPED_TRACE(next.date);
        PaintState s = state(linkStartUp);
        s.stageStartDate = "28.08.126";
        s.stageStartTime = "20:08";
        canvas.paint(s);
        paintStageStart(canvas.dc(), canvas.tools().fonts.boldFont, next.date, next.time);
        const auto over = stageStartPixels(canvas);
        s.stageStartDate = next.date;
        s.stageStartTime = next.time;
        canvas.paint(s);
        EXPECT_EQ(stageStartPixels(canvas), over);
    }
}

// The real window on a display: what its own WM_PAINT and partial repaints
// leave on the screen, at the places that no control covers.
TEST(PaintingOnScreen, WindowShowsPanelsNameAndLogo) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (scripts/test-win-display.sh)";
    useSettingsFile({}, false);
    HWND window = openMainWindow();
    ASSERT_TRUE(window);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    pumpMessages(300);

    RECT client;
    GetClientRect(window, &client);
    const int h = clientHeight();
    EXPECT_EQ(client.bottom, h);
    {
        WindowDC dc(window);
        auto at = [&](int x, int y) { return GetPixel(dc.get(), x, y) & 0xFFFFFF; };
        EXPECT_EQ(sys(COLOR_3DLIGHT), at(10, 60));
        EXPECT_EQ(sys(COLOR_3DDKSHADOW), at(300, h - 11));
        EXPECT_EQ(sys(COLOR_BTNHIGHLIGHT), at(300, h - 13));
        EXPECT_EQ(sys(COLOR_WINDOWTEXT), at(300, 224));

        int blue = 0, help = 0;
        for (int y = h - 24; y < h - 10; ++y)
            for (int x = 45; x < 125; ++x) {
                const COLORREF c = at(x, y);
                blue += GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60;
            }
        for (int y = 273; y < 293; ++y)
            for (int x = 30; x < 110; ++x) help += at(x, y) != sys(COLOR_BTNFACE);
        EXPECT_GT(blue, 20);
        EXPECT_GT(help, 20);

        // The logo is the blended one: its corner took the button face.
        EXPECT_EQ(sys(COLOR_BTNFACE), at(20, h - 24));
        int logoInk = 0;
        for (int y = h - 24; y < h - 9; ++y)
            for (int x = 20; x < 41; ++x) logoInk += at(x, y) != sys(COLOR_BTNFACE);
        EXPECT_GT(logoInk, 10);

        // Scribble over the stage number box; the partial repaint restores it.
        RECT box = stageNumberBoxRect;
        FillRect(dc.get(), &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        redrawStageNumber(window);
        EXPECT_EQ(sys(COLOR_WINDOW), at(box.left, box.top));
        int digits = 0;
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x) digits += at(x, y) != sys(COLOR_WINDOW);
        EXPECT_GT(digits, 3);
        EXPECT_LT(digits, 60);
    }
    closeMainWindow(window);
    closeSettings();
}
