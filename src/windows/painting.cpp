#include "painting.h"

#include "help.h"
#include "look.h"
#include "run/run.h"
#include "link/protocol.h"
#include "link/temperature.h"
#include "program/stage_list.h"

namespace {

// Text format used unless a step says otherwise: centred on one line.
constexpr UINT kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr UINT kLeft = DT_VCENTER | DT_SINGLELINE;
constexpr UINT kRight = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;

void drawText(HDC dc, const char* text, RECT rect, UINT format = kCentred) {
    DrawTextA(dc, text, -1, &rect, format);
}

void drawEdge(HDC dc, RECT rect, UINT edge) { DrawEdge(dc, &rect, edge, BF_RECT); }

void fillRect(HDC dc, const RECT& rect, HBRUSH brush) { FillRect(dc, &rect, brush); }

void fillWithSysColor(HDC dc, const RECT& rect, int colorIndex) {
    GdiObject brush(CreateSolidBrush(GetSysColor(colorIndex)));
    fillRect(dc, rect, brush.brush());
}

void line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// The "."/"." and ":" between the start-moment fields, and the line under them,
// give way to the widened run button while a run is shown; a run left in the
// file that waits for the thermostat shows the fields, and so the separators.
bool startFieldsHidden(const PaintState& state) { return state.runShown; }

// The box around the set-point turns button-face while a run holds it.
bool setpointGreyed(const PaintState& state) { return state.setpointLocked; }

void drawStageNumberText(HDC dc, unsigned long number) {
    char text[16];
    wsprintfA(text, "%lu", number);
    drawText(dc, text, stageNumberBoxRect);
}

}  // namespace

PaintState currentPaintState() {
    PaintState state{};
    state.link = linkState();
    state.measuredTenths = measuredTenths();
    state.setpointLocked = setpointLocked();
    state.runShown = runShown();
    state.stageNumber = static_cast<unsigned long>(entryStageIndex()) + 1;
    state.stageStartDate = stageStartDateText();
    state.stageStartTime = stageStartTimeText();
    return state;
}

PaintTools currentPaintTools() { return PaintTools{fonts(), logoBitmap(), clientHeight()}; }

