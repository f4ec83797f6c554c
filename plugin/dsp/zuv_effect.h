// The ZUV enhancer: the signal processing of dsp_zv.dll. Portable, so it is
// unit-tested and benchmarked natively.
//
// How zuv.cfg's values drive it. Levels are 0..100:
//   0  Output level  gain of (level - 100) * 0.2 dB: 100 is unity, 85 is -3 dB,
//                    0 is -20 dB
//   1  Bass          low shelf at 150 Hz, boost of level * 0.12 dB (0..+12 dB)
//   2  Treble        high shelf at 3.5 kHz, boost of level * 0.12 dB
//   3  Stereo width  side signal times level / 50: 0 folds to mono, 50 leaves
//                    the image as it is, 100 doubles the side signal
//   4  Ambience      small-room reverberation mixed in at level * 0.4 %
// Switches are 0 off, anything else on:
//   0  Bypass        on: the audio passes untouched, whatever else is set
//   1..5             enable the stage of the level with the number one lower
//                    (output level, bass, treble, width, ambience)
//   6  Night mode    a compressor (3:1 above -30 dBFS, +8 dB make-up) that
//                    evens out loud and quiet passages
// Whenever any stage runs, a peak limiter (instant attack, 60 ms release)
// ends the chain and holds every sample at or below -0.5 dBFS, so boosts
// never clip. With bypass on or every stage off the samples are not touched
// at all: the output is bit-exact.
//
// Order of the chain: bass, treble, width, ambience, night mode, output level,
// limiter.
#pragma once
#include <stddef.h>

#include "plugin_settings.h"

enum {
    ZUV_LEVEL_OUTPUT, ZUV_LEVEL_BASS, ZUV_LEVEL_TREBLE, ZUV_LEVEL_WIDTH, ZUV_LEVEL_AMBIENCE
};
enum {
    ZUV_SWITCH_BYPASS, ZUV_SWITCH_OUTPUT, ZUV_SWITCH_BASS, ZUV_SWITCH_TREBLE, ZUV_SWITCH_WIDTH,
    ZUV_SWITCH_AMBIENCE, ZUV_SWITCH_NIGHT
};

// Sample rates outside this range pass through untouched.
enum { ZUV_MIN_RATE = 8000, ZUV_MAX_RATE = 192000 };

// The ambience's delay lines, sized for the highest rate.
enum {
    ZUV_COMBS = 4,
    ZUV_COMB_MAX = 35 * ZUV_MAX_RATE / 1000 + 1,     // longest comb: under 35 ms
    ZUV_ALLPASS_MAX = 6 * ZUV_MAX_RATE / 1000 + 1    // longest all-pass: under 6 ms
};

#define ZUV_LIMIT_CEILING 0.944f    // -0.5 dBFS

struct ZuvBiquad {
    float b0, b1, b2, a1, a2;
};

struct ZuvFilterState {
    float z1, z2;
};

struct ZuvDelay {
    int length, at;
    float damp;                     // comb only: its low-pass memory
};

// All the effect's memory, in one block: processing never allocates. About
// 125 KB; the plug-in keeps one in static storage.
struct ZuvEffect {
    // From the settings.
    bool active;                    // some stage runs
    bool bass, treble, width, ambience, night, output;
    float bassDb, trebleDb, sideGain, wetGain, outputGain;

    // From the settings and the stream's format; `rate` 0 until the first block.
    bool stale;                     // coefficients need recomputing
    bool dirty;                     // filter memory needs clearing
    int rate, channels;
    ZuvBiquad bassFilter, trebleFilter;
    ZuvFilterState bassState[2], trebleState[2];
    float limiterRelease, limiterEnvelope;
    float nightAttack, nightRelease, nightEnvelope;
    ZuvDelay comb[ZUV_COMBS], allpass[2][2];
    float combMemory[ZUV_COMBS][ZUV_COMB_MAX];
    float allpassMemory[2][2][ZUV_ALLPASS_MAX];
};

// Applies `settings` and clears all memory.
void ZuvEffectInit(ZuvEffect* effect, const PluginSettings* settings);

// Applies `settings` while audio plays: the filters keep their memory, the
// coefficients are recomputed before the next block. Levels outside 0..100
// are taken as their nearest bound.
void ZuvEffectSetSettings(ZuvEffect* effect, const PluginSettings* settings);

// Whether any stage runs with these settings.
bool ZuvEffectIsActive(const ZuvEffect* effect);

// Processes `frames` interleaved frames in place: `bits` 8 (unsigned), 16 or 24
// (packed 3-byte little-endian), `channels` 1 or 2, `rate` in Hz. Returns the
// number of frames left in the buffer, always `frames` (0 when negative).
// Other formats and rates are left untouched. Allocates nothing.
int ZuvEffectProcess(ZuvEffect* effect, void* samples, int frames, int bits, int channels, int rate);
