#include "harness.h"

#include <oleacc.h>
#include <shlobj.h>

#include <stdlib.h>
#include <algorithm>
#include <string.h>
#include <vector>

namespace e2e {

using automation::Wide;

const char WizardCaption[] = "ZUVInstaller v1.0g";
const char PlayerFolder[] = "C:\\Program Files\\Winamp\\";
const char SetupFolder[] = "C:\\ZUV Setup\\";

const char SampleIni[] =
    "[Winamp]\r\n"
    "utf8=1\r\n"
    "outname=out_wave.dll\r\n"
    "dspplugin_name=dsp_eq.dll\r\n"
    "dspplugin_num=3\r\n"
    "eq_open=1\r\n"
    "pe_open=1\r\n"
    "mb_open=1\r\n"
    "volume=200\r\n"
    "[in_mp3]\r\n"
    "xeq_open=1\r\n"
    "title=%artist% - %title%\r\n";

const char RewrittenIni[] =
    "[Winamp]\r\n"
    "utf8=1\r\n"
    "outname=out_wave.dll\r\n"
    "dspplugin_name=dsp_zv.dll\r\n"
    "dspplugin_num=0\r\n"
    "eq_open=0\r\n"
    "pe_open=0\r\n"
    "mb_open=0\r\n"
    "volume=200\r\n"
    "[in_mp3]\r\n"
    "xeq_open=0\r\n"
    "title=%artist% - %title%\r\n";

static const char CommandKey[] = "SOFTWARE\\Classes\\Winamp.File\\shell\\Play\\command";

std::string Env(const char* name)
{
    char value[1024];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n && n < sizeof value ? std::string(value, n) : std::string();
}

std::string ReadAll(const std::string& path, bool* ok)
{
    std::string bytes;
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              0, NULL);
    if (ok) *ok = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, NULL) && n > 0) bytes.append(buffer, n);
    CloseHandle(file);
    return bytes;
}

bool WriteAll(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL) && written == bytes.size();
    return CloseHandle(file) && ok;
}

bool Exists(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string WindowsFolder()
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof folder);
    return folder;
}

std::string AppData()
{
    char path[MAX_PATH];
    return SHGetFolderPathA(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, path) == S_OK ? path : "C:\\nowhere";
}

std::string PluginSettingsFile() { return WindowsFolder() + "\\zuv.cfg"; }

void RegisterPlayer(const std::string& command)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, CommandKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
    RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)command.c_str(), (DWORD)command.size() + 1);
    RegCloseKey(key);
}

void UnregisterPlayer() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, CommandKey); }

static void MakeFolders(const std::string& folder)
{
    // Walked as UTF-16: in code page 932 a character's second byte may be 5C.
    std::wstring wide = Wide(folder);
    for (size_t i = 3; i <= wide.size(); ++i)
        if (i == wide.size() || wide[i] == L'\\') CreateDirectoryW(wide.substr(0, i).c_str(), NULL);
}

void InstallPlayer(const std::string& folder, const std::string& ini, const char* program, bool x64)
{
    MakeFolders(folder + (strcmp(program, "winamp.exe") ? "Plugins" : "plugins"));
    std::string standin = Env("ZUV_STANDIN");
    ASSERT_FALSE(standin.empty()) << "ZUV_STANDIN is not set";
    std::string bytes = ReadAll(standin);
    ASSERT_GT(bytes.size(), 0x200u) << standin;
    if (x64) {
        // IMAGE_FILE_MACHINE_AMD64 after "PE\0\0", where e_lfanew points.
        size_t pe = *(const DWORD*)(bytes.data() + 0x3C);
        ASSERT_EQ(0, bytes.compare(pe, 4, std::string("PE\0\0", 4)));
        bytes[pe + 4] = (char)0x64;
        bytes[pe + 5] = (char)0x86;
    }
    ASSERT_TRUE(WriteAll(folder + program, bytes));
    ASSERT_TRUE(WriteAll(folder + "winamp.ini", ini));
}

