#include "ini_rewrite.h"
#include "player.h"

#include <assert.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct IniRule {
    const char* key;                 // ends in '=' and holds no other '='
    size_t keyLength;
    const char* value;               // holds no '='
    size_t valueLength;
};

#define RULE(key, value) { key, sizeof key - 1, value, sizeof value - 1 }

// In the order they apply; the first names the module.
const IniRule Rules[] = {
    RULE(INI_KEY_DSP_NAME, PLUGIN_MODULE_NAME),
    RULE(INI_KEY_DSP_NUM, "0"),
    RULE(INI_KEY_EQ_OPEN, "0"),
    RULE(INI_KEY_PE_OPEN, "0"),
    RULE(INI_KEY_MB_OPEN, "0"),
};

const int RuleCount = (int)(sizeof Rules / sizeof Rules[0]);

void Flush(IniRewrite* r)
{
    if (r->outLength && !r->failed && !r->sink(r->context, r->out, r->outLength)) r->failed = true;
    r->outLength = 0;
}

void Put(IniRewrite* r, const char* data, size_t size)
{
    if (r->failed) return;
    if (size > sizeof r->out - r->outLength) {
        Flush(r);
        if (size >= sizeof r->out) {
            // Too big to gather: straight to the sink, still in order.
            if (!r->failed && !r->sink(r->context, data, size)) r->failed = true;
            return;
        }
    }
    memcpy(r->out + r->outLength, data, size);
    r->outLength += size;
}

// Does the text before and including the '=' at `text[at]` end in the key?
bool EndsWithKey(const char* text, size_t at, const IniRule& rule)
{
    size_t end = at + 1;
    return end >= rule.keyLength && text[at - 1] == rule.key[rule.keyLength - 2]
        && memcmp(text + end - rule.keyLength, rule.key, rule.keyLength) == 0;
}

// The line as it was, with a CR LF if it had a line end.
void PutLine(IniRewrite* r, const char* text, size_t length, bool ended)
{
    if (r->failed) return;
    if (length + 2 <= sizeof r->out - r->outLength) {
        // The common case, in one copy.
        memcpy(r->out + r->outLength, text, length);
        r->outLength += length;
        if (ended) {
            r->out[r->outLength++] = '\r';
            r->out[r->outLength++] = '\n';
        }
        return;
    }
    Put(r, text, length);
    if (ended) Put(r, "\r\n", 2);
}

// The end of the first [Winamp] section: the DSP keys it lacks, as the
// first two rules would have written them.
void AddMissingKeys(IniRewrite* r)
{
    if (r->firstRule > 0 || r->seen[PLAYER_DSP_NAME]) return;
    if (!r->ended) Put(r, "\r\n", 2);
    for (int i = 0; i < 2 && !r->seen[i]; ++i) {
        Put(r, Rules[i].key, Rules[i].keyLength);
        Put(r, Rules[i].value, Rules[i].valueLength);
        Put(r, "\r\n", 2);
    }
    r->ended = true;
    r->changed = true;
}

// Does a removal's value name the module, in any folder and case? The last
// component is found from the front: walked back from the end, the second
// byte of a double-byte character would pass for a separator.
bool NamesModule(const char* value, size_t length, const LeadBytes* lead)
{
    const char* end = value + length;
    const char* name = value;
    for (const char* c = value; c < end; ++c) {
        if (lead && IsLeadByte(lead, *c) && c + 1 < end) ++c;
        else if (*c == '\\' || *c == '/') name = c + 1;
    }
    while (name < end && IsIniBlank(*name)) ++name;
    return SameIniName(name, (size_t)(end - name), PLUGIN_MODULE_NAME);
}

// The rule that rewrites the line, or -1 when none does; `first` gets the
// place of its first '='.
int MatchRule(const IniRewrite* r, const char* text, size_t length, size_t* first)
{
    // Every key ends in its only '=', so a key occurs in the line exactly
    // where the text before one of the line's '=' ends in it.
    const char* equals = (const char*)memchr(text, '=', length);
    if (!equals) return -1;
    *first = (size_t)(equals - text);
    unsigned found = 0;
    for (const char* e = equals; e; ) {
        size_t at = (size_t)(e - text);
        for (int i = r->firstRule; i < RuleCount; ++i)
            if (EndsWithKey(text, at, Rules[i])) found |= 1u << i;
        e = (const char*)memchr(e + 1, '=', length - at - 1);
    }
    if (!found) return -1;
    // The first matching rule leaves the text up to the first '=', its value
    // and a line feed. Neither value holds '=', so a later rule can match that
    // result only where its key ends at the kept '='; its value then wins.
    int rule = 0;
    while (!(found & (1u << rule))) ++rule;
    for (int i = rule + 1; i < RuleCount; ++i)
        if (EndsWithKey(text, *first, Rules[i])) rule = i;
    return rule;
}

