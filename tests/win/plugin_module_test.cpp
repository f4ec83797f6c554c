// dsp_zv.dll as the player meets it: loaded from its file, looked up by its
// exports, driven through the module record, configured through its dialog,
// with zuv.cfg in the Windows folder, and uninstalled from Preferences.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <math.h>
#include <string.h>
#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../../plugin/dsp_module.h"
#include "../../plugin/resource.h"
#include "plugin_settings.h"
#include "zuv_version.h"

namespace {

const double Pi = 3.14159265358979323846;
const int Block = 576;
const int Rate = 44100;

// `name` beside this program, where the build puts the plug-in's help page
// and logo.
std::string BuiltFile(const char* name)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, sizeof exe);
    *strrchr(exe, '\\') = 0;
    return std::string(exe) + "\\" + name;
}

// The built module: ZUV_PLUGIN_DLL is its path in the build tree, a Unix path
// under wine, which drive Z: reaches.
std::string ModulePath()
{
    std::string path = ZUV_PLUGIN_DLL;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path)
            if (c == '/') c = '\\';
    }
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    // Beside the test's build tree: tests\win\win_tests.exe, plugin\dsp_zv.dll.
    return BuiltFile("..\\..\\plugin\\dsp_zv.dll");
}

// The machine's copy, which the installer seeds, and the user's own.
std::string SettingsFile()
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\zuv.cfg";
}

// Paths are UTF-8 here: the user's folder has a name code page 1252 cannot spell.
std::wstring Wide(const std::string& utf8)
{
    std::wstring wide(utf8.size() + 1, 0);
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], (int)wide.size()) - 1);
    return wide;
}

std::string Utf8(const WCHAR* wide)
{
    char text[3 * MAX_PATH];
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, NULL, NULL);
    return text;
}

std::string UserFolder()
{
    WCHAR folder[MAX_PATH];
    SHGetFolderPathW(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, folder);
    return Utf8(folder) + "\\ZUV";
}

std::string UserSettingsFile() { return UserFolder() + "\\zuv.cfg"; }

bool ReadFileBytes(const std::string& path, std::string* bytes)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    char buffer[4096];
    DWORD n;
    while (ReadFile(file, buffer, sizeof buffer, &n, NULL) && n > 0) bytes->append(buffer, n);
    CloseHandle(file);
    return true;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    bool ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &n, NULL) && n == bytes.size();
    CloseHandle(file);
    return ok;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryW(Wide(path).c_str(), NULL) != 0; }

std::string SettingsBytes(const PluginSettings& s)
{
    unsigned char out[PLUGIN_SETTINGS_MAX];
    size_t n = BuildPluginSettings(&s, out, sizeof out);
    return std::string((const char*)out, n);
}

PluginSettings Defaults()
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    return s;
}

// 1 s of 60 Hz at 0.2 and 5 kHz at 0.1 of full scale, 16-bit stereo.
std::vector<short> TestSignal()
{
    std::vector<short> x(2 * Rate);
    for (int i = 0; i < Rate; ++i) {
        double v = 0.2 * sin(2 * Pi * 60 * i / Rate) + 0.1 * sin(2 * Pi * 5000 * i / Rate);
        x[2 * i] = x[2 * i + 1] = (short)lround(v * 32767);
    }
    return x;
}

