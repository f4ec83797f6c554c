// The page backgrounds. At 100 % they are the pictures the generator drew
// (tools/imagegen); at any other scale, and in high contrast, the same logo
// and words are drawn afresh from res/page_art.h and res/page_texts.h, so
// nothing is a stretched copy of a picture.
#include <windows.h>
#include <string.h>

#include "page_art.h"
#include "page_messages.h"
#include "installer_state.h"
#include "../res/page_art.h"
#include "../res/resource.h"

// How many characters each line of a page's words has.
#define PAGE_LINE(line) sizeof line - 1,
#include "../res/page_texts.h"

static const WORD PageBitmapTable[] = { IDB_WELCOME, IDB_AGREEMENT, IDB_LOCATION, IDB_FINISHED };
static constexpr unsigned char PageLineLengths[][4] = {
    { PAGE_TEXT_WELCOME }, { PAGE_TEXT_AGREEMENT }, { PAGE_TEXT_LOCATION }, { PAGE_TEXT_FINISHED }
};
static_assert(sizeof PageLineLengths / sizeof PageLineLengths[0] == PAGE_FINISHED + 1, "lines for every page");
enum { LONGEST_LINE = 48, MOST_POINTS = 10 };
static constexpr bool LinesFit()
{
    for (const auto& page : PageLineLengths)
        for (unsigned char length : page)
            if (length > LONGEST_LINE) return false;
    return true;
}
static_assert(LinesFit(), "a line of a page's words is longer than DrawWords takes");
static_assert(sizeof LogoMagnet <= 2 * MOST_POINTS && sizeof LogoCone <= 2 * MOST_POINTS &&
                  sizeof LogoZ <= 2 * MOST_POINTS && sizeof LogoU <= 2 * MOST_POINTS && sizeof LogoV <= 2 * MOST_POINTS,
              "an outline has more points than FillOutline takes");

// The pictures' colours.
static const COLORREF SpeakerColour = RGB(255, 204, 0);
static const COLORREF LetterColour = RGB(255, 255, 255);
static const COLORREF WaveColour = RGB(51, 204, 255);
static const COLORREF WordsColour = RGB(153, 255, 255);

enum { PICTURE_WIDTH = 445, PICTURE_HEIGHT = 240, PICTURE_DPI = 96 };

// Arial is the face the pictures' Liberation Sans Bold matches in every
// measure. Wine has no Arial of its own and hands out whatever face the host
// offers for the name (GetTextFace tells), so the matching face is asked for
// by name next.
static const char* const WordFaces[] = { "Arial", "Liberation Sans" };

// Coordinates are worked out in thousandths of a page pixel, in integers:
// the outlines' half units, the logo's scale and its slant all come out
// whole there.
enum {
    MILLI = 1000,
    HALF_UNIT = (int)(LOGO_SCALE * MILLI / 2 + 0.5),              // a half design unit
    SLANT_HALF_UNIT = (int)(LOGO_SCALE * LOGO_SLANT * MILLI / 2 + 0.5)  // the shift a half unit up
};

struct Canvas {
    HDC dc;
    int dpi;
    bool highContrast;
};

COLORREF PageColour(COLORREF colour, bool highContrast)
{
    return highContrast ? GetSysColor(colour == PageBackground ? COLOR_WINDOW : COLOR_WINDOWTEXT) : colour;
}

// Thousandths of a page pixel to device pixels, rounded.
static int Device(const Canvas& c, int milli)
{
    return MulDiv(milli, c.dpi, PICTURE_DPI * MILLI);
}

// One outline of page_art.h: half units, `left` half units right of the
// logo's origin, leaning by the slant when it is a letter.
static void FillOutline(const Canvas& c, const unsigned char* pairs, int count, int left, bool letter)
{
    POINT points[MOST_POINTS];
    for (int i = 0; i < count / 2; ++i) {
        int x = pairs[2 * i], y = pairs[2 * i + 1];
        int lean = letter ? SLANT_HALF_UNIT * (2 * LOGO_LETTER_HEIGHT - y) : 0;
        points[i].x = Device(c, LOGO_X * MILLI + (x + left) * HALF_UNIT + lean);
        points[i].y = Device(c, LOGO_Y * MILLI + y * HALF_UNIT);
    }
    Polygon(c.dc, points, count / 2);
}

