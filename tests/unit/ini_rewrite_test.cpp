// The winamp.ini stream edit, byte for byte, fed whole and in pieces.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "../ini_text.h"

namespace {

using namespace std::string_literals;

struct Collected {
    std::string bytes;
    int calls = 0;
};

bool Collect(void* context, const char* data, size_t size)
{
    Collected* c = (Collected*)context;
    c->bytes.append(data, size);
    ++c->calls;
    return true;
}

// The rewrite of `in`, fed in pieces of `piece` bytes (0: one block). It
// reports a change exactly when the output differs from `in` beyond its
// line ends.
std::string Rewrite(const std::string& in, size_t piece = 0, bool select = true, const LeadBytes* lead = nullptr)
{
    Collected out;
    IniRewrite r;
    BeginIniRewrite(&r, Collect, &out, select, lead);
    if (piece == 0) {
        EXPECT_TRUE(FeedIniRewrite(&r, in.data(), in.size()));
    } else {
        for (size_t at = 0; at < in.size(); at += piece)
            EXPECT_TRUE(FeedIniRewrite(&r, in.data() + at, std::min(piece, in.size() - at)));
    }
    EXPECT_TRUE(EndIniRewrite(&r));
    EXPECT_EQ(IniLines(out.bytes) != IniLines(in), r.changed) << in;
    return out.bytes;
}

struct RewriteCase {
    std::string name;
    std::string in;
    std::string out;
    bool select = true;   // false: the player's own selection kept
    const LeadBytes* lead = nullptr;   // a file in that double-byte code page
};

const LeadBytes Japanese = { { 0x81, 0x9F, 0xE0, 0xFC } };   // code page 932

std::vector<RewriteCase> Cases()
{
    const std::string x300(300, 'x');
    const std::string a300(300, 'a');
    const std::string Added = "dspplugin_name=dsp_zv.dll\r\ndspplugin_num=0\r\n";
    return {
        // Each rule.
        { "dsp_name", "dspplugin_name=dsp_eq.dll\r\n", "dspplugin_name=dsp_zv.dll\r\n" },
        { "dsp_num", "dspplugin_num=3\r\n", "dspplugin_num=0\r\n" },
        { "eq_open", "eq_open=1\r\n", "eq_open=0\r\n" },
        { "pe_open", "pe_open=1\r\n", "pe_open=0\r\n" },
        { "mb_open", "mb_open=1\r\n", "mb_open=0\r\n" },
        { "empty_values_filled", "dspplugin_name=\r\neq_open=\r\n", "dspplugin_name=dsp_zv.dll\r\neq_open=0\r\n" },
        { "key_anywhere", "xeq_open=1\r\n", "xeq_open=0\r\n" },
        { "key_inside_other_name", "my_pe_open=yes please\r\n", "my_pe_open=0\r\n" },
        { "value_holding_equals", "dspplugin_name=a=b=c.dll\r\n", "dspplugin_name=dsp_zv.dll\r\n" },
        { "cut_at_first_equals", "foo=bar eq_open=1\r\n", "foo=0\r\n" },
        { "name_key_in_value_cuts_at_first", "title=dspplugin_name=x\r\n", "title=dsp_zv.dll\r\n" },
        // A later rule sees the earlier rule's result.
        { "later_rule_wins_on_kept_key", "dspplugin_num=dspplugin_name=x\r\n", "dspplugin_num=0\r\n" },
        { "eq_key_kept_after_name_rule", "eq_open=dspplugin_name=x\r\n", "eq_open=0\r\n" },
        { "later_key_in_value_dropped", "dspplugin_name=eq_open=1\r\n", "dspplugin_name=dsp_zv.dll\r\n" },
        { "case_sensitive", "EQ_OPEN=1\r\nDspplugin_name=x\r\nMb_Open=1\r\n",
          "EQ_OPEN=1\r\nDspplugin_name=x\r\nMb_Open=1\r\n" },
        { "key_needs_its_equals", "eq_open 1\r\neq_open =1\r\ndspplugin_name\r\n",
          "eq_open 1\r\neq_open =1\r\ndspplugin_name\r\n" },
        { "every_section",
          "[Winamp]\r\ndspplugin_name=dsp_sps.dll\r\neq_open=1\r\n[in_mp3]\r\neq_open=1\r\n[gen_ml]\r\npe_open=1\r\nmb_open=1\r\n",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\neq_open=0\r\n[in_mp3]\r\neq_open=0\r\n[gen_ml]\r\npe_open=0\r\nmb_open=0\r\n" },
        { "key_in_section_header", "[eq_open=]\r\n", "[eq_open=0\r\n" },
        // The first [Winamp] section, as the player reads it.
        { "name_and_number_added_at_the_end", "[Winamp]\r\nvolume=200\r\n", "[Winamp]\r\nvolume=200\r\n" + Added },
        { "name_added_before_the_next_section", "[Winamp]\r\ndspplugin_num=4\r\n[in_mp3]\r\nx=1\r\n",
          "[Winamp]\r\ndspplugin_num=0\r\ndspplugin_name=dsp_zv.dll\r\n[in_mp3]\r\nx=1\r\n" },
        { "added_after_a_last_line_without_lf", "[Winamp]\r\nvolume=200", "[Winamp]\r\nvolume=200\r\n" + Added },
        { "added_after_a_rewritten_last_line", "[Winamp]\neq_open=1", "[Winamp]\r\neq_open=0\r\n" + Added },
        { "section_name_in_any_case", " [ winamp ]\nx=1\n[Other\nmore=1\n",
          " [ winamp ]\r\nx=1\r\n[Other\r\nmore=1\r\n" + Added },
        { "byte_order_mark_hides_the_header", "\xEF\xBB\xBF[Winamp]\r\nx=1\r\n", "\xEF\xBB\xBF[Winamp]\r\nx=1\r\n" },
        { "only_the_first_winamp_section", "[Winamp]\r\nx=1\r\n[Other]\r\ndspplugin_name=a\r\n[Winamp]\r\ndspplugin_num=3\r\n",
          "[Winamp]\r\nx=1\r\n" + Added + "[Other]\r\ndspplugin_name=dsp_zv.dll\r\n[Winamp]\r\ndspplugin_num=0\r\n" },
        { "key_in_another_spelling_adds_nothing", "[Winamp]\r\nDSPplugin_Name=a\r\n[x\r\n dspplugin_name =b\r\n",
          "[Winamp]\r\nDSPplugin_Name=a\r\n[x\r\n dspplugin_name =b\r\n" },
        { "no_winamp_section", "[Other]\nfoo=1", "[Other]\r\nfoo=1" },
        { "removal_of_the_module_emptied",
          "[Winamp]\r\ndspplugin_name=a\r\nremove_genplug=C:\\Program Files\\Winamp\\Plugins\\DSP_ZV.DLL \r\n",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\nremove_genplug=\r\n" },
        { "removal_by_bare_name", "[Winamp]\r\ndspplugin_name=a\r\nremove_genplug = dsp_zv.dll\r\nremove_genplug=x",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\nremove_genplug =\r\nremove_genplug=x" },
        // ソ is 83 5C: in a file in code page 932 its second byte is no
        // separator, and "xソdsp_zv.dll" is another file; in UTF-8 5C is one.
        { "removal_of_a_932_name_ending_in_5c_stays",
          "[Winamp]\r\ndspplugin_name=a\r\nremove_genplug=C:\\W\\x\x83\\dsp_zv.dll\r\n",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\nremove_genplug=C:\\W\\x\x83\\dsp_zv.dll\r\n", true, &Japanese },
        { "removal_in_a_932_folder_emptied",
          "[Winamp]\r\ndspplugin_name=a\r\nremove_genplug=C:\\\x83\\\\dsp_zv.dll\r\n",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\nremove_genplug=\r\n", true, &Japanese },
        { "removal_with_byte_5c_after_83_in_utf8_emptied",
          "[Winamp]\r\ndspplugin_name=a\r\nremove_genplug=C:\\W\\x\x83\\dsp_zv.dll\r\n",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\nremove_genplug=\r\n" },
        { "removal_of_another_file_stays",
          "[Winamp]\r\ndspplugin_name=a\r\nremove_genplug=D:/W/dsp_zv.dll.bak\r\nremove_genplug=dsp_zv.dll\r\n",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\nremove_genplug=D:/W/dsp_zv.dll.bak\r\nremove_genplug=dsp_zv.dll\r\n" },
        { "removal_made_by_the_name_rule_emptied", "[Winamp]\r\ndspplugin_name=a\r\nremove_genplug=D:\\x\\dspplugin_name=y\\dsp_a.dll\r\n",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\nremove_genplug=\r\n" },
        { "removal_quoted", "[Winamp]\r\ndspplugin_name=a\r\nremove_genplug=\"C:\\W\\dsp_zv.dll\"\r\n",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\nremove_genplug=\r\n" },
        { "removal_single_quoted", "[Winamp]\ndspplugin_name=dsp_zv.dll\nremove_genplug= 'dsp_zv.dll' \n",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\nremove_genplug=\r\n" },
        { "removal_unmatched_quotes_stays", "[Winamp]\ndspplugin_name=dsp_zv.dll\nremove_genplug=\"dsp_zv.dll'\n",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\nremove_genplug=\"dsp_zv.dll'\r\n" },
        { "number_00_becomes_0", "dspplugin_num=00\n", "dspplugin_num=0\r\n" },
        // Already as the rules want it: nothing changed, line ends or not.
        { "targets_already_set", "[Winamp]\ndspplugin_name=dsp_zv.dll\ndspplugin_num=0\neq_open=0",
          "[Winamp]\r\ndspplugin_name=dsp_zv.dll\r\ndspplugin_num=0\r\neq_open=0\r\n" },
        // The module put where the player does not look: its selection stays.
        { "selection_kept", "[Winamp]\r\ndspplugin_name=dsp_eq.dll\r\ndspplugin_num=3\r\neq_open=1\r\nx=dspplugin_num=2\r\n",
          "[Winamp]\r\ndspplugin_name=dsp_eq.dll\r\ndspplugin_num=3\r\neq_open=0\r\nx=dspplugin_num=2\r\n", false },
        { "selection_kept_nothing_added", "[Winamp]\r\nvolume=200\r\n", "[Winamp]\r\nvolume=200\r\n", false },
        // Line ends.
        { "lf_becomes_crlf", "[Winamp]\nvolume=200\neq_open=1\n", "[Winamp]\r\nvolume=200\r\neq_open=0\r\n" + Added },
        { "crlf_and_lf_mixed", "a=1\r\nb=2\nc=3\r\n", "a=1\r\nb=2\r\nc=3\r\n" },
        { "lone_cr_passes", "a\rb=1\r\n", "a\rb=1\r\n" },
        { "cr_before_crlf_kept", "a\r\r\n", "a\r\r\n" },
        { "cr_in_dropped_value", "eq_open=1\r2\n", "eq_open=0\r\n" },
        { "cr_before_key_kept", "x\req_open=1\n", "x\req_open=0\r\n" },
        { "last_line_without_lf", "a=1\r\nb=2", "a=1\r\nb=2" },
        { "last_line_without_lf_rewritten", "a=1\r\neq_open=1", "a=1\r\neq_open=0\r\n" },
        { "last_line_ends_in_cr", "b=2\r", "b=2\r" },
        { "last_key_line_ends_in_cr", "eq_open=1\r", "eq_open=0\r\n" },
        { "empty_file", "", "" },
        { "only_lf", "\n", "\r\n" },
        { "only_crlf", "\r\n", "\r\n" },
        { "only_cr", "\r", "\r" },
        { "empty_lines", "\n\n\r\n", "\r\n\r\n\r\n" },
        // Bytes a text-mode reader would stop at.
        { "ctrl_z_passes", "a=1\x1a\nb=2\n\x1a", "a=1\x1a\r\nb=2\r\n\x1a" },
        { "ctrl_z_then_key", "\x1a\neq_open=1\n", "\x1a\r\neq_open=0\r\n" },
        { "ctrl_z_in_dropped_value", "pe_open=\x1a\n", "pe_open=0\r\n" },
        { "nul_passes", "a\0b=1\nc=\0\n"s, "a\0b=1\r\nc=\0\r\n"s },
        { "nul_before_key", "\0mb_open=1\n"s, "\0mb_open=0\r\n"s },
        { "nul_splits_key", "eq_\0open=1\n"s, "eq_\0open=1\r\n"s },
        { "nul_in_dropped_value", "eq_open=1\0\0x\n"s, "eq_open=0\r\n"s },
        { "only_nul", "\0"s, "\0"s },
        // Lines of any length stay whole.
        { "long_line_no_equals", x300 + "\n", x300 + "\r\n" },
        { "long_line_no_key", x300 + "=" + x300 + "\r\n", x300 + "=" + x300 + "\r\n" },
        { "long_line_no_key_last", x300, x300 },
        { "long_name_line", "dspplugin_name=" + a300 + "\r\n", "dspplugin_name=dsp_zv.dll\r\n" },
        { "long_name_line_last", "dspplugin_name=" + a300, "dspplugin_name=dsp_zv.dll\r\n" },
        { "key_after_position_255", x300 + "eq_open=1\r\n", x300 + "eq_open=0\r\n" },
        { "key_far_after_first_equals", "k=" + x300 + "mb_open=1\r\n", "k=0\r\n" },
        { "long_lines_around_key", x300 + "\r\neq_open=1\r\n" + a300 + "\r\n",
          x300 + "\r\neq_open=0\r\n" + a300 + "\r\n" },
    };
}

void PrintTo(const RewriteCase& c, std::ostream* os) { *os << c.name; }

class IniRewriteCases : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(IniRewriteCases, WholeBlock)
{
    const RewriteCase& c = GetParam();
    EXPECT_EQ(c.out, Rewrite(c.in, 0, c.select, c.lead));
}

TEST_P(IniRewriteCases, InPieces)
{
    // Lines and CR LF pairs split across pieces must come out the same.
    const RewriteCase& c = GetParam();
    for (size_t piece : { 1, 2, 3, 7, 64 }) EXPECT_EQ(c.out, Rewrite(c.in, piece, c.select, c.lead)) << "pieces of " << piece;
}

TEST_P(IniRewriteCases, InMemory)
{
    const RewriteCase& c = GetParam();
    Collected out;
    EXPECT_TRUE(RewriteIniText(c.in.data(), c.in.size(), Collect, &out, c.select, c.lead));
    EXPECT_EQ(c.out, out.bytes);
}

INSTANTIATE_TEST_SUITE_P(Lines, IniRewriteCases, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<RewriteCase>& info) { return info.param.name; });

TEST(IniRewrite, LineLongerThanTheOutputBufferPassesWhole)
{
    std::string big = "[Winamp]\r\n" + std::string(3 * INI_OUTPUT_BUFFER + 5, 'v') + "\neq_open=1\n";
    std::string want = "[Winamp]\r\n" + std::string(3 * INI_OUTPUT_BUFFER + 5, 'v') +
                       "\r\neq_open=0\r\ndspplugin_name=dsp_zv.dll\r\ndspplugin_num=0\r\n";
    EXPECT_EQ(want, Rewrite(big));
    EXPECT_EQ(want, Rewrite(big, 4096));
}

TEST(IniRewrite, HugeKeyLineBecomesOneShortLine)
{
    std::string big = "dspplugin_name=" + std::string(1 << 20, 'q') + "\r\n";
    EXPECT_EQ("dspplugin_name=dsp_zv.dll\r\n", Rewrite(big, 1000));
}

TEST(IniRewrite, OutputReachesTheSinkInLargeBlocks)
{
    std::string in;
    for (int i = 0; i < 20000; ++i) in += "key" + std::to_string(i) + "=value\n";
    Collected out;
    EXPECT_TRUE(RewriteIniText(in.data(), in.size(), Collect, &out));
    EXPECT_EQ(in.size() + 20000, out.bytes.size());
    EXPECT_LE(out.calls, (int)(out.bytes.size() / INI_OUTPUT_BUFFER) + 1);
}

struct FailingSink {
    int callsLeft;
    int calls = 0;
};

bool FailAfter(void* context, const char*, size_t)
{
    FailingSink* s = (FailingSink*)context;
    ++s->calls;
    return s->callsLeft-- > 0;
}

TEST(IniRewrite, FailedWriteStopsTheRewrite)
{
    std::string in;
    for (int i = 0; i < 20000; ++i) in += "eq_open=" + std::to_string(i) + "\n";
    for (int allowed : { 0, 1, 2 }) {
        FailingSink sink = { allowed };
        IniRewrite r;
        BeginIniRewrite(&r, FailAfter, &sink);
        bool fed = true;
        for (size_t at = 0; at < in.size(); at += 1000) fed = FeedIniRewrite(&r, in.data() + at, std::min<size_t>(1000, in.size() - at)) && fed;
        EXPECT_FALSE(fed);
        EXPECT_FALSE(EndIniRewrite(&r));
        EXPECT_EQ(allowed + 1, sink.calls) << "the sink is not called again after it failed";
    }
}

TEST(IniRewrite, FailureAtTheLastFlushIsReported)
{
    FailingSink sink = { 0 };
    IniRewrite r;
    BeginIniRewrite(&r, FailAfter, &sink);
    EXPECT_TRUE(FeedIniRewrite(&r, "a=1\n", 4));
    EXPECT_FALSE(EndIniRewrite(&r));
    EXPECT_EQ(1, sink.calls);
}

TEST(IniRewrite, EmptyInputNeverCallsTheSink)
{
    FailingSink sink = { 0 };
    EXPECT_TRUE(RewriteIniText("", 0, FailAfter, &sink));
    EXPECT_EQ(0, sink.calls);
}

} // namespace
