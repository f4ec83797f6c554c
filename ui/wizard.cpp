// The wizard's dialog procedure: its layout at the display scale, the page
// backgrounds, palette and the notice line.
#include <windows.h>
#include <assert.h>

#include "page_art.h"
#include "wizard.h"
#include "installer_state.h"
#include "../res/resource.h"
#include "../win/library_search.h"

static const COLORREF NoticeColour = RGB(49, 207, 255);

static void PaintPlainBackground(HDC dc, const RECT* client)
{
    HBRUSH brush = CreateSolidBrush(PageColour(PageBackground, g_installer.highContrast));
    FillRect(dc, client, brush);
    DeleteObject(brush);
}

static void ForgetDrawnPage()
{
    if (g_installer.drawnPage) DeleteObject(g_installer.drawnPage);
    g_installer.drawnPage = NULL;
}

// The one place Windows' high contrast is read. Called at the start and
// again whenever it or the system's colours may have changed; the page is
// then drawn afresh in the colours now in force.
static void ReadHighContrast(HWND window)
{
    HIGHCONTRASTA contrast = { sizeof contrast, 0, NULL };
    g_installer.highContrast = SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                               (contrast.dwFlags & HCF_HIGHCONTRASTON);
    ForgetDrawnPage();
    InvalidateRect(window, NULL, TRUE);
}

static void PaintPageBackground(HDC dc, int page)
{
    RECT client;
    GetClientRect(g_installer.wizardWindow, &client);
    // A page drawn for a scale or for high contrast is kept until the page,
    // the scale or the colours change; the 96 DPI pictures are loaded afresh
    // on every paint.
    HBITMAP bitmap = g_installer.drawnPage;
    if (!bitmap || g_installer.drawnPageNumber != page) {
        ForgetDrawnPage();
        bitmap = MakePageBitmap(page, g_installer.dpi, g_installer.highContrast);
        if (g_installer.dpi != USER_DEFAULT_SCREEN_DPI || g_installer.highContrast) {
            g_installer.drawnPage = bitmap;
            g_installer.drawnPageNumber = page;
        }
    }
    DIBSECTION section;
    if (!bitmap || GetObjectA(bitmap, sizeof section, &section) != sizeof section) {
        // Never leave whatever was on screen behind the controls.
        if (bitmap != g_installer.drawnPage) DeleteObject(bitmap);
        ForgetDrawnPage();
        PaintPlainBackground(dc, &client);
        return;
    }
    LONG width = section.dsBm.bmWidth;
    LONG height = section.dsBm.bmHeight;

    HDC memory = CreateCompatibleDC(dc);
    HPALETTE oldMemoryPalette = NULL, oldPalette = NULL;
    // Only a 256-colour display maps through a palette; on any other,
    // selecting and realising one costs wine a few tenths of a millisecond
    // at every paint and changes no pixel.
    if (g_installer.palette && (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)) {
        oldMemoryPalette = SelectPalette(memory, g_installer.palette, FALSE);
        RealizePalette(memory);
        oldPalette = SelectPalette(dc, g_installer.palette, FALSE);
        RealizePalette(dc);
    }
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    // Larger than the page (large fonts, or a window made larger): its
    // top-left corner, which is plain background, stretched over everything
    // first, so no grey shows. A page larger than the window is clipped.
    if (client.right > width || client.bottom > height)
        StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, 6, 4, SRCCOPY);
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);

    SelectObject(memory, oldBitmap);
    if (oldMemoryPalette) SelectPalette(memory, oldMemoryPalette, FALSE);
    if (oldPalette) SelectPalette(dc, oldPalette, FALSE);
    if (bitmap != g_installer.drawnPage) DeleteObject(bitmap);
    DeleteDC(memory);
}

