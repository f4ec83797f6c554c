// Finding the player: its registered play command, and every other place a
// player's installer records its folder; and what program a folder holds.
// The only file that reads the registry.
#include <windows.h>

#include "desktop_user.h"
#include "file_helpers.h"
#include "operations.h"
#include "../core/paths.h"
#include "../core/player.h"
#include "../syslib/syexception.h"
#include "../syslib/syregistry.h"

// The exceptions are values by design: a caught copy keeps its text.
#pragma GCC diagnostic ignored "-Wcatch-value"

// One value of `root`'s `key` (`name` NULL: the default value) into `data`,
// `size` bytes in and out: as UTF-16 when `wide`, else as ANSI text. `view`
// is 0 or KEY_WOW64_64KEY. False when the key or the value cannot be read,
// or is larger than `data`.
static bool ReadValue(HKEY root, const char* key, REGSAM view, const WCHAR* name, bool wide, BYTE* data, DWORD* size,
                      DWORD* type)
{
    try {
        SyRegistryKey opened;
        // Reading is all we need; a user who may read but not write the key
        // must still find the player.
        opened.Open(root, key, KEY_READ | view);
        if (wide)
            opened.QueryWideValue(name, type, data, size);
        else
            opened.QueryValue(NULL, type, data, size);
    } catch (SySystemException e) {
        return false;
    }
    return true;
}

// The play command under HKEY_LOCAL_MACHINE, as it has always been read: its
// data whatever the type, at most 255 characters.
static bool ReadMachineCommand(char* folder)
{
    char command[PATH_BUFFER];
    DWORD size = sizeof command;
    if (!ReadValue(HKEY_LOCAL_MACHINE, PLAYER_COMMAND_KEY, 0, NULL, false, (BYTE*)command, &size, NULL)) return false;
    // The data need not end in a NUL (a REG_BINARY value, or a string stored
    // without one); 256 bytes without one is a 256-character command.
    if (size >= sizeof command) {
        if (command[sizeof command - 1] != 0) return false;
    } else {
        command[size] = 0;
    }
    return FolderFromPlayerCommand(command, folder, PATH_BUFFER, AnsiLeadBytes());
}

// Whose a place is, and so whose variables expand its values: a hive's
// owner, or the installer's own environment for a default folder (64-bit
// Windows alone has the native Program Files).
enum PlaceOwner { OWNER_MACHINE, OWNER_DESKTOP_USER, OWNER_OWN_ACCOUNT, OWNER_DEFAULT, OWNER_DEFAULT_64 };

struct PlaceName {
    const WCHAR* name;    // NULL: the default value; a default folder's own text
    PlaceValueKind kind;
};

struct Place {
    PlaceOwner owner;
    const char* key;      // a default folder: none
    PlaceName values[3];  // the first that holds a player wins
    bool bothViews;       // read in the 32-bit registry view, then the 64-bit one
};

// After the machine's play command, in this order.
static const Place Places[] = {
    { OWNER_DESKTOP_USER, PLAYER_COMMAND_KEY, { { NULL, PLACE_COMMAND } }, false },
    { OWNER_MACHINE, PLAYER_UNINSTALL_KEY,
      { { PLAYER_UNINSTALL_FOLDER, PLACE_FOLDER }, { PLAYER_UNINSTALL_PROGRAM, PLACE_PROGRAM } }, true },
    { OWNER_MACHINE, PLAYER_APP_PATHS_KEY, { { NULL, PLACE_PROGRAM }, { PLAYER_APP_PATHS_FOLDER, PLACE_FOLDER } }, true },
    { OWNER_DESKTOP_USER, PLAYER_USER_KEY, { { NULL, PLACE_FOLDER } }, false },
    { OWNER_OWN_ACCOUNT, PLAYER_USER_KEY, { { NULL, PLACE_FOLDER } }, false },
    { OWNER_MACHINE, WACUP_UNINSTALL_KEY,
      { { PLAYER_UNINSTALL_FOLDER, PLACE_FOLDER }, { PLAYER_UNINSTALL_PROGRAM, PLACE_PROGRAM },
        { WACUP_UNINSTALL_ICON, PLACE_PROGRAM } },
      true },
    { OWNER_MACHINE, WACUP_APP_PATHS_KEY, { { NULL, PLACE_PROGRAM }, { PLAYER_APP_PATHS_FOLDER, PLACE_FOLDER } }, true },
    { OWNER_DEFAULT, NULL, { { PLAYER_DEFAULT_FOLDER, PLACE_FOLDER }, { WACUP_DEFAULT_FOLDER, PLACE_FOLDER } }, false },
    { OWNER_DEFAULT_64, NULL,
      { { PLAYER64_DEFAULT_FOLDER, PLACE_FOLDER }, { PLAYER_NATIVE_FOLDER, PLACE_FOLDER },
        { WACUP_NATIVE_FOLDER, PLACE_FOLDER } },
      false },
};

