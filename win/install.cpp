// Closing the player, copying the plug-in's files, starting the player, help.
#include <windows.h>
#include <shellapi.h>

#include "operations.h"
#include "../core/paths.h"
#include "../core/player.h"

enum {
    CLOSE_SEND_TIMEOUT_MS = 5000,   // the player's window handling WM_CLOSE
    CLOSE_EXIT_TIMEOUT_MS = 5000    // its process letting go of its files
};

void ClosePlayer()
{
    HWND player = FindWindowA(PLAYER_WINDOW_CLASS, NULL);
    if (!player) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(player, &pid);
    // Open the process before asking it to close, so the wait below is on
    // this player and not on whatever might reuse its id.
    HANDLE process = pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : NULL;
    DWORD_PTR result;
    // A hung player must not hang the installer: SendMessageTimeout, then a
    // bounded wait for the process, which may still hold the plug-in module.
    bool handled = SendMessageTimeoutA(player, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                                       CLOSE_SEND_TIMEOUT_MS, &result) != 0;
    // A player that did not even take the request will not exit either.
    if (process && handled) WaitForSingleObject(process, CLOSE_EXIT_TIMEOUT_MS);
    if (process) CloseHandle(process);
}

// The plug-in's files sit beside the installer, wherever the current
// directory happens to be.
bool SourceFilePath(const char* name, char* out, size_t size)
{
    char module[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(NULL, module, sizeof module);
    // A result that fills the buffer has been cut short.
    if (n == 0 || n >= sizeof module - 1) return false;
    FolderOfPath(module);
    return JoinPath(out, size, module, name);
}

bool AnySourceFilePresent()
{
    for (const char* name : PluginFileList) {
        char source[MAX_PATH];
        if (!SourceFilePath(name, source, sizeof source)) continue;
        DWORD attributes = GetFileAttributesA(source);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    }
    return false;
}

CopyResult CopyPluginFiles(const char* pluginsPath, const char** failed)
{
    for (const char* name : PluginFileList) {
        char source[MAX_PATH];
        char destination[PATH_BUFFER];
        *failed = name;
        // The source first, so a failed copy of a readable file can be
        // blamed on the destination.
        if (!SourceFilePath(name, source, sizeof source) || !CanReadFile(source)) return COPY_SOURCE_MISSING;
        if (!JoinPath(destination, sizeof destination, pluginsPath, name)) return COPY_WRITE_FAILED;
        if (!CopyFileA(source, destination, FALSE)) return COPY_WRITE_FAILED;
    }
    *failed = NULL;
    return COPY_DONE;
}

// The application name is given on its own, so a folder with spaces cannot
// start C:\Program.exe; the command line quotes it for the player.
static void StartDirectly(const char* path, const char* folder)
{
    char commandLine[PATH_BUFFER + 2];
    wsprintfA(commandLine, "\"%s\"", path);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info;
    if (CreateProcessA(path, commandLine, NULL, NULL, FALSE, 0, NULL, folder, &startup, &info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

void LaunchPlayer(const char* pluginsPath)
{
    HCURSOR previous = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    char path[PATH_BUFFER];
    if (PlayerExecutablePath(pluginsPath, path, sizeof path)) {
        // The player starts in its own folder, as from its shortcut.
        char folder[PATH_BUFFER];
        CopyText(folder, sizeof folder, path);
        FolderOfPath(folder);
        const char* directory = folder[0] ? folder : NULL;
        // Through Explorer, as the desktop's user; directly only without it.
        if (!StartAsDesktopUser(path, directory)) StartDirectly(path, directory);
    }
    if (previous) SetCursor(previous);
}

bool OpenDocument(const char* file)
{
    if (StartAsDesktopUser(file, NULL)) return true;
    SHELLEXECUTEINFOA request;
    ZeroMemory(&request, sizeof request);
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_FLAG_DDEWAIT;
    request.lpVerb = "open";
    request.lpFile = file;
    request.nShow = SW_SHOWNORMAL;
    return ShellExecuteExA(&request) != FALSE;
}
