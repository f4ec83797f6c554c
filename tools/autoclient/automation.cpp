#include "automation.h"

#include <oleacc.h>

namespace automation {

enum { SEND_TIMEOUT_MS = 3000 };

std::wstring Wide(const char* text)
{
    UINT codePage = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, NULL, 0) ? CP_UTF8 : CP_ACP;
    std::vector<WCHAR> wide(MultiByteToWideChar(codePage, 0, text, -1, NULL, 0) + 1, 0);
    MultiByteToWideChar(codePage, 0, text, -1, wide.data(), (int)wide.size());
    return wide.data();
}

bool Start(const char* exe, const char* arguments, const char* directory, Process* out)
{
    std::wstring commandLine = L"\"" + Wide(exe) + L"\"";
    if (arguments && *arguments) commandLine += L" " + Wide(arguments);
    std::wstring folder = directory ? Wide(directory) : std::wstring();
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    if (!CreateProcessW(Wide(exe).c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL,
                        directory ? folder.c_str() : NULL, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    out->handle = info.hProcess;
    out->pid = info.dwProcessId;
    return true;
}

bool WaitExit(const Process& process, DWORD timeoutMs, DWORD* exitCode)
{
    if (WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(process.handle, &code);
    if (exitCode) *exitCode = code;
    return true;
}

void Kill(Process* process)
{
    if (!process->handle) return;
    if (WaitForSingleObject(process->handle, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process->handle, 99);
        WaitForSingleObject(process->handle, 5000);
    }
    CloseHandle(process->handle);
    process->handle = NULL;
}

struct FindRequest {
    DWORD pid;
    const char* className;
    const char* caption;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    FindRequest* request = (FindRequest*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (request->pid && pid != request->pid) return TRUE;
    if (!IsWindowVisible(window)) return TRUE;
    char text[256];
    if (request->className) {
        GetClassNameA(window, text, sizeof text);
        if (lstrcmpA(text, request->className) != 0) return TRUE;
    }
    if (request->caption) {
        GetWindowTextA(window, text, sizeof text);
        if (lstrcmpA(text, request->caption) != 0) return TRUE;
    }
    request->found = window;
    return FALSE;
}

HWND FindTopWindow(DWORD pid, const char* className, const char* caption)
{
    FindRequest request = { pid, className, caption, NULL };
    EnumWindows(MatchWindow, (LPARAM)&request);
    return request.found;
}

HWND WaitWindow(DWORD pid, const char* className, const char* caption, DWORD timeoutMs)
{
    HWND found = NULL;
    WaitUntil([&] { return (found = FindTopWindow(pid, className, caption)) != NULL; }, timeoutMs);
    return found;
}

std::string Text(HWND dialog, int id)
{
    // GetWindowText does not reach another process's edit control.
    HWND control = GetDlgItem(dialog, id);
    if (!control) return "<no control>";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &length))
        return "<no answer>";
    std::vector<char> text(length + 1);
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, text.size(), (LPARAM)text.data(), SMTO_ABORTIFHUNG,
                        SEND_TIMEOUT_MS, &copied);
    return std::string(text.data(), copied);
}

bool SetText(HWND dialog, int id, const char* text)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0, (LPARAM)text, SMTO_ABORTIFHUNG,
                               SEND_TIMEOUT_MS, &result) != 0;
}

bool Visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

static HWND FocusOf(HWND dialog)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(dialog, NULL);
    if (!GetGUIThreadInfo(thread, &info)) return NULL;
    return info.hwndFocus;
}

int FocusedId(HWND dialog)
{
    HWND focus = FocusOf(dialog);
    return focus ? GetDlgCtrlID(focus) : 0;
}

void Click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

void ClickAt(HWND window, int x, int y)
{
    POINT p = { x, y };
    ClientToScreen(window, &p);
    // Absolute input runs 0-65535 across the primary screen.
    INPUT input[2];
    ZeroMemory(input, sizeof input);
    for (INPUT& i : input) {
        i.type = INPUT_MOUSE;
        i.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        i.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    input[0].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof input[0]);
}

