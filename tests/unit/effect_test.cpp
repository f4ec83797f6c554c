// The enhancer's signal processing: bypass, clipping, what each stage does,
// the sample formats, sample rates, and settings bytes the plug-in reads.
#include <gtest/gtest.h>
#include <math.h>
#include <stdint.h>
#include <string.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dsp/zuv_effect.h"
#include "plugin_settings.h"

namespace {

const double Pi = 3.14159265358979323846;
const int Block = 576;    // the player's block size

typedef std::vector<unsigned char> Bytes;

std::unique_ptr<ZuvEffect> NewEffect(const PluginSettings& s)
{
    std::unique_ptr<ZuvEffect> e(new ZuvEffect);
    ZuvEffectInit(e.get(), &s);
    return e;
}

// Every switch off, levels at their defaults.
PluginSettings AllOff()
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    for (int i = 0; i < PLUGIN_SWITCHES; ++i) s.switches[i] = 0;
    return s;
}

// Only the stage of `onSwitch` runs, its level set to `level`.
PluginSettings Only(int onSwitch, int level)
{
    PluginSettings s = AllOff();
    s.switches[onSwitch] = 1;
    if (onSwitch >= ZUV_SWITCH_OUTPUT && onSwitch <= ZUV_SWITCH_AMBIENCE) s.levels[onSwitch - 1] = level;
    return s;
}

int BytesPer(int bits) { return bits == 8 ? 1 : bits == 16 ? 2 : 3; }
double FullScale(int bits) { return bits == 8 ? 128.0 : bits == 16 ? 32768.0 : 8388608.0; }

// Interleaved samples in -1..1 to a format's bytes and back.
Bytes Encode(const std::vector<double>& x, int bits)
{
    Bytes out(x.size() * BytesPer(bits));
    double full = FullScale(bits);
    for (size_t i = 0; i < x.size(); ++i) {
        long v = lround(x[i] * full);
        if (v > full - 1) v = (long)full - 1;
        if (v < -full) v = (long)-full;
        unsigned char* p = &out[i * BytesPer(bits)];
        if (bits == 8) {
            p[0] = (unsigned char)(v + 128);
        } else {
            uint32_t u = (uint32_t)v;
            for (int b = 0; b < BytesPer(bits); ++b) p[b] = (unsigned char)(u >> (8 * b));
        }
    }
    return out;
}

long SampleAt(const Bytes& data, size_t i, int bits)
{
    const unsigned char* p = &data[i * BytesPer(bits)];
    if (bits == 8) return (long)p[0] - 128;
    if (bits == 16) return (int16_t)(p[0] | p[1] << 8);
    int32_t v = (int32_t)(p[0] | p[1] << 8 | (uint32_t)p[2] << 16);
    return (v ^ 0x800000) - 0x800000;
}

std::vector<double> Decode(const Bytes& data, int bits)
{
    std::vector<double> x(data.size() / BytesPer(bits));
    for (size_t i = 0; i < x.size(); ++i) x[i] = (double)SampleAt(data, i, bits) / FullScale(bits);
    return x;
}

// Feeds `data` through the effect in the player's blocks.
void Feed(ZuvEffect* e, Bytes& data, int bits, int channels, int rate)
{
    int frames = (int)(data.size() / (BytesPer(bits) * channels));
    for (int at = 0; at < frames; at += Block) {
        int n = frames - at < Block ? frames - at : Block;
        ASSERT_EQ(n, ZuvEffectProcess(e, &data[(size_t)at * BytesPer(bits) * channels], n, bits, channels, rate));
    }
}

std::vector<double> Sine(double hz, double amplitude, int rate, int frames)
{
    std::vector<double> x(frames);
    for (int i = 0; i < frames; ++i) x[i] = amplitude * sin(2 * Pi * hz * i / rate);
    return x;
}

