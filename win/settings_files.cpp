// Where winamp.ini is and what the player reads from it, its rewrite, and
// zuv.cfg seeding.
#include <windows.h>
#include <assert.h>

#include "desktop_user.h"
#include "file_helpers.h"
#include "operations.h"
#include "replace_file.h"
#include "../core/ini_rewrite.h"
#include "../core/paths.h"
#include "../core/player.h"
#include "../core/plugin_settings.h"
#include "../core/ini_section.h"
#include "../core/settings_folder.h"

// Beside winamp.ini; no file of the player's ends like this.
#define SETTINGS_TEMP_SUFFIX L".zuv-tmp"

// Used one at a time: the whole of paths.ini (the player's own is a few
// lines; one that fills this is not one), the beginning of winamp.ini, then
// winamp.ini piece by piece.
static char g_scratch[65536];
// A UTF-16 paths.ini as UTF-8.
static char g_pathsText[sizeof g_scratch * 2];

static bool WriteToFile(void* context, const char* data, size_t size)
{
    return size <= MAXDWORD && WriteAll(*(HANDLE*)context, data, (DWORD)size);
}

struct RewriteJob {
    HANDLE in;
    DWORD head;         // its first bytes, already in g_scratch
    bool selectModule;  // false: the player's own DSP selection stays
    bool ansi;          // written in the ANSI code page, not UTF-8
    bool unchanged;     // read and rewritten whole, and nothing to change
};

// Streams the old winamp.ini through the rewrite into the new file, and
// closes the old one, which would otherwise block the rename.
static bool WriteRewrittenCopy(HANDLE out, void* context)
{
    RewriteJob* job = (RewriteJob*)context;
    HANDLE* in = &job->in;
    IniRewrite rewrite;
    BeginIniRewrite(&rewrite, WriteToFile, &out, job->selectModule, job->ansi ? AnsiLeadBytes() : NULL);
    bool ok = true;
    // Its beginning was read to judge its encoding, and was all of it when
    // it did not fill g_scratch; the rest follows on.
    DWORD got = job->head;
    bool more = got == sizeof g_scratch;
    while (got && FeedIniRewrite(&rewrite, g_scratch, got) && more) {
        if (!ReadFile(*in, g_scratch, sizeof g_scratch, &got, NULL)) {
            ok = false;
            break;
        }
    }
    ok = EndIniRewrite(&rewrite) && ok;
    CloseHandle(*in);
    *in = INVALID_HANDLE_VALUE;
    // Nothing to change: no rename, so the file stays byte for byte.
    job->unchanged = ok && !rewrite.changed;
    return ok && rewrite.changed;
}

// An open file, from its start, into g_scratch until that is full;
// `length` bytes were read. False on a read error. ReadBeginning closes it.
static bool ReadBeginningOpen(HANDLE file, DWORD* length)
{
    DWORD got = 0;
    bool ok = file != INVALID_HANDLE_VALUE;
    *length = 0;
    while (ok && *length < sizeof g_scratch &&
           (ok = ReadFile(file, g_scratch + *length, sizeof g_scratch - *length, &got, NULL)) && got)
        *length += got;
    return ok;
}

static bool ReadBeginning(HANDLE file, DWORD* length)
{
    bool ok = ReadBeginningOpen(file, length);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok;
}

