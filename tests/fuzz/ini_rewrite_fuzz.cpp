// libFuzzer target for the winamp.ini stream edit. The oracle splits input
// and output into lines and checks them one against one against a plain,
// literal reading of the rules, with the lines added at the end of the first
// [Winamp] section and its removal of the module emptied, both judged on the
// lines as written; with and without the module's two rules. The same input
// fed in pieces and through a failing sink must agree with it, and a change
// is reported exactly when more than line ends differ.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#include "../ini_text.h"
#include "player.h"
#include "oracle.h"

namespace {

const char* const Keys[] = { INI_KEY_DSP_NAME, INI_KEY_DSP_NUM, INI_KEY_EQ_OPEN, INI_KEY_PE_OPEN, INI_KEY_MB_OPEN };
const char* const Values[] = { PLUGIN_MODULE_NAME, "0", "0", "0", "0" };

struct Line {
    std::string text;     // without its line end
    bool ended;           // had a line end
};

bool HoldsKey(const std::string& text, int first)
{
    for (int i = first; i < 5; ++i)
        if (text.find(Keys[i]) != std::string::npos) return true;
    return false;
}

// The rules exactly as worded, each on the result of the ones before.
std::string ApplyRules(std::string line, int first)
{
    for (int i = first; i < 5; ++i)
        if (line.find(Keys[i]) != std::string::npos) line = line.substr(0, line.find('=') + 1) + Values[i] + "\n";
    return line;
}

std::string Trimmed(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

// "[name]" after blanks, with a ']' somewhere after the '['.
bool IsHeader(const std::string& text, std::string* name)
{
    size_t open = text.find_first_not_of(" \t");
    if (open == std::string::npos || text[open] != '[') return false;
    size_t close = text.find(']', open);
    if (close == std::string::npos) return false;
    *name = Lower(Trimmed(text.substr(open + 1, close - open - 1)));
    return true;
}

// Input lines: LF ends a line, a CR right before it belongs to the line end.
std::vector<Line> InputLines(const std::string& in)
{
    std::vector<Line> lines;
    size_t at = 0;
    while (at < in.size()) {
        size_t lf = in.find('\n', at);
        if (lf == std::string::npos) {
            lines.push_back({ in.substr(at), false });
            break;
        }
        std::string text = in.substr(at, lf - at);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        lines.push_back({ text, true });
        at = lf + 1;
    }
    return lines;
}

// Output lines: every line end must be CR LF.
std::vector<Line> OutputLines(const std::string& out)
{
    std::vector<Line> lines;
    size_t at = 0;
    while (at < out.size()) {
        size_t lf = out.find('\n', at);
        if (lf == std::string::npos) {
            lines.push_back({ out.substr(at), false });
            break;
        }
        CHECK(lf > at && out[lf - 1] == '\r');
        lines.push_back({ out.substr(at, lf - at - 1), true });
        at = lf + 1;
    }
    return lines;
}

struct Collected {
    std::string bytes;
    int calls = 0;
    int callsAllowed = -1;   // -1: never fail
};

bool Collect(void* context, const char* data, size_t size)
{
    Collected* c = (Collected*)context;
    CHECK(size > 0);
    CHECK(c->callsAllowed < 0 || c->calls <= c->callsAllowed);   // not called after a failure
    ++c->calls;
    if (c->callsAllowed >= 0 && c->calls > c->callsAllowed) return false;
    c->bytes.append(data, size);
    return true;
}

// Fed in pieces whose sizes follow a small generator seeded by `seed`.
bool RewriteInPieces(const uint8_t* data, size_t size, unsigned seed, bool select, Collected* out, bool* changed)
{
    IniRewrite r;
    BeginIniRewrite(&r, Collect, out, select);
    size_t at = 0;
    while (at < size) {
        seed = seed * 1103515245u + 12345u;
        size_t piece = 1 + (seed >> 16) % 17;
        if (piece > size - at) piece = size - at;
        FeedIniRewrite(&r, data + at, piece);
        at += piece;
    }
    bool ok = EndIniRewrite(&r);
    *changed = r.changed;
    return ok;
}

// One mode of the rewrite: `select` false leaves the first two rules out.
void Check(const std::string& in, bool select)
{
    const uint8_t* data = (const uint8_t*)in.data();
    size_t size = in.size();
    Collected whole;
    CHECK(RewriteIniText(data, size, Collect, &whole, select));
    const std::string& out = whole.bytes;

    // The lines expected: each input line, the DSP keys the first [Winamp]
    // lacks at its end, and its first removal emptied when it names the module.
    std::vector<Line> inLines = InputLines(in), outLines = OutputLines(out), expected;
    int place = 0;   // before, in, past the first [Winamp]
    bool name = false, number = false, removal = false;
    auto addKeys = [&] {
        if (name || !select) return;
        if (!expected.empty() && !expected.back().ended) expected.back().ended = true;
        expected.push_back({ INI_KEY_DSP_NAME PLUGIN_MODULE_NAME, true });
        if (!number) expected.push_back({ INI_KEY_DSP_NUM "0", true });
    };
    for (const Line& a : inLines) {
        // What the player reads is the line as written.
        Line written = a;
        if (HoldsKey(a.text, select ? 0 : 2)) {
            std::string rewritten = ApplyRules(a.text, select ? 0 : 2);
            CHECK(!rewritten.empty() && rewritten.back() == '\n');
            rewritten.pop_back();
            written = { rewritten, true };
        }
        std::string section;
        bool header = IsHeader(written.text, &section);
        if (header && place == 1) addKeys();
        if (header) place = place == 0 && section == "winamp" ? 1 : place == 1 ? 2 : place;
        size_t equals = written.text.find('=');
        std::string key = header || equals == std::string::npos ? "" : Lower(Trimmed(written.text.substr(0, equals)));
        if (place == 1 && key == "dspplugin_name") name = true;
        if (place == 1 && key == "dspplugin_num") number = true;
        if (place == 1 && key == "remove_genplug" && !removal) {
            removal = true;
            std::string value = Trimmed(written.text.substr(equals + 1));
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
                value = value.substr(1, value.size() - 2);
            size_t slash = value.find_last_of("\\/");
            if (Lower(Trimmed(slash == std::string::npos ? value : value.substr(slash + 1))) == PLUGIN_MODULE_NAME) {
                expected.push_back({ written.text.substr(0, equals + 1), true });
                continue;
            }
        }
        expected.push_back(written);
    }
    if (place == 1) addKeys();
    CHECK(expected.size() == outLines.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        CHECK(outLines[i].text == expected[i].text);
        CHECK(outLines[i].ended == expected[i].ended);
    }

    Collected pieces;
    bool changed;
    CHECK(RewriteInPieces(data, size, (unsigned)size, select, &pieces, &changed));
    CHECK(pieces.bytes == out);
    CHECK(changed == (IniLines(out) != IniLines(in)));

    // A sink that fails at its first call: no success claimed.
    Collected failing;
    failing.callsAllowed = 0;
    bool ok = RewriteIniText(data, size, Collect, &failing, select);
    CHECK(ok == out.empty());
    CHECK(failing.calls == (out.empty() ? 0 : 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string in((const char*)data, size);
    Check(in, true);
    Check(in, false);
    return 0;
}