void RemoveDefaultPlayer()
{
    DeleteFileA((std::string(PlayerFolder) + "winamp.exe").c_str());
    ASSERT_FALSE(Exists(std::string(PlayerFolder) + "winamp.exe"));
}

void StageInstaller(const std::string& folder)
{
    std::string dist = Env("ZUV_DIST");
    ASSERT_FALSE(dist.empty()) << "ZUV_DIST is not set";
    MakeFolders(folder.substr(0, folder.size() - 1));
    for (const char* name : { "ZUVInstaller.exe", "dsp_zv.dll", "helpfile.html", "zvlogo.jpg" })
        ASSERT_TRUE(CopyFileW(Wide(dist + "\\" + name).c_str(), Wide(folder + name).c_str(), FALSE)) << name;
}

bool Launch(InstallerRun* run, const char* arguments, const char* directory, const std::string& folder, bool expectWizard)
{
    std::string exe = folder + "ZUVInstaller.exe";
    if (!automation::Start(exe.c_str(), arguments, directory, &run->process)) return false;
    if (!expectWizard) return true;
    run->wizard = automation::WaitWindow(run->process.pid, "#32770", WizardCaption, WAIT_MS);
    return run->wizard != NULL;
}

void ExpectWelcome(HWND w)
{
    using namespace automation;
    EXPECT_EQ("&Next->", Text(w, NEXT));
    EXPECT_EQ("&Cancel", Text(w, CANCEL));
    EXPECT_EQ("<-&Back", Text(w, BACK));
    EXPECT_FALSE(Enabled(w, BACK));
    EXPECT_TRUE(Visible(w, NOTICE));
    EXPECT_FALSE(Visible(w, AGREEMENT));
    EXPECT_FALSE(Visible(w, LOCATION));
}

void ExpectEnds(const InstallerRun& run)
{
    DWORD code = 99;
    ASSERT_TRUE(automation::WaitExit(run.process, WAIT_MS, &code));
    EXPECT_EQ(0u, code);
}

bool WaitNextLabel(HWND wizard, const char* label, DWORD timeoutMs)
{
    return automation::WaitUntil([&] { return automation::Text(wizard, NEXT) == label; }, timeoutMs);
}

bool GoNext(HWND wizard, const char* expectedNextLabel)
{
    automation::Click(wizard, NEXT);
    return WaitNextLabel(wizard, expectedNextLabel);
}

// A click with the pointer in the middle of `area` (client pixels of
// `window`), once the system finds `target` there: shown, on the screen,
// and under no other window.
static ::testing::AssertionResult ClickIn(HWND window, RECT area, HWND target)
{
    POINT p = { (area.left + area.right) / 2, (area.top + area.bottom) / 2 };
    POINT screen = p;
    ClientToScreen(window, &screen);
    HWND there = NULL;
    if (!automation::WaitUntil([&] { return (there = WindowFromPoint(screen)) == target; }, WAIT_MS))
        return ::testing::AssertionFailure() << "the pointer at (" << screen.x << "," << screen.y << ") finds window "
                                             << there << ", not " << target;
    automation::ClickAt(window, p.x, p.y);
    return ::testing::AssertionSuccess();
}

// The keys go to the foreground window's focus: wait for `window` to be
// the foreground window, and `focus` (when given) its focus.
static ::testing::AssertionResult ReadyForKeys(HWND window, HWND focus)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(window, NULL);
    if (automation::WaitUntil(
            [&] {
                return GetForegroundWindow() == window && GetGUIThreadInfo(thread, &info) &&
                       (!focus || info.hwndFocus == focus);
            },
            WAIT_MS))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the foreground window is " << GetForegroundWindow() << ", not " << window
                                         << "; its focus " << info.hwndFocus;
}

