// libFuzzer target for reading paths.ini, which the installer reads with
// administrator rights and which, in a portable install, is the user's own
// file. Input: one byte of switches (bits 0-1 whose desktop it is, bit 2 a
// UNC player folder, bit 3 the key FindIniValue looks up), one byte for the
// output buffers' size (0: UTF8_PATH_BUFFER, else 3 times it), then
// paths.ini's bytes. Every buffer is exactly as large as promised, so ASan
// sees any write or read past it.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "paths.h"
#include "settings_folder.h"
#include "oracle.h"

namespace {

bool Give(const std::string& value, char* out, size_t size)
{
    CHECK(size > 0);
    if (value.size() >= size) return false;
    memcpy(out, value.c_str(), value.size() + 1);
    return true;
}

// Another account's folders come through its token only, and an unknown
// user's are never asked for: the installer's own would be the elevating
// administrator's.
void CheckWhose(bool desktopUsers, void* context)
{
    DesktopUser whose = *(DesktopUser*)context;
    CHECK(whose != DESKTOP_UNKNOWN);
    CHECK(desktopUsers ? whose != DESKTOP_NO_SHELL : whose != DESKTOP_OTHER_USER);
}

// A made-up machine: some folders missing, one empty, one too long to join.
bool ShellFolder(int csidl, bool desktopUsers, char* out, size_t size, void* context)
{
    CheckWhose(desktopUsers, context);
    CHECK(csidl >= 0 && csidl <= 255);
    if (csidl % 3 == 0) return false;
    if (csidl == 5) return Give("", out, size);
    if (csidl == 7) return Give("C:\\" + std::string(770, 'x'), out, size);
    return Give((desktopUsers ? "C:\\Users\\desk\\F" : "C:\\Users\\own\\F") + std::to_string(csidl), out, size);
}

bool Variable(const char* name, bool desktopUsers, char* out, size_t size, void* context)
{
    CheckWhose(desktopUsers, context);
    size_t n = strlen(name);
    if (!strcmp(name, "LONG")) return Give("D:\\" + std::string(775, 'v'), out, size);
    if (!strcmp(name, "EMPTY")) return Give("", out, size);
    return n % 2 == 0 && Give(std::string(desktopUsers ? "\\\\desk\\" : "E:\\") + name, out, size);
}

// Latin-1 as the code page.
bool AnsiToUtf8(const char* text, char* out, size_t size, void*)
{
    std::string utf8;
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
        if (*p < 0x80) utf8 += (char)*p;
        else utf8 += { (char)(0xC0 | *p >> 6), (char)(0x80 | (*p & 0x3F)) };
    }
    return Give(utf8, out, size);
}

// The value as the file holds it: somewhere in the text, ending at a blank,
// a quotation mark (" or ', one pair of either is dropped), a line end or
// the end, not cut short at a NUL.
bool HeldByText(const std::string& text, const char* value)
{
    size_t n = strlen(value);
    for (size_t at = text.find(value, 0, n); at != std::string::npos; at = text.find(value, at + 1, n)) {
        if (at + n == text.size()) return true;
        char next = text[at + n];
        if (next == ' ' || next == '\t' || next == '"' || next == '\'' || next == '\r' || next == '\n') return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    DesktopUser whose = (DesktopUser)(data[0] & 3);
    const char* player = data[0] & 4 ? "\\\\srv\\apps\\Winamp\\" : "C:\\Program Files\\Winamp\\";
    const char* key = data[0] & 8 ? "inifile" : "inidir";
    size_t outSize = data[1] ? 3u * data[1] : (size_t)UTF8_PATH_BUFFER;
    const char* text = (const char*)data + 2;
    size_t length = size - 2;

    // A UTF-16 paths.ini decodes into at most twice its length.
    std::vector<char> scratch(2 * length);
    std::vector<char> out(outSize);
    SettingsSearch search = { text, length, scratch.data(), scratch.size(), player,
                              { whose, ShellFolder, Variable, AnsiToUtf8, &whose } };
    bool users = false;
    // The window class comes whole, within its bound, either way.
    char windowClass[PLAYER_CLASS_BUFFER + 1];
    windowClass[PLAYER_CLASS_BUFFER] = (char)0xA5;
    bool resolved = FindSettingsFile(&search, out.data(), out.size(), &users, windowClass);
    CHECK(strlen(windowClass) < PLAYER_CLASS_BUFFER && windowClass[PLAYER_CLASS_BUFFER] == (char)0xA5);
    if (resolved) {
        CHECK(memchr(out.data(), 0, out.size()) != NULL);
        CHECK(out[0] != 0);
        CHECK(!users || whose == DESKTOP_SAME_USER || whose == DESKTOP_OTHER_USER);
    }

    const unsigned char Canary = 0xA5;
    memset(out.data(), Canary, out.size());
    IniValue found = FindIniValue(text, length, key, out.data(), out.size());
    if (found == INI_VALUE_FOUND) {
        CHECK(memchr(out.data(), 0, out.size()) != NULL);
        CHECK(HeldByText(std::string(text, length), out.data()));
    } else {
        for (char c : out) CHECK((unsigned char)c == Canary);
    }
    return 0;
}