std::vector<double> Add(std::vector<double> a, const std::vector<double>& b)
{
    for (size_t i = 0; i < a.size(); ++i) a[i] += b[i];
    return a;
}

std::vector<double> Interleave(const std::vector<double>& l, const std::vector<double>& r)
{
    std::vector<double> x(l.size() * 2);
    for (size_t i = 0; i < l.size(); ++i) x[2 * i] = l[i], x[2 * i + 1] = r[i];
    return x;
}

std::vector<double> Channel(const std::vector<double>& x, int channels, int c)
{
    std::vector<double> out(x.size() / channels);
    for (size_t i = 0; i < out.size(); ++i) out[i] = x[i * channels + c];
    return out;
}

// Amplitude of the `hz` component of x[from..], by the Goertzel recurrence;
// the span holds whole periods of every tone used here.
double Amplitude(const std::vector<double>& x, double hz, int rate, size_t from)
{
    double w = 2 * Pi * hz / rate, k = 2 * cos(w), s1 = 0, s2 = 0;
    for (size_t i = from; i < x.size(); ++i) {
        double s = x[i] + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    double re = s1 - s2 * cos(w), im = s2 * sin(w);
    return 2 * sqrt(re * re + im * im) / (double)(x.size() - from);
}

double Energy(const std::vector<double>& x, size_t from = 0, size_t to = SIZE_MAX)
{
    double sum = 0;
    for (size_t i = from; i < x.size() && i < to; ++i) sum += x[i] * x[i];
    return sum;
}

double Db(double ratio) { return 20 * log10(ratio); }

// One 16-bit stereo pass of `x` (interleaved) through an effect with `s`.
std::vector<double> Process16(const PluginSettings& s, const std::vector<double>& x, int channels = 2,
                              int rate = 44100)
{
    auto e = NewEffect(s);
    Bytes data = Encode(x, 16);
    Feed(e.get(), data, 16, channels, rate);
    return Decode(data, 16);
}

// --- Bypass ---------------------------------------------------------------

struct BypassCase {
    const char* name;
    int bits, channels, rate;
};

const BypassCase BypassCases[] = {
    { "u8_mono_8k", 8, 1, 8000 },      { "u8_stereo_22k", 8, 2, 22050 }, { "s16_mono_44k", 16, 1, 44100 },
    { "s16_stereo_44k", 16, 2, 44100 }, { "s16_stereo_96k", 16, 2, 96000 }, { "s24_mono_48k", 24, 1, 48000 },
    { "s24_stereo_192k", 24, 2, 192000 },
};

class Bypass : public ::testing::TestWithParam<BypassCase> {};

Bytes RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes data(n);
    for (auto& b : data) b = (unsigned char)random();
    return data;
}

TEST_P(Bypass, EveryStageOffIsBitExact)
{
    const BypassCase& c = GetParam();
    auto e = NewEffect(AllOff());
    EXPECT_FALSE(ZuvEffectIsActive(e.get()));
    Bytes data = RandomBytes((size_t)BytesPer(c.bits) * c.channels * 5000, 1);
    Bytes original = data;
    Feed(e.get(), data, c.bits, c.channels, c.rate);
    EXPECT_EQ(original, data);
}

TEST_P(Bypass, BypassSwitchOverridesEveryStage)
{
    const BypassCase& c = GetParam();
    PluginSettings s;
    DefaultPluginSettings(&s);
    for (int i = 0; i < PLUGIN_SWITCHES; ++i) s.switches[i] = 1;
    for (int i = 0; i < PLUGIN_LEVELS; ++i) s.levels[i] = 100;
    auto e = NewEffect(s);
    Bytes data = RandomBytes((size_t)BytesPer(c.bits) * c.channels * 5000, 2);
    Bytes original = data;
    Feed(e.get(), data, c.bits, c.channels, c.rate);
    EXPECT_EQ(original, data);
}

