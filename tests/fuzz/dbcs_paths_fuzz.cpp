// libFuzzer target for the path walks over ANSI text in the double-byte code
// pages: the play command's folder, the player's program and folder beside
// the plug-ins folder, joining a name to a folder, the folder of a file, and
// the folder from a place's value with its lower-casing. Input: one byte of
// switches (the code page, its low six bits % 5: 932, 936, 949, 950, 1252;
// bit 6 leaves the place's value without its NUL; bit 7 adds 256 to the
// output size), one byte for the output size, then a path and a name split
// at the first NUL. Every text lies in a heap block of exactly its length
// and NUL, and every output in one of exactly the size promised, so ASan
// sees any read past a NUL and any write past a size. Each result must be
// what a plain reading of the rules gives, walking the text a character at
// a time; and when the inputs are whole characters of the code page, so is
// the result.
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <memory>
#include <string>
#include <vector>

#include "paths.h"
#include "player.h"
#include "oracle.h"

namespace {

// The lead bytes as GetCPInfo gives them, and the second bytes each code
// page pairs with them.
struct CodePage {
    LeadBytes lead;
    unsigned char trail[8];   // first and last byte, in pairs, ended by zeros
};
const CodePage CodePages[5] = {
    { { { 0x81, 0x9F, 0xE0, 0xFC } }, { 0x40, 0x7E, 0x80, 0xFC } },               // 932
    { { { 0x81, 0xFE } }, { 0x40, 0x7E, 0x80, 0xFE } },                           // 936
    { { { 0x81, 0xFE } }, { 0x41, 0x5A, 0x61, 0x7A, 0x81, 0xFE } },               // 949
    { { { 0x81, 0xFE } }, { 0x40, 0x7E, 0xA1, 0xFE } },                           // 950
    { {}, {} },                                                                   // 1252
};

bool InRanges(const unsigned char* ranges, size_t count, char c)
{
    unsigned char b = (unsigned char)c;
    for (size_t i = 0; i + 1 < count && ranges[i]; i += 2)
        if (b >= ranges[i] && b <= ranges[i + 1]) return true;
    return false;
}

struct Walk {
    const CodePage* page;

    bool Lead(char c) const { return InRanges(page->lead.ranges, LEAD_BYTE_RANGES, c); }
    bool Trail(char c) const { return InRanges(page->trail, sizeof page->trail, c); }

