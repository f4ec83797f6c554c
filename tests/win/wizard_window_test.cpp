// The dialog procedure in-process: painting, the notice line, and that the
// paint paths give back every GDI object they take; and the program icon.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "../../ui/installer_state.h"
#include "../../ui/page_art.h"
#include "../../ui/wizard.h"
#include "../../res/resource.h"

namespace {

const COLORREF Background = RGB(102, 51, 255);

// A page's pixels as 0xRRGGBB, top-down; the bitmap is deleted.
struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> at;
    explicit Pixels(HBITMAP bitmap)
    {
        BITMAP b;
        if (!bitmap || !GetObjectA(bitmap, sizeof b, &b)) return;
        BITMAPINFO info = {};
        info.bmiHeader = { sizeof info.bmiHeader, b.bmWidth, -b.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
        at.resize((size_t)b.bmWidth * b.bmHeight);
        HDC dc = GetDC(NULL);
        if (GetDIBits(dc, bitmap, 0, b.bmHeight, at.data(), &info, DIB_RGB_COLORS) == b.bmHeight)
            width = b.bmWidth, height = b.bmHeight;
        ReleaseDC(NULL, dc);
        DeleteObject(bitmap);
    }
    DWORD operator()(int x, int y) const { return at[(size_t)y * width + x] & 0xFFFFFF; }
};

// The box around the pixels of one colour.
RECT Extent(const Pixels& p, DWORD colour)
{
    RECT box = { p.width, p.height, 0, 0 };
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p(x, y) == colour) {
                box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

// Windows 10 1703 on draws a per-monitor v2 window's frame at its new DPI
// from the first resize after WM_DPICHANGED; wine keeps it at the system
// DPI. Here the frame is `g_thicker` pixels thicker each side than wine's.
WNDPROC g_dialogWindowProc;
int g_thicker;
LRESULT CALLBACK FrameOfTheNewScale(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcA(g_dialogWindowProc, window, message, wParam, lParam);
    if (message == WM_NCCALCSIZE) InflateRect((RECT*)lParam, -g_thicker, -g_thicker);   // the client rectangle first
    return result;
}

LRESULT CALLBACK WithoutFont(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == WM_GETFONT ? 0 : CallWindowProcA(g_dialogWindowProc, window, message, wParam, lParam);
}

class WizardWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_installer.instance = GetModuleHandleA(NULL);
        g_installer.currentPage = 0;
        window = CreateDialogParamA(g_installer.instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, WizardDialogProc, 0);
        ASSERT_NE((HWND)NULL, window);
        g_installer.wizardWindow = window;
        screen = GetDC(NULL);
        memory = CreateCompatibleDC(screen);
        RECT r;
        GetClientRect(window, &r);
        width = r.right + 60;
        height = r.bottom + 40;
        canvas = CreateCompatibleBitmap(screen, width, height);
        old = SelectObject(memory, canvas);
    }
    void TearDown() override
    {
        SelectObject(memory, old);
        DeleteObject(canvas);
        DeleteDC(memory);
        ReleaseDC(NULL, screen);
        DestroyWindow(window);
        EXPECT_EQ((HPALETTE)NULL, g_installer.palette);
        EXPECT_EQ((HFONT)NULL, g_installer.noticeFont);
        g_installer.instance = GetModuleHandleA(NULL);
    }

    void Erase()
    {
        // Grey first, so a paint that leaves anything out shows.
        RECT all = { 0, 0, width, height };
        FillRect(memory, &all, (HBRUSH)GetStockObject(GRAY_BRUSH));
        EXPECT_EQ(1, (int)WizardDialogProc(window, WM_ERASEBKGND, (WPARAM)memory, 0));
    }

    double BackgroundShare(int x0, int y0, int x1, int y1)
    {
        int total = 0, match = 0;
        for (int y = y0; y < y1; y += 3)
            for (int x = x0; x < x1; x += 3, ++total)
                if (GetPixel(memory, x, y) == Background) ++match;
        return total ? (double)match / total : 0;
    }

