#include "plugin_settings.h"

#include <string.h>

static const int32_t DefaultLevels[PLUGIN_LEVELS] = { 85, 80, 30, 70, 70 };
static const int32_t DefaultSwitches[PLUGIN_SWITCHES] = { 0, 1, 1, 1, 1, 1, 0 };

void DefaultPluginSettings(PluginSettings* s)
{
    memset(s, 0, sizeof *s);
    memcpy(s->levels, DefaultLevels, sizeof DefaultLevels);
    memcpy(s->switches, DefaultSwitches, sizeof DefaultSwitches);
    strcpy(s->presetName, PLUGIN_PRESET_NAME);
    strcpy(s->formatLine, PLUGIN_FORMAT_LINE);
    s->reserved = 0;
    s->tail[0] = s->tail[1] = -1;
}

static unsigned char* PutInt(unsigned char* p, int32_t value)
{
    uint32_t v = (uint32_t)value;
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
    return p + 4;
}

static int32_t GetInt(const unsigned char* p)
{
    return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
}

static bool ValidLine(const char* text, size_t* length)
{
    *length = strnlen(text, PLUGIN_TEXT_MAX + 1);
    return *length <= PLUGIN_TEXT_MAX && !memchr(text, '\n', *length);
}

size_t BuildPluginSettings(const PluginSettings* s, unsigned char* out, size_t size)
{
    size_t nameLen, formatLen;
    if (!ValidLine(s->presetName, &nameLen) || !ValidLine(s->formatLine, &formatLen)) return 0;
    size_t total = PLUGIN_SETTINGS_HEAD + nameLen + 1 + formatLen + 1 + PLUGIN_SETTINGS_TAIL;
    if (total > size) return 0;
    unsigned char* p = out;
    for (int i = 0; i < PLUGIN_LEVELS; ++i) p = PutInt(p, s->levels[i]);
    for (int i = 0; i < PLUGIN_SWITCHES; ++i) p = PutInt(p, s->switches[i]);
    memcpy(p, s->presetName, nameLen);
    p += nameLen;
    *p++ = '\n';
    memcpy(p, s->formatLine, formatLen);
    p += formatLen;
    *p++ = '\n';
    p = PutInt(p, s->reserved);
    p = PutInt(p, s->tail[0]);
    p = PutInt(p, s->tail[1]);
    return (size_t)(p - out);
}

// One text line starting at data[*at]; false when it has no line feed within
// reach or is too long.
static bool GetLine(const unsigned char* data, size_t size, size_t* at, char* line)
{
    const unsigned char* start = data + *at;
    size_t left = size - *at;
    const unsigned char* end = (const unsigned char*)memchr(start, '\n', left);
    if (!end) return false;
    size_t n = (size_t)(end - start);
    if (n > PLUGIN_TEXT_MAX || memchr(start, 0, n)) return false;
    memcpy(line, start, n);
    line[n] = 0;
    *at += n + 1;
    return true;
}

bool ParsePluginSettings(const unsigned char* data, size_t size, PluginSettings* out)
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    DefaultPluginSettings(out);
    if (!data || size < PLUGIN_SETTINGS_MIN) return false;
    size_t at = 0;
    for (int i = 0; i < PLUGIN_LEVELS; ++i, at += 4) {
        s.levels[i] = GetInt(data + at);
        if (s.levels[i] < 0 || s.levels[i] > PLUGIN_LEVEL_MAX) return false;
    }
    for (int i = 0; i < PLUGIN_SWITCHES; ++i, at += 4) s.switches[i] = GetInt(data + at);
    if (!GetLine(data, size, &at, s.presetName) || !GetLine(data, size, &at, s.formatLine)) return false;
    if (size - at != PLUGIN_SETTINGS_TAIL) return false;
    s.reserved = GetInt(data + at);
    s.tail[0] = GetInt(data + at + 4);
    s.tail[1] = GetInt(data + at + 8);
    *out = s;
    return true;
}
