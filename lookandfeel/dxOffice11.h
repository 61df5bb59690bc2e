// The Office 2003 colour scheme: the colours follow the running visual style's colour
// variant (three fixed palettes) or are derived from the classic system colours. Also
// the colour arithmetic, solid and two-colour gradient fills, and the grip dots that the
// painters, container borders, progress bar and group box use.
#pragma once

#include "runtime/rtTypes.h"

#include <windows.h>

enum TcxOffice11Scheme { schNone, schNormalColor, schHomeStead, schMetallic };

// The scheme of the running visual style.
TcxOffice11Scheme DetectOffice11Scheme();
// Fills the scheme, the theme-colours flag and every colour below in one pass.
void ComputeOffice11Colors();
// Lifetime of the colour set: the first acquire computes the colours and makes the grip
// brushes; refresh recomputes (on every system colour change); the last release frees
// the brushes. Releasing more often than acquiring is ignored.
void AcquireOffice11ColorSet();
void RefreshOffice11ColorSet();
void ReleaseOffice11ColorSet();
int Office11ColorSetUsers();
// What starts the holder of the set when the colours are first asked for before anything
// acquired them (the look-and-feel unit installs its colour listener here as it loads).
void SetOffice11ColorSetStarter(void (*starter)());
// How many times the colours were computed (benchmarks show it is once per change).
unsigned Office11ComputeCount();

TcxOffice11Scheme CurrentOffice11Scheme();
bool Office11UsesThemeColors();
// The colours, plain RGB values (never system-colour codes).
TColor Office11GradientLight();
TColor Office11GradientDark();
TColor Office11ButtonFace();
TColor Office11GripShade();
TColor Office11GripHighlight();
TColor Office11FrameColor();
TColor Office11SelectionBorder();
TColor Office11HotLight();
TColor Office11HotDark();
TColor Office11PressedLight();
TColor Office11PressedDark();
TColor Office11ButtonText();
TColor Office11DisabledText();
// The ultra-flat hot and pressed faces (the weighted system colours, snapped), computed
// with the set even where a scheme gives the Office 2003 colours.
TColor Office11UltraFlatHotColor();
TColor Office11UltraFlatPressedColor();
// The brushes of the grip dots (null while nobody holds the colour set).
HBRUSH GripShadeBrush();
HBRUSH GripHighlightBrush();

// Percent is the weight of color1; every channel is kept in 0..255; the result is
// snapped to a colour the screen can show.
TColor MixColors(TColor color1, TColor color2, int percent);
// Signed percentages of button face, highlight and window; the highlight colour itself
// when the button face is pure black or white.
TColor WeightedSystemColor(int btnFaceWeight, int highlightWeight, int windowWeight);
TColor NearestScreenColor(TColor color);
// Percent 0..255: each channel times percent / 100, and each channel moved toward white.
TColor ScaleColor(TColor color, int percent);
TColor LightenColor(TColor color, int percent);

void FillRectSolid(HDC dc, const RECT& r, TColor color);
// color1 at the left (horizontal) or top, color2 at the right or bottom. Uses the
// platform's gradient routine when present, else at most 256 solid bands.
void FillRectGradient(HDC dc, const RECT& r, TColor color1, bool horizontal, TColor color2);
// The banded fill alone (what FillRectGradient does without the platform routine).
void FillRectGradientBanded(HDC dc, const RECT& r, TColor color1, bool horizontal, TColor color2);
// Either brush may be null: then the module's grip brush is used.
void DrawGripDots(HDC dc, const RECT& r, bool horizontal, HBRUSH shadeBrush = nullptr,
                  HBRUSH highlightBrush = nullptr);
// Six dots in the bottom-right corner; either colour may be clDefault (module brush).
void DrawOffice11SizeGrip(HDC dc, const RECT& r, TColor shadeColor = clDefault,
                          TColor highlightColor = clDefault);

// The platform gradient routine, looked up once in the system's library; tests replace
// it (nullptr forces the banded path). Answers the previous routine.
using TGradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
TGradientFillProc SystemGradientFillProc();
TGradientFillProc GradientFillProc();
TGradientFillProc SetGradientFillProc(TGradientFillProc proc);