INSTANTIATE_TEST_SUITE_P(Formats, Bypass, ::testing::ValuesIn(BypassCases),
                         [](const ::testing::TestParamInfo<BypassCase>& info) { return std::string(info.param.name); });

TEST(Bypass, SwitchingBackOnProcessesAgain)
{
    PluginSettings on;
    DefaultPluginSettings(&on);
    auto e = NewEffect(AllOff());
    Bytes data = Encode(Sine(60, 0.1, 44100, 4410), 16);
    Bytes original = data;
    Feed(e.get(), data, 16, 1, 44100);
    ASSERT_EQ(original, data);
    ZuvEffectSetSettings(e.get(), &on);
    EXPECT_TRUE(ZuvEffectIsActive(e.get()));
    Feed(e.get(), data, 16, 1, 44100);
    EXPECT_NE(original, data);
}

struct UntouchedCase {
    const char* name;
    int bits, channels, rate;
};

const UntouchedCase UntouchedCases[] = {
    { "bits_32", 32, 2, 44100 },     { "bits_12", 12, 2, 44100 },       { "bits_0", 0, 2, 44100 },
    { "channels_0", 16, 0, 44100 },  { "channels_6", 16, 6, 44100 },    { "channels_negative", 16, -2, 44100 },
    { "rate_4000", 16, 2, 4000 },    { "rate_384000", 16, 2, 384000 },  { "rate_0", 16, 2, 0 },
    { "rate_negative", 16, 2, -44100 },
};

class Untouched : public ::testing::TestWithParam<UntouchedCase> {};

TEST_P(Untouched, UnsupportedFormatsPassThrough)
{
    const UntouchedCase& c = GetParam();
    PluginSettings s;
    DefaultPluginSettings(&s);
    auto e = NewEffect(s);
    Bytes data = RandomBytes(576 * 6 * 4, 3);
    Bytes original = data;
    EXPECT_EQ(576, ZuvEffectProcess(e.get(), data.data(), 576, c.bits, c.channels, c.rate));
    EXPECT_EQ(original, data);
}

INSTANTIATE_TEST_SUITE_P(Formats, Untouched, ::testing::ValuesIn(UntouchedCases),
                         [](const ::testing::TestParamInfo<UntouchedCase>& info) { return std::string(info.param.name); });

TEST(Process, EmptyAndNegativeBlocks)
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    auto e = NewEffect(s);
    short sample = 1234;
    EXPECT_EQ(0, ZuvEffectProcess(e.get(), &sample, 0, 16, 1, 44100));
    EXPECT_EQ(0, ZuvEffectProcess(e.get(), &sample, -5, 16, 1, 44100));
    EXPECT_EQ(576, ZuvEffectProcess(e.get(), NULL, 576, 16, 2, 44100));
    EXPECT_EQ(1234, sample);
}

// --- Never clips ----------------------------------------------------------

struct ClipCase {
    const char* name;
    int bits, channels;
};

const ClipCase ClipCases[] = {
    { "u8_mono", 8, 1 }, { "u8_stereo", 8, 2 }, { "s16_mono", 16, 1 },
    { "s16_stereo", 16, 2 }, { "s24_mono", 24, 1 }, { "s24_stereo", 24, 2 },
};

class NeverClips : public ::testing::TestWithParam<ClipCase> {};