// Amplitude of the 60 Hz component of the left channel's last half second.
double LowAmplitude(const std::vector<short>& x)
{
    double w = 2 * Pi * 60 / Rate, k = 2 * cos(w), s1 = 0, s2 = 0;
    int from = Rate / 2;
    for (int i = from; i < Rate; ++i) {
        double s = x[2 * i] / 32768.0 + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    double re = s1 - s2 * cos(w), im = s2 * sin(w);
    return 2 * sqrt(re * re + im * im) / (Rate - from);
}

// The names in the loaded module's export table.
std::vector<std::string> ExportNames(HMODULE module)
{
    const unsigned char* base = (const unsigned char*)module;
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)base;
    const IMAGE_NT_HEADERS32* nt = (const IMAGE_NT_HEADERS32*)(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    if (dir.VirtualAddress == 0) return names;
    const IMAGE_EXPORT_DIRECTORY* exports = (const IMAGE_EXPORT_DIRECTORY*)(base + dir.VirtualAddress);
    const DWORD* rvas = (const DWORD*)(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.push_back((const char*)(base + rvas[i]));
    return names;
}

class PluginModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The user's application data in a folder named in Polish and
        // Japanese, through User Shell Folders, which the shell follows.
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, ShellFoldersKey, 0, KEY_ALL_ACCESS, &shellFolders));
        DWORD size = sizeof savedAppData;
        hadAppData = RegQueryValueExW(shellFolders, L"AppData", NULL, &appDataType, (BYTE*)savedAppData, &size) == 0;
        WCHAR temp[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        appData = Utf8(temp) + "zuv \u0141ukasz \u97f3\u697d";
        MakeFolder(appData);
        std::wstring value = Wide(appData);
        RegSetValueExW(shellFolders, L"AppData", 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)(value.size() + 1) * 2);
        ASSERT_EQ(appData + "\\ZUV", UserFolder());

        hadSettings = ReadFileBytes(SettingsFile(), &savedSettings);
        DeleteFileW(Wide(UserSettingsFile()).c_str());
        library = LoadLibraryA(ModulePath().c_str());
        ASSERT_TRUE(library != NULL) << ModulePath() << " error " << GetLastError();
        getHeader = (DspGetHeaderProc)(void*)GetProcAddress(library, DSP_EXPORT_NAME);
        ASSERT_TRUE(getHeader != NULL);
        header = getHeader(NULL);
        ASSERT_TRUE(header != NULL);
        module = header->getModule(0);
        ASSERT_TRUE(module != NULL);
        module->hwndParent = NULL;
        module->hDllInstance = library;
    }

    void TearDown() override
    {
        if (library) FreeLibrary(library);
        if (hadSettings)
            WriteFileBytes(SettingsFile(), savedSettings);
        else
            DeleteFileA(SettingsFile().c_str());
        DeleteFileW(Wide(UserSettingsFile()).c_str());
        RemoveDirectoryW(Wide(UserSettingsFile() + ".tmp").c_str());
        RemoveDirectoryW(Wide(UserFolder()).c_str());
        RemoveDirectoryW(Wide(appData).c_str());
        if (hadAppData)
            RegSetValueExW(shellFolders, L"AppData", 0, appDataType, (const BYTE*)savedAppData,
                           (DWORD)(lstrlenW(savedAppData) + 1) * 2);
        else
            RegDeleteValueW(shellFolders, L"AppData");
        RegCloseKey(shellFolders);
    }

    // Init, the signal in the player's blocks, Quit.
    std::vector<short> Play(std::vector<short> x, int rate = Rate)
    {
        EXPECT_EQ(0, module->Init(module));
        int frames = (int)x.size() / 2;
        for (int at = 0; at < frames; at += Block) {
            int n = frames - at < Block ? frames - at : Block;
            EXPECT_EQ(n, module->ModifySamples(module, &x[2 * at], n, 16, 2, rate));
        }
        module->Quit(module);
        return x;
    }

    HMODULE library = NULL;
    DspGetHeaderProc getHeader = NULL;
    DspHeader* header = NULL;
    DspModule* module = NULL;
    bool hadSettings = false;
    std::string savedSettings;
    static constexpr const WCHAR* ShellFoldersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY shellFolders = NULL;
    bool hadAppData = false;
    DWORD appDataType = REG_EXPAND_SZ;
    WCHAR savedAppData[MAX_PATH] = L"";
    std::string appData;
};

TEST_F(PluginModule, ExportsTheHeaderAndUninstallFunctionsUndecorated)
{
    std::vector<std::string> expected = { "winampDSPGetHeader2", "winampUninstallPlugin" };
    EXPECT_EQ(expected, ExportNames(library));
}