    // How many more GDI objects the process may make: filled up to the
    // limit and given back. The runtime reports no counts (GetGuiResources
    // gives 0 under wine), but a leak lowers this number one for one.
    static size_t GdiObjectsLeft()
    {
        static HBRUSH made[70000];
        size_t n = 0;
        while (n < sizeof made / sizeof made[0] && (made[n] = CreateSolidBrush(RGB(1, 2, 3))) != NULL) ++n;
        for (size_t i = 0; i < n; ++i) DeleteObject(made[i]);
        return n;
    }

    void ChangeScale(int dpi)
    {
        RECT suggested = { 40, 30, 900, 700 };
        EXPECT_EQ(1, (int)WizardDialogProc(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&suggested));
    }

    // The client area and each control, in client pixels.
    void Layout(RECT* rects)
    {
        GetClientRect(window, &rects[0]);
        for (int i = 1; i < 10; ++i) {
            GetWindowRect(GetDlgItem(window, Controls[i - 1]), &rects[i]);
            MapWindowPoints(NULL, window, (POINT*)&rects[i], 2);
        }
    }
    static constexpr int Controls[9] = { IDC_MESSAGE, IDC_NEXT,    IDCANCEL,      IDC_BACK,  IDC_LOCATION,
                                         IDC_BROWSE,  IDC_PLAYERS, IDC_AGREEMENT, IDC_NOTICE };

    HWND window = NULL;
    HDC screen = NULL, memory = NULL;
    HBITMAP canvas = NULL;
    HGDIOBJ old = NULL;
    int width = 0, height = 0;
};

TEST_F(WizardWindow, InitialisationMakesThePaletteFromTheWelcomePicture)
{
    ASSERT_NE((HPALETTE)NULL, g_installer.palette);
    PALETTEENTRY entries[256];
    UINT n = GetPaletteEntries(g_installer.palette, 0, 256, entries);
    EXPECT_EQ(256u, n);
    bool hasBackground = false;
    for (UINT i = 0; i < n; ++i)
        if (RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue) == Background) hasBackground = true;
    EXPECT_TRUE(hasBackground);
}

TEST_F(WizardWindow, EveryPagePaintsItsPictureAndFillsBeyondIt)
{
    for (int page = 0; page < 4; ++page) {
        g_installer.currentPage = page;
        Erase();
        EXPECT_GT(BackgroundShare(0, 0, 445, 240), 0.6) << "page " << page;
        // Beyond the picture: the window's client area, larger than 445 x 240
        // here, takes the background colour, not grey.
        RECT client;
        GetClientRect(window, &client);
        if (client.right > 445) {
            EXPECT_GT(BackgroundShare(446, 0, client.right, client.bottom), 0.99) << page;
        }
        if (client.bottom > 240) {
            EXPECT_GT(BackgroundShare(0, 241, client.right, client.bottom), 0.99) << page;
        }
    }
}

TEST_F(WizardWindow, PagesDifferFromEachOther)
{
    unsigned sums[4] = {};
    for (int page = 0; page < 4; ++page) {
        g_installer.currentPage = page;
        Erase();
        for (int y = 0; y < 240; y += 2)
            for (int x = 0; x < 445; x += 2) sums[page] = sums[page] * 31 + GetPixel(memory, x, y);
    }
    EXPECT_NE(sums[0], sums[1]);
    EXPECT_NE(sums[1], sums[2]);
    EXPECT_NE(sums[2], sums[3]);
}

TEST_F(WizardWindow, MissingPicturePaintsThePlainBackground)
{
    // A module without the pictures: nothing loads.
    g_installer.instance = GetModuleHandleA("kernel32.dll");
    Erase();
    RECT client;
    GetClientRect(window, &client);
    EXPECT_GT(BackgroundShare(0, 0, client.right, client.bottom), 0.99);
}

