// Edit buttons as an editor shows them: the computed data of one button (bounds, state,
// effective style, edge flags) and its drawing in each button style and state.
#pragma once

#include "lookandfeel/cxGraphics.h"
#include "runtime/rtTypes.h"

#include <functional>
#include <string>

enum TcxEditButtonStyle { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11 };
enum TcxEditButtonKind { bkEllipsis, bkDown, bkGlyph, bkText };
enum TcxEditButtonState { ebsDisabled, ebsNormal, ebsPressed, ebsSelected };
enum TcxEditButtonTransparency { ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected };

// One visible button of an editor, in the editor's client coordinates.
struct TcxEditButtonViewInfo {
    int index = -1; // in the Buttons collection
    RECT bounds{};
    RECT visibleBounds{};
    TcxEditButtonKind kind = bkDown;
    TcxEditButtonState state = ebsNormal;
    TcxEditButtonStyle style = btsDefault; // the effective style, never btsDefault
    std::wstring caption;                  // the display caption of a text button
    std::wstring hint;
    TColor captionColor = clBtnText;
    int contentAlignment = 2; // of a text caption: 0 left, 1 right, 2 centred
    bool isDefault = false;
    bool leftAligned = false;
    bool leftmost = false;
    bool rightmost = false;
    bool transparent = false;
    bool gradient = false;
    bool stretchable = true;
    TColor backgroundColor = clWindow; // the editor's background colour
    const TcxBitmap* glyph = nullptr;  // of a glyph button; may be empty
    bool native = false;               // drawn by the platform's button theme
    int themeState = 1;                // disabled 4, normal 1, pressed 3, hot 2
};

// The theme state of a button in a state.
int EditButtonThemeState(TcxEditButtonState state);

struct TcxEditButtonFace;

// Hooks of the drawing of one button; a hook that answers true has drawn that step itself.
// The border hook may change the face the later steps use.
struct TcxEditButtonPaintHooks {
    std::function<bool(TcxCanvas&, const TcxEditButtonViewInfo&, TcxEditButtonFace&)> border;
    std::function<bool(TcxCanvas&, const TcxEditButtonViewInfo&, const TcxEditButtonFace&)> background;
};

// What a button needs to know about its editor to draw itself.
struct TcxEditButtonPaintContext {
    RECT borderRect{};        // the editor's rectangle inside its border
    bool hasBorder = true;    // a stand-alone editor with a border
    bool transparent = false; // the editor shows what lies behind it
    TColor textColor = clWindowText;
    HFONT font = nullptr;
    const TcxEditButtonPaintHooks* hooks = nullptr;
};

// The border step of a button: where its content goes and in which colours.
struct TcxEditButtonFace {
    RECT content{};
    TColor background = clBtnFace;
    TColor contentColor = clBtnText;
};

// Draws the button (border, background, content) in its state and effective style.
void DrawEditButton(TcxCanvas& canvas, const TcxEditButtonViewInfo& button,
                    const TcxEditButtonPaintContext& context);
// Draws only the border step and answers the content rectangle and colours.
TcxEditButtonFace DrawEditButtonBorder(TcxCanvas& canvas, const TcxEditButtonViewInfo& button,
                                       const TcxEditButtonPaintContext& context);
// The three dots of an ellipsis button inside content: the left edge of the block and the dot size.
struct TcxEllipsisDots {
    int x, y, size;
};
TcxEllipsisDots EllipsisDots(const RECT& content, bool pressed);
// Where a glyph of the size goes in content: centred, one pixel down and right when pressed.
POINT EditButtonGlyphOrigin(const RECT& content, SIZE glyph, bool pressed);
// Draws the glyph at (x, y) with its transparent colour (the colour of its bottom-left pixel)
// left out; disabled, its shape embossed in the highlight and shadow colours instead.
void DrawEditButtonGlyph(HDC dc, const TcxBitmap& glyph, int x, int y, bool enabled);
// The horizontal and vertical margins between the platform's button frame and its content
// (left + right, top + bottom), or nothing when the button theme does not open.
bool NativeButtonMargins(SIZE& margins);
// The display caption: each "&" removed with the next character taken literally; a final
// lone "&" shows as "_".
std::wstring EditButtonDisplayCaption(const std::wstring& caption);