static void CreateWizardPalette()
{
    // The palette comes from the Welcome picture, whose table holds every
    // colour of every page: read where the resource keeps it, right behind
    // the picture's header, rather than by loading the whole picture (a
    // quarter of a millisecond at every start, for the table alone).
    HRSRC found = FindResourceA(g_installer.instance, MAKEINTRESOURCEA(IDB_WELCOME), (LPCSTR)RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(g_installer.instance, found) : NULL;
    const BITMAPINFOHEADER* header = loaded ? (const BITMAPINFOHEADER*)LockResource(loaded) : NULL;
    DWORD size = found ? SizeofResource(g_installer.instance, found) : 0;
    if (!header || size < sizeof *header || header->biSize < sizeof *header || header->biBitCount > 8) return;
    UINT count = header->biClrUsed ? header->biClrUsed : 1u << header->biBitCount;
    if (count > 256 || header->biSize + 4 * count > size) return;   // the most an 8-bit picture has
    const RGBQUAD* colours = (const RGBQUAD*)((const BYTE*)header + header->biSize);
    DWORD bytes = 4 + 4 * count;
    LOGPALETTE* record = (LOGPALETTE*)VirtualAlloc(NULL, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!record) return;
    record->palVersion = 0x300;
    record->palNumEntries = (WORD)count;
    for (UINT i = 0; i < count; ++i) {
        record->palPalEntry[i].peRed = colours[i].rgbRed;
        record->palPalEntry[i].peGreen = colours[i].rgbGreen;
        record->palPalEntry[i].peBlue = colours[i].rgbBlue;
        record->palPalEntry[i].peFlags = 0;
    }
    g_installer.palette = CreatePalette(record);
    VirtualFree(record, 0, MEM_RELEASE);
}

static void RealiseWizardPalette(HWND window)
{
    if (!g_installer.palette) return;
    HDC dc = GetDC(window);
    HPALETTE old = SelectPalette(dc, g_installer.palette, FALSE);
    if (RealizePalette(dc) != 0) InvalidateRect(window, NULL, TRUE);
    if (old) SelectPalette(dc, old, FALSE);
    ReleaseDC(window, dc);
}

static INT_PTR ColourNotice(HWND window, HDC dc, HWND control)
{
    if (control != GetDlgItem(window, IDC_NOTICE)) return 0;
    SetTextColor(dc, PageColour(NoticeColour, g_installer.highContrast));
    SetBkMode(dc, TRANSPARENT);
    if (!g_installer.noticeFont) {
        LOGFONTA font;
        HGDIOBJ current = GetCurrentObject(dc, OBJ_FONT);
        if (current && GetObjectA(current, sizeof font, &font) == sizeof font) {
            font.lfWeight = FW_BOLD;
            g_installer.noticeFont = CreateFontIndirectA(&font);
            // Some static controls select their own font after asking for
            // colours (wine's does); make the bold one theirs as well. The
            // control only borrows it: WM_DESTROY deletes it.
            if (g_installer.noticeFont) {
                SendMessageA(control, WM_SETFONT, (WPARAM)g_installer.noticeFont, FALSE);
                InvalidateRect(control, NULL, TRUE);
            }
        }
    }
    if (g_installer.noticeFont) SelectObject(dc, g_installer.noticeFont);
    return (INT_PTR)GetStockObject(NULL_BRUSH);
}

// The template's strings and numbers in place of strings: 0xFFFF and a
// number, or text up to its NUL.
static const WORD* SkipNameOrNumber(const WORD* at)
{
    if (*at == 0xFFFF) return at + 2;
    while (*at++) {}
    return at;
}

// user32's DPI functions of Windows 10 are looked up: an import of them would
// keep the installer from starting on older Windows.
static FARPROC User32Function(const char* name)
{
    return GetProcAddress(GetModuleHandleA("user32.dll"), name);
}

// Lays the wizard out for `dpi`: the 100 % layout, the one the dialog
// manager makes of the template at 96 DPI, times the scale, with the
// window's top-left at `topLeft` (NULL: its centre where it is now). The
// dialog manager's own layout at another DPI will not do: the base units of
// the font it picks there do not grow in step with the DPI (under wine 441 x
// 224 client pixels at 96 DPI, 588 x 279 at 120), and the controls part from
// the free areas of the page. The controls get the dialog's font at the same
// point size for the scale, the notice line its bold. With `answer`, only
// that: the window size the layout will end at (WM_GETDPISCALEDSIZE).
// False when it could lay out nothing (no template, no dialog font).
static bool LayOutWizard(HWND window, UINT dpi, const POINT* topLeft, SIZE* answer)
{
    // The template is the extended kind with a font (installer.rc).
    HRSRC found = FindResourceW(g_installer.instance, MAKEINTRESOURCEW(IDD_WIZARD), (LPCWSTR)RT_DIALOG);
    const WORD* at = found ? (const WORD*)LockResource(LoadResource(g_installer.instance, found)) : NULL;
    LOGFONTA font;
    HFONT dialogFont = (HFONT)SendMessageA(window, WM_GETFONT, 0, 0);
    if (!at || !dialogFont || GetObjectA(dialogFont, sizeof font, &font) != sizeof font) return false;
    const LONG dialogHeight = font.lfHeight;
    int items = at[8];
    RECT box = { 0, 0, at[11], at[12] };   // the client area, in dialog units
    at = SkipNameOrNumber(SkipNameOrNumber(SkipNameOrNumber(at + 13)));   // menu, class, caption
    int points = *at;
    at = SkipNameOrNumber(at + 3);                                         // size, weight, italic, face

    // The base units of the dialog font at 96 DPI, measured as the dialog
    // manager measures them (the extent's height is the font's), whatever the
    // system DPI is.
    font.lfHeight = -MulDiv(points, USER_DEFAULT_SCREEN_DPI, 72);
    HDC dc = GetDC(window);
    HFONT measured = CreateFontIndirectA(&font);
    HGDIOBJ old = SelectObject(dc, measured);
    SIZE letters = {};
    GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    SelectObject(dc, old);
    DeleteObject(measured);
    ReleaseDC(window, dc);
    const int units[4] = { (letters.cx / 26 + 1) / 2, letters.cy, (letters.cx / 26 + 1) / 2, letters.cy };
    // A rectangle in dialog units (left, top, width, height) to client pixels
    // at the scale: the 100 % one first, as the dialog manager rounds it.
    auto scaled = [dpi](LONG pixels) { return MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI); };
    auto place = [&](RECT* r) {
        LONG* edge = &r->left;
        for (int i = 0; i < 4; ++i) edge[i] = MulDiv(edge[i], units[i], i & 1 ? 8 : 4) + (i > 1 ? edge[i - 2] : 0);
        for (int i = 3; i >= 0; --i) edge[i] = scaled(edge[i]) - (i > 1 ? scaled(edge[i - 2]) : 0);
    };
    place(&box);

    // The window around it: the frame as Windows 10 1607 on draws it at
    // `dpi`, else at the system DPI, as XP to 8.1 do. Only a guess, put right
    // below: WM_DPICHANGED comes before the frame of a per-monitor v2 window
    // takes the new DPI (1703 on), and wine keeps it at the system DPI.
    RECT framed = box;
    DWORD style = GetWindowLongA(window, GWL_STYLE), extended = GetWindowLongA(window, GWL_EXSTYLE);
    typedef BOOL(WINAPI * AdjustForDpiProc)(RECT*, DWORD, BOOL, DWORD, UINT);
    AdjustForDpiProc adjust = (AdjustForDpiProc)(void*)User32Function("AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&framed, style, FALSE, extended, dpi)) AdjustWindowRectEx(&framed, style, FALSE, extended);
    framed.right -= framed.left;   // now the window's width and height
    framed.bottom -= framed.top;
    if (answer) {
        *answer = { framed.right, framed.bottom };
        return true;
    }

    // At the start the dialog manager has given every control the dialog
    // font made for this DPI already: they keep it, the notice line gets its
    // bold at its first paint as at 100 %, and no WM_SETFONT costs the start
    // time. Once they have ours, a new scale sets ours again.
    font.lfHeight = -MulDiv(points, dpi, 72);
    const bool keepFonts = !g_installer.controlFont && dialogHeight == font.lfHeight;
    HFONT controlFont = keepFonts ? NULL : CreateFontIndirectA(&font);
    font.lfWeight = FW_BOLD;
    HFONT noticeFont = keepFonts ? NULL : CreateFontIndirectA(&font);
    const BOOL shown = IsWindowVisible(window);
    // Nothing of a window not yet shown is on the screen to redraw.
    const UINT moveFlags = SWP_NOZORDER | SWP_NOACTIVATE | (shown ? 0 : SWP_NOREDRAW);
    for (int i = 0; i < items; ++i) {
        at = (const WORD*)(((ULONG_PTR)at + 3) & ~(ULONG_PTR)3);   // each item starts on a DWORD
        const short* item = (const short*)at + 6;                  // x, y, width, height
        RECT r = { item[0], item[1], item[2], item[3] };
        place(&r);
        DWORD id = *(const DWORD*)(at + 10);
        HWND control = GetDlgItem(window, id);
        SetWindowPos(control, NULL, r.left, r.top, r.right, r.bottom, moveFlags);
        // Redrawn only on a window already shown: at the start the first
        // paint draws them all, and a redraw each costs the start time.
        if (!keepFonts) SendMessageA(control, WM_SETFONT, (WPARAM)(id == IDC_NOTICE ? noticeFont : controlFont), shown);
        at = SkipNameOrNumber(SkipNameOrNumber(at + 12));                   // class, text
        at = (const WORD*)((const BYTE*)(at + 1) + *at);                   // creation data
    }
    if (!keepFonts) {
        if (g_installer.controlFont) DeleteObject(g_installer.controlFont);
        if (g_installer.noticeFont) DeleteObject(g_installer.noticeFont);
        g_installer.controlFont = controlFont;
        g_installer.noticeFont = noticeFont;
    }

    RECT outer, client;
    GetWindowRect(window, &outer);
    POINT corner = { (outer.left + outer.right - framed.right) / 2, (outer.top + outer.bottom - framed.bottom) / 2 };
    if (topLeft) corner = *topLeft;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(window, NULL, corner.x, corner.y, framed.right, framed.bottom, flags);
    // The client area is what counts: once more by what the guess missed.
    GetClientRect(window, &client);
    if (client.right != box.right || client.bottom != box.bottom)
        SetWindowPos(window, NULL, 0, 0, framed.right + box.right - client.right,
                     framed.bottom + box.bottom - client.bottom, flags | SWP_NOMOVE);
    return true;
}

UINT StartingDpi(HWND window, DpiForWindowProc forWindow, DpiForMonitorProc forMonitor)
{
    const int EffectiveDpi = 0;   // MDT_EFFECTIVE_DPI
    UINT dpi = forWindow ? forWindow(window) : 0, x;
    if (!dpi && forMonitor &&
        forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), EffectiveDpi, &x, &dpi) != S_OK)
        dpi = 0;
    if (!dpi) {
        HDC screen = GetDC(NULL);
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(NULL, screen);
    }
    return dpi;
}

