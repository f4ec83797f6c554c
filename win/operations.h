// The installer's Windows operations. Each owns the calls it makes and takes
// what it works on as arguments; none reads the installer's state record.
// The player's side (its registered command, the plug-ins folder) is ANSI
// text, as the player registers it; the installer's own folder and the
// user's settings folder are wide, since they may hold any alphabet.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "../core/ini_section.h"
#include "../core/paths.h"
#include "../core/player.h"

// What a folder holds: no player, a 32-bit one, or one that cannot load a
// 32-bit plug-in.
enum PlayerKind { PLAYER_NONE, PLAYER_32BIT, PLAYER_NOT_32BIT };
// The player's program at `stem` + its name (`stem`: a folder with its
// backslash, or a typed plug-ins folder cut before its "plugins"): the first
// of PlayerPrograms there, its path into `program` (MAX_PATH; empty for
// none) and its entry into `which` (when not NULL).
PlayerKind FindPlayerProgram(const char* stem, WCHAR* program, const PlayerProgram** which);

// Player discovery, into `out` (PATH_BUFFER bytes): the folder of the first
// place that holds a 32-bit player; else, only a player that is not 32-bit
// being found, the first such folder; else a play command's folder that
// holds no player (for the user to correct).
enum PlayerFound { PLAYER_FOUND, PLAYER_ONLY_NOT_32BIT, PLAYER_MISSING };
PlayerFound LocatePlayer(char* out);
// Every 32-bit player the same places hold, each folder once however it is
// spelled, in the order LocatePlayer reads them (so the first is the one it
// gives): at most `room` (and 16) into `players`; how many.
struct FoundPlayer {
    char folder[PATH_BUFFER];        // as LocatePlayer gives it: lower-case, with its backslash
    const PlayerProgram* program;    // the one that runs first there
};
int FindEveryPlayer(FoundPlayer* players, int room);
// What the folder box gets for a folder the user picked (a full path), into
// `out` (UTF8_PATH_BUFFER fits any): the plug-ins folder of a player's
// folder, as a place that names it gives; any other folder, a plug-ins
// folder among them, as it is, with its backslash. False when the ANSI code
// page cannot spell it.
bool FolderForBox(const WCHAR* picked, char* out, size_t size);
// The folder picker of Browse, owned by `owner`, opened at `typed` or its
// nearest folder that exists (anything else: the picker's own choice). True,
// with the folder in `picked` (MAX_PATH), when one was picked; false on
// Cancel. The picker of Vista on where there is one, unless `vistaPicker`
// is false; else the XP one.
bool PickFolder(HWND owner, const WCHAR* typed, WCHAR* picked, bool vistaPicker = true);
// The folder box `edit` completes folder names as they are typed.
void CompleteFolderNames(HWND edit);

// Installation.
enum CopyResult {
    COPY_DONE,
    COPY_SOURCE_MISSING,     // a file beside the installer is missing or unreadable
    COPY_WRITE_FAILED        // a readable file could not be written into the folder
};
// Copies the plug-in's files, in order, from beside the installer into
// `folder` (with its backslash), as `user` when not NULL; stops at the first
// failure and names its file in `failed`. Each is written whole beside its
// destination and renamed over it: ended at any moment, the installer leaves
// the old file or the new one. A file held for a moment is waited for; one
// still in use (a module loaded by another session's player) is moved aside
// and replaced. Where `user` is refused in a folder that really lies inside
// `playerFolder`, the copy is made with the installer's rights.
CopyResult CopyPluginFiles(const WCHAR* folder, HANDLE user, const WCHAR* playerFolder, const char** failed);
// Whether `folder` is `outer` or lies inside it, judged on where both really
// are (junctions followed, no ".."), never on how they are spelled;
// `resolved` (MAX_PATH) gets where `folder` is, with its backslash, and
// `held`, to close, a handle that keeps it from being renamed. Always false
// on XP, which cannot tell (GetFinalPathNameByHandleW came with Vista).
bool FolderLiesInside(const WCHAR* folder, const WCHAR* outer, WCHAR* resolved, HANDLE* held);
// Asks every window of class `windowClass` whose process runs a program of
// PlayerPrograms in the folder of `program` (the player's) to close, then
// waits a while for them to exit; other players keep running.
void ClosePlayer(const WCHAR* program, const WCHAR* windowClass);
// `name` in the installer's own folder, wherever the current directory is.
bool SourceFilePath(const char* name, WCHAR* out, size_t count);
// Whether all the plug-in's files beside the installer can be read now,
// checked before anything is closed or changed; and whether any is there:
// none is when it was started from inside the zip, or copied alone.
bool AllSourceFilesReadable();
bool AnySourceFilePresent();

