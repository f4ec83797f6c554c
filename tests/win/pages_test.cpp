// The page controller on the real dialog, in-process: each button's command
// sent as the dialog manager sends a click, then what every control shows.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <string.h>
#include <atomic>
#include <string>
#include <thread>

#include "../../ui/installer_state.h"
#include "../../ui/wizard.h"
#include "../../res/page_texts.h"
#include "../../res/resource.h"

namespace {

// What a page leaves on the controls.
struct Page {
    int page;
    const char *next, *cancel, *message;
    bool backEnabled, agreementShown, locationShown, noticeShown;
};
const Page Welcome = { PAGE_WELCOME, "&Next->", "&Cancel", PAGE_TEXT_WELCOME, false, false, false, true };
const Page Agreement = { PAGE_AGREEMENT, "&Agree", "E&xit", PAGE_TEXT_AGREEMENT, true, true, false, false };
const Page Location = { PAGE_LOCATION, "&Next->", "&Cancel", PAGE_TEXT_LOCATION, true, false, true, false };
const Page Finished = { PAGE_FINISHED, "&Finish", "&More Info", PAGE_TEXT_FINISHED, true, false, false, false };

const char Found[] = "<found>";   // the player's plugins folder the wizard starts with
const std::string TooLong = "C:\\" + std::string(288, 'x') + "\\plugins\\";   // 300 characters

struct Step {
    const char* name;
    int focus;            // given the focus first; 0: left where it is
    const char* typed;    // put in the folder box first; nullptr: left as it is
    int command;          // clicked; 0: none
    Page after;
    const char* box;      // caption of the message box shown on the way; "": none
    const char* folder;   // the folder box afterwards; nullptr: not checked
    int focusAfter;       // 0: not checked
};

// In order, on one wizard. A control hidden or disabled while it has the
// focus hands it to Next; a rejected folder takes it back into the box.
const Step Walk[] = {
    { "OpensOnWelcome", 0, nullptr, 0, Welcome, "", nullptr, 0 },
    { "BackOnWelcomeStays", 0, nullptr, IDC_BACK, Welcome, "", nullptr, 0 },
    { "NextToAgreement", 0, nullptr, IDC_NEXT, Agreement, "", nullptr, 0 },
    { "BackFromBackToWelcome", IDC_BACK, nullptr, IDC_BACK, Welcome, "", nullptr, IDC_NEXT },
    { "AgreementAgainRebuildsItsText", 0, nullptr, IDC_NEXT, Agreement, "", nullptr, 0 },
    { "AgreeFromTheTextToLocation", IDC_AGREEMENT, nullptr, IDC_NEXT, Location, "", Found, IDC_NEXT },
    { "BackFromTheFolderBox", IDC_LOCATION, nullptr, IDC_BACK, Agreement, "", nullptr, IDC_NEXT },
    { "AgreeAgain", 0, nullptr, IDC_NEXT, Location, "", Found, 0 },
    { "EmptyFolderRejected", IDC_NEXT, "", IDC_NEXT, Location, "Marbelox", "", IDC_LOCATION },
    { "LongFolderRefusedNotCut", IDC_NEXT, TooLong.c_str(), IDC_NEXT, Location, "ZUV", TooLong.c_str(), IDC_LOCATION },
    { "BackAfterRejection", 0, nullptr, IDC_BACK, Agreement, "", nullptr, 0 },
    { "AgreeShowsTheLastFolderThatFitted", 0, nullptr, IDC_NEXT, Location, "", "", 0 },
    { "NextFromTheFolderBoxInstalls", IDC_LOCATION, Found, IDC_NEXT, Finished, "", nullptr, IDC_NEXT },
    { "BackToLocation", 0, nullptr, IDC_BACK, Location, "", Found, 0 },
    { "NextInstallsAgain", 0, nullptr, IDC_NEXT, Finished, "", nullptr, 0 },
};

// The five string resources joined, line feeds as spaces, each read whole.
std::string AgreementText()
{
    std::string joined;
    static char piece[AGREEMENT_TEXT_BUFFER];
    for (UINT id = IDS_AGREEMENT1; id <= IDS_AGREEMENT5; ++id) {
        EXPECT_GT(LoadStringA(GetModuleHandleA(NULL), id, piece, sizeof piece), 0) << "string " << id;
        joined += piece;
    }
    for (char& c : joined)
        if (c == '\n') c = ' ';
    EXPECT_EQ(0u, joined.find("ZUV AUDIO PLUG-IN LICENCE AGREEMENT."));
    EXPECT_NE(std::string::npos, joined.find("NO WARRANTY"));
    return joined;
}

// A shown dialog window of the thread: a message box, as the wizard itself
// is never shown here.
BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    char name[8];
    if (!IsWindowVisible(window) || !GetClassNameA(window, name, sizeof name) || strcmp(name, "#32770")) return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

class Pages : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
        folder = std::string(temp) + "zuv pages " + std::to_string(GetCurrentProcessId());
        found = folder + "\\plugins\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(found.c_str(), NULL));
        // A player the install step accepts, with a winamp.ini it can switch
        // to the module. The plug-in's files lie beside this test program.
        ASSERT_TRUE(Write(folder + "\\winamp.exe", ""));
        ASSERT_TRUE(Write(folder + "\\winamp.ini", "[Winamp]\r\ndspplugin_name=dsp_eq.dll\r\n"));
        Open();
    }

    void TearDown() override
    {
        if (IsWindow(wizard)) DestroyWindow(wizard);
        std::string from = folder + '\0';
        SHFILEOPSTRUCTA remove = {};
        remove.wFunc = FO_DELETE;
        remove.pFrom = from.c_str();
        remove.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
        SHFileOperationA(&remove);
    }

    // As the entry point opens the wizard, but not shown: wine without a
    // window manager waits two seconds for one whenever a shown window goes.
    void Open()
    {
        g_installer.instance = GetModuleHandleA(NULL);
        strcpy(g_installer.pluginsPath, found.c_str());
        wizard = CreateDialogParamA(g_installer.instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, WizardDialogProc, 0);
        ASSERT_NE((HWND)NULL, wizard);
        g_installer.wizardWindow = wizard;
        g_installer.currentPage = PAGE_WELCOME;
        g_installer.locationPrepared = false;
        SetUpPage(PAGE_WELCOME);
        g_installer.running = true;
    }

    static bool Write(const std::string& path, const char* text)
    {
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD n = 0;
        return WriteFile(f, text, (DWORD)strlen(text), &n, NULL) & CloseHandle(f);
    }

    std::string Text(int id)
    {
        static char text[AGREEMENT_TEXT_BUFFER];
        GetDlgItemTextA(wizard, id, text, sizeof text);
        return text;
    }

    bool Shown(int id) { return (GetWindowLongA(GetDlgItem(wizard, id), GWL_STYLE) & WS_VISIBLE) != 0; }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(wizard, id)) != FALSE; }

    // Clicks `id` as the dialog manager reports a click. A message box shown
    // on the way runs its modal loop inside this call, so another thread
    // answers it and notes its caption (and its text into `texts`).
    std::string Press(int id, std::string* texts = nullptr)
    {
        std::atomic<bool> done(false);
        std::string captions;
        DWORD thread = GetCurrentThreadId();
        std::thread answerer([&] {
            for (HWND box = NULL; !done; box = NULL, Sleep(10)) {
                EnumThreadWindows(thread, FindBox, (LPARAM)&box);
                if (!box) continue;
                char caption[64] = "";
                GetWindowTextA(box, caption, sizeof caption);
                captions += std::string(captions.empty() ? "" : "|") + caption;
                static char text[1024];
                if (texts) *texts += (GetDlgItemTextA(box, 0xFFFF, text, sizeof text), std::string(text) + "|");
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                for (int i = 0; i < 250 && IsWindow(box); ++i) Sleep(20);
            }
        });
        SendMessageA(wizard, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(wizard, id));
        done = true;
        answerer.join();
        return captions;
    }

    std::string folder, found;
    HWND wizard = NULL;
};

