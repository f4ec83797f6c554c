// Times the winamp.ini rewrite against a plain copy of the same file, both
// reading and writing through the same buffered stdio in 64 KB blocks.
//   ini_bench FOLDER [MEGABYTES]   (default 50)
// Generated files go into FOLDER and are removed at the end. Prints the
// median of several rounds for each file and the ratio rewrite / copy.
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <time.h>
#include <vector>

#include "ini_rewrite.h"

namespace {

const int Rounds = 7;
static char Buffer[65536];

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void Fail(const char* what, const std::string& path)
{
    fprintf(stderr, "ini_bench: %s %s\n", what, path.c_str());
    exit(1);
}

bool WriteToStream(void* context, const char* data, size_t size)
{
    return fwrite(data, 1, size, (FILE*)context) == size;
}

// One pass from `from` to `to`; rewrite or plain copy.
double Pass(const std::string& from, const std::string& to, bool rewrite)
{
    double start = Now();
    FILE* in = fopen(from.c_str(), "rb");
    FILE* out = fopen(to.c_str(), "wb");
    if (!in || !out) Fail("cannot open", in ? to : from);
    IniRewrite r;
    if (rewrite) BeginIniRewrite(&r, WriteToStream, out);
    size_t got;
    bool ok = true;
    while ((got = fread(Buffer, 1, sizeof Buffer, in)) > 0) {
        if (rewrite) ok = FeedIniRewrite(&r, Buffer, got) && ok;
        else ok = fwrite(Buffer, 1, got, out) == got && ok;
    }
    if (rewrite) ok = EndIniRewrite(&r) && ok;
    ok = !ferror(in) && ok;
    fclose(in);
    ok = fclose(out) == 0 && ok;
    if (!ok) Fail("write failed on", to);
    return Now() - start;
}

// key=value lines in sections, with the five keys sprinkled in; `longLines`
// makes every tenth line 64 KB long with the key at its end.
void Generate(const std::string& path, size_t bytes, bool longLines)
{
    static const char* const Keys[] = { "dspplugin_name=dsp_sps.dll", "dspplugin_num=2", "eq_open=1", "pe_open=1", "mb_open=1" };
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) Fail("cannot create", path);
    std::string longPart(65536, 'w');
    size_t written = 0;
    unsigned seed = 12345;
    char line[128];
    for (unsigned i = 0; written < bytes; ++i) {
        seed = seed * 1103515245u + 12345u;
        int n;
        if (i % 50 == 0) n = snprintf(line, sizeof line, "[section%u]\r\n", i / 50);
        else if (seed % 37 == 0) n = snprintf(line, sizeof line, "%s\r\n", Keys[(seed >> 8) % 5]);
        else n = snprintf(line, sizeof line, "setting%u=%u,%u\r\n", i, seed >> 12, seed & 1023);
        if (longLines && i % 10 == 5) {
            fwrite(longPart.data(), 1, longPart.size(), f);
            written += longPart.size();
        }
        fwrite(line, 1, (size_t)n, f);
        written += (size_t)n;
    }
    if (fclose(f) != 0) Fail("cannot write", path);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Measure(const std::string& folder, const char* name, size_t bytes, bool longLines)
{
    std::string in = folder + "/bench.ini", copied = folder + "/copied.ini", rewritten = folder + "/rewritten.ini";
    Generate(in, bytes, longLines);
    Pass(in, copied, false);   // warm the page cache
    std::vector<double> copy, rewrite;
    for (int round = 0; round < Rounds; ++round) {
        // Alternate the order so neither always runs on a warmer cache.
        if (round % 2) {
            rewrite.push_back(Pass(in, rewritten, true));
            copy.push_back(Pass(in, copied, false));
        } else {
            copy.push_back(Pass(in, copied, false));
            rewrite.push_back(Pass(in, rewritten, true));
        }
    }
    double c = Median(copy), r = Median(rewrite), mb = bytes / 1048576.0;
    printf("%-22s %7.1f %10.1f %12.1f %9.0f %11.0f %7.2f\n", name, mb, c * 1000, r * 1000, mb / c, mb / r, r / c);
    remove(in.c_str());
    remove(copied.c_str());
    remove(rewritten.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: ini_bench FOLDER [MEGABYTES]\n");
        return 2;
    }
    std::string folder = argv[1];
    double mb = argc > 2 ? atof(argv[2]) : 50;
    if (mb <= 0) {
        fprintf(stderr, "ini_bench: MEGABYTES must be above 0\n");
        return 2;
    }
    size_t bytes = (size_t)(mb * 1048576);
    printf("winamp.ini rewrite vs plain copy, same 64 KB stdio blocks, median of %d rounds\n", Rounds);
    printf("%-22s %7s %10s %12s %9s %11s %7s\n", "file", "MB", "copy ms", "rewrite ms", "copy MB/s", "rewrite MB/s", "ratio");
    // Quarter, half and full size: equal MB/s means linear time.
    Measure(folder, "key=value, 1/4 size", bytes / 4, false);
    Measure(folder, "key=value, 1/2 size", bytes / 2, false);
    Measure(folder, "key=value", bytes, false);
    Measure(folder, "64 KB lines among them", bytes, true);
    return 0;
}