::testing::AssertionResult Press(HWND dialog, int id, Input input)
{
    HWND button = GetDlgItem(dialog, id);
    if (!button) return ::testing::AssertionFailure() << "no control " << id;
    if (input == POSTED) {
        automation::Click(dialog, id);
        return ::testing::AssertionSuccess();
    }
    if (input == POINTER) return ClickIn(dialog, ControlRect(dialog, id), button);
    ::testing::AssertionResult ready = ReadyForKeys(dialog, input == ENTER ? button : NULL);
    if (!ready) return ready;
    if (input == ENTER) {
        automation::SendKey(VK_RETURN);
        return ::testing::AssertionSuccess();
    }
    std::string label = automation::Text(dialog, id);
    size_t amp = label.find('&');
    if (amp == std::string::npos || amp + 1 == label.size())
        return ::testing::AssertionFailure() << "\"" << label << "\" has no access key";
    automation::SendKey(LOBYTE(VkKeyScanA(label[amp + 1])), 4);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult TypeFolder(HWND wizard, const char* text, Input input)
{
    if (input == POSTED) {
        if (automation::SetText(wizard, LOCATION, text)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "WM_SETTEXT unanswered";
    }
    ::testing::AssertionResult clicked = Press(wizard, LOCATION, POINTER);
    if (!clicked) return clicked;
    ::testing::AssertionResult ready = ReadyForKeys(wizard, GetDlgItem(wizard, LOCATION));
    if (!ready) return ready;
    automation::SendKey(VK_HOME);
    automation::SendKey(VK_END, 1);
    automation::TypeKeys(text);
    if (automation::WaitUntil([&] { return automation::Text(wizard, LOCATION) == text; }, WAIT_MS))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "typed \"" << text << "\", the box holds \""
                                         << automation::Text(wizard, LOCATION) << "\"";
}

::testing::AssertionResult ChoosePlayer(HWND wizard, int index, Input input)
{
    HWND list = GetDlgItem(wizard, PLAYERS), drop = NULL;
    ::testing::AssertionResult done = ::testing::AssertionSuccess();
    if (input == POINTER) {
        done = Press(wizard, PLAYERS, POINTER);
    } else {
        DWORD_PTR shown = CB_ERR;
        SendMessageTimeoutA(list, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, SHORT_MS, &shown);
        if ((int)shown != index) return ::testing::AssertionFailure() << "the list shows item " << shown << ", not " << index;
        done = Press(wizard, PLAYERS_NAME, ACCESS_KEY);
        if (done) done = ReadyForKeys(wizard, list);
        if (done) automation::SendKey(VK_F4);
    }
    if (!done) return done;
    if (!automation::WaitUntil([&] { return (drop = automation::DropDownOf(list)) != NULL; }, WAIT_MS))
        return ::testing::AssertionFailure() << "no drop-down opened";
    if (input == POINTER) {
        RECT item;
        DWORD_PTR found = LB_ERR;
        if (!SendMessageTimeoutA(drop, LB_GETITEMRECT, index, (LPARAM)&item, SMTO_ABORTIFHUNG, SHORT_MS, &found) ||
            found == (DWORD_PTR)LB_ERR)
            return ::testing::AssertionFailure() << "the drop-down has no item " << index;
        done = ClickIn(drop, item, drop);
        if (!done) return done;
    } else {
        automation::SendKey(VK_RETURN);
    }
    if (automation::WaitUntil([&] { return !IsWindowVisible(drop); }, WAIT_MS)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the drop-down stays open after item " << index << " was chosen";
}

const char* const PageMessages[4] = {
    "Thanks for downloading the ZUV plug-in! This program installs it and tells you how to run and configure it.",
    "Please read the licence agreement.",
    "The plug-in will now be installed in the location shown below.",
    "The plug-in has been installed. Press Finish to bring up Winamp with the plug-in ready.",
};

::testing::AssertionResult ShowsMessage(HWND wizard, const char* message)
{
    std::vector<automation::AccessibleChild> children;
    bool found = automation::WaitUntil(
        [&] {
            if (!automation::ReadAccessibleChildren(wizard, &children)) return false;
            for (const automation::AccessibleChild& c : children)
                if (c.name == message && !(c.state & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE))) return true;
            return false;
        },
        WAIT_MS);
    if (found) return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "no readable child named \"" << message << "\"; the children:";
    for (const automation::AccessibleChild& c : children)
        failure << "\n  " << c.id << " \"" << c.name << "\" state 0x" << std::hex << c.state << std::dec;
    return failure;
}

bool WalkToLocation(HWND wizard)
{
    if (!GoNext(wizard, "&Agree")) return false;
    automation::Click(wizard, NEXT);
    // The folder box shows before the rest of the page: "&Next->", read
    // through the wizard's own thread, says the page is all there.
    return automation::WaitUntil(
        [&] { return automation::Visible(wizard, LOCATION) && automation::Text(wizard, NEXT) == "&Next->"; }, WAIT_MS);
}

bool SaveScreenshot(HWND window, const std::string& name)
{
    std::string folder = Env("ZUV_ARTIFACTS");
    if (folder.empty()) return false;
    return automation::SaveClientBitmap(window, (folder + "\\" + name + ".bmp").c_str());
}

void SetDisplayScale(DWORD dpi)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, NULL, 0, KEY_SET_VALUE,
                                             NULL, &key, NULL));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "LogPixels", 0, REG_DWORD, (const BYTE*)&dpi, sizeof dpi));
    RegCloseKey(key);
}