TEST_F(PluginModule, HeaderAndModuleRecord)
{
    EXPECT_EQ(0x20, header->version);
    EXPECT_EQ(std::string("ZUV Enhancer v") + ZUV_PLUGIN_VERSION, header->description);
    EXPECT_EQ(header, getHeader((HWND)GetDesktopWindow()));    // the argument is ignored
    EXPECT_STRNE("", module->description);
    EXPECT_TRUE(module->Config && module->Init && module->ModifySamples && module->Quit);
    EXPECT_EQ(module, header->getModule(0));
    EXPECT_TRUE(header->getModule(1) == NULL);
    EXPECT_TRUE(header->getModule(-1) == NULL);
    EXPECT_TRUE(header->getModule(1000) == NULL);
}

// The player's list and Explorer's properties name the same version.
TEST_F(PluginModule, VersionBlockMatchesTheHeaderText)
{
    std::string path = ModulePath();
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), NULL));
    ASSERT_TRUE(!block.empty() && GetFileVersionInfoA(path.c_str(), 0, (DWORD)block.size(), block.data()));
    VS_FIXEDFILEINFO* fixed;
    char* text;
    UINT n;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void**)&fixed, &n));
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS));
    EXPECT_EQ("ZUV Enhancer v" + numbers, header->description);
    for (std::string key : { "FileVersion", "ProductVersion" }) {
        ASSERT_TRUE(VerQueryValueA(block.data(), ("\\StringFileInfo\\040904b0\\" + key).c_str(), (void**)&text, &n)) << key;
        EXPECT_EQ(std::string("ZUV Enhancer v") + text, header->description) << key;
    }
}

TEST_F(PluginModule, DefaultSettingsRaiseTheBass)
{
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsBytes(Defaults())));
    std::vector<short> x = TestSignal();
    std::vector<short> y = Play(x);
    double gain = 20 * log10(LowAmplitude(y) / LowAmplitude(x));
    EXPECT_GT(gain, 5.0);    // +9.6 dB bass, -3 dB output level
    EXPECT_LT(gain, 7.5);
}

// The user's copy first: bypass there wins over the machine's defaults.
TEST_F(PluginModule, BypassInTheFileLeavesSamplesUntouched)
{
    PluginSettings s = Defaults();
    s.switches[0] = 1;
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsBytes(Defaults())));
    ASSERT_TRUE(MakeFolder(UserFolder()));
    ASSERT_TRUE(WriteFileBytes(UserSettingsFile(), SettingsBytes(s)));
    std::vector<short> x = TestSignal();
    EXPECT_EQ(x, Play(x));
}

struct FileCase {
    const char* name;
    bool present;
    std::string bytes;
};

// The layout's damaged files are the unit tests' table; here, what the
// module does with a file it cannot use: one as good as missing.
const FileCase FileCases[] = {
    { "missing", false, "" },
    { "empty", true, "" },
    { "oversized", true, SettingsBytes(Defaults()) + std::string(5000, 'x') },
};

class PluginSettingsFile : public PluginModule, public ::testing::WithParamInterface<FileCase> {};

// A damaged user's copy gives way to the machine's (bypass here), and a
// damaged machine's copy to the defaults. Init only reads.
TEST_P(PluginSettingsFile, DamagedCopyGivesWay)
{
    const FileCase& c = GetParam();
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsBytes(Defaults())));
    std::vector<short> defaults = Play(TestSignal());
    PluginSettings bypass = Defaults();
    bypass.switches[0] = 1;
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsBytes(bypass)));
    ASSERT_TRUE(MakeFolder(UserFolder()));
    if (c.present) {
        ASSERT_TRUE(WriteFileBytes(UserSettingsFile(), c.bytes));
    }
    EXPECT_EQ(TestSignal(), Play(TestSignal())) << "the user's copy did not give way";

    DeleteFileW(Wide(UserSettingsFile()).c_str());
    if (c.present)
        ASSERT_TRUE(WriteFileBytes(SettingsFile(), c.bytes));
    else
        DeleteFileA(SettingsFile().c_str());
    EXPECT_EQ(defaults, Play(TestSignal()));
    std::string after;
    EXPECT_EQ(c.present, ReadFileBytes(SettingsFile(), &after));
    EXPECT_EQ(c.bytes, after);
}

