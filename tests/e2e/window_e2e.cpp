// The wizard window as the user sees it: page pictures, the notice line's
// colour, the strips beyond a picture when the window is larger, and a
// screenshot of every page; and each page's message as a screen reader gets it.
// The pages are walked with every button that changes them, clicked and
// pressed by its access key.
#include "harness.h"

using namespace automation;

namespace e2e {
namespace {

const COLORREF Background = RGB(102, 51, 255);
const COLORREF NoticeColour = RGB(49, 207, 255);

RECT ClientRect(HWND w)
{
    RECT r;
    GetClientRect(w, &r);
    return r;
}

// A page picture as the installer holds it, decoded by GDI.
bool LoadPagePicture(int id, Image* out)
{
    HMODULE exe = LoadLibraryExA((Env("ZUV_DIST") + "\\ZUVInstaller.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!exe) return false;
    HBITMAP bitmap = (HBITMAP)LoadImageA(exe, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    bool ok = bitmap && BitmapPixels(bitmap, out);
    if (bitmap) DeleteObject(bitmap);
    FreeLibrary(exe);
    return ok;
}

bool Close(DWORD a, DWORD b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (abs((int)(a >> shift & 0xFF) - (int)(b >> shift & 0xFF)) > 6) return false;
    return true;
}

// How many pixels of the window's client area differ from the picture,
// outside the visible controls that draw themselves. The message control
// lies over the picture's words and must leave them as they are.
int PixelsOffPicture(HWND w, const Image& picture)
{
    RECT controls[8];
    int n = 0;
    for (HWND c = GetWindow(w, GW_CHILD); c && n < 8; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c) && GetDlgCtrlID(c) != MESSAGE) {
            GetWindowRect(c, &controls[n]);
            MapWindowPoints(NULL, w, (POINT*)&controls[n++], 2);
        }
    Image screen;
    if (!CaptureClient(w, &screen)) return -1;
    int off = 0;
    for (int y = 0; y < picture.height && y < screen.height; ++y)
        for (int x = 0; x < picture.width && x < screen.width; ++x) {
            POINT p = { x, y };
            bool covered = false;
            for (int i = 0; i < n; ++i) covered = covered || PtInRect(&controls[i], p);
            if (!covered && !Close(screen.At(x, y), picture.At(x, y))) ++off;
        }
    return off;
}

struct Page {
    const char* name;
    int picture, index;   // its picture's resource id, its index in PageMessages
};
const Page Welcome = { "1-welcome", 103, 0 }, Agreement = { "2-agreement", 104, 1 }, Location = { "3-location", 106, 2 },
           Finished = { "4-finished", 107, 3 };

class Window : public Scenario {
protected:
    // The page as the user sees it, its picture unchanged where the controls
    // leave it free, and as a screen reader reads it.
    void ExpectPage(const Page& page)
    {
        Image picture;
        ASSERT_TRUE(LoadPagePicture(page.picture, &picture)) << page.name;
        int off = -1;
        EXPECT_TRUE(WaitUntil([&] { return (off = PixelsOffPicture(run.wizard, picture)) == 0; }, WAIT_MS))
            << page.name << ": " << off << " pixels differ from the picture";
        EXPECT_TRUE(ShowsMessage(run.wizard, PageMessages[page.index])) << page.name;
        SaveScreenshot(run.wizard, std::string("page-") + page.name);
    }
};

TEST_F(Window, EveryPageShowsItsPicture)
{
    ASSERT_TRUE(Launch(&run));
    ExpectPage(Welcome);
    // The arrow keys go from button to button, never onto the message.
    for (int id : { CANCEL, NEXT }) {
        PressKey(run.wizard, VK_UP);
        EXPECT_TRUE(WaitUntil([&] { return FocusedId(run.wizard) == id; }, SHORT_MS)) << FocusedId(run.wizard);
    }
    ASSERT_TRUE(Press(run.wizard, NEXT, POINTER));
    ExpectPage(Agreement);
    // The message control lies partly over the agreement box: a click there
    // still reaches the box.
    RECT box = ControlRect(run.wizard, AGREEMENT), message = ControlRect(run.wizard, MESSAGE), both;
    ASSERT_TRUE(IntersectRect(&both, &box, &message));
    ClickAt(run.wizard, (both.left + both.right) / 2, (both.top + both.bottom) / 2);
    EXPECT_TRUE(WaitUntil([&] { return FocusedId(run.wizard) == AGREEMENT; }, SHORT_MS)) << FocusedId(run.wizard);
    // Back and forth with every button that changes the page, each pressed
    // with the pointer and by its access key.
    const struct { int button; Input input; const Page* page; } Walk[] = {
        { BACK, POINTER, &Welcome },     { NEXT, ACCESS_KEY, &Agreement }, { NEXT, POINTER, &Location },
        { BACK, POINTER, &Agreement },   { NEXT, ACCESS_KEY, &Location },  { BACK, ACCESS_KEY, &Agreement },
        { BACK, ACCESS_KEY, &Welcome },  { NEXT, POINTER, &Agreement },    { NEXT, POINTER, &Location },
        { NEXT, POINTER, &Finished },    { BACK, POINTER, &Location },     { NEXT, ACCESS_KEY, &Finished },
        { BACK, ACCESS_KEY, &Location }, { NEXT, POINTER, &Finished },
    };
    for (const auto& step : Walk) {
        SCOPED_TRACE(std::string(step.button == NEXT ? "Next" : "Back") + (step.input == POINTER ? " clicked" : " by its key") +
                     " to " + step.page->name);
        ASSERT_TRUE(Press(run.wizard, step.button, step.input));
        ExpectPage(*step.page);
        // Browse is there; with one player found, no list to choose from.
        EXPECT_EQ(step.page == &Location, Visible(run.wizard, BROWSE));
        EXPECT_FALSE(Visible(run.wizard, PLAYERS));
    }
}

TEST_F(Window, NoticeLineIsDrawnInItsColour)
{
    ASSERT_TRUE(Launch(&run));
    RECT notice = ControlRect(run.wizard, NOTICE);
    ASSERT_TRUE(WaitUntil([&] { return ColourShare(run.wizard, notice, NoticeColour, 12, 1) > 0.03; }, WAIT_MS))
        << ColourShare(run.wizard, notice, NoticeColour, 12, 1);
    // Behind the text the picture shows through: no grey box.
    EXPECT_GT(ColourShare(run.wizard, notice, Background, 6, 1), 0.5);
    EXPECT_LT(ColourShare(run.wizard, notice, GetSysColor(COLOR_BTNFACE), 0, 1), 0.05);
}

TEST_F(Window, LargerWindowFillsBeyondThePictureWithTheBackground)
{
    ASSERT_TRUE(Launch(&run));
    RECT before;
    GetWindowRect(run.wizard, &before);
    // At the screen's corner, so all of it is on the screen.
    ASSERT_TRUE(SetWindowPos(run.wizard, NULL, 0, 0, 760, 460, SWP_NOZORDER | SWP_NOACTIVATE));
    RECT client = ClientRect(run.wizard);
    ASSERT_GT(client.right, 460);
    ASSERT_GT(client.bottom, 260);
    RECT right = { 450, 0, client.right, client.bottom };
    RECT below = { 0, 245, client.right, client.bottom };
    // Buttons and boxes sit inside the picture's area; the strips are bare.
    Sleep(500);
    SaveScreenshot(run.wizard, "larger-window");
    ASSERT_TRUE(WaitUntil([&] { return ColourShare(run.wizard, right, Background, 6, 5) > 0.97; }, WAIT_MS))
        << ColourShare(run.wizard, right, Background, 6, 5);
    EXPECT_GT(ColourShare(run.wizard, below, Background, 6, 5), 0.9);
    SaveScreenshot(run.wizard, "larger-window");
    ASSERT_TRUE(GoNext(run.wizard, "&Agree"));
    ASSERT_TRUE(WaitUntil([&] { return ColourShare(run.wizard, right, Background, 6, 5) > 0.97; }, WAIT_MS));
}

// The client area and every control, in client pixels, in template order.
struct Layout {
    RECT client;
    RECT controls[8];
};
const int LaidOut[8] = { MESSAGE, NEXT, CANCEL, BACK, LOCATION, BROWSE, AGREEMENT, NOTICE };

Layout LayoutOf(HWND w)
{
    Layout l = { ClientRect(w), {} };
    for (int i = 0; i < 8; ++i) l.controls[i] = ControlRect(w, LaidOut[i]);
    return l;
}

// Each edge of the 100 % rectangle times the scale, rounded; one pixel
// either way for where the rounding of the font's measures falls.
::testing::AssertionResult IsScaled(const RECT& at100, const RECT& got, int dpi)
{
    const LONG want[4] = { MulDiv(at100.left, dpi, 96), MulDiv(at100.top, dpi, 96), MulDiv(at100.right, dpi, 96),
                           MulDiv(at100.bottom, dpi, 96) };
    const LONG have[4] = { got.left, got.top, got.right, got.bottom };
    for (int i = 0; i < 4; ++i)
        if (abs(want[i] - have[i]) > 1)
            return ::testing::AssertionFailure() << "(" << have[0] << "," << have[1] << ")-(" << have[2] << ","
                                                 << have[3] << "), want (" << want[0] << "," << want[1] << ")-("
                                                 << want[2] << "," << want[3] << ")";
    return ::testing::AssertionSuccess();
}

// At every display scale the wizard is its 100 % layout times the scale,
// not the dialog manager's uneven growth with the font. The README's
// Location page at 150 % is taken here.
TEST_F(Window, LaidOutForEveryDisplayScale)
{
    ASSERT_TRUE(Launch(&run));
    Layout at100 = LayoutOf(run.wizard);
    Kill(&run.process);
    for (int dpi : { 120, 144, 168, 192 }) {
        SCOPED_TRACE(dpi);
        SetDisplayScale(dpi);
        ASSERT_TRUE(Launch(&run));
        Layout got = LayoutOf(run.wizard);
        EXPECT_TRUE(IsScaled(at100.client, got.client, dpi)) << "client area";
        for (int i = 0; i < 8; ++i) EXPECT_TRUE(IsScaled(at100.controls[i], got.controls[i], dpi)) << LaidOut[i];
        if (dpi == 144) {
            // On the screen, the page's words where the picture has them,
            // times the scale.
            ASSERT_TRUE(WalkToLocation(run.wizard));
            Image picture, shot;
            ASSERT_TRUE(LoadPagePicture(Location.picture, &picture));
            EXPECT_TRUE(WaitUntil([&] { return CaptureClient(run.wizard, &shot) &&
                                               IsScaled(Extent(picture, Words), Extent(shot, Words), dpi); },
                                  WAIT_MS)) << IsScaled(Extent(picture, Words), Extent(shot, Words), dpi).message();
            SaveScreenshot(run.wizard, "page-3-location-150");
        }
        Kill(&run.process);
    }
}

}  // namespace
}  // namespace e2e