// paths.ini beside winamp.exe into g_scratch, `length` bytes; `exists`
// false when there is none. False when it exists but cannot be read whole.
static bool ReadPathsIni(const WCHAR* playerFolder, DWORD* length, bool* exists)
{
    WCHAR path[MAX_PATH];
    *length = 0;   // also when there is none
    *exists = false;
    if (lstrlenW(playerFolder) + (int)sizeof PLAYER_PATHS_INI > MAX_PATH) return false;
    wsprintfW(path, L"%s" PLAYER_PATHS_INI, playerFolder);
    HANDLE file = OpenWaiting(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    *exists = true;
    return ReadBeginning(file, length) && *length < sizeof g_scratch;
}

bool RewriteSettingsFile(const WCHAR* iniPath, HANDLE user, bool selectModule)
{
    WCHAR tempPath[MAX_PATH];
    if (lstrlenW(iniPath) + lstrlenW(SETTINGS_TEMP_SUFFIX) >= MAX_PATH) return false;
    wsprintfW(tempPath, L"%s%s", iniPath, SETTINGS_TEMP_SUFFIX);
    // As that user: a folder of theirs may be a junction to anywhere by now,
    // and the installer's own rights must not follow it.
    if (!BeginAsUser(user)) return false;

    // The rename would replace a read-only winamp.ini on some systems and
    // fail on others; the user made it read-only, so leave it alone.
    bool ok = false;
    DWORD attributes = GetFileAttributesW(iniPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        HANDLE in = OpenWaiting(iniPath, FILE_SHARE_READ);
        // Its encoding as this very file, which nothing else may write while
        // it is open, says: the player writes winamp.ini as it exits, after
        // the settings were first read, and may have changed utf8= then.
        RewriteJob job = { in, 0, selectModule, false, false };
        PlayerSection section;
        if (ReadBeginningOpen(in, &job.head)) {
            job.ansi = ReadPlayerSection(g_scratch, job.head, job.head < sizeof g_scratch, &section) && section.ansi;
            DWORD keep = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
            ok = ReplaceFileWith(iniPath, tempPath, keep | FILE_ATTRIBUTE_ARCHIVE, WriteRewrittenCopy, &job) ||
                 job.unchanged;
        }
        // Not handed on: its beginning could not be read, or the temporary file made.
        if (job.in != INVALID_HANDLE_VALUE) CloseHandle(job.in);
    }
    EndAsUser(user);
    return ok;
}

// The first [Winamp] section of winamp.ini as the player will read it: only
// the beginning of the file, which holds that section.
static bool ReadPlayerSectionOf(const WCHAR* iniPath, HANDLE user, PlayerSection* section)
{
    if (!BeginAsUser(user)) return false;
    DWORD length;
    bool ok = ReadBeginning(OpenWaiting(iniPath, FILE_SHARE_READ | FILE_SHARE_WRITE), &length);
    EndAsUser(user);
    return ok && ReadPlayerSection(g_scratch, length, length < sizeof g_scratch, section);
}

// DSPDir, when the player will load DSP modules from it (the section holds
// it only then), as a folder path with its backslash.
static bool DspFolderOf(const PlayerSection* section, WCHAR* out)
{
    int n = MultiByteToWideChar(section->ansi ? CP_ACP : CP_UTF8, MB_ERR_INVALID_CHARS, section->dspFolder, -1, out,
                                MAX_PATH - 1);
    if (n <= 1) return false;
    if (out[n - 2] != '\\') lstrcatW(out, L"\\");
    return true;
}

// The folder the player loads DSP modules from by `section`: DSPDir, or the
// plug-ins folder without one; false when DSPDir names no folder anyone
// can use.
static bool LoadFolderOf(const PlayerSection* section, const WCHAR* plugins, WCHAR* out)
{
    if (section->dspFolderKind != DSP_FOLDER_NONE)
        return section->dspFolderKind == DSP_FOLDER_ABSOLUTE && DspFolderOf(section, out);
    lstrcpyW(out, plugins);
    return true;
}

// The same folder on disk, however each is spelled (8.3 names, letter case,
// a junction). The same text is the same folder without asking the disk:
// in the usual run both are the plug-ins folder as found, and each open
// costs the install step time. Otherwise false when either cannot be opened.
static bool SameFolder(const WCHAR* a, const WCHAR* b)
{
    const WCHAR* x = a;
    const WCHAR* y = b;
    while (*x && *x == *y) ++x, ++y;
    if (*x == *y) return true;
    BY_HANDLE_FILE_INFORMATION first, second;
    return FileIdentity(a, &first) && FileIdentity(b, &second) && SameIdentity(&first, &second);
}

// Whether `path` names something, looked at as `user` (NULL: ourselves).
static bool ExistsAs(HANDLE user, const WCHAR* path)
{
    if (!BeginAsUser(user)) return false;
    bool exists = GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
    EndAsUser(user);
    return exists;
}

// Where paths.ini says winamp.ini is, for the player in `playerFolder`; or,
// where it names no place and that folder holds none, where the program
// keeps it otherwise (`userFolder`, NULL for nowhere), if it is there.
static void FindSettingsFileOf(const WCHAR* playerFolder, const char* userFolder, DesktopUser whose,
                               PlayerSettingsPlace* place)
{
    char folder8[UTF8_PATH_BUFFER], ini8[UTF8_PATH_BUFFER], windowClass[PLAYER_CLASS_BUFFER];
    DWORD length;
    bool exists;
    if (!WideToUtf8(playerFolder, folder8, sizeof folder8) || !ReadPathsIni(playerFolder, &length, &exists)) return;
    DesktopLookups lookups;
    SettingsSearch search = { exists ? g_scratch : NULL, length, g_pathsText, sizeof g_pathsText, folder8, {} };
    BeginDesktopLookups(&lookups, whose, place->token, &search.lookups);
    bool desktopUsers = false;
    place->found = FindSettingsFile(&search, ini8, sizeof ini8, &desktopUsers, windowClass) &&
                   Utf8ToWide(ini8, place->iniPath, MAX_PATH);
    WCHAR other[MAX_PATH];
    bool users;
    if (place->found && userFolder && !ExistsAs(NULL, place->iniPath) &&
        FindUserSettingsFile(&search, userFolder, ini8, sizeof ini8, &users) && Utf8ToWide(ini8, other, MAX_PATH) &&
        ExistsAs(users ? place->token : NULL, other)) {
        lstrcpyW(place->iniPath, other);
        desktopUsers = users;
    }
    EndDesktopLookups(&lookups);
    if (windowClass[0]) Utf8ToWide(windowClass, place->windowClass, PLAYER_CLASS_LENGTH + 1);
    place->user = place->found && desktopUsers ? place->token : NULL;
}

void FindPlayerSettings(const char* pluginsPath, PlayerSettingsPlace* place)
{
    ZeroMemory(place, sizeof *place);
    lstrcpyW(place->windowClass, L"" PLAYER_WINDOW_CLASS);
    // The player's programs stand where the typed folder's "plugins" begins.
    char stem[PATH_BUFFER];
    const PlayerProgram* program = NULL;
    if (PlayerProgramPath(pluginsPath, "", stem, sizeof stem, AnsiLeadBytes()))
        place->kind = FindPlayerProgram(stem, place->program, &program);
    if (place->kind != PLAYER_32BIT) return;
    // The plug-ins folder as typed, unless winamp.ini moves DSP modules
    // elsewhere; empty when it does not fit, and then nothing is copied.
    char typed[FOLDER_BUFFER + 1], playerFolder[PATH_BUFFER];
    if (!JoinPath(typed, sizeof typed, pluginsPath, "", AnsiLeadBytes()) || !AnsiToWide(typed, place->folder, MAX_PATH))
        place->folder[0] = 0;
    // The player's side is ANSI text; where it keeps its settings may be
    // any user's folder, in any alphabet.
    DesktopUser whose = OpenDesktopUser(&place->token);
    if (PlayerFolderPath(pluginsPath, playerFolder, sizeof playerFolder, AnsiLeadBytes()) &&
        AnsiToWide(playerFolder, place->player, MAX_PATH) &&
        lstrlenW(place->player) + (int)sizeof PLAYER_PLUGINS_DIR < MAX_PATH) {
        wsprintfW(place->plugins, L"%s" PLAYER_PLUGINS_DIR L"\\", place->player);
        FindSettingsFileOf(place->player, program->userFolder, whose, place);
    }
    PlayerSection section;
    WCHAR loaded[MAX_PATH];
    section.dspFolderKind = DSP_FOLDER_NONE;
    if (place->found && ReadPlayerSectionOf(place->iniPath, place->user, &section)) {
        // For the box, as written; a cut name still shows which it is.
        section.dspFolder[MAX_PATH - 1] = 0;
        MultiByteToWideChar(section.ansi ? CP_ACP : CP_UTF8, 0, section.dspFolder, -1, place->dspFolder, MAX_PATH);
    }
    bool usable = LoadFolderOf(&section, place->plugins, loaded);
    place->dspFolderKind = usable || section.dspFolderKind != DSP_FOLDER_ABSOLUTE ? section.dspFolderKind
                                                                               : DSP_FOLDER_UNREADABLE;
    // A DSPDir that is the plug-ins folder, however spelled, moves nothing.
    place->moved = usable && section.dspFolderKind == DSP_FOLDER_ABSOLUTE && !SameFolder(loaded, place->plugins);
    if (place->moved) lstrcpyW(place->folder, loaded);
    place->loads = usable && (place->moved || SameFolder(place->folder, loaded));
}

void ReleasePlayerSettings(PlayerSettingsPlace* place)
{
    if (place->token) CloseHandle(place->token);
}

SwitchResult RewritePlayerSettings(const PlayerSettingsPlace* place, bool* safeMode)
{
    // Where the player will not load the module from, its own selection stays.
    if (place->found) RewriteSettingsFile(place->iniPath, place->user, place->loads);
    // Whether it was rewritten or not, what counts is what the player will
    // read at its next start.
    PlayerSection section;
    WCHAR loaded[MAX_PATH];
    bool read = place->found && ReadPlayerSectionOf(place->iniPath, place->user, &section);
    *safeMode = read && section.safeMode;
    if (!place->loads) return NOT_LOADED_FROM_THERE;
    return read && section.namesModule && LoadFolderOf(&section, place->plugins, loaded) &&
                   SameFolder(loaded, place->folder)
               ? SWITCHED_ON
               : NOT_SWITCHED_ON;
}

bool SeedPluginSettings()
{
    char folder[FOLDER_BUFFER], path[FOLDER_BUFFER];
    UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) return false;
    if (!JoinPath(path, sizeof path, folder, PLUGIN_SETTINGS_NAME, AnsiLeadBytes())) return false;

    PluginSettings settings;
    unsigned char bytes[PLUGIN_SETTINGS_MAX];
    DefaultPluginSettings(&settings);
    size_t size = BuildPluginSettings(&settings, bytes, sizeof bytes);
    assert(size > 0);

    // CREATE_NEW: a file already there, of any size, is left alone, and
    // there is no gap between looking and creating.
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file, bytes, (DWORD)size);
    ok = FlushFileBuffers(file) && ok;
    ok = CloseHandle(file) && ok;
    // A short file would pass for the plug-in's settings on every later run.
    if (!ok) DeleteFileA(path);
    return ok;
}