static void SetUpScale(HWND window)
{
    // Per-monitor v2 (Windows 10 1703 on): the dialog manager would lay the
    // dialog out again on its own when the DPI changes; ours rules instead.
    typedef BOOL(WINAPI * SetBehaviourProc)(HWND, int, int);
    SetBehaviourProc setBehaviour = (SetBehaviourProc)(void*)User32Function("SetDialogDpiChangeBehavior");
    if (setBehaviour) setBehaviour(window, 1, 1);   // DDC_DISABLE_ALL
    // Windows 8.1 and 10 before 1607 lack GetDpiForWindow: shcore, only for
    // them, and from the system folder only. An import of it would keep the
    // installer from starting before 8.1.
    DpiForWindowProc forWindow = (DpiForWindowProc)(void*)User32Function("GetDpiForWindow");
    HMODULE shcore = forWindow ? NULL : LoadSystemLibrary("shcore.dll");
    DpiForMonitorProc forMonitor = shcore ? (DpiForMonitorProc)(void*)GetProcAddress(shcore, "GetDpiForMonitor") : NULL;
    g_installer.dpi = StartingDpi(window, forWindow, forMonitor);
    if (shcore) FreeLibrary(shcore);
    // At 96 DPI the dialog manager's layout is the 100 % one already.
    if (g_installer.dpi != USER_DEFAULT_SCREEN_DPI) LayOutWizard(window, g_installer.dpi, NULL, NULL);
}

