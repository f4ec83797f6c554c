// The committed page pictures, icon and logo: their byte layout, colour
// tables, and the areas the wizard's controls need left plain.
#include <gtest/gtest.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <zlib.h>
#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

const int PictureWidth = 445;
const int PictureHeight = 240;
const uint32_t Background = 0x6633FF;   // RGB 102, 51, 255
const uint32_t MessageColour = 0x99FFFF;   // RGB 153, 255, 255

// WCAG's relative luminance of a 0xRRGGBB colour.
double Luminance(uint32_t rgb)
{
    const double weights[] = { 0.0722, 0.7152, 0.2126 };   // blue, green, red
    double l = 0;
    for (int i = 0; i < 3; i++) {
        double v = ((rgb >> (8 * i)) & 0xFF) / 255.0;
        l += weights[i] * (v <= 0.04045 ? v / 12.92 : pow((v + 0.055) / 1.055, 2.4));
    }
    return l;
}

Bytes ReadWholeFile(const std::string& name)
{
    Bytes data;
    std::string path = std::string(ZUV_SOURCE_DIR) + "/" + name;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return data;
    uint8_t buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        data.insert(data.end(), buf, buf + n);
    fclose(f);
    return data;
}

uint32_t U16(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t U32(const Bytes& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }
int32_t I32(const Bytes& b, size_t at) { return (int32_t)U32(b, at); }

// Strict BI_RLE8 decoder for bottom-up pictures. Every pixel must be written
// exactly once by encoded or absolute runs; a delta, a short row before an
// end-of-line, a run past the row's end, a missing end-of-bitmap or bytes
// after it are all errors. Fills `pixels` top-down.
bool DecodeRle8(const uint8_t* data, size_t size, int width, int height, std::vector<uint8_t>& pixels,
                std::string& error)
{
    pixels.assign((size_t)width * height, 0);
    int x = 0, row = 0;   // row counts from the bottom
    size_t i = 0;
    auto put = [&](uint8_t v) { pixels[(size_t)(height - 1 - row) * width + x++] = v; };
    while (i + 2 <= size) {
        uint8_t count = data[i], value = data[i + 1];
        i += 2;
        if (count > 0) {
            if (row >= height || x + count > width) {
                error = "encoded run overruns the row";
                return false;
            }
            while (count--)
                put(value);
        } else if (value == 0) {
            if (x != width) {
                error = "end of line before the row is full";
                return false;
            }
            if (++row >= height) {
                // Allowed only if end-of-bitmap follows at once.
                if (!(i + 2 == size && data[i] == 0 && data[i + 1] == 1)) {
                    error = "end of line after the last row";
                    return false;
                }
            }
            x = 0;
        } else if (value == 1) {
            bool full = (row == height - 1 && x == width) || (row == height && x == 0);
            if (!full) {
                error = "end of bitmap before every pixel is written";
                return false;
            }
            if (i != size) {
                error = "bytes after end of bitmap";
                return false;
            }
            return true;
        } else if (value == 2) {
            error = "delta escape leaves pixels unwritten";
            return false;
        } else {
            size_t padded = (value + 1u) & ~1u;
            if (i + padded > size) {
                error = "absolute run past the end of the data";
                return false;
            }
            if (row >= height || x + value > width) {
                error = "absolute run overruns the row";
                return false;
            }
            for (unsigned k = 0; k < value; k++)
                put(data[i + k]);
            i += padded;
        }
    }
    error = "no end of bitmap";
    return false;
}

bool Decode(const Bytes& b, int width, int height, std::vector<uint8_t>& pixels, std::string& error)
{
    return DecodeRle8(b.data(), b.size(), width, height, pixels, error);
}

struct RleCase {
    const char* name;
    Bytes stream;
    bool ok;
    std::vector<uint8_t> pixels;   // top-down, 4 x 2
    const char* error;
};

const RleCase RleCases[] = {
    { "encoded_runs", { 4, 7, 0, 0, 2, 1, 2, 2, 0, 1 }, true, { 1, 1, 2, 2, 7, 7, 7, 7 }, "" },
    { "absolute_odd_run_padded", { 0, 3, 5, 6, 7, 0, 1, 8, 0, 0, 0, 4, 1, 2, 3, 4, 0, 1 }, true,
      { 1, 2, 3, 4, 5, 6, 7, 8 }, "" },
    { "end_of_line_before_end_of_bitmap", { 4, 1, 0, 0, 4, 2, 0, 0, 0, 1 }, true, { 2, 2, 2, 2, 1, 1, 1, 1 }, "" },
    { "run_overruns_row", { 5, 1, 0, 0, 4, 2, 0, 1 }, false, {}, "encoded run overruns the row" },
    { "absolute_overruns_row", { 0, 5, 1, 2, 3, 4, 5, 0, 0, 1 }, false, {}, "absolute run overruns the row" },
    { "short_row", { 3, 1, 0, 0, 4, 2, 0, 1 }, false, {}, "end of line before the row is full" },
    { "early_end_of_bitmap", { 4, 1, 0, 0, 3, 2, 0, 1 }, false, {}, "end of bitmap before every pixel is written" },
    { "missing_end_of_bitmap", { 4, 1, 0, 0, 4, 2 }, false, {}, "no end of bitmap" },
    { "bytes_after_end", { 4, 1, 0, 0, 4, 2, 0, 1, 0, 0 }, false, {}, "bytes after end of bitmap" },
    { "delta", { 0, 2, 1, 0, 3, 1, 0, 0, 4, 2, 0, 1 }, false, {}, "delta escape leaves pixels unwritten" },
    { "too_many_rows", { 4, 1, 0, 0, 4, 2, 0, 0, 4, 3, 0, 1 }, false, {}, "end of line after the last row" },
    { "run_after_last_row", { 4, 1, 0, 0, 4, 2, 4, 3, 0, 1 }, false, {}, "encoded run overruns the row" },
    { "truncated_absolute", { 0, 4, 1, 2, 3 }, false, {}, "absolute run past the end of the data" },
};

void PrintTo(const RleCase& c, std::ostream* os) { *os << c.name; }

class Rle8Decoder : public ::testing::TestWithParam<RleCase> {};

TEST_P(Rle8Decoder, DecodesOrRefuses)
{
    const RleCase& c = GetParam();
    std::vector<uint8_t> pixels;
    std::string error;
    ASSERT_EQ(c.ok, Decode(c.stream, 4, 2, pixels, error)) << error;
    if (c.ok)
        EXPECT_EQ(c.pixels, pixels);
    else
        EXPECT_EQ(c.error, error);
}

INSTANTIATE_TEST_SUITE_P(Streams, Rle8Decoder, ::testing::ValuesIn(RleCases),
                         [](const ::testing::TestParamInfo<RleCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

struct Picture {
    Bytes file;
    std::vector<uint32_t> table;   // 0xRRGGBB
    std::vector<uint8_t> pixels;   // top-down indices
    uint32_t At(int x, int y) const { return table[pixels[(size_t)y * PictureWidth + x]]; }
};

// Reads and checks one picture's headers and stream; fails the test on any
// fault. The headers: file header, 40-byte info header, 256 colours.
void LoadPicture(const char* name, Picture& p)
{
    p.file = ReadWholeFile(std::string("res/pictures/") + name);
    const Bytes& b = p.file;
    ASSERT_GE(b.size(), 14u + 40u + 1024u) << name;
    EXPECT_EQ('B', b[0]);
    EXPECT_EQ('M', b[1]);
    EXPECT_EQ(b.size(), U32(b, 2)) << "bfSize";
    const uint32_t offBits = U32(b, 10);
    EXPECT_EQ(14u + 40u + 1024u, offBits);
    EXPECT_EQ(40u, U32(b, 14)) << "biSize";
    EXPECT_EQ(PictureWidth, I32(b, 18));
    EXPECT_EQ(PictureHeight, I32(b, 22)) << "positive height: bottom-up";
    EXPECT_EQ(1u, U16(b, 26)) << "planes";
    EXPECT_EQ(8u, U16(b, 28)) << "bits per pixel";
    EXPECT_EQ(1u, U32(b, 30)) << "BI_RLE8";
    const uint32_t used = U32(b, 46);
    EXPECT_TRUE(used == 256 || used == 0) << "biClrUsed " << used;
    ASSERT_LE(offBits, b.size());
    EXPECT_EQ(b.size() - offBits, U32(b, 34)) << "biSizeImage";

    for (int i = 0; i < 256; i++) {
        size_t at = 54 + 4 * i;
        p.table.push_back(b[at + 2] << 16 | b[at + 1] << 8 | b[at]);
    }
    std::string error;
    ASSERT_TRUE(DecodeRle8(b.data() + offBits, b.size() - offBits, PictureWidth, PictureHeight, p.pixels, error))
        << name << ": " << error;
}

struct Area {
    const char* what;
    int left, top, right, bottom;   // pixels, right and bottom exclusive
};

// Where the controls sit, in picture pixels. A dialog unit is about 1.5 x
// 1.625 pixels on Windows with 8-point MS Sans Serif, and between 1.5 x 1.5
// and 1.75 x 1.65 under wine, depending on the font it substitutes; each
// area covers that whole range, with a small margin.
const Area Buttons = { "buttons", 100, 178, 445, 224 };
const Area NoticeLine = { "notice line", 40, 146, 445, 186 };
const Area AgreementBox = { "agreement box", 158, 8, 445, 186 };
const Area FolderBox = { "folder box", 108, 106, 390, 146 };
// The window beyond the picture is filled by stretching its top-left 6 x 4
// block; the edges that meet that fill must match it.
const Area Corner = { "top-left block", 0, 0, 6, 4 };
const Area RightColumn = { "right-most column", 444, 0, 445, 240 };
const Area BottomRow = { "bottom row", 0, 239, 445, 240 };

struct PageCase {
    const char* name;
    const char* file;
    std::vector<Area> free;
    Area message;   // where the page's own text must be
};

const PageCase PageCases[] = {
    { "Welcome", "welcome.bmp", { Buttons, NoticeLine, Corner, RightColumn, BottomRow }, { "message", 0, 68, 445, 146 } },
    { "Agreement", "agreement.bmp", { Buttons, AgreementBox, Corner, RightColumn, BottomRow },
      { "message left of the box", 0, 68, 158, 186 } },
    { "Location", "location.bmp", { Buttons, FolderBox, Corner, RightColumn, BottomRow }, { "message", 0, 68, 445, 106 } },
    { "Finished", "finished.bmp", { Buttons, Corner, RightColumn, BottomRow }, { "message", 0, 68, 445, 178 } },
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << c.name; }

class PagePicture : public ::testing::TestWithParam<PageCase> {};

TEST_P(PagePicture, HasTheLayoutAndColours)
{
    const PageCase& c = GetParam();
    Picture p;
    LoadPicture(c.file, p);
    if (HasFatalFailure())
        return;

    int bgIndex = -1, textIndex = -1;
    for (int i = 0; i < 256; i++) {
        if (p.table[i] == Background && bgIndex < 0)
            bgIndex = i;
        if (p.table[i] == MessageColour && textIndex < 0)
            textIndex = i;
    }
    ASSERT_GE(bgIndex, 0) << "background colour not in the table";
    ASSERT_GE(textIndex, 0) << "message colour not in the table";

    std::map<uint32_t, long> counts;
    for (int y = 0; y < PictureHeight; y++)
        for (int x = 0; x < PictureWidth; x++)
            counts[p.At(x, y)]++;
    uint32_t dominant = 0;
    long most = -1;
    for (const auto& kv : counts)
        if (kv.second > most) {
            most = kv.second;
            dominant = kv.first;
        }
    EXPECT_EQ(Background, dominant);
    EXPECT_GT(most, (long)PictureWidth * PictureHeight / 2);

    for (const Area& a : c.free) {
        int stray = 0;
        for (int y = a.top; y < a.bottom; y++)
            for (int x = a.left; x < a.right; x++)
                stray += p.At(x, y) != Background;
        EXPECT_EQ(0, stray) << a.what << " is not plain background";
    }

    // The message in its colour, and no colour there under the 4.5:1
    // contrast with the background that WCAG AA asks of body text.
    int textPixels = 0;
    // Darker than the background nothing reaches 4.5:1 (black gives 3.5:1),
    // so the least luminous colour there is the one to judge.
    double faintest = 1e9;
    for (int y = c.message.top; y < c.message.bottom; y++)
        for (int x = c.message.left; x < c.message.right; x++) {
            textPixels += p.At(x, y) == MessageColour;
            if (p.At(x, y) != Background)
                faintest = std::min(faintest, Luminance(p.At(x, y)) + 0.05);
        }
    EXPECT_GT(textPixels, 150) << "no text in the " << c.message.what;
    EXPECT_GE(faintest / (Luminance(Background) + 0.05), 4.5) << "faint text in the " << c.message.what;

    // The logo at the top left: at least the background and three colours of
    // its own.
    std::map<uint32_t, int> logo;
    for (int y = 4; y < 68; y++)
        for (int x = 6; x < 158; x++)
            logo[p.At(x, y)]++;
    EXPECT_GE(logo.size(), 4u) << "no logo at the top left";
}

INSTANTIATE_TEST_SUITE_P(Pages, PagePicture, ::testing::ValuesIn(PageCases),
                         [](const ::testing::TestParamInfo<PageCase>& info) { return std::string(info.param.name); });

TEST(PagePictures, ColourTablesAreSharedAsTheWizardExpects)
{
    Picture welcome, agreement, location, finished;
    LoadPicture("welcome.bmp", welcome);
    LoadPicture("agreement.bmp", agreement);
    LoadPicture("location.bmp", location);
    LoadPicture("finished.bmp", finished);
    if (HasFatalFailure())
        return;
    EXPECT_EQ(agreement.table, location.table);
    EXPECT_EQ(agreement.table, finished.table);
    EXPECT_NE(welcome.table, agreement.table);

    // The wizard's palette comes from picture 103 alone, so every colour the
    // other pages use must be in it to show true on a 256-colour display.
    for (const Picture* p : { &agreement, &location, &finished })
        for (uint8_t index : p->pixels) {
            uint32_t rgb = p->table[index];
            bool inWelcome = false;
            for (uint32_t c : welcome.table)
                inWelcome = inWelcome || c == rgb;
            ASSERT_TRUE(inWelcome) << std::hex << rgb << " is not in picture 103's table";
        }
}

TEST(PagePictures, StayWithinTheSizeBudget)
{
    // The whole installer must stay within 0.83 of the NSIS peer's size (about
    // 111,000 bytes); the four pictures are its biggest part and get 27,000.
    size_t total = 0;
    for (const char* name : { "welcome.bmp", "agreement.bmp", "location.bmp", "finished.bmp" }) {
        size_t size = ReadWholeFile(std::string("res/pictures/") + name).size();
        EXPECT_GT(size, 0u) << name;
        total += size;
    }
    EXPECT_LE(total, 27000u);
}

// ---------------------------------------------------------------------------

// An icon image's pixels: 0xAARRGGBB, the colour multiplied by its alpha, top-down.
struct IconImage {
    unsigned size;
    std::vector<uint32_t> pixels;
};

// A 4-bit image with its AND mask, as the 32 x 32 and 16 x 16 images have
// always been.
void Decode4Bit(const Bytes& b, size_t offset, uint32_t bytes, IconImage& image)
{
    const unsigned size = image.size;
    const size_t xorStride = (size * 4 + 31) / 32 * 4, andStride = (size + 31) / 32 * 4;
    ASSERT_EQ(40u + 16 * 4 + (xorStride + andStride) * size, bytes);
    EXPECT_EQ(40u, U32(b, offset));
    EXPECT_EQ((int32_t)size, I32(b, offset + 4));
    EXPECT_EQ((int32_t)size * 2, I32(b, offset + 8)) << "colour image and mask together";
    EXPECT_EQ(4u, U16(b, offset + 14));
    EXPECT_EQ(0u, U32(b, offset + 16)) << "BI_RGB";
    const size_t colours = offset + 40, xorAt = colours + 64, andAt = xorAt + xorStride * size;
    for (size_t row = size; row-- > 0;)   // bottom-up
        for (unsigned x = 0; x < size; x++) {
            unsigned index = b[xorAt + row * xorStride + x / 2] >> (x % 2 ? 0 : 4) & 15;
            bool clear = b[andAt + row * andStride + x / 8] >> (7 - x % 8) & 1;
            EXPECT_TRUE(!clear || index == 0) << "a clear pixel not black inverts the screen";
            image.pixels.push_back(clear ? 0 : 0xFF000000 | (U32(b, colours + 4 * index) & 0xFFFFFF));
        }
}

uint32_t Big32(const uint8_t* p) { return (uint32_t)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// A PNG of 8-bit RGBA, as Windows reads it in an icon: every chunk's CRC,
// the header, the zlib stream and each row's filter.
void DecodePng(const uint8_t* p, size_t n, IconImage& image)
{
    const unsigned size = image.size;
    ASSERT_GE(n, 8u + 25 + 12);
    ASSERT_EQ(0, memcmp(p, "\x89PNG\r\n\x1A\n", 8)) << "PNG signature";
    ASSERT_EQ(0, memcmp(p + 8, "\0\0\0\x0DIHDR", 8)) << "IHDR first";
    EXPECT_EQ(size, Big32(p + 16)) << "width";
    EXPECT_EQ(size, Big32(p + 20)) << "height";
    EXPECT_EQ(0, memcmp(p + 24, "\x08\x06\0\0\0", 5)) << "8-bit RGBA, not interlaced";
    Bytes data;
    size_t at = 8;
    for (std::string kind; kind != "IEND"; at += 12 + Big32(p + at)) {
        ASSERT_LE(at + 12, n);
        const uint32_t length = Big32(p + at);
        ASSERT_LE(at + 12 + length, n);
        kind.assign((const char*)p + at + 4, 4);
        EXPECT_EQ(Big32(p + at + 8 + length), crc32(0, p + at + 4, 4 + length)) << kind << " CRC";
        if (kind == "IDAT")
            data.insert(data.end(), p + at + 8, p + at + 8 + length);
    }
    EXPECT_EQ(n, at) << "bytes after IEND";
    const size_t stride = size * 4;
    Bytes raw((stride + 1) * size + 1);
    uLongf got = raw.size();
    ASSERT_EQ(Z_OK, uncompress(raw.data(), &got, data.data(), data.size()));
    ASSERT_EQ(raw.size() - 1, got) << "rows of a filter byte and the pixels";
    Bytes line(stride), above(stride);
    for (unsigned y = 0; y < size; above = line, y++) {
        const uint8_t filter = raw[y * (stride + 1)];
        ASSERT_LE(filter, 4) << "row " << y;
        for (size_t i = 0; i < stride; i++) {
            const int a = i >= 4 ? line[i - 4] : 0, b = above[i], c = i >= 4 ? above[i - 4] : 0;
            const int pa = abs(b - c), pb = abs(a - c), pc = abs(a + b - 2 * c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int predicted[] = { 0, a, b, (a + b) / 2, paeth };
            line[i] = (uint8_t)(raw[y * (stride + 1) + 1 + i] + predicted[filter]);
        }
        for (size_t i = 0; i < stride; i += 4) {
            const unsigned alpha = line[i + 3];
            image.pixels.push_back(alpha << 24 | line[i] * alpha / 255 << 16 | line[i + 1] * alpha / 255 << 8 |
                                   line[i + 2] * alpha / 255);
        }
    }
}

// How many neighbouring columns (or rows) differ. A smaller image's pixels
// repeated, whatever the phase, differ between at most as many as the
// smaller image has pixels across, less one.
int Changes(const IconImage& image, bool rows)
{
    const unsigned n = image.size;
    int changes = 0;
    for (unsigned i = 0; i + 1 < n; i++)
        for (unsigned j = 0; j < n; j++) {
            const size_t at = rows ? i * n + j : j * n + i;
            if (image.pixels[at] != image.pixels[at + (rows ? n : 1)]) {
                changes++;
                break;
            }
        }
    return changes;
}

// The share of `big`'s pixels that differ by more than a quarter of the
// range in some channel from `small` enlarged bilinearly, as image tools
// enlarge.
double ShareUnlikeEnlarged(const IconImage& small, const IconImage& big)
{
    const unsigned n = small.size, m = big.size;
    int unlike = 0;
    for (unsigned y = 0; y < m; y++)
        for (unsigned x = 0; x < m; x++) {
            const double fy = std::min(std::max((y + 0.5) * n / m - 0.5, 0.0), n - 1.0);
            const double fx = std::min(std::max((x + 0.5) * n / m - 0.5, 0.0), n - 1.0);
            const unsigned y0 = (unsigned)fy, x0 = (unsigned)fx, y1 = std::min(y0 + 1, n - 1), x1 = std::min(x0 + 1, n - 1);
            bool differs = false;
            for (int shift = 0; shift < 32; shift += 8) {
                auto at = [&](unsigned row, unsigned column) { return small.pixels[row * n + column] >> shift & 0xFF; };
                const double v = (1 - (fy - y0)) * ((1 - (fx - x0)) * at(y0, x0) + (fx - x0) * at(y0, x1)) +
                                 (fy - y0) * ((1 - (fx - x0)) * at(y1, x0) + (fx - x0) * at(y1, x1));
                differs = differs || fabs(v - (big.pixels[y * m + x] >> shift & 0xFF)) > 64;
            }
            unlike += differs;
        }
    return (double)unlike / (m * m);
}

struct IconCase {
    unsigned size, colours, bits;
};

// The two images of old first, byte for byte; then those for larger scales,
// the 256 one a PNG (Windows reads them from Vista on).
const IconCase IconCases[] = { { 32, 16, 4 }, { 16, 16, 4 }, { 24, 16, 4 }, { 48, 16, 4 }, { 256, 0, 32 } };

TEST(ProgramIcon, HoldsFiveSizesEachDrawnForItsSize)
{
    Bytes b = ReadWholeFile("res/pictures/zuv.ico");
    const size_t count = sizeof IconCases / sizeof IconCases[0];
    ASSERT_GE(b.size(), 6u + count * 16);
    EXPECT_EQ(0u, U16(b, 0));
    EXPECT_EQ(1u, U16(b, 2)) << "icon, not cursor";
    ASSERT_EQ(count, U16(b, 4)) << "image count";

    std::vector<IconImage> images;
    for (size_t i = 0; i < count; i++) {
        const IconCase& c = IconCases[i];
        SCOPED_TRACE(c.size);
        const size_t e = 6 + 16 * i;
        EXPECT_EQ(c.size % 256, b[e]) << "width, 0 for 256";
        EXPECT_EQ(c.size % 256, b[e + 1]) << "height";
        EXPECT_EQ(c.colours, b[e + 2]) << "colour count";
        EXPECT_EQ(1u, U16(b, e + 4)) << "planes";
        EXPECT_EQ(c.bits, U16(b, e + 6)) << "bits per pixel";
        const uint32_t bytes = U32(b, e + 8), offset = U32(b, e + 12);
        ASSERT_LE((size_t)offset + bytes, b.size());
        images.push_back({ c.size, {} });
        if (c.bits == 4)
            Decode4Bit(b, offset, bytes, images.back());
        else
            DecodePng(&b[offset], bytes, images.back());
        if (HasFatalFailure())
            return;

        // Mostly opaque: clear only at the rounded corners.
        int transparent = 0;
        for (uint32_t pixel : images.back().pixels)
            transparent += pixel >> 24 == 0;
        EXPECT_GT(transparent, 0);
        EXPECT_LT(transparent, (int)(c.size * c.size / 8));
    }

    // No image is a smaller one enlarged: not its pixels repeated, and not
    // smoothed (such a copy stays within a quarter of the range at 99 % of
    // its pixels; a drawn one differs at more than 5 %).
    for (const IconImage& big : images)
        for (const IconImage& small : images) {
            if (small.size >= big.size)
                continue;
            SCOPED_TRACE(testing::Message() << small.size << " to " << big.size);
            EXPECT_GT(std::max(Changes(big, false), Changes(big, true)), (int)small.size - 1);
            EXPECT_GT(ShareUnlikeEnlarged(small, big), 0.03);
        }
}

TEST(PluginLogo, IsACompleteJpeg)
{
    Bytes b = ReadWholeFile("plugin/zvlogo.jpg");
    ASSERT_GE(b.size(), 4u);
    EXPECT_EQ(0xFF, b[0]);
    EXPECT_EQ(0xD8, b[1]) << "start of image";
    EXPECT_EQ(0xFF, b[b.size() - 2]);
    EXPECT_EQ(0xD9, b[b.size() - 1]) << "end of image";

    // Walk the marker segments up to the frame header for the size.
    size_t at = 2;
    int width = 0, height = 0;
    while (at + 4 <= b.size() && b[at] == 0xFF) {
        uint8_t marker = b[at + 1];
        size_t length = b[at + 2] << 8 | b[at + 3];
        if (marker == 0xC0 || marker == 0xC2) {
            ASSERT_LE(at + 9, b.size());
            height = b[at + 5] << 8 | b[at + 6];
            width = b[at + 7] << 8 | b[at + 8];
            break;
        }
        at += 2 + length;
    }
    EXPECT_EQ(200, width);
    EXPECT_EQ(80, height);
}

}  // namespace