TEST_F(WizardWindow, NoticeLineIsBoldColouredAndTransparent)
{
    HWND notice = GetDlgItem(window, IDC_NOTICE);
    HDC dc = GetDC(notice);
    HBRUSH brush = (HBRUSH)WizardDialogProc(window, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)notice);
    EXPECT_EQ(GetStockObject(NULL_BRUSH), (HGDIOBJ)brush);
    EXPECT_EQ(RGB(49, 207, 255), GetTextColor(dc));
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    ASSERT_NE((HFONT)NULL, g_installer.noticeFont);
    LOGFONTA font;
    ASSERT_EQ((int)sizeof font, GetObjectA(g_installer.noticeFont, sizeof font, &font));
    EXPECT_EQ(FW_BOLD, font.lfWeight);
    EXPECT_EQ((HGDIOBJ)g_installer.noticeFont, GetCurrentObject(dc, OBJ_FONT));
    // The control draws with it too, whatever order it selects fonts in.
    EXPECT_EQ((LRESULT)g_installer.noticeFont, SendMessageA(notice, WM_GETFONT, 0, 0));
    // Made once, then reused.
    HFONT first = g_installer.noticeFont;
    SendMessageA(window, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)notice);
    EXPECT_EQ(first, g_installer.noticeFont);
    ReleaseDC(notice, dc);

    // Any other static control keeps the default colours.
    HWND agreement = GetDlgItem(window, IDC_AGREEMENT);
    dc = GetDC(agreement);
    EXPECT_EQ(0, (int)WizardDialogProc(window, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)agreement));
    ReleaseDC(agreement, dc);
}

TEST_F(WizardWindow, PaintingAndPaletteGiveBackEveryObject)
{
    HWND notice = GetDlgItem(window, IDC_NOTICE);
    HDC dc = GetDC(notice);
    SendMessageA(window, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)notice);   // the font, once
    ReleaseDC(notice, dc);
    for (int page = 0; page < 4; ++page) {
        g_installer.currentPage = page;
        Erase();
    }
    // Once to another scale and back, so the fonts of a scale exist.
    ChangeScale(144);
    ChangeScale(96);
    size_t before = GdiObjectsLeft();
    for (int round = 0; round < 50; ++round) {
        g_installer.currentPage = round & 3;
        if (round % 10 == 5) ChangeScale(144);
        if (round % 10 == 8) ChangeScale(96);
        Erase();
        SendMessageA(window, WM_QUERYNEWPALETTE, 0, 0);
        SendMessageA(window, WM_PALETTECHANGED, (WPARAM)GetDesktopWindow(), 0);
        dc = GetDC(notice);
        SendMessageA(window, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)notice);
        ReleaseDC(notice, dc);
    }
    EXPECT_EQ(before, GdiObjectsLeft());
}