    // Where each character begins: a lead byte and the byte after it are
    // one, unless the text ends after the lead byte.
    std::vector<size_t> Starts(const std::string& s) const
    {
        std::vector<size_t> starts;
        for (size_t i = 0; i < s.size(); i += Lead(s[i]) && i + 1 < s.size() ? 2 : 1) starts.push_back(i);
        return starts;
    }
    // No lead byte cut from its second byte at the end.
    bool Whole(const std::string& s) const
    {
        std::vector<size_t> starts = Starts(s);
        return starts.empty() || !Lead(s[starts.back()]) || starts.back() + 2 == s.size();
    }
    // Whole, and every pair one the code page has.
    bool Valid(const std::string& s) const
    {
        for (size_t i : Starts(s))
            if (Lead(s[i]) && (i + 1 >= s.size() || !Trail(s[i + 1]))) return false;
        return true;
    }
    std::string Lower(std::string s) const
    {
        for (size_t i : Starts(s))
            if (s[i] >= 'A' && s[i] <= 'Z') s[i] = (char)(s[i] - 'A' + 'a');
        return s;
    }
    // The first or last character start where `needle` (ASCII) follows, in
    // any letter case; npos for none.
    size_t Find(const std::string& s, const std::string& needle, bool last) const
    {
        size_t found = std::string::npos;
        for (size_t i : Starts(s)) {
            if (s.size() - i < needle.size()) break;
            bool same = true;
            for (size_t k = 0; k < needle.size() && same; ++k) {
                char c = s[i + k];
                if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
                same = c == needle[k];
            }
            if (same) {
                found = i;
                if (!last) break;
            }
        }
        return found;
    }
    // Just past the last separator that is a character of its own.
    size_t FolderLength(const std::string& s, bool slash) const
    {
        size_t n = 0;
        for (size_t i : Starts(s))
            if (s[i] == '\\' || (slash && s[i] == '/')) n = i + 1;
        return n;
    }
};

// A text alone in a heap block of its length and NUL.
struct Text {
    std::unique_ptr<char[]> bytes;
    explicit Text(const std::string& s) : bytes(new char[s.size() + 1])
    {
        memcpy(bytes.get(), s.c_str(), s.size() + 1);
    }
    char* get() { return bytes.get(); }
};

// An output block of exactly `size` bytes, filled with a mark, so that an
// untouched one can be told.
const unsigned char Mark = 0xA5;
struct Out {
    size_t size;
    std::unique_ptr<char[]> bytes;
    explicit Out(size_t n) : size(n), bytes(new char[n])
    {
        memset(bytes.get(), Mark, n);
    }
    char* get() { return bytes.get(); }
    bool Untouched() const
    {
        for (size_t i = 0; i < size; ++i)
            if ((unsigned char)bytes[i] != Mark) return false;
        return true;
    }
    // The string written, NUL within the block.
    std::string Result() const
    {
        CHECK(size > 0 && memchr(bytes.get(), 0, size) != NULL);
        return bytes.get();
    }
};

// One call's result against the expected one. `expected` NULL: the call
// fails and leaves `out` as it was; else the text `out` holds, with the
// call's answer `ok`. A result is a whole number of characters whenever the
// inputs are, and only pairs the code page has when they are too.
void Judge(const Walk& walk, const Out& out, bool got, bool ok, const std::string* expected, bool whole, bool valid)
{
    if (!expected) {
        CHECK(!got);
        CHECK(out.Untouched());
        return;
    }
    CHECK(got == ok);
    if (out.size == 0) {
        CHECK(!got && expected->empty());
        return;
    }
    std::string result = out.Result();
    CHECK(result == *expected);
    if (whole) CHECK(walk.Whole(result));
    if (valid) CHECK(walk.Valid(result));
}

std::string FolderFromCommand(const Walk& walk, const std::string& command, size_t size, bool* found)
{
    *found = false;
    if (command.size() >= PATH_BUFFER) return "";
    std::string lower = walk.Lower(command);
    size_t exe = std::string::npos;
    for (const char* name : { PLAYER_EXE_NAME, WACUP_EXE_NAME }) {
        size_t at = walk.Find(lower, name, false);
        if (at < exe) exe = at;
    }
    if (exe == std::string::npos) return "";
    size_t start = lower[0] == '"' && exe > 0 ? 1 : 0;
    if (exe - start >= size) return "";
    *found = true;
    return lower.substr(start, exe - start);
}

// The place's value, the path's bytes as units, as the code page's text:
// with `ended` false the value lacks its NUL and is refused.
void CheckPlaceValue(const Walk& walk, const std::string& path, size_t size, bool ended, bool whole, bool valid)
{
    size_t units = path.size() + (ended ? 1 : 0);
    std::unique_ptr<RegistryUnit[]> data(new RegistryUnit[units]);
    for (size_t i = 0; i < path.size(); ++i) data[i] = (unsigned char)path[i];
    if (ended) data[path.size()] = 0;
    auto toAnsi = [](const RegistryUnit* text, char* out, size_t room, void*) {
        size_t n = 0;
        while (text[n]) ++n;
        if (n >= room) return false;
        for (size_t i = 0; i <= n; ++i) out[i] = (char)text[i];
        return true;
    };
    auto expand = [](const RegistryUnit*, RegistryUnit*, size_t, void*) {
        CHECK(false);   // an unexpandable value is never expanded
        return false;
    };
    PlaceText text = { expand, toAnsi, NULL, &walk.page->lead };
    PlaceValue value = { data.get(), 2 * units, true, false, false };
    bool readable = ended && units <= PLACE_VALUE_UNITS && !path.empty();

    for (PlaceValueKind kind : { PLACE_COMMAND, PLACE_PROGRAM, PLACE_FOLDER }) {
        Out out(size);
        bool got = FolderFromPlaceValue(kind, &value, &text, out.get(), out.size);
        std::string expected;
        bool found = false;
        if (readable && kind == PLACE_COMMAND) {
            expected = FolderFromCommand(walk, path, size, &found);
        } else if (readable) {
            // Inside its quotation marks, or all of it.
            std::string folder = path;
            if (folder[0] == '"') folder = folder.substr(1, folder.find('"', 1) - 1);
            size_t n = folder.size();
            if (kind == PLACE_PROGRAM) {
                n = walk.FolderLength(folder, false);
            } else {
                std::vector<size_t> starts = walk.Starts(folder);
                if (n > 0 && folder[starts.back()] != '\\') {
                    folder += '\\';
                    ++n;
                }
            }
            found = n > 0 && n < size;
            if (found) expected = walk.Lower(folder.substr(0, n));
        }
        Judge(walk, out, got, true, found ? &expected : NULL, whole, valid);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const Walk walk = { &CodePages[(data[0] & 0x3F) % 5] };
    const size_t outSize = data[1] + (data[0] & 0x80 ? 256u : 0u);
    const bool ended = !(data[0] & 0x40);
    const std::string rest((const char*)data + 2, size - 2);
    const size_t nul = rest.find('\0');
    const std::string path = rest.substr(0, nul);
    const std::string name = nul == std::string::npos ? "" : rest.substr(nul + 1, rest.find('\0', nul + 1) - nul - 1);
    const bool whole = walk.Whole(path) && walk.Whole(name), valid = walk.Valid(path) && walk.Valid(name);
    const LeadBytes* lead = &walk.page->lead;
    Text pathText(path), nameText(name);

    {
        Out out(outSize);
        bool found;
        std::string expected = FolderFromCommand(walk, path, outSize, &found);
        bool got = FolderFromPlayerCommand(pathText.get(), out.get(), out.size, lead);
        Judge(walk, out, got, true, found ? &expected : NULL, whole, valid);
    }
    {
        // Cut at the last "plugins"; without one, a copy of the path.
        Out out(outSize);
        bool got = PlayerProgramPath(pathText.get(), nameText.get(), out.get(), out.size, lead);
        size_t cut = walk.Find(path, PLAYER_PLUGINS_DIR, true);
        std::string expected = cut == std::string::npos ? path : path.substr(0, cut) + name;
        bool fits = path.size() < outSize, ok = fits && cut != std::string::npos && expected.size() < outSize;
        if (!fits || (cut != std::string::npos && !ok)) expected = "";
        Judge(walk, out, got, ok, &expected, whole, valid);
    }
    {
        // Cut after the backslash of the last "\plugins".
        Out out(outSize);
        bool got = PlayerFolderPath(pathText.get(), out.get(), out.size, lead);
        size_t cut = walk.Find(path, "\\" PLAYER_PLUGINS_DIR, true);
        bool ok = cut != std::string::npos && path.size() < outSize;
        std::string expected = ok ? path.substr(0, cut + 1) : "";
        Judge(walk, out, got, ok, &expected, whole, valid);
    }
    {
        // One backslash between, unless the folder's last character is one.
        Out out(outSize);
        bool got = JoinPath(out.get(), out.size, pathText.get(), nameText.get(), lead);
        std::vector<size_t> starts = walk.Starts(path);
        bool separated = path.empty() || path[starts.back()] == '\\' || path[starts.back()] == '/';
        std::string expected = path + (separated ? "" : "\\") + name;
        bool ok = expected.size() < outSize;
        if (!ok) expected = "";
        Judge(walk, out, got, ok, &expected, whole, valid);
    }
    {
        Text folder(path);
        FolderOfPath(folder.get(), lead);
        std::string result = folder.get(), expected = path.substr(0, walk.FolderLength(path, true));
        CHECK(result == expected);
        if (whole) CHECK(walk.Whole(result));
        if (valid) CHECK(walk.Valid(result));
    }
    CheckPlaceValue(walk, path, outSize, ended, whole, valid);
    return 0;
}