TEST_P(NeverClips, FullScaleInputStaysBelowFullScale)
{
    const ClipCase& c = GetParam();
    const int rate = 44100, frames = rate * 2;
    // Full-scale square waves at 50 Hz and 7 kHz, then full-scale noise: the
    // worst the boosts can meet.
    std::mt19937 random(7);
    std::vector<double> x((size_t)frames * c.channels);
    for (int i = 0; i < frames; ++i)
        for (int ch = 0; ch < c.channels; ++ch) {
            double v = i < frames / 2 ? (sin(2 * Pi * (ch ? 7000 : 50) * i / rate) >= 0 ? 1.0 : -1.0)
                                      : (random() & 1 ? 1.0 : -1.0);
            x[(size_t)i * c.channels + ch] = v;
        }
    PluginSettings loudest;
    DefaultPluginSettings(&loudest);
    for (int i = 0; i < PLUGIN_SWITCHES; ++i) loudest.switches[i] = i != ZUV_SWITCH_BYPASS;
    for (int i = 0; i < PLUGIN_LEVELS; ++i) loudest.levels[i] = 100;
    PluginSettings defaults;
    DefaultPluginSettings(&defaults);

    for (const PluginSettings* s : { &loudest, &defaults }) {
        auto e = NewEffect(*s);
        Bytes data = Encode(x, c.bits);
        Feed(e.get(), data, c.bits, c.channels, rate);
        long most = 0;
        for (size_t i = 0; i < x.size(); ++i) most = std::max(most, labs(SampleAt(data, i, c.bits)));
        // The limiter's ceiling, plus one step of rounding.
        EXPECT_LE(most, (long)(ZUV_LIMIT_CEILING * FullScale(c.bits)) + 1);
        EXPECT_GT(most, (long)(0.5 * FullScale(c.bits)));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, NeverClips, ::testing::ValuesIn(ClipCases),
                         [](const ::testing::TestParamInfo<ClipCase>& info) { return std::string(info.param.name); });

// --- What each stage does -------------------------------------------------

struct GainCase {
    const char* name;
    int level;
    double db;
};

const GainCase OutputCases[] = {
    { "unity_100", 100, 0.0 }, { "default_85", 85, -3.0 }, { "half_50", 50, -10.0 }, { "least_0", 0, -20.0 },
};

class OutputLevel : public ::testing::TestWithParam<GainCase> {};

TEST_P(OutputLevel, ScalesByPointTwoDbPerStep)
{
    const int rate = 44100;
    std::vector<double> x = Sine(1000, 0.1, rate, rate / 2);
    std::vector<double> y = Process16(Only(ZUV_SWITCH_OUTPUT, GetParam().level), x, 1);
    EXPECT_NEAR(GetParam().db, Db(Amplitude(y, 1000, rate, 0) / Amplitude(x, 1000, rate, 0)), 0.02);
}

INSTANTIATE_TEST_SUITE_P(Levels, OutputLevel, ::testing::ValuesIn(OutputCases),
                         [](const ::testing::TestParamInfo<GainCase>& info) { return std::string(info.param.name); });

struct ShelfCase {
    const char* name;
    int rate;
};

// One effect meets every rate in turn, so each change of rate must recompute
// the coefficients.
const ShelfCase Rates[] = { { "r8000", 8000 },   { "r22050", 22050 }, { "r44100", 44100 },
                            { "r48000", 48000 }, { "r96000", 96000 }, { "r192000", 192000 } };

// Gain in dB at 50 Hz and at 5 kHz (or near Nyquist at low rates) of one
// effect, measured after the filters settle.
void BandGains(ZuvEffect* e, int rate, double* low, double* high, double highHz)
{
    const int frames = rate;    // 1 s: whole periods of both tones
    std::vector<double> x = Add(Sine(50, 0.02, rate, frames), Sine(highHz, 0.02, rate, frames));
    Bytes data = Encode(x, 24);
    Feed(e, data, 24, 1, rate);
    std::vector<double> y = Decode(data, 24);
    size_t from = (size_t)rate / 2;
    *low = Db(Amplitude(y, 50, rate, from) / Amplitude(x, 50, rate, from));
    *high = Db(Amplitude(y, highHz, rate, from) / Amplitude(x, highHz, rate, from));
}

TEST(Bass, RaisesLowBandAtEveryRate)
{
    auto e = NewEffect(Only(ZUV_SWITCH_BASS, 80));    // +9.6 dB shelf
    for (const ShelfCase& c : Rates) {
        SCOPED_TRACE(c.name);
        double low, high;
        BandGains(e.get(), c.rate, &low, &high, c.rate >= 22050 ? 5000 : 2500);
        EXPECT_GT(low, 8.5);
        EXPECT_LT(low, 9.7);
        EXPECT_NEAR(0.0, high, 0.3);
    }
}

TEST(Bass, LevelZeroLeavesTheBandAlone)
{
    auto e = NewEffect(Only(ZUV_SWITCH_BASS, 0));
    double low, high;
    BandGains(e.get(), 44100, &low, &high, 5000);
    EXPECT_NEAR(0.0, low, 0.01);
    EXPECT_NEAR(0.0, high, 0.01);
}

TEST(Treble, RaisesHighBandAtEveryRate)
{
    auto e = NewEffect(Only(ZUV_SWITCH_TREBLE, 100));    // +12 dB shelf
    for (const ShelfCase& c : Rates) {
        if (c.rate < 22050) continue;    // no room above the corner
        SCOPED_TRACE(c.name);
        double low, high;
        BandGains(e.get(), c.rate, &low, &high, 10000);
        EXPECT_GT(high, 10.5);
        EXPECT_LT(high, 12.1);
        EXPECT_NEAR(0.0, low, 0.1);
    }
}

struct WidthCase {
    const char* name;
    int level;
    double sideGain;    // side amplitude scale
};

const WidthCase WidthCases[] = {
    { "mono_0", 0, 0.0 }, { "narrower_25", 25, 0.5 }, { "unchanged_50", 50, 1.0 },
    { "default_70", 70, 1.4 }, { "double_100", 100, 2.0 },
};

class Width : public ::testing::TestWithParam<WidthCase> {};

TEST_P(Width, ScalesSideToMidRatio)
{
    const int rate = 44100, frames = rate / 2;
    std::vector<double> mid = Sine(300, 0.1, rate, frames), side = Sine(700, 0.05, rate, frames);
    std::vector<double> l(frames), r(frames);
    for (int i = 0; i < frames; ++i) l[i] = mid[i] + side[i], r[i] = mid[i] - side[i];
    std::vector<double> y = Process16(Only(ZUV_SWITCH_WIDTH, GetParam().level), Interleave(l, r));
    std::vector<double> yl = Channel(y, 2, 0), yr = Channel(y, 2, 1), ym(frames), ys(frames);
    for (int i = 0; i < frames; ++i) ym[i] = (yl[i] + yr[i]) / 2, ys[i] = (yl[i] - yr[i]) / 2;
    double ratioIn = Energy(side) / Energy(mid), ratioOut = Energy(ys) / Energy(ym);
    double expected = GetParam().sideGain * GetParam().sideGain;
    EXPECT_NEAR(expected, ratioOut / ratioIn, 0.002 + expected * 0.002);
    EXPECT_NEAR(1.0, Energy(ym) / Energy(mid), 0.002);    // the mid stays as it was
}

INSTANTIATE_TEST_SUITE_P(Levels, Width, ::testing::ValuesIn(WidthCases),
                         [](const ::testing::TestParamInfo<WidthCase>& info) { return std::string(info.param.name); });

TEST(Width, MonoStreamIsUntouched)
{
    const int rate = 44100;
    std::vector<double> x = Sine(440, 0.3, rate, rate / 4);
    // Only the width stage runs; for one channel it has nothing to do, and
    // the limiter stays below its ceiling.
    std::vector<double> y = Process16(Only(ZUV_SWITCH_WIDTH, 100), x, 1);
    EXPECT_EQ(Encode(x, 16), Encode(y, 16));
}

// A 50 ms burst of noise, then silence: the stage leaves a decaying tail.
TEST(Ambience, LeavesATailAfterTheSoundStops)
{
    const int rate = 44100, frames = rate;
    std::mt19937 random(11);
    std::vector<double> x(frames * 2);
    for (int i = 0; i < rate / 20; ++i) x[2 * i] = x[2 * i + 1] = ((int)(random() % 2001) - 1000) / 4000.0;
    size_t tailFrom = 2 * (size_t)(rate / 20 + rate / 10), tailTo = 2 * (size_t)(rate / 2);

    std::vector<double> dry = Process16(Only(ZUV_SWITCH_AMBIENCE, 0), x);
    std::vector<double> wet = Process16(Only(ZUV_SWITCH_AMBIENCE, 70), x);
    EXPECT_EQ(0.0, Energy(dry, tailFrom));
    double burst = Energy(x), tail = Energy(wet, tailFrom, tailTo);
    EXPECT_GT(tail, burst * 1e-3);    // audible: within 30 dB of the burst
    EXPECT_LT(tail, burst * 0.5);
    // and the tail fades: the last quarter second holds far less than the first
    EXPECT_LT(Energy(wet, tailTo), tail * 0.1);
}

TEST(Ambience, AddsSideToAMonoCompatibleSignal)
{
    const int rate = 44100, frames = rate / 2;
    std::vector<double> m = Sine(440, 0.2, rate, frames);
    std::vector<double> y = Process16(Only(ZUV_SWITCH_AMBIENCE, 100), Interleave(m, m));
    std::vector<double> side(frames), mid(frames);
    for (int i = 0; i < frames; ++i) side[i] = (y[2 * i] - y[2 * i + 1]) / 2, mid[i] = (y[2 * i] + y[2 * i + 1]) / 2;
    EXPECT_GT(Energy(side) / Energy(mid), 1e-3);
}

TEST(NightMode, NarrowsTheGapBetweenLoudAndQuiet)
{
    const int rate = 44100, frames = rate;
    std::vector<double> x = Sine(1000, 0.5, rate, 3 * frames);    // 1 s at -6 dBFS, then
    for (int i = frames; i < 3 * frames; ++i) x[i] *= 0.02;      // 2 s at -40 dBFS
    std::vector<double> y = Process16(Only(ZUV_SWITCH_NIGHT, 0), x, 1);
    // The last half of each part, once the detector has settled.
    auto gap = [&](const std::vector<double>& v) {
        double loud = Energy(v, frames / 2, frames), quiet = Energy(v, 2 * frames, 3 * frames);
        return Db(sqrt(2 * loud / quiet));
    };
    EXPECT_NEAR(34.0, gap(x), 0.1);
    EXPECT_LT(gap(y), 24.0);
    EXPECT_GT(gap(y), 14.0);
    // The quiet part, below the threshold, gains the make-up of +8 dB.
    EXPECT_NEAR(8.0, Db(sqrt(Energy(y, 2 * frames) / Energy(x, 2 * frames))), 0.5);
}

// --- Formats agree ----------------------------------------------------------

TEST(Formats, BitDepthsAgree)
{
    const int rate = 44100, frames = rate;
    PluginSettings s;
    DefaultPluginSettings(&s);
    std::vector<double> x = Interleave(Add(Sine(60, 0.25, rate, frames), Sine(5000, 0.1, rate, frames)),
                                       Add(Sine(60, 0.2, rate, frames), Sine(3000, 0.1, rate, frames)));
    std::vector<double> out[3];
    const int bits[3] = { 8, 16, 24 };
    for (int k = 0; k < 3; ++k) {
        // Each depth sees the same signal, quantised to 8 bits, so that only
        // the output quantisation differs.
        auto e = NewEffect(s);
        Bytes data = Encode(Decode(Encode(x, 8), 8), bits[k]);
        Feed(e.get(), data, bits[k], 2, rate);
        out[k] = Decode(data, bits[k]);
    }
    double worst16 = 0, worst8 = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        worst16 = std::max(worst16, fabs(out[1][i] - out[2][i]));
        worst8 = std::max(worst8, fabs(out[0][i] - out[2][i]));
    }
    EXPECT_LE(worst16, 1.0 / 32768 + 1e-6);
    EXPECT_LE(worst8, 1.0 / 128 + 1e-6);
    EXPECT_GT(Amplitude(Channel(out[1], 2, 0), 60, rate, rate / 2), 0.3);    // the effect ran
}