// One line, without its LF; `ended` tells whether it had one.
void RewriteLine(IniRewrite* r, const char* text, size_t length, bool ended)
{
    if (ended && length && text[length - 1] == '\r') --length;   // CR LF reads as LF
    size_t first = 0;
    int rule = MatchRule(r, text, length, &first);
    // The section and the removal are judged on the line as it will be
    // written, which is what the player reads: a rule keeps the text up to
    // the first '=' (no value holds ']'), and its value follows.
    IniLine line;
    ReadIniLine(text, rule < 0 ? length : first + 1, &line);
    if (rule >= 0) {
        line.value = Rules[rule].value;
        line.valueLength = Rules[rule].valueLength;
    }
    if (line.header && r->place == INI_IN_SECTION) AddMissingKeys(r);
    r->place = NextIniPlace(r->place, &line);
    if (r->place == INI_IN_SECTION) {
        PlayerKey key = PlayerKeyOf(&line);
        bool firstOfKey = !r->seen[key];
        r->seen[key] = true;
        if (key == PLAYER_REMOVE && firstOfKey && NamesModule(line.value, line.valueLength, r->lead)) {
            // No rule's key ends in this key, so none would match what is left.
            Put(r, text, (size_t)((const char*)memchr(text, '=', length) - text) + 1);
            Put(r, "\r\n", 2);
            r->ended = r->changed = true;
            return;
        }
    }
    r->ended = ended;
    if (rule < 0) {
        PutLine(r, text, length, ended);
        return;
    }
    const IniRule& applied = Rules[rule];
    Put(r, text, first + 1);
    Put(r, applied.value, applied.valueLength);
    Put(r, "\r\n", 2);
    r->ended = true;
    // A value already the target is no change, whatever its line end.
    if (length - first - 1 != applied.valueLength || memcmp(text + first + 1, applied.value, applied.valueLength))
        r->changed = true;
}

bool Carry(IniRewrite* r, const char* data, size_t size)
{
    if (size > r->lineCapacity - r->lineLength) {
        size_t want = r->lineCapacity ? r->lineCapacity : 256;
        while (want - r->lineLength < size) {
            if (want > (size_t)-1 / 2) return false;
            want *= 2;
        }
        char* grown = (char*)realloc(r->line, want);
        if (!grown) return false;
        r->line = grown;
        r->lineCapacity = want;
    }
    memcpy(r->line + r->lineLength, data, size);
    r->lineLength += size;
    return true;
}

} // namespace

void BeginIniRewrite(IniRewrite* r, IniSink sink, void* context, bool selectModule, const LeadBytes* lead)
{
    assert(sink);
    // RewriteLine relies on these shapes of the keys and values.
    for (int i = 0; i < RuleCount; ++i) {
        assert(Rules[i].keyLength >= 2 && strchr(Rules[i].key, '=') == Rules[i].key + Rules[i].keyLength - 1);
        assert(!strpbrk(Rules[i].value, "=\n]\"' \t"));
    }
    r->sink = sink;
    r->context = context;
    r->failed = false;
    r->changed = false;
    r->firstRule = selectModule ? 0 : 2;
    r->lead = lead;
    r->place = INI_BEFORE_SECTION;
    memset(r->seen, 0, sizeof r->seen);
    r->ended = true;
    r->line = 0;
    r->lineLength = 0;
    r->lineCapacity = 0;
    r->outLength = 0;
}

bool FeedIniRewrite(IniRewrite* r, const void* data, size_t size)
{
    const char* p = (const char*)data;
    const char* end = p + size;
    while (!r->failed && p < end) {
        const char* lf = (const char*)memchr(p, '\n', (size_t)(end - p));
        if (!lf) {
            if (!Carry(r, p, (size_t)(end - p))) r->failed = true;
            break;
        }
        if (r->lineLength) {
            // The line began in an earlier piece: finish it in the carry.
            if (!Carry(r, p, (size_t)(lf - p))) {
                r->failed = true;
                break;
            }
            RewriteLine(r, r->line, r->lineLength, true);
            r->lineLength = 0;
        } else {
            RewriteLine(r, p, (size_t)(lf - p), true);
        }
        p = lf + 1;
    }
    return !r->failed;
}

bool EndIniRewrite(IniRewrite* r)
{
    if (!r->failed && r->lineLength) RewriteLine(r, r->line, r->lineLength, false);
    if (r->place == INI_IN_SECTION) AddMissingKeys(r);
    Flush(r);
    free(r->line);
    r->line = 0;
    r->lineLength = r->lineCapacity = 0;
    return !r->failed;
}