// A move to a monitor of another scale: the 100 % layout times the scale at
// the suggested top-left, the controls' font at that scale; and back. The
// frame grows and shrinks with the scale, as Windows draws it.
TEST_F(WizardWindow, DpiChangeLaysItOutAgainAndBack)
{
    RECT at100[10], got[10];
    Layout(at100);
    LOGFONTA font100, font;
    ASSERT_TRUE(GetObjectA((HFONT)SendDlgItemMessageA(window, IDC_NEXT, WM_GETFONT, 0, 0), sizeof font100, &font100));
    // Asked first: the size at 144 DPI in Windows' frame for 144 DPI.
    SIZE answer = { 1, 1 };
    EXPECT_EQ(TRUE, SendMessageA(window, WM_GETDPISCALEDSIZE, 144, (LPARAM)&answer));
    RECT want = { 0, 0, MulDiv(at100[0].right, 144, 96), MulDiv(at100[0].bottom, 144, 96) };
    DWORD style = GetWindowLongA(window, GWL_STYLE), extended = GetWindowLongA(window, GWL_EXSTYLE);
    AdjustWindowRectExForDpi(&want, style, FALSE, extended, 144);
    EXPECT_EQ(want.right - want.left, answer.cx);
    EXPECT_EQ(want.bottom - want.top, answer.cy);
    // Without a dialog font to lay out with, no size: FALSE leaves Windows its own.
    g_dialogWindowProc = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)WithoutFont);
    SIZE untouched = { 1, 1 };
    EXPECT_EQ(FALSE, SendMessageA(window, WM_GETDPISCALEDSIZE, 144, (LPARAM)&untouched));
    EXPECT_EQ(1, untouched.cx);
    SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)g_dialogWindowProc);

    g_dialogWindowProc = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)FrameOfTheNewScale);
    g_thicker = 4;
    ChangeScale(144);
    Layout(got);
    for (int i = 0; i < 10; ++i) {
        const LONG* want = &at100[i].left;
        const LONG* have = &got[i].left;
        // A closed drop-down list is as tall as its font makes it.
        for (int edge = 0; edge < (i && Controls[i - 1] == IDC_PLAYERS ? 3 : 4); ++edge)
            EXPECT_LE(abs(have[edge] - want[edge] * 3 / 2), 1) << i << " " << edge;
    }
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(40, frame.left);
    EXPECT_EQ(30, frame.top);
    ASSERT_TRUE(GetObjectA((HFONT)SendDlgItemMessageA(window, IDC_NEXT, WM_GETFONT, 0, 0), sizeof font, &font));
    EXPECT_EQ(-MulDiv(8, 144, 72), font.lfHeight);   // the template's 8 points at 144 DPI
    ASSERT_TRUE(GetObjectA((HFONT)SendDlgItemMessageA(window, IDC_NOTICE, WM_GETFONT, 0, 0), sizeof font, &font));
    EXPECT_EQ(FW_BOLD, font.lfWeight);
    // The page painted is the one drawn for the scale.
    Erase();
    Pixels page(MakePageBitmap(0, 144, false));
    int off = 0;
    for (int y = 0; y < height && y < page.height; y += 2)
        for (int x = 0; x < width && x < page.width; x += 2)
            off += (GetPixel(memory, x, y) & 0xFFFFFF) != RGB(page(x, y) >> 16, page(x, y) >> 8 & 0xFF, page(x, y) & 0xFF);
    EXPECT_EQ(0, off);

    g_thicker = 0;
    ChangeScale(96);
    Layout(got);
    EXPECT_EQ(0, memcmp(at100, got, sizeof got));
    ASSERT_TRUE(GetObjectA((HFONT)SendDlgItemMessageA(window, IDC_NEXT, WM_GETFONT, 0, 0), sizeof font, &font));
    EXPECT_EQ(font100.lfHeight, font.lfHeight);
}

// High contrast, which wine always reports off: forced where the dialog
// procedure keeps it, every page is drawn from its shapes in the system's
// window colours, ink where the picture has its logo and words. A change of
// the setting or of the colours reads it again (off here): the picture.
TEST_F(WizardWindow, HighContrastDrawsThePagesInTheSystemsColours)
{
    const COLORREF back = GetSysColor(COLOR_WINDOW), ink = GetSysColor(COLOR_WINDOWTEXT);
    for (int page = 0; page < 4; ++page) {
        SCOPED_TRACE(page);
        g_installer.currentPage = page;
        g_installer.highContrast = true;
        Erase();
        Pixels picture(MakePageBitmap(page, 96, false));
        int other = 0, inked = 0, unlike = 0;
        for (int y = 0; y < height - 40 && y < picture.height; ++y)
            for (int x = 0; x < width - 60 && x < picture.width; ++x) {
                COLORREF c = GetPixel(memory, x, y);
                bool pictureInk = picture(x, y) != 0x6633FF;
                other += c != back && c != ink;
                inked += pictureInk;
                unlike += pictureInk != (c == ink);
            }
        EXPECT_EQ(0, other);
        EXPECT_LT(unlike, inked / 5) << inked;
    }
    HWND notice = GetDlgItem(window, IDC_NOTICE);
    HDC dc = GetDC(notice);
    WizardDialogProc(window, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)notice);
    EXPECT_EQ(ink, GetTextColor(dc)) << "the notice line";
    ReleaseDC(notice, dc);
    for (UINT message : { WM_SETTINGCHANGE, WM_SYSCOLORCHANGE }) {
        g_installer.highContrast = true;
        Erase();
        SendMessageA(window, message, SPI_SETHIGHCONTRAST, 0);
        EXPECT_FALSE(g_installer.highContrast);
        Erase();
        EXPECT_GT(BackgroundShare(0, 0, 445, 240), 0.6);
    }
}

