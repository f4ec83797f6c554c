// zuv.cfg: the bytes the installer seeds and what the plug-in accepts back.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

#include "plugin_settings.h"

namespace {

typedef std::vector<unsigned char> Bytes;

const unsigned char Head[48] = {
    0x55, 0, 0, 0, 0x50, 0, 0, 0, 0x1E, 0, 0, 0, 0x46, 0, 0, 0, 0x46, 0, 0, 0,
    0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0,
};

const unsigned char Tail[12] = { 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF };

Bytes DefaultBytes()
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    unsigned char buffer[PLUGIN_SETTINGS_MAX];
    size_t n = BuildPluginSettings(&s, buffer, sizeof buffer);
    return Bytes(buffer, buffer + n);
}

Bytes Join(std::initializer_list<std::string> parts)
{
    Bytes b;
    for (const std::string& p : parts) b.insert(b.end(), p.begin(), p.end());
    return b;
}

TEST(PluginSettings, DefaultFileIsByteExact)
{
    Bytes b = DefaultBytes();
    const std::string name = PLUGIN_PRESET_NAME, format = PLUGIN_FORMAT_LINE;
    ASSERT_EQ(60 + name.size() + 1 + format.size() + 1, b.size());
    EXPECT_EQ(Bytes(Head, Head + 48), Bytes(b.begin(), b.begin() + 48));
    EXPECT_EQ(name + "\n" + format + "\n", std::string(b.begin() + 48, b.end() - 12));
    EXPECT_EQ(Bytes(Tail, Tail + 12), Bytes(b.end() - 12, b.end()));
}

TEST(PluginSettings, TextLinesAreShortPlainText)
{
    // The plug-in reads them back: no line feed inside, no NUL, no CR.
    for (const char* line : { PLUGIN_PRESET_NAME, PLUGIN_FORMAT_LINE }) {
        size_t n = strlen(line);
        EXPECT_GT(n, 0u);
        EXPECT_LE(n, (size_t)PLUGIN_TEXT_MAX);
        EXPECT_EQ(nullptr, memchr(line, '\n', n));
        EXPECT_EQ(nullptr, memchr(line, '\r', n));
    }
}

struct SizeCase {
    const char* name;
    const char* preset;
    const char* format;
    size_t size;
};

const SizeCase SizeCases[] = {
    { "both_empty", "", "", 62 },
    { "one_char_each", "a", "b", 64 },
    { "longest_lines", "0123456789012345678901234567890123456789012345678901234567890123",
      "0123456789012345678901234567890123456789012345678901234567890123", 60 + 65 + 65 },
    { "line_too_long", "01234567890123456789012345678901234567890123456789012345678901234", "x", 0 },
    { "line_feed_inside", "a\nb", "x", 0 },
};

void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class PluginSettingsSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(PluginSettingsSize, SixtyBytesPlusTheLines)
{
    const SizeCase& c = GetParam();
    PluginSettings s;
    DefaultPluginSettings(&s);
    strcpy(s.presetName, c.preset);
    strcpy(s.formatLine, c.format);
    unsigned char buffer[PLUGIN_SETTINGS_MAX];
    size_t n = BuildPluginSettings(&s, buffer, sizeof buffer);
    ASSERT_EQ(c.size, n);
    if (n == 0) return;
    EXPECT_EQ(Bytes(Head, Head + 48), Bytes(buffer, buffer + 48));
    EXPECT_EQ(Join({ c.preset, "\n", c.format, "\n" }), Bytes(buffer + 48, buffer + n - 12));
    EXPECT_EQ(Bytes(Tail, Tail + 12), Bytes(buffer + n - 12, buffer + n));
}

