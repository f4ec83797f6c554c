// The page controller on the real dialog: labels, visibility and enabling
// after every step, the presence check, keys and close requests.
#include "harness.h"

using namespace automation;

namespace e2e {
namespace {

const char NotFoundText[] =
    "Winamp does not exist at the specified location\nPlease check the path or re-install Winamp.";

void ExpectAgreement(HWND w)
{
    PageState s = ReadPage(w);
    EXPECT_EQ("&Agree", s.next);
    EXPECT_EQ("E&xit", s.cancel);
    EXPECT_EQ("<-&Back", s.back);
    EXPECT_TRUE(s.backEnabled);
    EXPECT_TRUE(s.agreementVisible);
    EXPECT_FALSE(s.noticeVisible);
    EXPECT_FALSE(s.locationVisible);
    std::string text = Text(w, AGREEMENT);
    EXPECT_GT(text.size(), 1500u);
    EXPECT_EQ(std::string::npos, text.find('\n'));
    EXPECT_NE(std::string::npos, text.find("LICENCE AGREEMENT"));
    EXPECT_NE(std::string::npos, text.find("NO WARRANTY"));
}

void ExpectLocation(HWND w, const std::string& folder)
{
    PageState s = ReadPage(w);
    EXPECT_EQ("&Next->", s.next);
    EXPECT_EQ("&Cancel", s.cancel);
    EXPECT_TRUE(s.backEnabled);
    EXPECT_TRUE(s.locationVisible);
    EXPECT_FALSE(s.agreementVisible);
    EXPECT_FALSE(s.noticeVisible);
    EXPECT_TRUE(Enabled(w, NEXT));
    EXPECT_TRUE(Enabled(w, CANCEL));
    EXPECT_EQ(folder, Text(w, LOCATION));
}

const char FoundFolder[] = "c:\\program files\\winamp\\plugins\\";

class Pages : public Scenario {
protected:
    // Types `folder`, presses Next and expects the missing-player box, owned
    // by the wizard; after it the Location page is back, focus in the box.
    void ExpectRejected(const std::string& folder)
    {
        ASSERT_TRUE(SetText(run.wizard, LOCATION, folder.c_str()));
        Click(run.wizard, NEXT);
        MessageBoxInfo box;
        ASSERT_TRUE(WaitMessageBox(run.process.pid, WAIT_MS, &box));
        EXPECT_EQ("Marbelox", box.caption);
        EXPECT_EQ(NotFoundText, box.text);
        EXPECT_TRUE(box.errorIcon);
        EXPECT_EQ(run.wizard, box.owner);
        DismissMessageBox(box.window);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.window); }, WAIT_MS));
        ASSERT_TRUE(WaitUntil([&] { return FocusedId(run.wizard) == LOCATION; }, SHORT_MS));
        PageState s = ReadPage(run.wizard);
        EXPECT_EQ("&Next->", s.next);
        EXPECT_EQ("&Cancel", s.cancel);
        EXPECT_TRUE(s.locationVisible);
        EXPECT_TRUE(s.backEnabled);
        EXPECT_TRUE(ShowsMessage(run.wizard, PageMessages[2])) << "Location's";
    }
};

TEST_F(Pages, ForwardThroughWelcomeAgreementLocation)
{
    ASSERT_TRUE(Launch(&run));
    ExpectWelcome(run.wizard);
    ASSERT_TRUE(GoNext(run.wizard, "&Agree"));
    ExpectAgreement(run.wizard);
    Click(run.wizard, NEXT);
    ASSERT_TRUE(WaitUntil([&] { return Visible(run.wizard, LOCATION); }, WAIT_MS));
    ExpectLocation(run.wizard, FoundFolder);
}

TEST_F(Pages, BackOnEveryPage)
{
    ASSERT_TRUE(Launch(&run));
    // Back is disabled on Welcome; a click that reaches it anyway stays put.
    Click(run.wizard, BACK);
    Sleep(200);
    ExpectWelcome(run.wizard);

    ASSERT_TRUE(WalkToLocation(run.wizard));
    Click(run.wizard, BACK);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Agree"));
    ExpectAgreement(run.wizard);
    Click(run.wizard, BACK);
    ASSERT_TRUE(WaitUntil([&] { return !Enabled(run.wizard, BACK); }, WAIT_MS));
    ExpectWelcome(run.wizard);   // the folder box, hidden on Agreement, stays hidden

    ASSERT_TRUE(WalkToLocation(run.wizard));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    Click(run.wizard, BACK);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Next->"));
    ExpectLocation(run.wizard, FoundFolder);
}