void paintWindowContents(HDC dc, const PaintState& state, const PaintTools& tools) {
    const bool connected = state.link == linkUp;
    const int h = tools.clientHeight;
    const MainFonts& f = tools.fonts;

    // 1. Panel frames: the three raised panels, then the sunken frames inside.
    drawEdge(dc, {10, 10, 130, 110}, EDGE_RAISED);
    drawEdge(dc, {10, 120, 130, 232}, EDGE_RAISED);
    drawEdge(dc, {140, 10, 490, h - 10}, EDGE_RAISED);
    drawEdge(dc, linkPanelRect, EDGE_SUNKEN);
    drawEdge(dc, {12, 122, 128, 230}, EDGE_SUNKEN);
    drawEdge(dc, {142, 12, 488, h - 12}, EDGE_SUNKEN);
    drawEdge(dc, {155, 25, 477, 265}, EDGE_SUNKEN);
    drawEdge(dc, {42, 163, 97, 187}, EDGE_SUNKEN);
    if (connected) drawEdge(dc, readoutRect, EDGE_SUNKEN);

    // 2-3. Panel captions on the button face.
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SelectedObject font(dc, f.boldFont);
    drawText(dc, "Температура", {12, 128, 128, 142});
    drawText(dc, "поддержания", {12, 142, 128, 156});
    if (connected) {
        drawText(dc, "Температура", {12, 18, 128, 32});
        drawText(dc, "в термостате", {12, 32, 128, 46});
    } else {
        drawText(dc, "Порт", {12, 22, 128, 36});
    }

    // 4. The help area's caption.
    if (f.helpFont) SelectObject(dc, f.helpFont);
    drawText(dc, "Справка", helpAreaRect);

    // 5. The maker's name, kept at a fixed distance from the bottom.
    if (f.brandFont) SelectObject(dc, f.brandFont);
    SetTextColor(dc, kBrandBlue);
    drawText(dc, "ЛИРВАН", {45, h - 24, 125, h - 10});

    // 6. White backgrounds; the set-point box turns button-face while the set
    // point is locked by a run, once the link has been decided.
    {
        GdiObject window(CreateSolidBrush(GetSysColor(COLOR_WINDOW)));
        if (connected) fillRect(dc, {22, 59, 118, 93}, window.brush());
        fillRect(dc, {157, 225, 474, 262}, window.brush());
        fillRect(dc, {157, 49, 474, 69}, window.brush());
        fillRect(dc, startMomentStripRect, window.brush());
        if (!setpointGreyed(state)) fillRect(dc, setpointBoxRect, window.brush());
    }
    if (setpointGreyed(state)) fillWithSysColor(dc, setpointBoxRect, COLOR_BTNFACE);

    // 7. Everything below sits on white.
    const COLORREF windowText = GetSysColor(COLOR_WINDOWTEXT);
    SetTextColor(dc, windowText);
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));

    // 8. The measured temperature, only while connected.
    if (connected) {
        char reading[kTemperatureTextSize];
        formatTemperature(state.measuredTenths, reading);
        if (f.readoutFont) SelectObject(dc, f.readoutFont);
        drawText(dc, reading, {22, 59, 88, 93}, kRight);
        if (f.unitFont) SelectObject(dc, f.unitFont);
        drawText(dc, "°C", {90, 59, 118, 93}, kLeft);
    }

    // 9. Column captions: the list has no header of its own.
    if (f.captionFont) SelectObject(dc, f.captionFont);
    drawText(dc, "Этап", {157, 49, 197, 69});
    drawText(dc, "Температура", {197, 49, 277, 69});
    drawText(dc, "Выдержка", {277, 49, 337, 69});
    drawText(dc, "Дата", {337, 49, 407, 69});
    drawText(dc, "Время", {407, 49, 457, 69});

    // 10-12. The stage entry row under the list.
    if (f.boldFont) SelectObject(dc, f.boldFont);
    drawStageNumberText(dc, state.stageNumber);
    drawText(dc, "Параметры этапа", {198, 224, 336, 244});
    drawText(dc, "Начало этапа", {338, 224, 456, 244});
    drawText(dc, "°C", {248, 247, 263, 257}, kLeft);
    drawText(dc, "ч", {297, 247, 306, 257}, kLeft);
    drawText(dc, "м", {323, 247, 332, 257}, kLeft);
    drawText(dc, state.stageStartDate ? state.stageStartDate : "", stageStartDateRect);
    drawText(dc, state.stageStartTime ? state.stageStartTime : "", stageStartTimeRect);

    // 13. Separators of the start moment.
    if (!startFieldsHidden(state)) {
        drawText(dc, ".", {361, 30, 365, 45});
        drawText(dc, ".", {382, 30, 386, 45});
        drawText(dc, ":", {430, 29, 435, 44});
    }

    // 14-15. The set-point unit, grey while the set point is locked.
    if (setpointGreyed(state)) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    }
    drawText(dc, "°C", {76, 165, 93, 185}, kLeft);

    // 16. The DC's own font back.
    font.restore();

    // 17. Button-face lines split the white strips into the table's cells.
    {
        GdiObject pen(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE)));
        SelectedObject selected(dc, pen.get());
        line(dc, 197, 49, 197, 68);
        line(dc, 277, 49, 277, 68);
        line(dc, 337, 49, 337, 68);
        line(dc, 407, 27, 407, 68);
        line(dc, 457, 27, 457, 68);
        line(dc, 157, 242, 479, 242);
        line(dc, 197, 225, 197, 262);
        line(dc, 277, 242, 277, 262);
        line(dc, 337, 225, 337, 262);
        line(dc, 407, 242, 407, 262);
        line(dc, 457, 225, 457, 262);
    }

    // 18. Dark rules above and below the captions and above the entry row.
    {
        GdiObject pen(CreatePen(PS_SOLID, 1, windowText));
        SelectedObject selected(dc, pen.get());
        line(dc, 157, 224, 474, 224);
        line(dc, 157, 68, 474, 68);
        if (!startFieldsHidden(state)) line(dc, 337, 48, 474, 48);
    }

    // 19. The logo beside the maker's name.
    if (tools.logo) {
        MemoryDC memory(dc);
        SelectedObject selected(memory.get(), tools.logo);
        BitBlt(dc, 20, h - 24, kLogoWidth, kLogoHeight, memory.get(), 0, 0, SRCCOPY);
    }
}

void paintStageNumber(HDC dc, HFONT boldFont, unsigned long number) {
    SelectedObject font(dc, boldFont);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    fillWithSysColor(dc, stageNumberBoxRect, COLOR_WINDOW);
    drawStageNumberText(dc, number);
}

void paintStageStart(HDC dc, HFONT boldFont, const char* date, const char* time) {
    SelectedObject font(dc, boldFont);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    // The texts are not always of one width: a stage taken from a blanked
    // schedule brings a single blank, and a date can have a three-digit year.
    // Clear the boxes first, or parts of the previous start would stay on screen.
    fillWithSysColor(dc, stageStartDateRect, COLOR_WINDOW);
    fillWithSysColor(dc, stageStartTimeRect, COLOR_WINDOW);
    drawText(dc, date ? date : "", stageStartDateRect);
    drawText(dc, time ? time : "", stageStartTimeRect);
}

LRESULT paintMainWindow(HWND window) {
    PaintDC paint(window);
    if (paint.get()) paintWindowContents(paint.get(), currentPaintState(), currentPaintTools());
    return 0;
}

void redrawStageNumber(HWND window) {
    WindowDC dc(window);
    if (!dc.get()) return;
    paintStageNumber(dc.get(), fonts().boldFont, static_cast<unsigned long>(entryStageIndex()) + 1);
}

void redrawStageStart(HWND window) {
    WindowDC dc(window);
    if (!dc.get()) return;
    paintStageStart(dc.get(), fonts().boldFont, stageStartDateText(), stageStartTimeText());
}