// sin x and cos x for the small angles of the wave's steps, worked out
// while compiling.
static constexpr double SmallSin(double x)
{
    return x - x * x * x / 6 + x * x * x * x * x / 120;
}
static constexpr double SmallCos(double x)
{
    return 1 - x * x / 2 + x * x * x * x / 24 - x * x * x * x * x * x / 720;
}

// A pen `width` pixels wide and a brush, both of `colour`, in place of the
// ones selected before, which are deleted (the first time they are stock
// objects, for which that does nothing). Returns the brush.
static HBRUSH UseColour(HDC dc, int width, COLORREF colour)
{
    DeleteObject(SelectObject(dc, CreatePen(PS_SOLID, width, colour)));
    HBRUSH brush = CreateSolidBrush(colour);
    DeleteObject(SelectObject(dc, brush));
    return brush;
}

static void DrawLogo(const Canvas& c)
{
    // The outline in the fill's colour covers the edge pixels as the
    // generator's fill does.
    UseColour(c.dc, 1, PageColour(SpeakerColour, c.highContrast));
    FillOutline(c, LogoMagnet, sizeof LogoMagnet, 0, false);
    FillOutline(c, LogoCone, sizeof LogoCone, 0, false);
    UseColour(c.dc, 1, PageColour(LetterColour, c.highContrast));
    FillOutline(c, LogoZ, sizeof LogoZ, LogoLetterLeft[0], true);
    FillOutline(c, LogoU, sizeof LogoU, LogoLetterLeft[1], true);
    FillOutline(c, LogoV, sizeof LogoV, LogoLetterLeft[2], true);

    // The wave: sin(pi t) sin(5 pi t) over the segments, each sine stepped on
    // by sin((n + 1)x) = 2 cos x sin nx - sin((n - 1)x) rather than a sine
    // function from the runtime.
    const double Pi = 3.14159265358979323846;
    const double Slow = Pi / LOGO_WAVE_SEGMENTS, Fast = 5 * Pi / LOGO_WAVE_SEGMENTS;
    double slow = 0, slowBefore = -SmallSin(Slow), fast = 0, fastBefore = -SmallSin(Fast);
    POINT wave[LOGO_WAVE_SEGMENTS + 1];
    for (int i = 0; i <= LOGO_WAVE_SEGMENTS; ++i) {
        double x = LOGO_WAVE_LEFT + (double)(LOGO_WAVE_RIGHT - LOGO_WAVE_LEFT) * i / LOGO_WAVE_SEGMENTS;
        double y = LOGO_WAVE_MIDDLE - LOGO_WAVE_AMPLITUDE * slow * fast;
        wave[i].x = Device(c, LOGO_X * MILLI + (int)(x * 2 * HALF_UNIT));
        wave[i].y = Device(c, LOGO_Y * MILLI + (int)(y * 2 * HALF_UNIT));
        double next = 2 * SmallCos(Slow) * slow - slowBefore;
        slowBefore = slow, slow = next;
        next = 2 * SmallCos(Fast) * fast - fastBefore;
        fastBefore = fast, fast = next;
    }
    // A wide pen has round joins, as the generator's curved joints.
    int width = Device(c, (int)(LOGO_WAVE_WIDTH * 2 * HALF_UNIT + 0.5));
    UseColour(c.dc, width < 2 ? 2 : width, PageColour(WaveColour, c.highContrast));
    Polyline(c.dc, wave, LOGO_WAVE_SEGMENTS + 1);
}

// The words' font with an em `height` pixels high (negative: the em, as the
// generator sizes it).
static HFONT WordFont(HDC dc, int height)
{
    LOGFONTA font = {};
    font.lfHeight = -height;
    font.lfWeight = FW_BOLD;
    font.lfQuality = NONANTIALIASED_QUALITY;   // solid colour, as in the pictures
    HFONT chosen = NULL;
    for (const char* face : WordFaces) {
        strcpy(font.lfFaceName, face);   // each name is shorter than LF_FACESIZE
        if (chosen) DeleteObject(chosen);
        chosen = CreateFontIndirectA(&font);
        char got[LF_FACESIZE];
        HGDIOBJ old = SelectObject(dc, chosen);
        bool found = GetTextFaceA(dc, LF_FACESIZE, got) && lstrcmpiA(got, face) == 0;
        SelectObject(dc, old);
        if (found) break;
    }
    return chosen;
}

