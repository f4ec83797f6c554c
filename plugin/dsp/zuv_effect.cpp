#include "zuv_effect.h"

#include <assert.h>
#include <math.h>
#include <string.h>

namespace {

const float Pi = 3.14159265358979f;

// Keeps recursive filter memory out of the denormal range during silence,
// where x87 and SSE alike slow down a hundredfold. Far below one step of
// 24-bit audio, so it never shows in the output.
const float AntiDenormal = 1e-20f;

const float BassCorner = 150.0f, TrebleCorner = 3500.0f;
const float CombMs[ZUV_COMBS] = { 23.1f, 27.3f, 30.7f, 34.9f };
const float AllpassMs[2][2] = { { 5.1f, 1.7f }, { 5.7f, 2.3f } };   // left, right
const float CombFeedback = 0.8f, AllpassGain = 0.5f, AmbienceDamping = 6000.0f;
const float NightThreshold = 0.001f;     // -30 dBFS, as a power
const float NightMakeUp = 2.5118864f;    // +8 dB

int ClampLevel(int32_t level) { return level < 0 ? 0 : level > 100 ? 100 : (int)level; }

float DbToGain(float db) { return powf(10.0f, db / 20.0f); }

// Shelving filters after R. Bristow-Johnson's cookbook, shelf slope 1.
ZuvBiquad Shelf(bool high, float db, float corner, float rate)
{
    if (corner > 0.45f * rate) corner = 0.45f * rate;
    float a = powf(10.0f, db / 40.0f);
    float w = 2.0f * Pi * corner / rate;
    float c = cosf(w), root = 2.0f * sqrtf(a) * (sinf(w) / 2.0f * sqrtf(2.0f));
    float s = high ? -1.0f : 1.0f;      // the high shelf mirrors the signs of the (A - 1) terms
    float b0 = a * ((a + 1) - s * (a - 1) * c + root);
    float b1 = s * 2 * a * ((a - 1) - s * (a + 1) * c);
    float b2 = a * ((a + 1) - s * (a - 1) * c - root);
    float a0 = (a + 1) + s * (a - 1) * c + root;
    float a1 = -s * 2 * ((a - 1) + s * (a + 1) * c);
    float a2 = (a + 1) + s * (a - 1) * c - root;
    ZuvBiquad f = { b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0 };
    return f;
}

inline float Filter(const ZuvBiquad& f, ZuvFilterState& s, float x)
{
    float y = f.b0 * x + s.z1;
    s.z1 = f.b1 * x - f.a1 * y + s.z2;
    s.z2 = f.b2 * x - f.a2 * y;
    return y;
}

int DelayLength(float ms, int rate, int most)
{
    int n = (int)(ms * (float)rate / 1000.0f + 0.5f);
    return n < 1 ? 1 : n > most ? most : n;
}

void ClearMemory(ZuvEffect* e)
{
    memset(e->bassState, 0, sizeof e->bassState);
    memset(e->trebleState, 0, sizeof e->trebleState);
    e->limiterEnvelope = 0;
    e->nightEnvelope = 0;
    for (int i = 0; i < ZUV_COMBS; ++i) e->comb[i].at = 0, e->comb[i].damp = 0;
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 2; ++i) e->allpass[c][i].at = 0;
    memset(e->combMemory, 0, sizeof e->combMemory);
    memset(e->allpassMemory, 0, sizeof e->allpassMemory);
    e->dirty = false;
}

void ComputeCoefficients(ZuvEffect* e)
{
    float rate = (float)e->rate;
    e->bassFilter = Shelf(false, e->bassDb, BassCorner, rate);
    e->trebleFilter = Shelf(true, e->trebleDb, TrebleCorner, rate);
    e->limiterRelease = expf(-1.0f / (0.060f * rate));
    e->nightAttack = 1.0f - expf(-1.0f / (0.010f * rate));
    e->nightRelease = 1.0f - expf(-1.0f / (0.100f * rate));
    for (int i = 0; i < ZUV_COMBS; ++i) {
        e->comb[i].length = DelayLength(CombMs[i], e->rate, ZUV_COMB_MAX);
        if (e->comb[i].at >= e->comb[i].length) e->comb[i].at = 0;
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 2; ++i) {
            ZuvDelay& d = e->allpass[c][i];
            d.length = DelayLength(AllpassMs[c][i], e->rate, ZUV_ALLPASS_MAX);
            if (d.at >= d.length) d.at = 0;
        }
    e->stale = false;
}