struct Search {
    DesktopLookups lookups;
    HKEY hive;            // the desktop user's; NULL: unknown
    PlaceOwner owner;     // of the value being read
    bool windows64;
};

#define WINDOWS_VERSION_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"

// %ProgramW6432% and %CommonProgramW6432% came with Windows 7; XP x64 and
// Vista x64 name the native folders only in the registry's 64-bit view.
// Where the installer's environment lacks either, `text` gets that folder
// in its place, spelled out.
static bool FillNativeFolders(const RegistryUnit* text, RegistryUnit* out, size_t count)
{
    static const struct {
        const char* variable;
        const WCHAR* value;
    } Folders[] = { { "ProgramW6432", L"ProgramFilesDir" }, { "CommonProgramW6432", L"CommonFilesDir" } };
    RegistryUnit folders[2][MAX_PATH];
    VariableText variables[2];
    size_t n = 0;
    for (const auto& folder : Folders) {
        WCHAR* value = (WCHAR*)folders[n];
        DWORD type, size = sizeof folders[n] - sizeof(WCHAR);
        if (GetEnvironmentVariableA(folder.variable, NULL, 0) ||
            !ReadValue(HKEY_LOCAL_MACHINE, WINDOWS_VERSION_KEY, KEY_WOW64_64KEY, folder.value, true, (BYTE*)value,
                       &size, &type) ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            continue;
        value[size / sizeof(WCHAR)] = 0;
        // A folder as it stands: a %NAME% in it would be expanded as a
        // 32-bit program sees it, the (x86) folder.
        const WCHAR* c = value;
        while (*c && *c != '%') ++c;
        if (!value[0] || *c) continue;
        variables[n] = { folder.variable, folders[n] };
        ++n;
    }
    return ReplaceVariables(text, variables, n, out, count);
}

static bool ExpandPlaceText(const RegistryUnit* text, RegistryUnit* out, size_t count, void* context)
{
    Search* search = (Search*)context;
    RegistryUnit filled[PLACE_VALUE_UNITS];
    if (search->windows64) {
        if (!FillNativeFolders(text, filled, PLACE_VALUE_UNITS)) return false;
        text = filled;
    }
    HANDLE user = search->owner == OWNER_DESKTOP_USER ? search->lookups.token : NULL;
    // The installer's own account and the default folders, and a desktop
    // user without a shell token (no shell: that account too), expand with
    // the installer's environment; the machine's values with the system's
    // variables alone (no token).
    if (search->owner >= OWNER_OWN_ACCOUNT || (search->owner == OWNER_DESKTOP_USER && !user)) {
        DWORD n = ExpandEnvironmentStringsW((const WCHAR*)text, (WCHAR*)out, (DWORD)count);
        return n > 0 && n <= count;
    }
    return ExpandForUser(&search->lookups, user, (const WCHAR*)text, (WCHAR*)out, (DWORD)count);
}

static bool PlaceTextToAnsi(const RegistryUnit* text, char* out, size_t size, void*)
{
    // A character the code page lacks would become a best-fit look-alike
    // naming another folder, or a question mark. The UTF-8 code page spells
    // every one, and refuses both the flag and the question.
    DWORD flags = NoBestFitFlags(GetACP());
    BOOL lost = FALSE;
    return WideCharToMultiByte(CP_ACP, flags, (const WCHAR*)text, -1, out, (int)size, NULL, flags ? &lost : NULL) > 0 &&
           !lost;
}

PlayerKind FindPlayerProgram(const char* stem, WCHAR* program, const PlayerProgram** which)
{
    for (const PlayerProgram& candidate : PlayerPrograms) {
        char path[PATH_BUFFER];
        // Every linker puts the PE header within the first few hundred
        // bytes, so one read usually holds it too: each open is a round
        // trip to the server under wine, on the way to the Finished page.
        unsigned char head[1024], header[PROGRAM_HEADER_BYTES];
        static_assert(sizeof head >= PROGRAM_DOS_BYTES, "the DOS header fits");
        DWORD length;
        unsigned long offset;
        if (!CopyText(path, sizeof path, stem) || !AppendText(path, sizeof path, candidate.name) ||
            !AnsiToWide(path, program, MAX_PATH) || !ReadFilePart(program, 0, head, sizeof head, &length))
            continue;
        if (which) *which = &candidate;
        const unsigned char* at = header;
        if (!ProgramHeaderOffset(head, length, &offset)) {   // at least the DOS header read when true
            length = 0;
        } else if (offset <= length - PROGRAM_HEADER_BYTES) {
            at = head + offset;
            length = PROGRAM_HEADER_BYTES;
        } else if (!ReadFilePart(program, offset, header, sizeof header, &length)) {
            // The PE header may lie anywhere, past a long DOS stub too.
            length = 0;
        }
        return ProgramIsNot32Bit(at, length) ? PLAYER_NOT_32BIT : PLAYER_32BIT;
    }
    program[0] = 0;
    return PLAYER_NONE;
}

// The player in `folder`; only a full path counts: a relative one would be
// looked for in whatever the current directory is.
static PlayerKind PlayerIn(const char* folder, const PlayerProgram** which = NULL)
{
    WCHAR program[MAX_PATH];
    if (!folder[0] || !(folder[1] == ':' || (folder[0] == '\\' && folder[1] == '\\'))) return PLAYER_NONE;
    return FindPlayerProgram(folder, program, which);
}

enum { LISTED_PLAYERS = 16 };   // FindEveryPlayer's room at most

namespace {
// A folder as it is on disk, whatever path leads to it; `known` false when
// it could not be opened.
struct FolderIdentity {
    bool known;
    BY_HANDLE_FILE_INFORMATION info;
};

// Every player found, for the Location page's choice: `count` of `room`,
// each folder's identity taken when it was found, as whoever looked.
struct PlayerList {
    FoundPlayer* players;
    FolderIdentity identities[LISTED_PLAYERS];
    int count, room;
};
}

// Adds the player in `folder` unless the list holds that folder already,
// however spelled (a short name, another letter case).
static void AddPlayer(PlayerList* list, const char* folder, const FolderIdentity* added, const PlayerProgram* program)
{
    for (int i = 0; i < list->count; ++i) {
        const FolderIdentity* listed = &list->identities[i];
        if (!lstrcmpiA(list->players[i].folder, folder) ||
            (added->known && listed->known && SameIdentity(&added->info, &listed->info)))
            return;
    }
    if (list->count == list->room) return;
    list->identities[list->count] = *added;
    FoundPlayer* player = &list->players[list->count++];
    CopyText(player->folder, sizeof player->folder, folder);
    player->program = program;
}

// A folder on another machine: a UNC path (taking any \\?\ path for one), or
// a drive letter mapped to a share.
static bool IsRemoteFolder(const char* folder)
{
    if (folder[0] == '\\' && folder[1] == '\\') return true;
    char root[] = { folder[0], ':', '\\', 0 };
    return folder[0] && folder[1] == ':' && GetDriveTypeA(root) == DRIVE_REMOTE;
}

// One value's folder, when it names one. A value of the desktop user's hive
// is read as them; a default folder is its own text.
static bool ReadPlace(Search* search, const Place* place, const PlaceName* name, REGSAM view, char* folder)
{
    RegistryUnit data[PLACE_VALUE_UNITS];
    DWORD type = REG_EXPAND_SZ, size = sizeof data;
    search->owner = place->owner;
    if (!place->key) {
        size = (DWORD)(lstrlenW(name->name) + 1) * sizeof(WCHAR);
        lstrcpyW((WCHAR*)data, name->name);
    } else {
        HKEY root = place->owner == OWNER_MACHINE ? HKEY_LOCAL_MACHINE
                    : place->owner == OWNER_OWN_ACCOUNT ? HKEY_CURRENT_USER : search->hive;
        // A desktop user who is the installer's own account has one hive, read once.
        if (!root || (place->owner == OWNER_OWN_ACCOUNT && search->hive == HKEY_CURRENT_USER)) return false;
        HANDLE user = place->owner == OWNER_DESKTOP_USER ? search->lookups.token : NULL;
        type = REG_NONE;
        if (!BeginAsUser(user)) return false;
        if (!ReadValue(root, place->key, view, name->name, true, (BYTE*)data, &size, &type)) size = 0;
        EndAsUser(user);
    }
    PlaceValue value = { data, size, type == REG_SZ || type == REG_EXPAND_SZ, type == REG_EXPAND_SZ, view != 0 };
    PlaceText text = { ExpandPlaceText, PlaceTextToAnsi, search, AnsiLeadBytes() };
    return FolderFromPlaceValue(name->kind, &value, &text, folder, PATH_BUFFER);
}

// What the folder a place names holds, looked at as the place's owner: one
// the desktop user writes as them, so that a server it names meets their
// network logon, not the installer's (an administrator's, elevated at their
// desktop), and their own drive letters. Where running as them cannot be
// had, a remote folder from such a place is left out. `identity`, when
// wanted, gets the folder's when it holds a 32-bit player.
static PlayerKind PlaceHolds(PlaceOwner owner, HANDLE token, const char* folder, const PlayerProgram** which,
                             FolderIdentity* identity)
{
    HANDLE user = owner == OWNER_DESKTOP_USER ? token : NULL;
    bool asUser = user && BeginAsUser(user);
    if (owner == OWNER_DESKTOP_USER && !asUser && IsRemoteFolder(folder)) return PLAYER_NONE;
    WCHAR wide[MAX_PATH];
    PlayerKind kind = PlayerIn(folder, which);
    if (identity)
        identity->known = kind == PLAYER_32BIT && AnsiToWide(folder, wide, MAX_PATH) && FileIdentity(wide, &identity->info);
    if (asUser) EndAsUser(user);
    return kind;
}

// Whether a 32-bit program runs on 64-bit Windows (IsWow64Process came with
// XP SP2): only there are there a 64-bit registry view and Program Files.
static bool OnWindows64()
{
    typedef BOOL(WINAPI * IsWow64Proc)(HANDLE, PBOOL);
    IsWow64Proc isWow64 = (IsWow64Proc)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

// The first folder of the places that holds a 32-bit player, into `found`;
// else the first that holds another (`other`, "" for none). With `every`, it
// reads every place on and adds each 32-bit player to that list.
static bool SearchPlaces(char* found, char* other, PlayerList* every)
{
    Search search;
    HANDLE token;
    DesktopUser whose = OpenDesktopUser(&token);
    BeginDesktopLookups(&search.lookups, whose, token, NULL);
    search.hive = OpenDesktopUserHive(whose, token);
    bool windows64 = search.windows64 = OnWindows64(), any = false;
    char folder[PATH_BUFFER];
    for (const Place& place : Places) {
        if (place.owner == OWNER_DEFAULT_64 && !windows64) continue;
        for (int view = 0; view < (place.bothViews && windows64 ? 2 : 1) && !(any && !every); ++view)
            for (const PlaceName& name : place.values) {
                // Only a place's first value may be a key's default value;
                // a later one without a name is the end of its list.
                if (&name != place.values && !name.name) break;
                if (!ReadPlace(&search, &place, &name, view ? KEY_WOW64_64KEY : 0, folder)) continue;
                const PlayerProgram* program;
                FolderIdentity identity;
                PlayerKind kind = PlaceHolds(place.owner, search.lookups.token, folder, &program, every ? &identity : NULL);
                if (kind == PLAYER_NOT_32BIT && !other[0]) CopyText(other, PATH_BUFFER, folder);
                if (kind != PLAYER_32BIT) continue;
                if (!any) CopyText(found, PATH_BUFFER, folder);
                any = true;
                if (!every) break;
                AddPlayer(every, folder, &identity, program);
            }
        if (any && !every) break;
    }
    CloseDesktopUserHive(search.hive);
    EndDesktopLookups(&search.lookups);
    if (token) CloseHandle(token);
    return any;
}

PlayerFound LocatePlayer(char* out)
{
    char command[PATH_BUFFER], other[PATH_BUFFER] = "";
    bool commandParsed = ReadMachineCommand(command);
    PlayerKind kind = commandParsed ? PlayerIn(command) : PLAYER_NONE;
    if (kind == PLAYER_32BIT) return CopyText(out, PATH_BUFFER, command) ? PLAYER_FOUND : PLAYER_MISSING;
    if (kind == PLAYER_NOT_32BIT) CopyText(other, sizeof other, command);
    // The play command is written at the player's first start, so a player
    // installed and not yet started (or kept out of the registry) has none.
    char folder[PATH_BUFFER];
    if (SearchPlaces(folder, other, NULL)) return CopyText(out, PATH_BUFFER, folder) ? PLAYER_FOUND : PLAYER_MISSING;
    if (other[0]) return CopyText(out, PATH_BUFFER, other) ? PLAYER_ONLY_NOT_32BIT : PLAYER_MISSING;
    // Nothing better: a stale play command's folder, for the user to correct.
    return commandParsed && CopyText(out, PATH_BUFFER, command) ? PLAYER_FOUND : PLAYER_MISSING;
}

int FindEveryPlayer(FoundPlayer* players, int room)
{
    PlayerList every;
    every.players = players;
    every.count = 0;
    every.room = room < LISTED_PLAYERS ? room : LISTED_PLAYERS;
    char command[PATH_BUFFER], first[PATH_BUFFER], other[PATH_BUFFER] = "";
    const PlayerProgram* program;
    FolderIdentity identity;
    if (ReadMachineCommand(command) && PlaceHolds(OWNER_MACHINE, NULL, command, &program, &identity) == PLAYER_32BIT)
        AddPlayer(&every, command, &identity, program);
    SearchPlaces(first, other, &every);
    return every.count;
}

bool FolderForBox(const WCHAR* picked, char* out, size_t size)
{
    // With its backslash, added before the conversion: in a double-byte code
    // page a letter's second byte may be 0x5C.
    WCHAR folder[MAX_PATH + 1];
    int n = lstrlenW(picked);
    if (n >= MAX_PATH) return false;
    lstrcpyW(folder, picked);
    if (n > 0 && folder[n - 1] != L'\\') lstrcpyW(folder + n++, L"\\");
    if (!PlaceTextToAnsi((const RegistryUnit*)folder, out, size, NULL)) return false;
    // A player's folder: its plug-ins folder, as a place that names it gives.
    PlaceValue value = { (const RegistryUnit*)folder, (size_t)(n + 1) * sizeof(WCHAR), true, false, false };
    PlaceText text = { NULL, PlaceTextToAnsi, NULL, AnsiLeadBytes() };
    char derived[PATH_BUFFER];
    if (PlayerIn(out) != PLAYER_NONE && FolderFromPlaceValue(PLACE_FOLDER, &value, &text, derived, sizeof derived) &&
        AppendText(derived, sizeof derived, PLAYER_PLUGINS_DIR "\\"))
        CopyText(out, size, derived);
    return true;
}