static void DrawWords(const Canvas& c, int page)
{
    HFONT design = WordFont(c.dc, PAGE_TEXT_SIZE * 100);
    HFONT scaled = WordFont(c.dc, Device(c, PAGE_TEXT_SIZE * MILLI));
    HGDIOBJ oldFont = GetCurrentObject(c.dc, OBJ_FONT);
    SetTextColor(c.dc, PageColour(WordsColour, c.highContrast));
    SetBkMode(c.dc, TRANSPARENT);
    const char* line = g_pageMessages[page];
    for (int i = 0; i < 4 && PageLineLengths[page][i]; ++i) {
        // Each character ends where the picture's does, times the scale: at
        // the font's design advances, as the generator places them, measured
        // at a hundred times the size, where hinting rounds nothing that
        // counts. Hinted advances do not grow in step with the size, and a
        // line would end short of or beyond the picture's. One call gives
        // where each character ends (a call for each would measure the line
        // over again for every character).
        int count = PageLineLengths[page][i], ends[LONGEST_LINE], advances[LONGEST_LINE];
        SIZE size;
        SelectObject(c.dc, design);
        if (!GetTextExtentExPointA(c.dc, line, count, 0, NULL, ends, &size)) ZeroMemory(ends, sizeof ends);
        for (int k = count - 1; k >= 0; --k)
            advances[k] = MulDiv(ends[k], c.dpi, PICTURE_DPI * 100) -
                          (k ? MulDiv(ends[k - 1], c.dpi, PICTURE_DPI * 100) : 0);
        SelectObject(c.dc, scaled);
        ExtTextOutA(c.dc, Device(c, PAGE_TEXT_X * MILLI), Device(c, (PAGE_TEXT_Y + PAGE_TEXT_STEP * i) * MILLI), 0,
                    NULL, line, count, advances);
        line += count;
    }
    SelectObject(c.dc, oldFont);
    DeleteObject(design);
    DeleteObject(scaled);
}

void DrawPageLabel(const DRAWITEMSTRUCT* item, UINT dpi, bool highContrast)
{
    char text[64];
    int length = GetWindowTextA(item->hwndItem, text, sizeof text);
    Canvas c = { item->hDC, (int)dpi, highContrast };
    RECT r = item->rcItem;
    HFONT font = WordFont(c.dc, Device(c, PAGE_TEXT_SIZE * MILLI));
    HGDIOBJ oldFont = SelectObject(c.dc, font);
    SetTextColor(c.dc, PageColour(WordsColour, highContrast));
    SetBkMode(c.dc, TRANSPARENT);
    DrawTextA(c.dc, text, length, &r,
              DT_RIGHT | DT_SINGLELINE | DT_VCENTER | (item->itemState & ODS_NOACCEL ? DT_HIDEPREFIX : 0));
    SelectObject(c.dc, oldFont);
    DeleteObject(font);
}

HBITMAP MakePageBitmap(int page, UINT dpi, bool highContrast)
{
    if (dpi == PICTURE_DPI && !highContrast)
        return (HBITMAP)LoadImageA(g_installer.instance, MAKEINTRESOURCEA(PageBitmapTable[page]), IMAGE_BITMAP, 0,
                                   0, LR_CREATEDIBSECTION);
    // 32 bits a pixel keeps each colour exact, and is the screen's own
    // layout on today's displays, so the copy to it converts nothing (24 bits
    // cost wine a conversion of every pixel at each paint). On a 256-colour
    // display the copy maps them through the wizard's palette, which holds
    // every one of them, as it does for the pictures.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = MulDiv(PICTURE_WIDTH, dpi, PICTURE_DPI);
    info.bmiHeader.biHeight = MulDiv(PICTURE_HEIGHT, dpi, PICTURE_DPI);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits;
    HBITMAP bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!bitmap) return NULL;
    Canvas c = { CreateCompatibleDC(NULL), (int)dpi, highContrast };
    HGDIOBJ oldBitmap = SelectObject(c.dc, bitmap);
    RECT all = { 0, 0, info.bmiHeader.biWidth, info.bmiHeader.biHeight };
    FillRect(c.dc, &all, UseColour(c.dc, 1, PageColour(PageBackground, highContrast)));
    DrawLogo(c);
    DrawWords(c, page);
    // The last pen and brush go with the DC.
    HGDIOBJ pen = GetCurrentObject(c.dc, OBJ_PEN), brush = GetCurrentObject(c.dc, OBJ_BRUSH);
    SelectObject(c.dc, oldBitmap);
    DeleteDC(c.dc);
    DeleteObject(pen);
    DeleteObject(brush);
    return bitmap;
}