// A module's fixed file version (dwFileVersionMS in the high half,
// dwFileVersionLS in the low), read as a resource without running any of its
// code; false when it has none.
bool ReadFileVersion(const WCHAR* path, unsigned long long* version);
// Whether the module installed in `folder` (read as `user` when not NULL) is
// newer than the one beside the installer; both versions come back.
bool InstalledModuleIsNewer(const WCHAR* folder, HANDLE user, unsigned long long* installed, unsigned long long* ours);

// Both start the program through the desktop's shell, so it runs as the
// desktop's user and not elevated; directly only where that shell cannot be
// reached. False when surely nothing started. The player starts in its own
// folder, as from its shortcut.
bool LaunchPlayer(const WCHAR* program);
bool OpenDocument(const WCHAR* file);

// Has Explorer start `file` (full path) in `folder` (NULL: no matter), shown
// normally, as the desktop's user.
//  SHELL_STARTED      Explorer's ShellExecute answered S_OK.
//  SHELL_NOT_STARTED  Explorer could not start the file (S_FALSE), or stayed
//                     busy and rejected a call for good (RPC_E_CALL_REJECTED,
//                     RPC_E_SERVERCALL_RETRYLATER, each tried again for a few
//                     seconds): nothing started.
//  SHELL_REFUSED      it answered anything else: Explorer was reached, and
//                     failed on the way back, perhaps after starting it.
//  SHELL_UNREACHABLE  no desktop shell to ask, no view of it, or COM failed
//                     before the call: only then may the caller start the
//                     file itself. After either of the others, a start of its
//                     own would be elevated.
enum ShellStart { SHELL_STARTED, SHELL_NOT_STARTED, SHELL_REFUSED, SHELL_UNREACHABLE };
ShellStart StartAsDesktopUser(const WCHAR* file, const WCHAR* folder);

// The player behind a plug-ins folder, resolved once when the folder is
// confirmed, and its settings files. winamp.ini is where the player keeps
// it: beside its program, or where its paths.ini says, or (for WACUP) in the
// user's application data; one in the desktop user's own folders is read
// and written as that user.
struct PlayerSettingsPlace {
    PlayerKind kind;             // PLAYER_32BIT: the rest is filled in
    WCHAR program[MAX_PATH];     // its program
    bool found;                  // iniPath is known
    WCHAR iniPath[MAX_PATH];
    HANDLE token;                // the desktop user's, when it could be opened
    HANDLE user;                 // `token` when winamp.ini is that user's own, else NULL
    WCHAR folder[MAX_PATH];      // where the files go, with its backslash (empty: none fits)
    WCHAR player[MAX_PATH];      // the player's folder, with its backslash (empty: none fits)
    WCHAR plugins[MAX_PATH];     // its plug-ins folder, with its backslash (empty: none fits)
    bool moved;                  // `folder` is winamp.ini's DSPDir, not the plug-ins folder
    bool loads;                  // the player looks for DSP modules in `folder`
    DspFolder dspFolderKind;     // DSPDir as read; unreadable also when it cannot be decoded
    WCHAR dspFolder[MAX_PATH];   // DSPDir as written, perhaps cut
    WCHAR windowClass[PLAYER_CLASS_LENGTH + 1];   // the player's main window's, from paths.ini
};
// The player's program, where winamp.ini is, and the folder the player
// loads DSP modules from. ReleasePlayerSettings closes the token.
void FindPlayerSettings(const char* pluginsPath, PlayerSettingsPlace* place);
void ReleasePlayerSettings(PlayerSettingsPlace* place);
// Rewrites winamp.ini, when it has anything to change; where the player
// does not look in `folder`, without selecting the module.
enum SwitchResult {
    SWITCHED_ON,                 // the file now on disk loads the module from `folder` at the next start
    NOT_SWITCHED_ON,             // winamp.ini missing, unreadable or not rewritten
    NOT_LOADED_FROM_THERE        // the player does not look for DSP modules in `folder`
};
// `safeMode`: the player, as winamp.ini now reads, always starts in safe
// mode, in which it loads no DSP module.
SwitchResult RewritePlayerSettings(const PlayerSettingsPlace* place, bool* safeMode);
// The rewrite of one winamp.ini, impersonating `user` (a token with
// TOKEN_QUERY, TOKEN_IMPERSONATE and TOKEN_DUPLICATE) when not NULL; true
// when it was replaced, or read whole with nothing to change.
// `selectModule` false leaves the player's DSP selection alone. The file is
// read in the ANSI code page when its own first [Winamp] section, as it is
// then, says utf8=0, else as UTF-8.
bool RewriteSettingsFile(const WCHAR* iniPath, HANDLE user, bool selectModule = true);
bool SeedPluginSettings();
