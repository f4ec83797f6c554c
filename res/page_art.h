// How a page picture is drawn: the logo's shapes and where the page's words
// go. tools/imagegen/make_pictures.py reads this file to draw the pictures,
// and the wizard draws the pages from it at display scales other than 100 %;
// so the two cannot drift apart. Page pixels are those of the 445 x 240
// picture. Keep to plain #define lines and byte arrays: the generator parses
// them.
#pragma once

// The logo, in design units (its letters 40 units tall), drawn at
// LOGO_SCALE page pixels a unit with design unit 0, 0 at LOGO_X, LOGO_Y.
#define LOGO_X 12
#define LOGO_Y 6
#define LOGO_SCALE 0.9
// The letters lean right: each unit up shifts a point this far.
#define LOGO_SLANT 0.22
#define LOGO_LETTER_HEIGHT 40

// Outlines as x, y pairs in half units, so 14.5 fits a byte. The
// loudspeaker: a magnet block and a cone, left of the letters.
static const unsigned char LogoMagnet[] = { 0, 26, 14, 26, 14, 54, 0, 54 };
static const unsigned char LogoCone[] = { 18, 26, 26, 26, 42, 8, 42, 72, 26, 54, 18, 54 };
// The letters Z, U and V, each from its own left edge; LogoLetterLeft
// places them.
static const unsigned char LogoZ[] = { 0, 0, 56, 0, 56, 16, 22, 64, 56, 64, 56, 80, 0, 80, 0, 64, 34, 16, 0, 16 };
static const unsigned char LogoU[] = { 0, 0, 18, 0, 18, 62, 36, 62, 36, 0, 54, 0, 54, 80, 0, 80 };
static const unsigned char LogoV[] = { 0, 0, 18, 0, 29, 54, 40, 0, 58, 0, 38, 80, 20, 80 };
static const unsigned char LogoLetterLeft[] = { 52, 116, 178 };

// Under the letters a waveform: two and a half cycles that swell and fade,
// from x LEFT to RIGHT about y MIDDLE, AMPLITUDE high, as SEGMENTS straight
// pieces, its line WIDTH units thick (at least 2 page pixels).
#define LOGO_WAVE_LEFT 2
#define LOGO_WAVE_RIGHT 127
#define LOGO_WAVE_MIDDLE 51
#define LOGO_WAVE_AMPLITUDE 6
#define LOGO_WAVE_SEGMENTS 120
#define LOGO_WAVE_WIDTH 2.4

// The page's words (res/page_texts.h), one line a quoted piece: bold, an em
// TEXT_SIZE pixels high, the first line's top-left at TEXT_X, TEXT_Y and
// each further one TEXT_STEP lower.
#define PAGE_TEXT_X 14
#define PAGE_TEXT_Y 72
#define PAGE_TEXT_STEP 17
#define PAGE_TEXT_SIZE 14
