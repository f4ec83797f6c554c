// The wizard window as the user sees it: page pictures, the notice line's
// colour, the strips beyond a picture when the window is larger, and a
// screenshot of every page.
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

RECT ControlRect(HWND w, int id)
{
    RECT r;
    GetWindowRect(GetDlgItem(w, id), &r);
    MapWindowPoints(NULL, w, (POINT*)&r, 2);
    return r;
}

// The share of the client area outside the visible controls that shows the
// page background.
double PictureBackgroundShare(HWND w)
{
    RECT client = ClientRect(w);
    RECT controls[8];
    int n = 0;
    for (HWND c = GetWindow(w, GW_CHILD); c && n < 8; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c) && GetDlgCtrlID(c) != NOTICE) {
            GetWindowRect(c, &controls[n]);
            MapWindowPoints(NULL, w, (POINT*)&controls[n++], 2);
        }
    HDC dc = GetDC(w);
    int total = 0, match = 0;
    for (int y = 0; y < client.bottom; y += 4)
        for (int x = 0; x < client.right; x += 4) {
            POINT p = { x, y };
            bool covered = false;
            for (int i = 0; i < n; ++i) covered = covered || PtInRect(&controls[i], p);
            if (covered) continue;
            ++total;
            COLORREF c = GetPixel(dc, x, y);
            if (abs(GetRValue(c) - 102) <= 6 && abs(GetGValue(c) - 51) <= 6 && abs(GetBValue(c) - 255) <= 6) ++match;
        }
    ReleaseDC(w, dc);
    return total ? (double)match / total : 0;
}

class Window : public Scenario {
protected:
    // Most of what the controls leave free is the page background, and the
    // rest (logo, message) is there too: not all one colour.
    void ExpectPainted(const char* page)
    {
        HWND w = run.wizard;
        ASSERT_TRUE(WaitUntil([&] { double s = PictureBackgroundShare(w); return s > 0.6 && s < 0.99; }, WAIT_MS))
            << page << ": " << PictureBackgroundShare(w);
        SaveScreenshot(w, std::string("page-") + page);
    }
};

TEST_F(Window, EveryPageShowsItsPicture)
{
    ASSERT_TRUE(Launch(&run));
    ExpectPainted("1-welcome");
    ASSERT_TRUE(GoNext(run.wizard, "&Agree"));
    ExpectPainted("2-agreement");
    Click(run.wizard, NEXT);
    ASSERT_TRUE(WaitUntil([&] { return Visible(run.wizard, LOCATION); }, WAIT_MS));
    ExpectPainted("3-location");
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    ExpectPainted("4-finished");
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

}  // namespace
}  // namespace e2e