// Sample formats: load to and store from -1.0 .. +1.0.
template <int Bits> struct Pcm;

template <> struct Pcm<8> {
    enum { Bytes = 1 };
    static float Load(const unsigned char* p) { return (float)((int)p[0] - 128) * (1.0f / 128); }
    static void Store(unsigned char* p, float x)
    {
        long v = lrintf(x * 128.0f);
        p[0] = (unsigned char)((v < -128 ? -128 : v > 127 ? 127 : v) + 128);
    }
};

template <> struct Pcm<16> {
    enum { Bytes = 2 };
    static float Load(const unsigned char* p)
    {
        short v;
        memcpy(&v, p, 2);    // the byte order of the host, as the player hands them over
        return (float)v * (1.0f / 32768);
    }
    static void Store(unsigned char* p, float x)
    {
        long v = lrintf(x * 32768.0f);
        short s = (short)(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
        memcpy(p, &s, 2);
    }
};

template <> struct Pcm<24> {
    enum { Bytes = 3 };
    static float Load(const unsigned char* p)
    {
        int32_t v = (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16);
        v = (v ^ 0x800000) - 0x800000;    // sign-extend bit 23
        return (float)v * (1.0f / 8388608);
    }
    static void Store(unsigned char* p, float x)
    {
        long v = lrintf(x * 8388608.0f);
        uint32_t u = (uint32_t)(v < -8388608 ? -8388608 : v > 8388607 ? 8388607 : v);
        p[0] = (unsigned char)u;
        p[1] = (unsigned char)(u >> 8);
        p[2] = (unsigned char)(u >> 16);
    }
};

// One block of one format. The per-sample state lives in locals for the
// loop and goes back into the effect at the end.
template <int Bits, int Channels>
void Run(ZuvEffect* e, unsigned char* p, int frames)
{
    typedef Pcm<Bits> F;
    const bool bass = e->bass, treble = e->treble, width = e->width && Channels == 2;
    const bool ambience = e->ambience, night = e->night, output = e->output;
    const ZuvBiquad bf = e->bassFilter, tf = e->trebleFilter;
    ZuvFilterState bs[2] = { e->bassState[0], e->bassState[1] };
    ZuvFilterState ts[2] = { e->trebleState[0], e->trebleState[1] };
    const float sideGain = e->sideGain, wet = e->wetGain * 0.25f, outputGain = e->outputGain;
    const float release = e->limiterRelease, nightAttack = e->nightAttack, nightRelease = e->nightRelease;
    float limiter = e->limiterEnvelope, level = e->nightEnvelope;
    const float damp = expf(-2.0f * Pi * AmbienceDamping / (float)e->rate);

    for (int n = 0; n < frames; ++n, p += Channels * F::Bytes) {
        float l = F::Load(p) + AntiDenormal;
        float r = Channels == 2 ? F::Load(p + F::Bytes) + AntiDenormal : 0.0f;
        if (bass) {
            l = Filter(bf, bs[0], l);
            if (Channels == 2) r = Filter(bf, bs[1], r);
        }
        if (treble) {
            l = Filter(tf, ts[0], l);
            if (Channels == 2) r = Filter(tf, ts[1], r);
        }
        if (width) {
            float mid = 0.5f * (l + r), side = 0.5f * (l - r) * sideGain;
            l = mid + side;
            r = mid - side;
        }
        if (ambience) {
            float in = Channels == 2 ? 0.5f * (l + r) : l;
            float c[ZUV_COMBS];
            for (int i = 0; i < ZUV_COMBS; ++i) {
                ZuvDelay& d = e->comb[i];
                float* m = e->combMemory[i];
                float y = m[d.at];
                d.damp = y * (1.0f - damp) + d.damp * damp;
                m[d.at] = in + d.damp * CombFeedback;
                if (++d.at == d.length) d.at = 0;
                c[i] = y;
            }
            float sums[2] = { c[0] + c[1] + c[2] + c[3], c[0] - c[1] + c[2] - c[3] };
            for (int ch = 0; ch < Channels; ++ch) {
                float x = sums[ch];
                for (int i = 0; i < 2; ++i) {
                    ZuvDelay& d = e->allpass[ch][i];
                    float* m = e->allpassMemory[ch][i];
                    float b = m[d.at];
                    float w = x + AllpassGain * b;
                    x = b - AllpassGain * w;
                    m[d.at] = w;
                    if (++d.at == d.length) d.at = 0;
                }
                sums[ch] = x;
            }
            l += wet * sums[0];
            if (Channels == 2) r += wet * sums[1];
        }
        if (night) {
            float power = Channels == 2 ? 0.5f * (l * l + r * r) : l * l;
            if (power < 1e-12f) power = 1e-12f;
            level += (power > level ? nightAttack : nightRelease) * (power - level);
            float g = NightMakeUp;
            if (level > NightThreshold) g *= powf(level * (1.0f / NightThreshold), -1.0f / 3.0f);
            l *= g;
            r *= g;
        }
        if (output) {
            l *= outputGain;
            r *= outputGain;
        }
        // The limiter: the envelope is never below this frame's peak, so the
        // gain brings the peak to the ceiling at most.
        float peak = fabsf(l);
        if (Channels == 2 && fabsf(r) > peak) peak = fabsf(r);
        limiter *= release;
        if (peak > limiter) limiter = peak;
        if (limiter > ZUV_LIMIT_CEILING) {
            float g = ZUV_LIMIT_CEILING / limiter;
            l *= g;
            r *= g;
        }
        F::Store(p, l);
        if (Channels == 2) F::Store(p + F::Bytes, r);
    }
    e->bassState[0] = bs[0], e->bassState[1] = bs[1];
    e->trebleState[0] = ts[0], e->trebleState[1] = ts[1];
    e->limiterEnvelope = limiter < 1e-30f ? 0.0f : limiter;
    e->nightEnvelope = level;
}

}  // namespace