INSTANTIATE_TEST_SUITE_P(Files, PluginSettingsFile, ::testing::ValuesIn(FileCases),
                         [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

TEST_F(PluginModule, EveryFormatKeepsItsFrameCount)
{
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsBytes(Defaults())));
    ASSERT_EQ(0, module->Init(module));
    struct { int bits, channels, rate; bool processed; } formats[] = {
        { 8, 1, 11025, true }, { 8, 2, 22050, true }, { 16, 1, 48000, true },
        { 24, 2, 96000, true }, { 24, 1, 192000, true }, { 32, 2, 44100, false },
    };
    for (const auto& f : formats) {
        SCOPED_TRACE(f.bits * 1000 + f.channels);
        std::vector<unsigned char> data(Block * f.channels * 4);
        for (size_t i = 0; i < data.size(); ++i) data[i] = (unsigned char)(i * 37 % 101 + 77);
        std::vector<unsigned char> before = data;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Block, module->ModifySamples(module, (short*)data.data(), Block, f.bits, f.channels, f.rate));
        EXPECT_EQ(f.processed, before != data);
    }
    module->Quit(module);
}

// --- The settings dialog ----------------------------------------------------

const char DialogCaption[] = "ZUV Enhancer Settings";

HWND WaitForWindow(const char* caption, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 20) {
        HWND window = FindWindowA("#32770", caption);
        DWORD pid = 0;
        if (window) GetWindowThreadProcessId(window, &pid);
        if (window && pid == GetCurrentProcessId() && IsWindowVisible(window)) return window;
        Sleep(20);
    }
    return NULL;
}

std::string Text(HWND window)
{
    WCHAR text[512] = L"";
    SendMessageW(window, WM_GETTEXT, 512, (LPARAM)text);
    return Utf8(text);
}

// Runs Config on this thread while `script` works the dialog from another.
// The script ends the dialog; if it cannot, it is closed with Cancel.
template <typename Script>
void RunConfig(DspModule* module, Script script)
{
    std::atomic<bool> done(false);
    std::thread driver([&] {
        HWND dialog = WaitForWindow(DialogCaption, 5000);
        if (dialog) script(dialog);
        // Whatever the script did, the dialog must end.
        for (int i = 0; i < 100 && !done; ++i) {
            if (i > 25) {
                HWND left = FindWindowA("#32770", NULL);
                if (left) PostMessageA(left, WM_COMMAND, IDCANCEL, 0);
            }
            Sleep(20);
        }
    });
    module->Config(module);
    done = true;
    driver.join();
}

TEST_F(PluginModule, ConfigShowsTheFileAndOkSavesTheChanges)
{
    PluginSettings mine = Defaults();
    strcpy(mine.presetName, "Mine");
    mine.levels[1] = 40;
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsBytes(mine)));
    std::string shownValue, shownAfter;
    int shownPos = -1;
    bool nightShown = true;
    RunConfig(module, [&](HWND dialog) {
        HWND bass = GetDlgItem(dialog, IDC_LEVEL_FIRST + 1);
        shownPos = (int)SendMessageA(bass, TBM_GETPOS, 0, 0);
        shownValue = Text(GetDlgItem(dialog, IDC_VALUE_FIRST + 1));
        nightShown = IsDlgButtonChecked(dialog, IDC_SWITCH_FIRST + 6) == BST_CHECKED;
        // Drag the bass to 100 as the user would: the trackbar tells its owner.
        SendMessageA(bass, TBM_SETPOS, TRUE, 100);
        SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 100), (LPARAM)bass);
        shownAfter = Text(GetDlgItem(dialog, IDC_VALUE_FIRST + 1));
        SendMessageA(GetDlgItem(dialog, IDC_SWITCH_FIRST + 6), BM_CLICK, 0, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(40, shownPos);
    EXPECT_EQ("+4.8 dB", shownValue);
    EXPECT_EQ("+12.0 dB", shownAfter);
    EXPECT_FALSE(nightShown);

    // Into the user's copy; the machine's stays as the installer left it.
    PluginSettings expected = mine;
    expected.levels[1] = 100;
    expected.switches[6] = 1;
    std::string saved;
    ASSERT_TRUE(ReadFileBytes(UserSettingsFile(), &saved));
    EXPECT_EQ(SettingsBytes(expected), saved);
    ASSERT_TRUE(ReadFileBytes(SettingsFile(), &saved));
    EXPECT_EQ(SettingsBytes(mine), saved);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Wide(UserSettingsFile() + ".tmp").c_str()));
}