TEST(Formats, MonoAgreesWithEachSideOfAnEqualStereoPair)
{
    const int rate = 44100, frames = rate / 2;
    PluginSettings s;
    DefaultPluginSettings(&s);
    s.switches[ZUV_SWITCH_AMBIENCE] = 0;    // its two sides differ by design
    s.switches[ZUV_SWITCH_NIGHT] = 1;
    std::vector<double> m = Add(Sine(60, 0.3, rate, frames), Sine(5000, 0.2, rate, frames));
    for (int bits : { 8, 16, 24 }) {
        SCOPED_TRACE(bits);
        auto mono = NewEffect(s), stereo = NewEffect(s);
        Bytes a = Encode(m, bits), b = Encode(Interleave(m, m), bits);
        Feed(mono.get(), a, bits, 1, rate);
        Feed(stereo.get(), b, bits, 2, rate);
        long worst = 0;
        for (int i = 0; i < frames; ++i)
            for (int c = 0; c < 2; ++c) worst = std::max(worst, labs(SampleAt(a, i, bits) - SampleAt(b, 2 * i + c, bits)));
        EXPECT_LE(worst, 1);
    }
}

TEST(Formats, EightBitSilenceIsTheMidpoint)
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    auto e = NewEffect(s);
    Bytes data(576 * 2, 0x80);
    Feed(e.get(), data, 8, 2, 44100);
    EXPECT_EQ(Bytes(576 * 2, 0x80), data);
}

