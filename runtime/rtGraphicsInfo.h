// Published properties of the drawing objects, and the text measure that forms scale by.
#pragma once

#include "rtGraphics.h"
#include "rtTypInfo.h"

const TClassInfo* FontProperties();
// A memory device context compatible with the screen, kept for measuring text: cheaper
// than asking the screen for a context at every measure. User-interface thread only.
HDC MeasureDC();
// Height of the digit zero in the given font, as forms measure their text height.
int MeasureTextHeight(HFONT font);