TEST_F(Pages, EveryStepLeavesItsPage)
{
    const std::string agreement = AgreementText();
    for (const Step& step : Walk) {
        SCOPED_TRACE(step.name);
        if (step.focus) {
            SendMessageA(wizard, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(wizard, step.focus), TRUE);
            ASSERT_EQ(GetDlgItem(wizard, step.focus), GetFocus());
        }
        if (step.typed) SetDlgItemTextA(wizard, IDC_LOCATION, step.typed == Found ? found.c_str() : step.typed);
        if (step.command) {
            EXPECT_EQ(step.box, Press(step.command));
        }
        ASSERT_TRUE(IsWindow(wizard));
        const Page& p = step.after;
        EXPECT_EQ(p.page, g_installer.currentPage);
        EXPECT_EQ(p.next, Text(IDC_NEXT));
        EXPECT_EQ(p.cancel, Text(IDCANCEL));
        EXPECT_EQ(p.message, Text(IDC_MESSAGE));
        EXPECT_EQ("<-&Back", Text(IDC_BACK));
        EXPECT_EQ(p.backEnabled, Enabled(IDC_BACK));
        EXPECT_TRUE(Enabled(IDC_NEXT) && Enabled(IDCANCEL));
        EXPECT_EQ(p.agreementShown, Shown(IDC_AGREEMENT));
        EXPECT_EQ(p.locationShown, Shown(IDC_LOCATION));
        EXPECT_EQ(p.locationShown, Shown(IDC_BROWSE));
        EXPECT_FALSE(Shown(IDC_PLAYERS)) << "one player: nothing to choose";
        EXPECT_EQ(p.noticeShown, Shown(IDC_NOTICE));
        if (p.agreementShown) {
            std::string shown = Text(IDC_AGREEMENT);
            EXPECT_TRUE(shown == agreement) << shown.size() << " characters shown, not the " << agreement.size() << " joined";
        }
        if (step.folder) {
            EXPECT_EQ(step.folder == Found ? found : step.folder, Text(IDC_LOCATION));
        }
        if (step.focusAfter) {
            EXPECT_EQ(GetDlgItem(wizard, step.focusAfter), GetFocus());
        }
        EXPECT_TRUE(g_installer.running);
    }
}