INSTANTIATE_TEST_SUITE_P(Lines, PluginSettingsSize, ::testing::ValuesIn(SizeCases),
                         [](const ::testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

TEST(PluginSettings, BufferTooSmallGivesZero)
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    unsigned char buffer[PLUGIN_SETTINGS_MAX];
    size_t n = BuildPluginSettings(&s, buffer, sizeof buffer);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(0u, BuildPluginSettings(&s, buffer, n - 1));
    EXPECT_EQ(n, BuildPluginSettings(&s, buffer, n));
}

TEST(PluginSettings, ParseRoundTrip)
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    s.levels[0] = 0;
    s.levels[4] = 100;
    s.switches[6] = -7;
    strcpy(s.presetName, "Late night");
    strcpy(s.formatLine, "ZUV settings 1");
    s.reserved = 12345;
    s.tail[0] = 3;
    s.tail[1] = -2;
    unsigned char buffer[PLUGIN_SETTINGS_MAX];
    size_t n = BuildPluginSettings(&s, buffer, sizeof buffer);
    ASSERT_GT(n, 0u);
    PluginSettings back;
    ASSERT_TRUE(ParsePluginSettings(buffer, n, &back));
    EXPECT_EQ(0, memcmp(s.levels, back.levels, sizeof s.levels));
    EXPECT_EQ(0, memcmp(s.switches, back.switches, sizeof s.switches));
    EXPECT_STREQ(s.presetName, back.presetName);
    EXPECT_STREQ(s.formatLine, back.formatLine);
    EXPECT_EQ(12345, back.reserved);
    EXPECT_EQ(3, back.tail[0]);
    EXPECT_EQ(-2, back.tail[1]);
}

TEST(PluginSettings, ParseOfTheSeededFileGivesTheDefaults)
{
    Bytes b = DefaultBytes();
    PluginSettings back, want;
    DefaultPluginSettings(&want);
    ASSERT_TRUE(ParsePluginSettings(b.data(), b.size(), &back));
    EXPECT_EQ(0, memcmp(want.levels, back.levels, sizeof want.levels));
    EXPECT_EQ(0, memcmp(want.switches, back.switches, sizeof want.switches));
    EXPECT_STREQ(want.presetName, back.presetName);
    EXPECT_STREQ(want.formatLine, back.formatLine);
    EXPECT_EQ(0, back.reserved);
    EXPECT_EQ(-1, back.tail[0]);
    EXPECT_EQ(-1, back.tail[1]);
}

struct DamageCase {
    const char* name;
    Bytes (*make)(Bytes good);
};

const DamageCase DamageCases[] = {
    { "empty", [](Bytes) { return Bytes(); } },
    { "head_only", [](Bytes b) { return Bytes(b.begin(), b.begin() + 48); } },
    { "short_by_one", [](Bytes b) { b.pop_back(); return b; } },
    { "fifty_nine_bytes", [](Bytes b) { b.resize(59); return b; } },
    { "trailing_garbage", [](Bytes b) { b.push_back(0); return b; } },
    { "missing_first_line_feed", [](Bytes b) {
        for (size_t i = 48; i < b.size(); ++i) if (b[i] == '\n') { b.erase(b.begin() + i); break; }
        return b; } },
    { "no_line_feed_at_all", [](Bytes b) {
        Bytes out(b.begin(), b.begin() + 48);
        out.insert(out.end(), 20, 'a');
        return out; } },
    { "level_above_100", [](Bytes b) { b[0] = 101; return b; } },
    { "level_negative", [](Bytes b) { b[16] = b[17] = b[18] = b[19] = 0xFF; return b; } },
    { "text_line_too_long", [](Bytes b) {
        Bytes out(b.begin(), b.begin() + 48);
        out.insert(out.end(), PLUGIN_TEXT_MAX + 1, 'a');
        out.push_back('\n');
        out.insert(out.end(), { 'x', '\n', 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF });
        return out; } },
    { "nul_in_text_line", [](Bytes b) { b[48] = 0; return b; } },
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class PluginSettingsDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(PluginSettingsDamage, RejectedWithDefaults)
{
    Bytes b = GetParam().make(DefaultBytes());
    PluginSettings back, want;
    memset(&back, 0x5A, sizeof back);
    DefaultPluginSettings(&want);
    EXPECT_FALSE(ParsePluginSettings(b.empty() ? nullptr : b.data(), b.size(), &back));
    EXPECT_EQ(0, memcmp(want.levels, back.levels, sizeof want.levels));
    EXPECT_EQ(0, memcmp(want.switches, back.switches, sizeof want.switches));
    EXPECT_STREQ(want.presetName, back.presetName);
    EXPECT_STREQ(want.formatLine, back.formatLine);
    EXPECT_EQ(0, back.reserved);
    EXPECT_EQ(-1, back.tail[0]);
    EXPECT_EQ(-1, back.tail[1]);
}

INSTANTIATE_TEST_SUITE_P(Inputs, PluginSettingsDamage, ::testing::ValuesIn(DamageCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

} // namespace