void SendKey(UINT vk, UINT shiftState)
{
    static const UINT Modifiers[3] = { VK_SHIFT, VK_CONTROL, VK_MENU };
    INPUT input[8];
    ZeroMemory(input, sizeof input);
    UINT n = 0;
    for (int i = 0; i < 3; ++i)
        if (shiftState & (1u << i)) input[n++].ki.wVk = (WORD)Modifiers[i];
    input[n++].ki.wVk = (WORD)vk;
    for (UINT i = n; i-- > 0;) {
        input[n].ki.wVk = input[i].ki.wVk;
        input[n++].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    for (UINT i = 0; i < n; ++i) {
        input[i].type = INPUT_KEYBOARD;
        input[i].ki.wScan = (WORD)MapVirtualKeyA(input[i].ki.wVk, MAPVK_VK_TO_VSC);
    }
    SendInput(n, input, sizeof input[0]);
}

void TypeKeys(const char* text)
{
    for (const char* c = text; *c; ++c) {
        SHORT key = VkKeyScanA(*c);
        if (key != -1) SendKey(LOBYTE(key), HIBYTE(key));
    }
}

struct DropDownRequest {
    DWORD thread;
    HWND found;
};

static BOOL CALLBACK MatchDropDown(HWND window, LPARAM param)
{
    DropDownRequest* request = (DropDownRequest*)param;
    char name[32];
    if (GetWindowThreadProcessId(window, NULL) != request->thread || !IsWindowVisible(window) ||
        !GetClassNameA(window, name, sizeof name) || lstrcmpA(name, "ComboLBox") != 0)
        return TRUE;
    request->found = window;
    return FALSE;
}

HWND DropDownOf(HWND combo)
{
    DropDownRequest request = { GetWindowThreadProcessId(combo, NULL), NULL };
    if (request.thread) EnumWindows(MatchDropDown, (LPARAM)&request);
    return request.found;
}

bool ReadAccessibleChildren(HWND dialog, std::vector<AccessibleChild>* out)
{
    // Loaded when first asked for, not linked: the benchmarks' timer uses
    // this library too, and must not load more at its start.
    typedef HRESULT(WINAPI * ObjectFromWindow)(HWND, DWORD, REFIID, void**);
    typedef void(WINAPI * FreeString)(BSTR);
    static HMODULE oleacc = LoadLibraryA("oleacc.dll");
    static HMODULE oleaut = LoadLibraryA("oleaut32.dll");
    if (!oleacc || !oleaut) return false;
    ObjectFromWindow objectFromWindow = (ObjectFromWindow)(void*)GetProcAddress(oleacc, "AccessibleObjectFromWindow");
    FreeString freeString = (FreeString)(void*)GetProcAddress(oleaut, "SysFreeString");
    if (!objectFromWindow || !freeString) return false;

    out->clear();
    for (HWND window = GetWindow(dialog, GW_CHILD); window; window = GetWindow(window, GW_HWNDNEXT)) {
        IAccessible* object = NULL;
        if (FAILED(objectFromWindow(window, (DWORD)OBJID_CLIENT, __uuidof(IAccessible), (void**)&object)) || !object)
            return false;
        VARIANT self;
        V_VT(&self) = VT_I4;
        V_I4(&self) = CHILDID_SELF;
        AccessibleChild child;
        child.id = GetDlgCtrlID(window);
        BSTR name = NULL;
        if (object->get_accName(self, &name) == S_OK && name) {
            std::vector<char> text(WideCharToMultiByte(CP_ACP, 0, name, -1, NULL, 0, NULL, NULL) + 1, 0);
            WideCharToMultiByte(CP_ACP, 0, name, -1, text.data(), (int)text.size(), NULL, NULL);
            child.name = text.data();
            freeString(name);
        }
        VARIANT state;
        V_VT(&state) = VT_EMPTY;
        if (object->get_accState(self, &state) == S_OK && V_VT(&state) == VT_I4) child.state = V_I4(&state);
        object->Release();
        out->push_back(child);
    }
    return true;
}

void PressKey(HWND dialog, UINT vk)
{
    HWND target = FocusOf(dialog);
    if (!target || (target != dialog && !IsChild(dialog, target))) target = dialog;
    UINT scan = MapVirtualKeyA(vk, 0);
    PostMessageA(target, WM_KEYDOWN, vk, 1 | (scan << 16));
    PostMessageA(target, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
}

void RequestClose(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

static bool Near(COLORREF a, COLORREF b, int tolerance);

// The share of the pixels of `shot` inside `area` that match the system icon
// `id`, drawn over the area's own corner colour.
static double IconMatch(const Image& shot, const RECT& area, LPCSTR id)
{
    HICON icon = LoadIconA(NULL, id);
    int w = area.right - area.left, h = area.bottom - area.top;
    if (!icon) return 0;
    DWORD corner = shot.At(area.left, area.top);
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH background = CreateSolidBrush(RGB(corner >> 16, corner >> 8, corner));
    RECT all = { 0, 0, w, h };
    FillRect(dc, &all, background);
    DeleteObject(background);
    DrawIconEx(dc, 0, 0, icon, w, h, 0, NULL, DI_NORMAL);
    SelectObject(dc, old);
    Image drawn;
    bool ok = BitmapPixels(bitmap, &drawn);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(NULL, screen);
    if (!ok) return 0;
    int same = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            DWORD a = shot.At(area.left + x, area.top + y), b = drawn.At(x, y);
            if (Near(RGB(a >> 16, a >> 8, a), RGB(b >> 16, b >> 8, b), 24)) ++same;
        }
    return (double)same / (w * h);
}

// Which system icon the static `control` of `box` shows, or 0.
static UINT IdentifyIcon(HWND box, HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(NULL, box, (POINT*)&r, 2);
    // Through the box's client area: under wine a copy from another
    // process's child control's own DC comes out black.
    Image shot;
    if (r.left < 0 || r.top < 0 || r.right <= r.left || r.bottom <= r.top || !CaptureClient(box, &shot) ||
        r.right > shot.width || r.bottom > shot.height)
        return 0;
    static const struct { LPCSTR id; UINT style; } Icons[] = {
        { IDI_HAND, MB_ICONERROR }, { IDI_EXCLAMATION, MB_ICONWARNING },
        { IDI_ASTERISK, MB_ICONINFORMATION }, { IDI_QUESTION, MB_ICONQUESTION },
    };
    UINT best = 0;
    double bestMatch = 0.97;   // all but a few edge pixels
    for (const auto& candidate : Icons) {
        double match = IconMatch(shot, r, candidate.id);
        if (match > bestMatch) {
            bestMatch = match;
            best = candidate.style;
        }
    }
    return best;
}

bool WaitMessageBox(DWORD pid, DWORD timeoutMs, MessageBoxInfo* out)
{
    HWND box = NULL;
    WaitUntil(
        [&] {
            box = NULL;
            HWND candidate = NULL;
            while ((candidate = FindWindowExA(NULL, candidate, "#32770", NULL)) != NULL) {
                DWORD owner = 0;
                GetWindowThreadProcessId(candidate, &owner);
                if ((pid == 0 || owner == pid) && IsWindowVisible(candidate) && GetDlgItem(candidate, 0xFFFF)) {
                    box = candidate;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    if (!box) return false;
    out->window = box;
    out->owner = GetWindow(box, GW_OWNER);
    char caption[256];
    GetWindowTextA(box, caption, sizeof caption);
    out->caption = caption;
    out->text = Text(box, 0xFFFF);
    // The icon is a static with id 1088; it may not be painted yet.
    out->icon = 0;
    HWND icon = GetDlgItem(box, 1088);
    if (icon && IsWindowVisible(icon)) WaitUntil([&] { return (out->icon = IdentifyIcon(box, icon)) != 0; }, 1000);
    out->errorIcon = out->icon == MB_ICONERROR;
    return true;
}

bool DismissMessageBox(HWND box)
{
    // A box with only OK takes IDOK, and also IDCANCEL as the close request.
    HWND ok = GetDlgItem(box, IDOK);
    return PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)ok) != FALSE;
}

COLORREF Pixel(HWND window, int x, int y)
{
    // PrintWindow draws nothing for another process under wine; GetDC works.
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

static bool Near(COLORREF a, COLORREF b, int tolerance)
{
    return abs((int)GetRValue(a) - (int)GetRValue(b)) <= tolerance &&
           abs((int)GetGValue(a) - (int)GetGValue(b)) <= tolerance &&
           abs((int)GetBValue(a) - (int)GetBValue(b)) <= tolerance;
}

double ColourShare(HWND window, RECT area, COLORREF colour, int tolerance, int step)
{
    HDC dc = GetDC(window);
    int total = 0, matching = 0;
    for (int y = area.top; y < area.bottom; y += step)
        for (int x = area.left; x < area.right; x += step) {
            ++total;
            if (Near(GetPixel(dc, x, y), colour, tolerance)) ++matching;
        }
    ReleaseDC(window, dc);
    return total ? (double)matching / total : 0.0;
}

bool BitmapPixels(HBITMAP bitmap, Image* out)
{
    BITMAP b;
    if (!GetObjectA(bitmap, sizeof b, &b)) return false;
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = b.bmWidth;
    info.bmiHeader.biHeight = -b.bmHeight;   // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    out->width = b.bmWidth;
    out->height = b.bmHeight;
    out->pixels.assign((size_t)b.bmWidth * b.bmHeight, 0);
    HDC screen = GetDC(NULL);
    int rows = GetDIBits(screen, bitmap, 0, b.bmHeight, out->pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    for (DWORD& p : out->pixels) p &= 0xFFFFFF;
    return rows == b.bmHeight;
}

bool CaptureClient(HWND window, Image* out)
{
    RECT client;
    GetClientRect(window, &client);
    if (client.right <= 0 || client.bottom <= 0) return false;
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    bool ok = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY) != FALSE;
        SelectObject(memory, old);
        ok = ok && BitmapPixels(bitmap, out);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return ok;
}

bool SaveClientBitmap(HWND window, const char* path)
{
    RECT client;
    GetClientRect(window, &client);
    int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return false;
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool ok = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
        DWORD imageSize = stride * (DWORD)height;
        BITMAPFILEHEADER file;
        ZeroMemory(&file, sizeof file);
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageSize;
        HANDLE out = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (out != INVALID_HANDLE_VALUE) {
            DWORD written;
            ok = WriteFile(out, &file, sizeof file, &written, NULL) &&
                 WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, NULL) &&
                 WriteFile(out, bits, imageSize, &written, NULL);
            ok = CloseHandle(out) && ok;
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return ok;
}

}  // namespace automation