TEST(Formats, TwentyFourBitSignExtends)
{
    // -1 in 24 bits is FF FF FF; at unity gain it must come back as it went in.
    auto e = NewEffect(Only(ZUV_SWITCH_OUTPUT, 100));
    Bytes data = { 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x80 };
    Feed(e.get(), data, 24, 1, 44100);
    EXPECT_EQ(-1, SampleAt(data, 0, 24));
    EXPECT_EQ(1, SampleAt(data, 1, 24));
    EXPECT_EQ(0x400000, SampleAt(data, 2, 24));
    // full-scale negative, held at the limiter's ceiling
    EXPECT_NEAR(-ZUV_LIMIT_CEILING * 8388608.0, (double)SampleAt(data, 3, 24), 1.0);
}

// --- Settings bytes -----------------------------------------------------------

Bytes DefaultFile()
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    unsigned char out[PLUGIN_SETTINGS_MAX];
    size_t n = BuildPluginSettings(&s, out, sizeof out);
    return Bytes(out, out + n);
}

struct DamageCase {
    const char* name;
    Bytes (*make)();
};

const DamageCase DamageCases[] = {
    { "empty", [] { return Bytes(); } },
    { "short_59", [] { Bytes b = DefaultFile(); b.resize(59); return b; } },
    { "cut_before_tail", [] { Bytes b = DefaultFile(); b.resize(b.size() - 1); return b; } },
    { "one_byte_too_many", [] { Bytes b = DefaultFile(); b.push_back(0); return b; } },
    { "level_101", [] { Bytes b = DefaultFile(); b[4] = 101; return b; } },
    { "level_negative", [] { Bytes b = DefaultFile(); b[0] = 0xFF, b[1] = 0xFF, b[2] = 0xFF, b[3] = 0xFF; return b; } },
    { "no_line_feeds", [] { Bytes b = DefaultFile(); for (auto& c : b) if (c == '\n') c = ' '; return b; } },
    { "nul_in_name", [] { Bytes b = DefaultFile(); b[49] = 0; return b; } },
    { "long_line", [] { Bytes b = DefaultFile(); b.insert(b.begin() + 48, 70, 'x'); return b; } },
    { "all_ff_1k", [] { return Bytes(1024, 0xFF); } },
    { "random_200", [] { return RandomBytes(200, 5); } },
};