// The boxes that name the player say WACUP for WACUP: its settings not
// changed (read-only), its safe mode, and Finish that started nothing.
TEST_F(Pages, WacupIsNamedInItsBoxes)
{
    const std::string ini = folder + "\\winamp.ini", program = folder + "\\wacup.exe";
    ASSERT_TRUE(Write(program, ""));
    ASSERT_TRUE(Write(ini, "[Winamp]\r\nsafemode=1\r\n"));
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    for (int i = 0; i < 2; ++i) ASSERT_EQ("", Press(IDC_NEXT));
    std::string texts;
    EXPECT_EQ("ZUV|ZUV", Press(IDC_NEXT, &texts));
    EXPECT_EQ("ZUV has been copied into WACUP's plug-ins folder, but WACUP's settings could not be changed to use "
              "it.\n\nTo turn it on, start WACUP, open Preferences (Ctrl+P), choose DSP/Effect and select ZUV "
              "Enhancer.|ZUV is installed, but the player is set to always run in Safe Mode, in which it loads no DSP "
              "plug-in. To use ZUV, open Preferences (Ctrl+P), choose Plug-ins, clear \"Always run WACUP in 'Safe "
              "Mode'\" and restart the player.|", texts);
    ASSERT_TRUE(DeleteFileA(program.c_str()));
    texts.clear();
    EXPECT_EQ("ZUV", Press(IDC_NEXT, &texts));
    EXPECT_EQ("Windows could not open WACUP.\n\nOpen it yourself from Explorer: " + program + "|", texts);
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The folder name Next reads holds 255 bytes: one more gets its box, and
// the page stays, the name as typed; 255 is looked for as it is.
TEST_F(Pages, FolderNameTooLongGetsItsBox)
{
    for (int i = 0; i < 2; ++i) ASSERT_EQ("", Press(IDC_NEXT));
    const std::string longest = "C:\\" + std::string(244, 'x') + "\\plugins\\";
    ASSERT_EQ(255u, longest.size());
    SetDlgItemTextA(wizard, IDC_LOCATION, longest.c_str());
    EXPECT_EQ("Marbelox", Press(IDC_NEXT));
    EXPECT_EQ(longest, g_installer.pluginsPath);
    SetDlgItemTextA(wizard, IDC_LOCATION, (longest + "y").c_str());
    std::string texts;
    EXPECT_EQ("ZUV", Press(IDC_NEXT, &texts));
    EXPECT_EQ("The name of this folder is too long: the player cannot load plug-ins from it.\n\nChoose a folder "
              "with a shorter name.|",
              texts);
    EXPECT_EQ(PAGE_LOCATION, g_installer.currentPage);
    EXPECT_EQ(longest + "y", Text(IDC_LOCATION));
    EXPECT_EQ(longest, g_installer.pluginsPath);
}

TEST_F(Pages, CancelBeforeFinishedEndsTheWizard)
{
    for (int page = PAGE_WELCOME; page <= PAGE_LOCATION; ++page) {
        SCOPED_TRACE(page);
        if (page > PAGE_WELCOME) Open();
        for (int i = 0; i < page; ++i) ASSERT_EQ("", Press(IDC_NEXT));
        EXPECT_EQ("", Press(IDCANCEL));
        EXPECT_FALSE(IsWindow(wizard));
        EXPECT_FALSE(g_installer.running);
    }
}

}  // namespace