void ZuvEffectSetSettings(ZuvEffect* e, const PluginSettings* s)
{
    const int32_t* on = s->switches;
    bool bypass = on[ZUV_SWITCH_BYPASS] != 0;
    e->output = !bypass && on[ZUV_SWITCH_OUTPUT];
    e->bass = !bypass && on[ZUV_SWITCH_BASS];
    e->treble = !bypass && on[ZUV_SWITCH_TREBLE];
    e->width = !bypass && on[ZUV_SWITCH_WIDTH];
    e->ambience = !bypass && on[ZUV_SWITCH_AMBIENCE];
    e->night = !bypass && on[ZUV_SWITCH_NIGHT];
    bool active = e->output || e->bass || e->treble || e->width || e->ambience || e->night;
    if (active && !e->active) e->dirty = true;    // memory from before the bypass is stale
    e->active = active;

    e->outputGain = DbToGain((float)(ClampLevel(s->levels[ZUV_LEVEL_OUTPUT]) - 100) * 0.2f);
    e->bassDb = (float)ClampLevel(s->levels[ZUV_LEVEL_BASS]) * 0.12f;
    e->trebleDb = (float)ClampLevel(s->levels[ZUV_LEVEL_TREBLE]) * 0.12f;
    e->sideGain = (float)ClampLevel(s->levels[ZUV_LEVEL_WIDTH]) / 50.0f;
    e->wetGain = (float)ClampLevel(s->levels[ZUV_LEVEL_AMBIENCE]) * 0.004f;
    e->stale = true;
}

void ZuvEffectInit(ZuvEffect* e, const PluginSettings* s)
{
    memset(e, 0, sizeof *e);
    ZuvEffectSetSettings(e, s);
    e->dirty = true;
}

bool ZuvEffectIsActive(const ZuvEffect* e) { return e->active; }

int ZuvEffectProcess(ZuvEffect* e, void* samples, int frames, int bits, int channels, int rate)
{
    if (frames <= 0) return 0;
    if (!samples || !e->active || (channels != 1 && channels != 2) || rate < ZUV_MIN_RATE || rate > ZUV_MAX_RATE)
        return frames;
    if (bits != 8 && bits != 16 && bits != 24) return frames;

    if (rate != e->rate || channels != e->channels) {
        e->rate = rate;
        e->channels = channels;
        e->stale = true;
        e->dirty = true;
    }
    if (e->dirty) ClearMemory(e);
    if (e->stale) ComputeCoefficients(e);
    assert(e->rate >= ZUV_MIN_RATE && e->comb[0].length > 0);

    unsigned char* p = (unsigned char*)samples;
    switch (bits * 10 + channels) {
    case 81: Run<8, 1>(e, p, frames); break;
    case 82: Run<8, 2>(e, p, frames); break;
    case 161: Run<16, 1>(e, p, frames); break;
    case 162: Run<16, 2>(e, p, frames); break;
    case 241: Run<24, 1>(e, p, frames); break;
    case 242: Run<24, 2>(e, p, frames); break;
    }
    return frames;
}
