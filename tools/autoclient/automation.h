// Driving another process's windows from outside: the automation client
// behind the end-to-end scenarios, the benchmarks and zuvauto.exe.
// Every wait is bounded.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace automation {

struct Process {
    HANDLE handle = NULL;
    DWORD pid = 0;
};

// Text as UTF-16: UTF-8 where it is valid UTF-8 (ASCII is), otherwise text
// in the ANSI code page, as the A functions read it.
std::wstring Wide(const char* text);
inline std::wstring Wide(const std::string& text) { return Wide(text.c_str()); }

// Starts `exe` (full path) with `arguments` in folder `directory` (NULL: ours);
// all three as Wide reads them, so the folder may be one the ANSI code page
// cannot spell.
bool Start(const char* exe, const char* arguments, const char* directory, Process* out);
// The exit code, or false when the process is still running after `timeoutMs`.
bool WaitExit(const Process& process, DWORD timeoutMs, DWORD* exitCode);
void Kill(Process* process);

// A visible top-level window of `pid` (0: any process) whose class and
// caption match where given; NULL after `timeoutMs`.
HWND WaitWindow(DWORD pid, const char* className, const char* caption, DWORD timeoutMs);
HWND FindTopWindow(DWORD pid, const char* className, const char* caption);

// Controls of another process's dialog.
std::string Text(HWND dialog, int id);
bool SetText(HWND dialog, int id, const char* text);
bool Visible(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
int FocusedId(HWND dialog);
// Posted, not sent: the click may open a modal box.
void Click(HWND dialog, int id);
// A real left click (SendInput) at client point x, y of `window`: it goes to
// whatever control the system finds there.
void ClickAt(HWND window, int x, int y);

// Keys pressed through the input queue, as a keyboard does, to the focus of
// the foreground window. `shiftState` as VkKeyScan's high byte: 1 Shift,
// 2 Ctrl, 4 Alt, held around the key.
void SendKey(UINT vk, UINT shiftState = 0);
// Each character of `text` as the key, and Shift, that types it on this
// keyboard layout, one after another; one that no key types is left out
// (read the text back).
void TypeKeys(const char* text);
// The open drop-down of a combo box: a top-level window of class ComboLBox
// of the combo's thread, shown; NULL when none is.
HWND DropDownOf(HWND combo);

// What a screen reader gets from a child window: its client object's name
// and state (STATE_SYSTEM_* bits), by oleacc's AccessibleObjectFromWindow.
struct AccessibleChild {
    int id = 0;
    std::string name;
    long state = 0;
};
// Every child of `dialog`, in order; false when oleacc is missing or a child
// gives no object.
bool ReadAccessibleChildren(HWND dialog, std::vector<AccessibleChild>* out);
// A key press (WM_KEYDOWN, WM_KEYUP) posted to the focused control.
void PressKey(HWND dialog, UINT vk);
// A close request from the system (WM_SYSCOMMAND SC_CLOSE).
void RequestClose(HWND window);

struct MessageBoxInfo {
    HWND window = NULL;
    HWND owner = NULL;
    std::string caption;
    std::string text;
    // The system icon it shows (MB_ICONERROR, MB_ICONWARNING,
    // MB_ICONINFORMATION, MB_ICONQUESTION), found by drawing each one and
    // comparing pixels; 0 for none or another picture.
    UINT icon = 0;
    bool errorIcon = false;   // icon == MB_ICONERROR
};
// A message box (class #32770 with a static text 0xFFFF) of `pid`.
bool WaitMessageBox(DWORD pid, DWORD timeoutMs, MessageBoxInfo* out);
bool DismissMessageBox(HWND box);

// Pixels of another process's window, in client coordinates.
COLORREF Pixel(HWND window, int x, int y);
// The share of client pixels in [x0,x1)x[y0,y1), sampled every `step`, whose
// colour lies within `tolerance` of `colour` on each channel.
double ColourShare(HWND window, RECT area, COLORREF colour, int tolerance, int step);
// The client area as a 24-bit BMP file.
bool SaveClientBitmap(HWND window, const char* path);

// Pixels as 0xRRGGBB, top-down.
struct Image {
    int width = 0, height = 0;
    std::vector<DWORD> pixels;
    DWORD At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};
// A bitmap's pixels, whatever its format, as GDI converts them.
bool BitmapPixels(HBITMAP bitmap, Image* out);
// The client area of another process's window, as on the screen.
bool CaptureClient(HWND window, Image* out);

// Polls `condition` every 10 ms for at most `timeoutMs`.
template <class F> bool WaitUntil(F condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(10);
    }
}

}  // namespace automation
