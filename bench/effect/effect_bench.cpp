// Times the enhancer over generated 44.1 kHz 16-bit stereo audio, fed in the
// player's 576-frame blocks, beside sox applying a comparable chain (bass,
// treble, gain) to the same raw file.
//   effect_bench FOLDER [MINUTES]   (default 3)
// The raw files go into FOLDER and are removed at the end. Prints the median
// of several rounds of each: seconds, frames per second, real-time factor.
#include <math.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "dsp/zuv_effect.h"

extern char** environ;

namespace {

const int Rate = 44100, Block = 576, Rounds = 5;
const double Pi = 3.14159265358979323846;

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void Fail(const char* what, const std::string& path)
{
    fprintf(stderr, "effect_bench: %s %s\n", what, path.c_str());
    exit(1);
}

// Something like music: a bass line, chords, a hi-hat of noise, and a level
// that swells and falls, different on the two sides.
std::vector<short> Generate(long frames)
{
    std::vector<short> x((size_t)frames * 2);
    unsigned noise = 12345;
    for (long i = 0; i < frames; ++i) {
        double t = (double)i / Rate;
        double bass = 0.25 * sin(2 * Pi * (55 + 27.5 * ((i / (Rate / 2)) % 4)) * t);
        double chord = 0.08 * (sin(2 * Pi * 440 * t) + sin(2 * Pi * 554.4 * t) + sin(2 * Pi * 659.3 * t));
        noise = noise * 1664525u + 1013904223u;
        double hat = ((i % (Rate / 4)) < 2000 ? 0.1 : 0.0) * ((double)(noise >> 16) / 32768.0 - 1.0);
        double swell = 0.6 + 0.4 * sin(2 * Pi * 0.1 * t);
        x[2 * i] = (short)lrint(32767 * swell * (bass + chord + hat));
        x[2 * i + 1] = (short)lrint(32767 * swell * (bass + 0.7 * chord - hat));
    }
    return x;
}

void WriteRaw(const std::string& path, const std::vector<short>& x)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(x.data(), sizeof(short), x.size(), f) != x.size() || fclose(f) != 0) Fail("cannot write", path);
}

PluginSettings Chain(bool comparable)
{
    PluginSettings s;
    DefaultPluginSettings(&s);
    if (comparable)    // bass, treble and output level only, as the sox chain
        s.switches[ZUV_SWITCH_WIDTH] = s.switches[ZUV_SWITCH_AMBIENCE] = 0;
    return s;
}

void ProcessBlocks(ZuvEffect* e, short* x, long frames)
{
    for (long at = 0; at < frames; at += Block) {
        int n = (int)std::min<long>(Block, frames - at);
        if (ZuvEffectProcess(e, x + 2 * at, n, 16, 2, Rate) != n) Fail("short block", "");
    }
}

double InMemory(ZuvEffect* e, const std::vector<short>& source, bool comparable)
{
    std::vector<short> x = source;
    PluginSettings s = Chain(comparable);
    ZuvEffectInit(e, &s);
    double start = Now();
    ProcessBlocks(e, x.data(), (long)x.size() / 2);
    return Now() - start;
}

// Read, process and write in 64 KB pieces, as sox does.
double FileToFile(ZuvEffect* e, const std::string& from, const std::string& to)
{
    static short buffer[16384 * 2];
    double start = Now();
    PluginSettings s = Chain(true);
    ZuvEffectInit(e, &s);
    FILE* in = fopen(from.c_str(), "rb");
    FILE* out = fopen(to.c_str(), "wb");
    if (!in || !out) Fail("cannot open", in ? to : from);
    size_t got;
    while ((got = fread(buffer, 4, 16384, in)) > 0) {
        ProcessBlocks(e, buffer, (long)got);
        if (fwrite(buffer, 4, got, out) != got) Fail("cannot write", to);
    }
    fclose(in);
    if (fclose(out) != 0) Fail("cannot write", to);
    return Now() - start;
}

// The sox chain: +9.6 dB bass shelf at 150 Hz, +3.6 dB treble shelf at
// 3.5 kHz, -3 dB gain, as the enhancer's default levels.
double Sox(const std::string& from, const std::string& to)
{
    const char* argv[] = { "sox", "-q", "-t", "raw", "-r", "44100", "-e", "signed", "-b", "16", "-c", "2",
                           from.c_str(), "-t", "raw", to.c_str(), "bass", "+9.6", "150", "treble", "+3.6",
                           "3500", "gain", "-3", NULL };
    double start = Now();
    pid_t pid;
    if (posix_spawnp(&pid, "sox", NULL, NULL, (char**)argv, environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    double took = Now() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took : -1;
}

// RMS level of a raw 16-bit file, in dBFS, to show the two chains agree.
double RmsDb(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return -999;
    static short buffer[65536];
    double sum = 0;
    long n = 0;
    size_t got;
    while ((got = fread(buffer, 2, 65536, f)) > 0)
        for (size_t i = 0; i < got; ++i) sum += (double)buffer[i] * buffer[i], ++n;
    fclose(f);
    return 10 * log10(sum / n / (32768.0 * 32768.0));
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Row(const char* what, double seconds, long frames)
{
    if (seconds <= 0) {
        printf("%-44s %9s %12s %12s\n", what, "-", "-", "-");
        return;
    }
    printf("%-44s %9.3f %10.2f M %12.0f\n", what, seconds, frames / seconds / 1e6, frames / (double)Rate / seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: effect_bench FOLDER [MINUTES]\n");
        return 2;
    }
    std::string folder = argv[1];
    double minutes = argc > 2 ? atof(argv[2]) : 3.0;
    if (minutes <= 0 || minutes > 60) Fail("minutes out of range:", argc > 2 ? argv[2] : "");
    long frames = (long)(minutes * 60 * Rate);
    std::string in = folder + "/in.raw", ours = folder + "/zuv.raw", theirs = folder + "/sox.raw";

    std::vector<short> audio = Generate(frames);
    WriteRaw(in, audio);
    std::unique_ptr<ZuvEffect> effect(new ZuvEffect);

    std::vector<double> all, comparable, file, sox;
    for (int round = 0; round < Rounds; ++round) {
        all.push_back(InMemory(effect.get(), audio, false));
        comparable.push_back(InMemory(effect.get(), audio, true));
        file.push_back(FileToFile(effect.get(), in, ours));
        sox.push_back(Sox(in, theirs));
    }
    bool haveSox = *std::min_element(sox.begin(), sox.end()) > 0;

    printf("%.1f min of 44.1 kHz 16-bit stereo (%ld frames), median of %d rounds, one thread\n\n", minutes, frames,
           Rounds);
    printf("%-44s %9s %12s %12s\n", "", "seconds", "frames/s", "x real time");
    Row("zuv, default chain (5 stages), in memory", Median(all), frames);
    Row("zuv, bass+treble+level, in memory", Median(comparable), frames);
    Row("zuv, bass+treble+level, file to file", Median(file), frames);
    Row(haveSox ? "sox, bass+treble+gain, file to file" : "sox (not found or failed)", haveSox ? Median(sox) : -1,
        frames);
    if (haveSox) {
        printf("\nfile to file, zuv against sox: %.1f times the throughput\n", Median(sox) / Median(file));
        printf("output level: zuv %.2f dBFS, sox %.2f dBFS (input %.2f dBFS)\n", RmsDb(ours), RmsDb(theirs), RmsDb(in));
    }
    remove(in.c_str());
    remove(ours.c_str());
    remove(theirs.c_str());
    return 0;
}
