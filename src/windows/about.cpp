#include "about.h"

#include "look.h"
#include "controls.h"
#include "startup.h"
#include "scoped_handles.h"
#include "resource.h"

namespace {

// The dialog's logo keeps its own background on the cyan banner, so it is a
// copy of its own, not the main window's blended one.
GdiObject logo;

constexpr COLORREF kBannerCyan = 0x00FFFF00;

RECT mapped(HWND dialog, RECT units) {
    MapDialogRect(dialog, &units);
    return units;
}

void releaseLogo() { logo.reset(); }

void paintAbout(HWND dialog) {
    const RECT banner = mapped(dialog, {0, 0, 200, 14});
    PaintDC paint(dialog);
    const HDC dc = paint.get();
    if (!dc) return;

    {
        GdiObject brush(CreateSolidBrush(kBannerCyan));
        FillRect(dc, &banner, brush.brush());
    }
    {
        GdiObject pen(CreatePen(PS_SOLID, 2, kBrandBlue));
        SelectedObject selected(dc, pen.get());
        MoveToEx(dc, banner.left, banner.bottom, nullptr);
        LineTo(dc, banner.right, banner.bottom);
    }
    {
        RECT text = mapped(dialog, {69, 0, 200, 14});
        SelectedObject font(dc, fonts().brandFont);
        SetTextColor(dc, kBrandBlue);
        SetBkColor(dc, kBannerCyan);
        DrawTextA(dc, "ЗАО \"ЛИРВАН\"", -1, &text, DT_VCENTER | DT_SINGLELINE);
    }
    if (logo) {
        const RECT place = mapped(dialog, {0, 0, 46, 14});
        MemoryDC memory(dc);
        SelectedObject selected(memory.get(), logo.get());
        BitBlt(dc, place.right, (place.bottom - place.top - kLogoHeight) / 2, kLogoWidth, kLogoHeight, memory.get(),
               0, 0, SRCCOPY);
    }
    const RECT iconRow = mapped(dialog, {0, 40, 154, 55});
    if (programIcon()) DrawIcon(dc, 15, iconRow.top, programIcon());
}

void closeAbout(HWND dialog) {
    releaseLogo();
    EndDialog(dialog, 0);
}

}  // namespace

void showAboutDialog(HWND owner) {
    DialogBoxParamA(appInstance(), "AboutDialog", owner, aboutDialogProc, 0);
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        logo.reset(LoadBitmapA(appInstance(), MAKEINTRESOURCEA(IDB_LOGO)));
        return FALSE;  // no default keyboard focus
    case WM_PAINT:
        paintAbout(dialog);
        return FALSE;
    case WM_COMMAND:
        // Only the OK button closes; the Escape key's IDCANCEL does not.
        if (wParam != IDC_ABOUT_OK) return FALSE;
        closeAbout(dialog);
        return TRUE;
    case WM_CLOSE:
        closeAbout(dialog);
        return TRUE;
    case WM_DESTROY:
        // Destroyed with its owner rather than closed: the logo goes too.
        releaseLogo();
        return FALSE;
    default:
        return FALSE;
    }
}

HBITMAP aboutLogo() { return logo.bitmap(); }