TEST_F(Pages, FolderWithoutPlayerIsRejectedAndKept)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ExpectRejected("C:\\Nowhere\\plugins\\");
    // The typed folder, not the one found at start, comes back.
    Click(run.wizard, BACK);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Agree"));
    Click(run.wizard, NEXT);
    ASSERT_TRUE(WaitUntil([&] { return Visible(run.wizard, LOCATION); }, WAIT_MS));
    ExpectLocation(run.wizard, "C:\\Nowhere\\plugins\\");
    EXPECT_FALSE(Exists("C:\\Nowhere"));
}

TEST_F(Pages, EmptiedBoxIsRejected)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ExpectRejected("");
    EXPECT_EQ("", Text(run.wizard, LOCATION));
}

TEST_F(Pages, FolderNamingTheFolderNotAFileIsRejected)
{
    // A folder called winamp.exe is no player.
    CreateDirectoryA("C:\\Fake", NULL);
    CreateDirectoryA("C:\\Fake\\winamp.exe", NULL);
    CreateDirectoryA("C:\\Fake\\plugins", NULL);
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ExpectRejected("C:\\Fake\\plugins\\");
}

TEST_F(Pages, LongTypedFoldersNeitherCrashNorOverrun)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    for (size_t length : { 255u, 300u }) {
        std::string folder = "C:\\" + std::string(length - 12, 'x') + "\\plugins\\";
        ASSERT_EQ(length, folder.size());
        ExpectRejected(folder);
        // Only 255 characters were taken; Back and Next show exactly those.
        Click(run.wizard, BACK);
        ASSERT_TRUE(WaitNextLabel(run.wizard, "&Agree"));
        Click(run.wizard, NEXT);
        ASSERT_TRUE(WaitUntil([&] { return Visible(run.wizard, LOCATION); }, WAIT_MS));
        EXPECT_EQ(folder.substr(0, 255), Text(run.wizard, LOCATION));
    }
    // Still alive and answering.
    SetText(run.wizard, LOCATION, FoundFolder);
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
}

TEST_F(Pages, EnterMovesOn)
{
    ASSERT_TRUE(Launch(&run));
    PressKey(run.wizard, VK_RETURN);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Agree"));
    PressKey(run.wizard, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return Visible(run.wizard, LOCATION); }, WAIT_MS));
    // Enter in the folder box presses the default button too.
    PostMessageA(run.wizard, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(run.wizard, LOCATION), TRUE);
    ASSERT_TRUE(WaitUntil([&] { return FocusedId(run.wizard) == LOCATION; }, SHORT_MS));
    PressKey(run.wizard, VK_RETURN);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Finish"));
}

TEST_F(Pages, EscEndsOnWelcome)
{
    ASSERT_TRUE(Launch(&run));
    PressKey(run.wizard, VK_ESCAPE);
    ExpectEnds(run);
}

TEST_F(Pages, EscEndsOnAgreement)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(GoNext(run.wizard, "&Agree"));
    PressKey(run.wizard, VK_ESCAPE);
    ExpectEnds(run);
}

TEST_F(Pages, EscEndsOnLocationWithoutInstalling)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    PressKey(run.wizard, VK_ESCAPE);
    ExpectEnds(run);
    EXPECT_FALSE(Exists(std::string(PlayerFolder) + "plugins\\dsp_zv.dll"));
    EXPECT_EQ(SampleIni, ReadAll(std::string(PlayerFolder) + "winamp.ini"));
}

TEST_F(Pages, EscOnFinishedOpensHelpAndStays)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    EXPECT_EQ("&More Info", Text(run.wizard, CANCEL));
    PressKey(run.wizard, VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return Exists(ViewerLog); }, WAIT_MS));
    DWORD code;
    EXPECT_FALSE(WaitExit(run.process, 500, &code));
    EXPECT_TRUE(IsWindowVisible(run.wizard));
    EXPECT_EQ("&Finish", Text(run.wizard, NEXT));
}

TEST_F(Pages, CloseRequestActsAsCancel)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(GoNext(run.wizard, "&Agree"));
    RequestClose(run.wizard);
    ExpectEnds(run);
}

TEST_F(Pages, CloseRequestOnFinishedOpensHelp)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    RequestClose(run.wizard);
    ASSERT_TRUE(WaitUntil([&] { return Exists(ViewerLog); }, WAIT_MS));
    DWORD code;
    EXPECT_FALSE(WaitExit(run.process, 500, &code));
}

}  // namespace
}  // namespace e2e