// The players' label: the page's words' colour and size, whole, ending a
// little before the list, at 100 % and 150 %; in high contrast the system's.
TEST_F(WizardWindow, PlayersLabelIsDrawnAsThePagesWords)
{
    HWND label = GetDlgItem(window, IDC_PLAYERS_NAME);
    int inkHeight = 0;
    for (int dpi : { 96, 144, 0 }) {
        SCOPED_TRACE(dpi);
        g_installer.highContrast = !dpi;
        if (dpi) ChangeScale(dpi);
        DRAWITEMSTRUCT item = { ODT_STATIC, IDC_PLAYERS_NAME, 0, ODA_DRAWENTIRE, 0, label, memory, {}, 0 };
        GetClientRect(label, &item.rcItem);
        RECT all = { 0, 0, width, height };
        FillRect(memory, &all, (HBRUSH)GetStockObject(GRAY_BRUSH));
        EXPECT_TRUE(WizardDialogProc(window, WM_DRAWITEM, IDC_PLAYERS_NAME, (LPARAM)&item));
        RECT ink = { width, height, 0, 0 };
        COLORREF words = dpi ? RGB(153, 255, 255) : GetSysColor(COLOR_WINDOWTEXT);
        for (int y = 0; y < item.rcItem.bottom; ++y)
            for (int x = 0; x < item.rcItem.right; ++x)
                if (GetPixel(memory, x, y) == words)
                    ink = { std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                            std::max<LONG>(ink.bottom, y + 1) };
        RECT at[10];
        Layout(at);
        GetWindowRect(label, &all);
        MapWindowPoints(NULL, window, (POINT*)&all, 2);
        EXPECT_GT(ink.left, 0) << "cut at the label's left";
        EXPECT_LT(ink.right + all.left + 1, at[7].left) << "the list's left";
        EXPECT_GT(ink.right + all.left + (dpi ? dpi : 144) / 12, at[7].left);
        // P's top to the underline under it, or y's foot.
        if (dpi == 96) inkHeight = ink.bottom - ink.top;
        if (dpi == 144) {
            EXPECT_LE(abs(ink.bottom - ink.top - inkHeight * 3 / 2), 2);
        }
        EXPECT_GT(inkHeight, 10);
    }
}

// What each source of the DPI gives where Windows has it: the window's
// (Windows 10 1607 on), the monitor's (8.1 on), or an error.
UINT WINAPI WindowAt144(HWND) { return 144; }
UINT WINAPI WindowUnknown(HWND) { return 0; }
// 120 for the effective DPI (type 0) of a monitor, only that.
HRESULT WINAPI MonitorAt120(HMONITOR on, int type, UINT* x, UINT* y) { return *x = *y = on && !type ? 120 : 77, S_OK; }
HRESULT WINAPI MonitorFails(HMONITOR, int, UINT* x, UINT* y) { return *x = *y = 77, E_INVALIDARG; }

TEST_F(WizardWindow, StartsAtTheWindowsElseTheMonitorsElseTheSystemsDpi)
{
    const UINT system = GetDeviceCaps(screen, LOGPIXELSY);   // 96 in the test prefix
    const struct { DpiForWindowProc forWindow; DpiForMonitorProc forMonitor; UINT dpi; } rows[] = {
        { WindowAt144, MonitorAt120, 144 }, { WindowUnknown, MonitorAt120, 120 }, { NULL, MonitorAt120, 120 },
        { NULL, MonitorFails, system },     { NULL, NULL, system },
    };
    for (const auto& row : rows) EXPECT_EQ(row.dpi, StartingDpi(window, row.forWindow, row.forMonitor)) << &row - rows;
}

TEST_F(WizardWindow, TheLeakCountSeesALeak)
{
    // The count above must be able to fail: one object kept is one fewer left.
    size_t before = GdiObjectsLeft();
    HBITMAP kept = CreateCompatibleBitmap(screen, 4, 4);
    EXPECT_EQ(before - 1, GdiObjectsLeft());
    DeleteObject(kept);
}

TEST_F(WizardWindow, DestroyDeletesPaletteAndFont)
{
    HWND notice = GetDlgItem(window, IDC_NOTICE);
    HDC dc = GetDC(notice);
    SendMessageA(window, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)notice);
    ReleaseDC(notice, dc);
    HPALETTE palette = g_installer.palette;
    HFONT font = g_installer.noticeFont;
    ASSERT_TRUE(palette && font);
    DestroyWindow(window);
    EXPECT_EQ(0u, GetObjectType(palette));
    EXPECT_EQ(0u, GetObjectType(font));
    window = CreateDialogParamA(g_installer.instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, WizardDialogProc, 0);
    g_installer.wizardWindow = window;
}

