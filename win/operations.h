// The installer's Windows operations. Each owns the calls it makes and takes
// what it works on as arguments; none reads the installer's state record.
#pragma once
#include <stddef.h>

// Called first thing: from then on libraries are looked for in the system
// folder only (only the current folder is left out where Windows lacks
// SetDefaultDllDirectories).
void RestrictLibrarySearch();

// Player discovery: the player's folder from the registry (`out`: PATH_BUFFER
// bytes), and whether winamp.exe stands beside a typed plug-ins folder.
bool LocatePlayer(char* out);
bool PlayerIsPresent(const char* pluginsPath);
// A file, not a folder, that can be opened for reading now.
bool CanReadFile(const char* path);

// Installation.
enum CopyResult {
    COPY_DONE,
    COPY_SOURCE_MISSING,     // a file beside the installer is missing or unreadable
    COPY_WRITE_FAILED        // a readable file could not be written into the folder
};
// Copies the plug-in's files, in order, from beside the installer into
// `pluginsPath`; stops at the first failure and names its file in `failed`.
CopyResult CopyPluginFiles(const char* pluginsPath, const char** failed);
void ClosePlayer();
// Both start the program through the desktop's shell, so it runs as the
// desktop's user and not elevated; without that shell, directly.
void LaunchPlayer(const char* pluginsPath);
bool OpenDocument(const char* file);
// Has Explorer start `file` (full path) in `folder` (NULL: no matter), shown
// normally; false when there is no desktop shell to ask or it refused.
bool StartAsDesktopUser(const char* file, const char* folder);
// `name` in the installer's own folder, wherever the current directory is.
bool SourceFilePath(const char* name, char* out, size_t size);
// Whether any of the plug-in's files is beside the installer: none is when it
// was started from inside the zip, or copied alone.
bool AnySourceFilePresent();

// Settings files. The rewrite works on winamp.ini where the player keeps it:
// beside winamp.exe, or where its paths.ini says. True only when winamp.ini
// now names the plug-in's module, so the player will load it at its next
// start; false too when paths.ini cannot be read or resolved.
bool RewritePlayerSettings(const char* pluginsPath);
bool SeedPluginSettings();
