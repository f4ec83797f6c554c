// A wizard page's background at a display scale: the one way the dialog
// procedure gets a page to paint.
#pragma once
#include <windows.h>

// The pages' background colour, where no page is drawn too.
const COLORREF PageBackground = RGB(102, 51, 255);

// `colour` as a page is drawn: the pictures' own, or in high contrast the
// system's window colours, the window's for the background and its text's
// for every ink (the words, the logo, the notice line).
COLORREF PageColour(COLORREF colour, bool highContrast);

// Page `page` for `dpi` dots per inch, as a new bitmap the caller deletes,
// 445 x 240 pixels times dpi / 96; NULL when it cannot be made. At 96 it is
// the page's picture from the resources, unless in high contrast; otherwise
// it is drawn for that scale.
HBITMAP MakePageBitmap(int page, UINT dpi, bool highContrast);

// An owner-drawn label over a page (WM_DRAWITEM): its text in the page's
// words' font and colour at `dpi`, over the page as it is, against its right
// edge (the control it names), with its access key underlined unless the
// keyboard cues are hidden.
void DrawPageLabel(const DRAWITEMSTRUCT* item, UINT dpi, bool highContrast);