TEST_F(PluginModule, ConfigCancelChangesNothing)
{
    std::string before = SettingsBytes(Defaults());
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), before));
    RunConfig(module, [&](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_SWITCH_FIRST + 0), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(dialog, IDC_LEVEL_FIRST + 0), TBM_SETPOS, TRUE, 3);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    std::string after;
    ASSERT_TRUE(ReadFileBytes(SettingsFile(), &after));
    EXPECT_EQ(before, after);
}

TEST_F(PluginModule, ConfigDefaultsButtonOnADamagedFileWritesAGoodOne)
{
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), "damaged"));
    RunConfig(module, [&](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_LEVEL_FIRST + 4), TBM_SETPOS, TRUE, 5);
        SendMessageA(GetDlgItem(dialog, IDC_DEFAULTS), BM_CLICK, 0, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    std::string saved;
    ASSERT_TRUE(ReadFileBytes(UserSettingsFile(), &saved));
    EXPECT_EQ(SettingsBytes(Defaults()), saved);
}

TEST_F(PluginModule, ConfigAppliesToThePlayingEffect)
{
    PluginSettings bypass = Defaults();
    bypass.switches[0] = 1;
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsBytes(bypass)));
    ASSERT_EQ(0, module->Init(module));
    std::vector<short> x = TestSignal(), y = x;
    ASSERT_EQ(Block, module->ModifySamples(module, y.data(), Block, 16, 2, Rate));
    EXPECT_TRUE(std::equal(x.begin(), x.begin() + 2 * Block, y.begin()));
    RunConfig(module, [&](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_SWITCH_FIRST + 0), BM_CLICK, 0, 0);    // bypass off
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    ASSERT_EQ(Block, module->ModifySamples(module, y.data() + 2 * Block, Block, 16, 2, Rate));
    EXPECT_FALSE(std::equal(x.begin() + 2 * Block, x.begin() + 4 * Block, y.begin() + 2 * Block));
    module->Quit(module);
}