TEST(PageArt, DrawnForTheScaleNotEnlarged)
{
    g_installer.instance = GetModuleHandleA(NULL);
    // The speaker, the letters, the wave and the words, as 0xRRGGBB.
    const DWORD Inks[] = { 0xFFCC00, 0xFFFFFF, 0x33CCFF, 0x99FFFF };
    for (int page = 0; page < 4; ++page) {
        Pixels picture(MakePageBitmap(page, 96, false));
        ASSERT_EQ(445, picture.width);
        for (int dpi : { 120, 144, 168, 192, 240 }) {
            SCOPED_TRACE(testing::Message() << "page " << page << " at " << dpi);
            Pixels drawn(MakePageBitmap(page, dpi, false));
            ASSERT_EQ(MulDiv(445, dpi, 96), drawn.width);
            ASSERT_EQ(MulDiv(240, dpi, 96), drawn.height);
            // Each part where the picture has it, times the scale, within
            // a pixel of the picture's own rounding, times the scale.
            for (DWORD ink : Inks) {
                RECT want = Extent(picture, ink), got = Extent(drawn, ink);
                const LONG w[4] = { want.left, want.top, want.right, want.bottom };
                const LONG g[4] = { got.left, got.top, got.right, got.bottom };
                for (int i = 0; i < 4; ++i)
                    EXPECT_LE(abs(g[i] - MulDiv(w[i], dpi, 96)), 1 + dpi / 96) << std::hex << ink << " edge " << i;
            }
            // Solid colours only (no smoothing), and not the picture blown up
            // pixel by pixel: a fifth to a half of the inked pixels differ from that.
            int smoothed = 0, inked = 0, unlike = 0;
            for (int y = 0; y < drawn.height; ++y)
                for (int x = 0; x < drawn.width; ++x) {
                    DWORD c = drawn(x, y), blown = picture(x * 96 / dpi, y * 96 / dpi);
                    smoothed += c != 0x6633FF && std::find(Inks, Inks + 4, c) == Inks + 4;
                    if (c != 0x6633FF || blown != 0x6633FF) ++inked, unlike += c != blown;
                }
            EXPECT_EQ(0, smoothed);
            EXPECT_GT(unlike, inked / 10);
        }
    }
}

// Windows picks an image of icon group 110 for each size it draws: it must
// find the one drawn for that size, and load it (the 256 one from its PNG).
TEST(ProgramIcon, EachSizeIsPickedAndLoads)
{
    HMODULE module = GetModuleHandleA(NULL);
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(IDI_ZUV), MAKEINTRESOURCEA(14));   // RT_GROUP_ICON
    ASSERT_TRUE(group);
    BYTE* directory = (BYTE*)LockResource(LoadResource(module, group));
    ASSERT_EQ(5, ((const WORD*)directory)[2]) << "images in the group";
    for (int size : { 16, 24, 32, 48, 256 }) {
        SCOPED_TRACE(size);
        int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));   // RT_ICON
        ASSERT_TRUE(found);
        BYTE* image = (BYTE*)LockResource(LoadResource(module, found));
        // Its width as the image itself says: in a PNG's header, big-endian, or a DIB's.
        const bool png = memcmp(image, "\x89PNG", 4) == 0;
        EXPECT_EQ(size, png ? image[16] << 24 | image[17] << 16 | image[18] << 8 | image[19] : *(const LONG*)(image + 4));
        HICON icon = CreateIconFromResourceEx(image, SizeofResource(module, found), TRUE, 0x30000, size, size, 0);
        ICONINFO info;
        ASSERT_TRUE(icon && GetIconInfo(icon, &info));
        DeleteObject(info.hbmMask);
        Pixels colour(info.hbmColor);
        DestroyIcon(icon);
        ASSERT_EQ(size, colour.width);
        EXPECT_EQ(0x6633FFu, colour(size / 2, 1)) << "the background at the top";
    }
}

}  // namespace