// WM_DPICHANGED: the window moved to a monitor of another scale, or the
// scale changed. The new DPI is in wParam; GetDpiForWindow can still answer
// the old one (wine's does). The suggested rectangle's top-left is kept, its
// size is not: the client area is the 100 % layout times the new scale.
static void ChangeScale(HWND window, WPARAM wParam, const RECT* suggested)
{
    g_installer.dpi = HIWORD(wParam);
    ForgetDrawnPage();
    POINT corner = { suggested->left, suggested->top };
    LayOutWizard(window, g_installer.dpi, &corner, NULL);
    InvalidateRect(window, NULL, TRUE);
}

INT_PTR CALLBACK WizardDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        ReadHighContrast(window);
        CreateWizardPalette();
        SetUpScale(window);
        return 0;
    case WM_ERASEBKGND:
        assert(g_installer.currentPage >= PAGE_WELCOME && g_installer.currentPage <= PAGE_FINISHED);
        PaintPageBackground((HDC)wParam, g_installer.currentPage);
        return 1;
    case WM_DPICHANGED:
        ChangeScale(window, wParam, (const RECT*)lParam);
        return 1;
    case WM_GETDPISCALEDSIZE:
        // The size the move will end at, not Windows' linear guess: a
        // rectangle of the wrong size can put the window back on the monitor
        // it left, to and fro.
        // FALSE, where no size was worked out, leaves Windows its own.
        if (!LayOutWizard(window, LOWORD(wParam), NULL, (SIZE*)lParam)) return FALSE;
        SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0) OnWizardCommand(LOWORD(wParam));
        // A choice in the players' list, by mouse or by key. CBN_SELENDOK
        // comes also when the item chosen is the one already shown, for which
        // no CBN_SELCHANGE comes: after another folder was typed, choosing
        // that player again puts its folder back.
        if ((HIWORD(wParam) == CBN_SELCHANGE || HIWORD(wParam) == CBN_SELENDOK) && LOWORD(wParam) == IDC_PLAYERS)
            OnPlayerChosen();
        if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_LOCATION) OnFolderChanged();
        return 0;
    case WM_SETTINGCHANGE:
        if (wParam != SPI_SETHIGHCONTRAST) return 0;
        [[fallthrough]];   // high contrast was switched
    case WM_SYSCOLORCHANGE:
        ReadHighContrast(window);
        return 0;
    case WM_DRAWITEM:
        // The players' label in the page's words' style; the message and the
        // box's name draw nothing, leaving the page's words as they are.
        if (wParam != IDC_PLAYERS_NAME) return FALSE;
        DrawPageLabel((const DRAWITEMSTRUCT*)lParam, g_installer.dpi, g_installer.highContrast);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return ColourNotice(window, (HDC)wParam, (HWND)lParam);
    case WM_QUERYNEWPALETTE:
        RealiseWizardPalette(window);
        return 0;
    case WM_PALETTECHANGED:
        if ((HWND)wParam != window) RealiseWizardPalette(window);
        return 0;
    case WM_DESTROY:
        if (g_installer.palette) DeleteObject(g_installer.palette);
        if (g_installer.noticeFont) DeleteObject(g_installer.noticeFont);
        if (g_installer.controlFont) DeleteObject(g_installer.controlFont);
        ForgetDrawnPage();
        g_installer.palette = NULL;
        g_installer.noticeFont = NULL;
        g_installer.controlFont = NULL;
        return 0;
    default:
        return 0;
    }
}
