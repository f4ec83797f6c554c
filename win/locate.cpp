// Finding the player from its registered play command, and checking a folder.
#include <windows.h>

#include "file_helpers.h"
#include "operations.h"
#include "../core/paths.h"
#include "../core/player.h"
#include "../syslib/syexception.h"
#include "../syslib/syregistry.h"

// The exceptions are values by design: a caught copy keeps its text.
#pragma GCC diagnostic ignored "-Wcatch-value"

bool LocatePlayer(char* out)
{
    char command[PATH_BUFFER];
    try {
        SyRegistryKey key;
        // Reading is all we need; a user who may read but not write the key
        // must still find the player.
        key.Open(HKEY_LOCAL_MACHINE, PLAYER_COMMAND_KEY, KEY_READ);
        DWORD size = sizeof command;
        key.QueryValue(NULL, NULL, (BYTE*)command, &size);
        // The data need not end in a NUL (a REG_BINARY value, or a string
        // stored without one); 256 bytes without one is a 256-character command.
        if (size >= sizeof command) {
            if (command[sizeof command - 1] != 0) return false;
        } else {
            command[size] = 0;
        }
    } catch (SySystemException e) {
        return false;
    }
    return FolderFromPlayerCommand(command, out, PATH_BUFFER);
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