RECT ControlRect(HWND dialog, int id)
{
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(NULL, dialog, (POINT*)&r, 2);
    return r;
}

RECT Extent(const automation::Image& image, DWORD colour)
{
    RECT box = { image.width, image.height, 0, 0 };
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) == colour) {
                box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

bool StartDesktopShell(automation::Process* shell)
{
    if (!automation::Start(Env("ZUV_SHELL").c_str(), nullptr, nullptr, shell)) return false;
    return automation::WaitUntil(
        [&] {
            DWORD pid = 0;
            return GetWindowThreadProcessId(GetShellWindow(), &pid) && pid == shell->pid;
        },
        WAIT_MS);
}

const char ViewerLog[] = "C:\\viewer\\viewer.log";

void RegisterHtmlViewer()
{
    MakeFolders("C:\\viewer");
    std::string viewer = Env("ZUV_VIEWER");
    ASSERT_TRUE(CopyFileA(viewer.c_str(), "C:\\viewer\\viewer.exe", FALSE)) << "ZUV_VIEWER " << viewer;
    const char* values[][2] = {
        { "SOFTWARE\\Classes\\.html", "zuvtest.html" },
        { "SOFTWARE\\Classes\\zuvtest.html\\shell\\open\\command", "\"C:\\viewer\\viewer.exe\" \"%1\"" },
    };
    for (auto& v : values) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, v[0], 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
        RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)v[1], (DWORD)strlen(v[1]) + 1);
        RegCloseKey(key);
    }
}

std::string PlayerLog(const std::string& folder) { return ReadAll(folder + "winamp.log"); }

void Scenario::SetUp()
{
    // Every scenario gets a fresh prefix from the runner; start from a known
    // player all the same.
    DeleteFileA(PluginSettingsFile().c_str());
    InstallPlayer(PlayerFolder, SampleIni);
    RegisterPlayer(std::string("\"") + PlayerFolder + "winamp.exe\" \"%1\"");
    StageInstaller(SetupFolder);
    RegisterHtmlViewer();
}

void Scenario::TearDown()
{
    automation::Kill(&run.process);
    // Players started by a scenario end with it.
    for (int i = 0; i < 5; ++i) {
        HWND player = FindWindowA("Winamp v1.x", NULL);
        if (!player) break;
        DWORD pid = 0;
        GetWindowThreadProcessId(player, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (process) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 3000);
            CloseHandle(process);
        }
    }
}

}  // namespace e2e
