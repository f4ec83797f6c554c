// A wizard page's background at a display scale: the one way the dialog
// procedure gets a page to paint.
#pragma once
#include <windows.h>

// The pages' background colour, where no page is drawn too.
const COLORREF PageBackground = RGB(102, 51, 255);

// Page `page` for `dpi` dots per inch, as a new bitmap the caller deletes,
// 445 x 240 pixels times dpi / 96; NULL when it cannot be made. At 96 it is
// the page's picture from the resources; at any other scale it is drawn for
// that scale.
HBITMAP MakePageBitmap(int page, UINT dpi);