// A save that cannot happen says so and leaves the old copy whole.
TEST_F(PluginModule, ConfigFailedSaveKeepsTheOldFile)
{
    std::string before = SettingsBytes(Defaults());
    ASSERT_TRUE(MakeFolder(UserFolder()));
    ASSERT_TRUE(WriteFileBytes(UserSettingsFile(), before));
    // A folder where the temporary file would go makes its creation fail.
    ASSERT_TRUE(MakeFolder(UserSettingsFile() + ".tmp"));
    std::string message;
    bool dialogStayed = false;
    RunConfig(module, [&](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_SWITCH_FIRST + 6), BM_CLICK, 0, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        HWND box = WaitForWindow("ZUV Enhancer", 5000);
        if (!box) return;
        message = Text(GetDlgItem(box, 0xFFFF));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(20);
        dialogStayed = IsWindowVisible(dialog) != FALSE;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ("The settings could not be saved to " + UserSettingsFile() +
                  ".\n\nCheck that this folder can be written, then press OK again.",
              message);
    EXPECT_TRUE(dialogStayed);
    std::string after;
    ASSERT_TRUE(ReadFileBytes(UserSettingsFile(), &after));
    EXPECT_EQ(before, after);
}

// --- Uninstall from the player's Preferences --------------------------------

// A copy of the module in a folder of its own, with its help page and logo
// beside it. No player window runs in this process unless a test makes one:
// the files go with DeleteFileW.
class PluginUninstall : public PluginModule {
protected:
    void SetUp() override
    {
        PluginModule::SetUp();
        WCHAR temp[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        folder = Utf8(temp) + "zuv plug-ins \u0141\u00f3d\u017a";
        MakeFolder(folder);
        ASSERT_TRUE(CopyFileW(Wide(ModulePath()).c_str(), Wide(PathOf("dsp_zv.dll")).c_str(), FALSE));
        for (const char* name : { "helpfile.html", "zvlogo.jpg" })
            ASSERT_TRUE(CopyFileW(Wide(BuiltFile(name)).c_str(), Wide(PathOf(name)).c_str(), FALSE)) << name;
        copy = LoadLibraryW(Wide(PathOf("dsp_zv.dll")).c_str());
        ASSERT_TRUE(copy != NULL);
        uninstall = (DspUninstallProc)(void*)GetProcAddress(copy, DSP_UNINSTALL_EXPORT_NAME);
        ASSERT_TRUE(uninstall != NULL);
        // Hidden: under wine each visible window costs 2 s to take down.
        page = CreateWindowA("STATIC", "Preferences", WS_OVERLAPPED, 0, 0, 300, 200, NULL, NULL, NULL, NULL);
    }

    void TearDown() override
    {
        DestroyWindow(page);
        if (copy) FreeLibrary(copy);
        made.insert(made.end(), { "dsp_zv.dll", "helpfile.html", "zvlogo.jpg", "zuv.cfg" });
        for (const std::string& name : made) {
            SetFileAttributesW(Wide(PathOf(name)).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (name != "zuv.cfg") DeleteFileW(Wide(PathOf(name)).c_str());
        }
        RemoveDirectoryW(Wide(folder).c_str());
        PluginModule::TearDown();
    }

    // zuv.cfg is the Windows folder's; the others are beside the copy.
    std::string PathOf(const std::string& name) { return name == "zuv.cfg" ? SettingsFile() : folder + "\\" + name; }

    // Calls the export with `page` and answers each "ZUV" box it shows: the
    // question with `answer`, any other with OK.
    void Run(int answer)
    {
        std::atomic<bool> done(false);
        std::thread driver([&] {
            while (!done) {
                HWND box = WaitForWindow("ZUV", 100);
                if (!box) continue;
                HWND no = GetDlgItem(box, IDNO);
                texts.push_back(Text(GetDlgItem(box, 0xFFFF)));
                ownedByPage = ownedByPage && GetWindow(box, GW_OWNER) == page;
                if (no) noIsDefault = (GetWindowLongA(no, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
                PostMessageA(box, WM_COMMAND, no ? (answer ? answer : IDNO) : IDOK, 0);
                for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(20);
            }
        });
        result = uninstall(copy, page, 0);
        done = true;
        driver.join();
    }

    std::string folder;
    std::vector<std::string> made;    // beside the copy by a test, deleted after it
    HMODULE copy = NULL;
    DspUninstallProc uninstall = NULL;
    HWND page = NULL;
    int result = -1;
    std::vector<std::string> texts;
    bool ownedByPage = true, noIsDefault = false;
};

struct UninstallCase {
    const char* name;
    bool settings;                     // zuv.cfg in the Windows folder
    int answer;                        // to the question whether it goes too; 0: not asked
    std::vector<std::string> readOnly;
    std::vector<std::string> kept;     // still there afterwards
    std::vector<std::string> named;    // in the box of what could not be removed
    // Another plug-in's file of that name: a page of another title, or a logo
    // of our logo's size with one byte changed.
    std::vector<std::string> foreign = {};
    std::vector<std::string> made = {};   // beside the module, before the uninstall
};

const UninstallCase UninstallCases[] = {
    { "SettingsKeptOnNo", true, IDNO, {}, { "zuv.cfg" }, {} },
    { "SettingsRemovedOnYes", true, IDYES, {}, {}, {} },
    { "NoSettingsNoQuestion", false, 0, {}, {}, {} },
    { "ReadOnlyHelpPageNamed", true, IDNO, { "helpfile.html" }, { "helpfile.html", "zuv.cfg" }, { "helpfile.html" } },
    { "ReadOnlyFilesNamedInOneBox", true, IDYES, { "zvlogo.jpg", "zuv.cfg" }, { "zvlogo.jpg", "zuv.cfg" },
      { "zvlogo.jpg", "zuv.cfg" } },
    { "AnotherPluginsPageAndLogoStayUnnamed", true, IDNO, { "helpfile.html" }, { "helpfile.html", "zvlogo.jpg", "zuv.cfg" },
      {}, { "helpfile.html", "zvlogo.jpg" } },
    // The installer's names for a module it moved aside, and names like them.
    { "LeftoversOfTheModuleGo", false, 0, { "dsp_zv.dll.old2" }, { "dsp_zv.dll.old2", "dsp_zv.dll.old.bak", "dsp_zv.dll.older" },
      { "dsp_zv.dll.old2" }, {}, { "dsp_zv.dll.old", "dsp_zv.dll.old2", "dsp_zv.dll.old17", "dsp_zv.dll.old.bak", "dsp_zv.dll.older" } },
};

class PluginUninstallFiles : public PluginUninstall, public ::testing::WithParamInterface<UninstallCase> {};

// The module itself stays: the player deletes it once it has freed it.
TEST_P(PluginUninstallFiles, RemovesWhatItCanAndNamesTheRest)
{
    const UninstallCase& c = GetParam();
    if (c.settings)
        ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsBytes(Defaults())));
    else
        DeleteFileA(SettingsFile().c_str());
    made = c.made;
    for (const std::string& name : c.made) ASSERT_TRUE(WriteFileBytes(PathOf(name), name));
    for (const std::string& name : c.foreign) {
        std::string bytes = "<!DOCTYPE html><html><head><title>Another Plug-in: Help</title></head></html>";
        if (name == "zvlogo.jpg") {
            ASSERT_TRUE(ReadFileBytes(PathOf(name), &bytes));
            bytes[bytes.size() / 2] ^= 1;
        }
        ASSERT_TRUE(WriteFileBytes(PathOf(name), bytes));
    }
    for (const std::string& name : c.readOnly)
        ASSERT_TRUE(SetFileAttributesW(Wide(PathOf(name)).c_str(), FILE_ATTRIBUTE_READONLY));
    Run(c.answer);
    EXPECT_EQ(DSP_PLUGIN_UNINSTALL_NOW, result);
    std::vector<std::string> expected, kept;
    if (c.answer)
        expected.push_back("Remove the ZUV settings in " + SettingsFile() +
                           " as well?\n\nChoose No to keep them for a later installation.");
    std::string named;
    for (const std::string& name : c.named) named += PathOf(name) + "\n";
    if (!named.empty()) expected.push_back("These files could not be removed:\n\n" + named + "\nPlease delete them by hand.");
    EXPECT_EQ(expected, texts);
    EXPECT_TRUE(ownedByPage);
    EXPECT_EQ(c.answer != 0, noIsDefault) << "No is not the question's default";
    std::vector<std::string> names = { "helpfile.html", "zvlogo.jpg", "zuv.cfg" };
    names.insert(names.end(), c.made.begin(), c.made.end());
    for (const std::string& name : names)
        if (GetFileAttributesW(Wide(PathOf(name)).c_str()) != INVALID_FILE_ATTRIBUTES) kept.push_back(name);
    EXPECT_EQ(c.kept, kept);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Wide(PathOf("dsp_zv.dll")).c_str()));
}

INSTANTIATE_TEST_SUITE_P(Cases, PluginUninstallFiles, ::testing::ValuesIn(UninstallCases),
                         [](const ::testing::TestParamInfo<UninstallCase>& info) { return std::string(info.param.name); });

// The player's file registrar as the player defines it, written out here and
// not taken from dsp_module.h, which the plug-in shares: a wrong interface id
// or method place there fails this test. The id's bytes as they lie in
// memory, {2E74C695-8E9C-4179-B0A0-BC2EBDEB5C2B}; DeleteItem after IUnknown's
// three methods and twenty of IFileTypeRegistrar's own.
const unsigned char RegistrarIid[16] = { 0x95, 0xC6, 0x74, 0x2E, 0x9C, 0x8E, 0x79, 0x41,
                                         0xB0, 0xA0, 0xBC, 0x2E, 0xBD, 0xEB, 0x5C, 0x2B };
const int DeleteItemSlot = 23;
const int RegistrarSlots = 40;

// A registrar whose every method past IUnknown's logs its place and path;
// only DeleteItem deletes.
struct FakeRegistrar {
    void* const* methods;
    LONG references;
    std::vector<std::pair<int, std::string>> calls;
};

HRESULT STDMETHODCALLTYPE FakeQuery(FakeRegistrar* self, REFIID iid, void** out)
{
    *out = memcmp(&iid, RegistrarIid, sizeof RegistrarIid) == 0 ? self : NULL;
    if (!*out) return E_NOINTERFACE;
    ++self->references;
    return S_OK;
}
ULONG STDMETHODCALLTYPE FakeAddRef(FakeRegistrar* self) { return ++self->references; }
ULONG STDMETHODCALLTYPE FakeRelease(FakeRegistrar* self) { return --self->references; }

template <int Slot>
HRESULT STDMETHODCALLTYPE FakeMethod(FakeRegistrar* self, LPCWSTR path)
{
    self->calls.push_back({ Slot, Utf8(path) });
    return Slot != DeleteItemSlot || DeleteFileW(path) ? S_OK : E_FAIL;
}

template <int... Slots>
std::vector<void*> FakeMethods(std::integer_sequence<int, Slots...>)
{
    return { (void*)FakeQuery, (void*)FakeAddRef, (void*)FakeRelease, (void*)FakeMethod<Slots + 3>... };
}

FakeRegistrar* g_fakeRegistrar;
WPARAM g_registrarAsked = ~(WPARAM)0;

// The player's main window, in the plug-in's own process as the player's is.
LRESULT CALLBACK FakePlayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_USER || lParam != 3045) return DefWindowProcW(window, message, wParam, lParam);
    g_registrarAsked = wParam;
    ++g_fakeRegistrar->references;    // the caller's
    return (LRESULT)g_fakeRegistrar;
}

