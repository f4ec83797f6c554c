// The wizard's dialog procedure: page pictures, palette and the notice line.
#include <windows.h>
#include <assert.h>

#include "wizard.h"
#include "../app/installer_state.h"
#include "../res/page_texts.h"
#include "../res/resource.h"

static const WORD PageBitmapTable[] = { IDB_WELCOME, IDB_AGREEMENT, IDB_LOCATION, IDB_FINISHED };
// The same words as the pictures hold: the generator draws them from page_texts.h too.
const char* const g_pageMessages[] = {
    PAGE_TEXT_WELCOME, PAGE_TEXT_AGREEMENT, PAGE_TEXT_LOCATION, PAGE_TEXT_FINISHED
};
static_assert(sizeof g_pageMessages / sizeof g_pageMessages[0] == PAGE_FINISHED + 1, "one message a page");

static const COLORREF PageBackground = RGB(102, 51, 255);
static const COLORREF NoticeColour = RGB(49, 207, 255);

static HBITMAP LoadPagePicture(WORD id)
{
    return (HBITMAP)LoadImageA(g_installer.instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                               LR_CREATEDIBSECTION);
}

static void PaintPlainBackground(HDC dc, const RECT* client)
{
    HBRUSH brush = CreateSolidBrush(PageBackground);
    FillRect(dc, client, brush);
    DeleteObject(brush);
}

static void PaintPageBackground(HDC dc, WORD bitmapId)
{
    RECT client;
    GetClientRect(g_installer.wizardWindow, &client);
    HBITMAP bitmap = LoadPagePicture(bitmapId);
    DIBSECTION section;
    if (!bitmap || GetObjectA(bitmap, sizeof section, &section) != sizeof section) {
        // Never leave whatever was on screen behind the controls.
        if (bitmap) DeleteObject(bitmap);
        PaintPlainBackground(dc, &client);
        return;
    }
    LONG width = section.dsBm.bmWidth;
    LONG height = section.dsBm.bmHeight;

    HDC memory = CreateCompatibleDC(dc);
    HPALETTE oldMemoryPalette = NULL, oldPalette = NULL;
    if (g_installer.palette) {
        oldMemoryPalette = SelectPalette(memory, g_installer.palette, FALSE);
        RealizePalette(memory);
        oldPalette = SelectPalette(dc, g_installer.palette, FALSE);
        RealizePalette(dc);
    }
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    // Larger than the picture (large fonts): its top-left corner, which is
    // plain background, stretched over everything first, so no grey shows.
    if (client.right > width || client.bottom > height)
        StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, 6, 4, SRCCOPY);
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);

    SelectObject(memory, oldBitmap);
    if (oldMemoryPalette) SelectPalette(memory, oldMemoryPalette, FALSE);
    if (oldPalette) SelectPalette(dc, oldPalette, FALSE);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

static void CreateWizardPalette()
{
    HBITMAP bitmap = LoadPagePicture(IDB_WELCOME);
    if (!bitmap) return;
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    RGBQUAD colours[256];   // the most an 8-bit picture has
    UINT count = GetDIBColorTable(memory, 0, sizeof colours / sizeof colours[0], colours);
    if (count > 0) {
        DWORD bytes = 4 + 4 * count;
        LOGPALETTE* record = (LOGPALETTE*)VirtualAlloc(NULL, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (record) {
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
    }
    SelectObject(memory, oldBitmap);
    DeleteDC(memory);
    DeleteObject(bitmap);
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
    SetTextColor(dc, NoticeColour);
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

INT_PTR CALLBACK WizardDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        CreateWizardPalette();
        return 0;
    case WM_ERASEBKGND:
        assert(g_installer.currentPage >= PAGE_WELCOME && g_installer.currentPage <= PAGE_FINISHED);
        PaintPageBackground((HDC)wParam, PageBitmapTable[g_installer.currentPage]);
        return 1;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0) OnWizardCommand(LOWORD(wParam));
        return 0;
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
        g_installer.palette = NULL;
        g_installer.noticeFont = NULL;
        return 0;
    default:
        return 0;
    }
}
