// Finding the player: its registered play command, and every other place its
// installer records its folder; and checking a typed folder. The only file
// that reads the registry.
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
// `size` bytes in and out: as UTF-16 when `wide`, else as ANSI text. False
// when the key or the value cannot be read, or is larger than `data`.
static bool ReadValue(HKEY root, const char* key, const WCHAR* name, bool wide, BYTE* data, DWORD* size,
                      DWORD* type)
{
    try {
        SyRegistryKey opened;
        // Reading is all we need; a user who may read but not write the key
        // must still find the player.
        opened.Open(root, key, KEY_READ);
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
    if (!ReadValue(HKEY_LOCAL_MACHINE, PLAYER_COMMAND_KEY, NULL, false, (BYTE*)command, &size, NULL)) return false;
    // The data need not end in a NUL (a REG_BINARY value, or a string stored
    // without one); 256 bytes without one is a 256-character command.
    if (size >= sizeof command) {
        if (command[sizeof command - 1] != 0) return false;
    } else {
        command[size] = 0;
    }
    return FolderFromPlayerCommand(command, folder, PATH_BUFFER);
}

// Whose hive a place is in, and so whose variables expand its values.
enum PlaceOwner { OWNER_MACHINE, OWNER_DESKTOP_USER, OWNER_OWN_ACCOUNT };

struct Place {
    PlaceOwner owner;
    const char* key;
    const WCHAR* value;   // NULL: the default value
    PlaceValueKind kind;
};

// After the machine's play command, in this order; the first whose folder
// holds winamp.exe wins.
static const Place Places[] = {
    { OWNER_DESKTOP_USER, PLAYER_COMMAND_KEY, NULL, PLACE_COMMAND },
    { OWNER_MACHINE, PLAYER_UNINSTALL_KEY, PLAYER_UNINSTALL_FOLDER, PLACE_FOLDER },
    { OWNER_MACHINE, PLAYER_UNINSTALL_KEY, PLAYER_UNINSTALL_PROGRAM, PLACE_PROGRAM },
    { OWNER_MACHINE, PLAYER_APP_PATHS_KEY, NULL, PLACE_PROGRAM },
    { OWNER_MACHINE, PLAYER_APP_PATHS_KEY, PLAYER_APP_PATHS_FOLDER, PLACE_FOLDER },
    { OWNER_DESKTOP_USER, PLAYER_USER_KEY, NULL, PLACE_FOLDER },
    { OWNER_OWN_ACCOUNT, PLAYER_USER_KEY, NULL, PLACE_FOLDER },
};

struct Search {
    DesktopLookups lookups;
    HKEY hive;            // the desktop user's; NULL: unknown
    PlaceOwner owner;     // of the value being read
};

static bool ExpandPlaceText(const RegistryUnit* text, RegistryUnit* out, size_t count, void* context)
{
    Search* search = (Search*)context;
    HANDLE user = search->owner == OWNER_DESKTOP_USER ? search->lookups.token : NULL;
    // The installer's own account, and a desktop user without a shell token
    // (no shell: that account too), expand with the installer's environment;
    // the machine's values with the system's variables alone (no token).
    if (search->owner == OWNER_OWN_ACCOUNT || (search->owner == OWNER_DESKTOP_USER && !user)) {
        DWORD n = ExpandEnvironmentStringsW((const WCHAR*)text, (WCHAR*)out, (DWORD)count);
        return n > 0 && n <= count;
    }
    return ExpandForUser(&search->lookups, user, (const WCHAR*)text, (WCHAR*)out, (DWORD)count);
}

static bool PlaceTextToAnsi(const RegistryUnit* text, char* out, size_t size, void*)
{
    // A character the code page lacks would become a best-fit look-alike
    // naming another folder, or a question mark.
    BOOL lost = FALSE;
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, (const WCHAR*)text, -1, out, (int)size, NULL,
                               GetACP() == CP_UTF8 ? NULL : &lost) > 0 && !lost;
}

// Only a full path counts: a relative one would be looked for in whatever
// the current directory is.
static bool PlayerIn(const char* folder)
{
    char path[PATH_BUFFER];
    WCHAR wide[MAX_PATH];
    return folder[0] && (folder[1] == ':' || (folder[0] == '\\' && folder[1] == '\\')) &&
           JoinPath(path, sizeof path, folder, PLAYER_EXE_NAME) && AnsiToWide(path, wide, MAX_PATH) &&
           CanReadFile(wide);
}

// One place's folder, when it holds the player. A value of the desktop
// user's hive is read as them.
static bool ReadPlace(Search* search, const Place* place, char* folder)
{
    HKEY root = place->owner == OWNER_MACHINE ? HKEY_LOCAL_MACHINE
                : place->owner == OWNER_OWN_ACCOUNT ? HKEY_CURRENT_USER : search->hive;
    // A desktop user who is the installer's own account has one hive, read once.
    if (!root || (place->owner == OWNER_OWN_ACCOUNT && search->hive == HKEY_CURRENT_USER)) return false;
    HANDLE user = place->owner == OWNER_DESKTOP_USER ? search->lookups.token : NULL;
    RegistryUnit data[PLACE_VALUE_UNITS];
    DWORD type = REG_NONE, size = sizeof data;
    if (!BeginAsUser(user)) return false;
    bool read = ReadValue(root, place->key, place->value, true, (BYTE*)data, &size, &type);
    EndAsUser(user);
    PlaceValue value = { data, read ? size : 0, type == REG_SZ || type == REG_EXPAND_SZ, type == REG_EXPAND_SZ };
    search->owner = place->owner;
    PlaceText text = { ExpandPlaceText, PlaceTextToAnsi, search };
    return FolderFromPlaceValue(place->kind, &value, &text, folder, PATH_BUFFER) && PlayerIn(folder);
}

bool LocatePlayer(char* out)
{
    char command[PATH_BUFFER], folder[PATH_BUFFER];
    bool commandParsed = ReadMachineCommand(command);
    if (commandParsed && PlayerIn(command)) return CopyText(out, PATH_BUFFER, command);
    // The play command is written at the player's first start, so a player
    // installed and not yet started (or kept out of the registry) has none.
    Search search;
    HANDLE token;
    DesktopUser whose = OpenDesktopUser(&token);
    BeginDesktopLookups(&search.lookups, whose, token, NULL);
    search.hive = OpenDesktopUserHive(whose, token);
    bool found = false;
    for (const Place& place : Places)
        if ((found = ReadPlace(&search, &place, folder))) break;
    CloseDesktopUserHive(search.hive);
    EndDesktopLookups(&search.lookups);
    if (token) CloseHandle(token);
    // Nothing better: a stale play command's folder, for the user to correct.
    if (found) return CopyText(out, PATH_BUFFER, folder);
    return commandParsed && CopyText(out, PATH_BUFFER, command);
}

bool PlayerIsPresent(const char* pluginsPath)
{
    char candidate[PATH_BUFFER];
    WCHAR wide[MAX_PATH];
    // Without "plugins" there is no player folder to derive, whatever the
    // typed text names (it may be winamp.exe itself).
    return PlayerExecutablePath(pluginsPath, candidate, sizeof candidate) && AnsiToWide(candidate, wide, MAX_PATH) &&
           CanReadFile(wide);
}