TEST_F(PluginUninstall, DeletesThroughThePlayersRegistrarById)
{
    std::vector<void*> methods = FakeMethods(std::make_integer_sequence<int, RegistrarSlots - 3>());
    FakeRegistrar registrar = { methods.data(), 0, {} };
    g_fakeRegistrar = &registrar;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FakePlayerProc;
    wc.lpszClassName = L"Winamp v1.x";
    RegisterClassW(&wc);
    HWND player = CreateWindowW(L"Winamp v1.x", L"", WS_OVERLAPPED, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(player != NULL);
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), SettingsBytes(Defaults())));
    made = { "dsp_zv.dll.old" };
    ASSERT_TRUE(WriteFileBytes(PathOf("dsp_zv.dll.old"), "x"));
    Run(IDYES);
    DestroyWindow(player);
    UnregisterClassW(L"Winamp v1.x", NULL);
    std::vector<std::pair<int, std::string>> expected;
    for (const char* name : { "helpfile.html", "zvlogo.jpg", "dsp_zv.dll.old", "zuv.cfg" })
        expected.push_back({ DeleteItemSlot, PathOf(name) });
    EXPECT_EQ(expected, registrar.calls);
    EXPECT_EQ(1u, g_registrarAsked);    // no fallback object
    EXPECT_EQ(0, registrar.references);
    EXPECT_EQ(1u, texts.size());        // the question alone: nothing was left
}

}  // namespace