class DamagedSettings : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedSettings, GiveTheDefaults)
{
    Bytes bytes = GetParam().make();
    PluginSettings parsed, defaults;
    memset(&parsed, 0x5A, sizeof parsed);
    DefaultPluginSettings(&defaults);
    EXPECT_FALSE(ParsePluginSettings(bytes.data(), bytes.size(), &parsed));
    EXPECT_EQ(0, memcmp(defaults.levels, parsed.levels, sizeof parsed.levels));
    EXPECT_EQ(0, memcmp(defaults.switches, parsed.switches, sizeof parsed.switches));

    // The effect they drive is the default one, sample for sample.
    const int rate = 44100;
    std::vector<double> x = Interleave(Sine(60, 0.3, rate, rate / 4), Sine(5000, 0.2, rate, rate / 4));
    EXPECT_EQ(Encode(Process16(defaults, x), 16), Encode(Process16(parsed, x), 16));
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedSettings, ::testing::ValuesIn(DamageCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

TEST(Settings, DefaultsSwitchBassOnAndBypassOff)
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    EXPECT_EQ(0, s.switches[ZUV_SWITCH_BYPASS]);
    EXPECT_NE(0, s.switches[ZUV_SWITCH_BASS]);
    auto e = NewEffect(s);
    EXPECT_TRUE(ZuvEffectIsActive(e.get()));
    // With the defaults a 60 Hz tone comes out louder: +9.6 dB bass, -3 dB level.
    const int rate = 44100;
    std::vector<double> x = Interleave(Sine(60, 0.1, rate, rate), Sine(60, 0.1, rate, rate));
    std::vector<double> y = Process16(s, x);
    double gain = Db(Amplitude(Channel(y, 2, 0), 60, rate, rate / 2) / 0.1);
    EXPECT_GT(gain, 5.0);
    EXPECT_LT(gain, 7.0);
}

TEST(Settings, ValidChangedFileIsUsed)
{
    Bytes b = DefaultFile();
    b[4] = 0;    // bass level 0
    PluginSettings parsed, defaults;
    DefaultPluginSettings(&defaults);
    ASSERT_TRUE(ParsePluginSettings(b.data(), b.size(), &parsed));
    EXPECT_EQ(0, parsed.levels[ZUV_LEVEL_BASS]);
    const int rate = 44100;
    std::vector<double> x = Interleave(Sine(60, 0.1, rate, rate / 2), Sine(60, 0.1, rate, rate / 2));
    double withBass = Amplitude(Channel(Process16(defaults, x), 2, 0), 60, rate, rate / 4);
    double without = Amplitude(Channel(Process16(parsed, x), 2, 0), 60, rate, rate / 4);
    EXPECT_GT(Db(withBass / without), 8.0);
}

TEST(Settings, OutOfRangeLevelsAreClamped)
{
    // Levels the file parser would refuse, handed over directly, act as their bounds.
    PluginSettings wild = Only(ZUV_SWITCH_OUTPUT, 100), bound = wild;
    wild.levels[ZUV_LEVEL_OUTPUT] = 100000;
    const int rate = 44100;
    std::vector<double> x = Sine(1000, 0.1, rate, rate / 10);
    EXPECT_EQ(Encode(Process16(bound, x, 1), 16), Encode(Process16(wild, x, 1), 16));
    wild.levels[ZUV_LEVEL_OUTPUT] = -7;
    bound.levels[ZUV_LEVEL_OUTPUT] = 0;
    EXPECT_EQ(Encode(Process16(bound, x, 1), 16), Encode(Process16(wild, x, 1), 16));
}

}  // namespace
