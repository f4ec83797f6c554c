// zuv.cfg, the plug-in's settings file: layout shared by the installer, which
// seeds it, and the plug-in, which reads and saves it. Portable.
//
//   offset  size  field
//   0       20    five levels, int32 little-endian
//   20      28    seven switches, int32 little-endian
//   48      n     preset name, ended by one 0x0A
//   ..      m     format line, ended by one 0x0A
//   ..      4     int32 0
//   ..      8     two int32 -1
#pragma once
#include <stddef.h>
#include <stdint.h>

enum {
    PLUGIN_LEVELS = 5,
    PLUGIN_SWITCHES = 7,
    PLUGIN_LEVEL_MAX = 100,            // levels run from 0 to this
    PLUGIN_TEXT_MAX = 64,              // each text line, without its line feed
    PLUGIN_SETTINGS_HEAD = 4 * (PLUGIN_LEVELS + PLUGIN_SWITCHES),   // 48
    PLUGIN_SETTINGS_TAIL = 12,
    PLUGIN_SETTINGS_MIN = PLUGIN_SETTINGS_HEAD + 2 + PLUGIN_SETTINGS_TAIL,   // two empty lines
    PLUGIN_SETTINGS_MAX = PLUGIN_SETTINGS_HEAD + 2 * (PLUGIN_TEXT_MAX + 1) + PLUGIN_SETTINGS_TAIL
};

#define PLUGIN_SETTINGS_NAME "zuv.cfg"

#define PLUGIN_PRESET_NAME "Default"
#define PLUGIN_FORMAT_LINE "ZUV settings 1"

struct PluginSettings {
    int32_t levels[PLUGIN_LEVELS];     // 0..PLUGIN_LEVEL_MAX
    int32_t switches[PLUGIN_SWITCHES]; // 0 off, anything else on
    char presetName[PLUGIN_TEXT_MAX + 1];
    char formatLine[PLUGIN_TEXT_MAX + 1];
    int32_t reserved;                  // written as 0
    int32_t tail[2];                   // written as -1, -1
};

// The defaults the installer writes on a machine's first run.
void DefaultPluginSettings(PluginSettings* settings);

// The file's bytes; returns their count, or 0 when `size` is too small or a
// text line is too long or holds a line feed.
size_t BuildPluginSettings(const PluginSettings* settings, unsigned char* out, size_t size);

// Reads a whole file's bytes. False, with `settings` set to the defaults,
// when the bytes do not follow the layout (short, no line feed, trailing
// garbage) or a value lies outside its range.
bool ParsePluginSettings(const unsigned char* data, size_t size, PluginSettings* settings);
