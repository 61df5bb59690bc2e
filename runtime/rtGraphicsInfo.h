// Published properties of the drawing objects, and the text measure that forms scale by.
#pragma once

#include "rtGraphics.h"
#include "rtTypInfo.h"

const TClassInfo* FontProperties();
// Height of the digit zero in the given font, as forms measure their text height.
int MeasureTextHeight(HFONT font);
