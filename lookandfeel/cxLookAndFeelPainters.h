// The painter family: one stateless painter per visual style (flat, standard,
// ultra-flat, Office 2003, native), all with the same operations, so a control asks its
// look-and-feel for ActivePainter() and paints frames, buttons, arrows, grips, label
// lines, progress text and group frames without knowing the style.
#pragma once

#include "cxGraphics.h"

#include "runtime/rtTypes.h"

#include <array>
#include <string>

enum TcxLookAndFeelKind : unsigned char { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };
enum TcxButtonState { cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled };
enum TcxArrowDirection { adirUp, adirDown, adirLeft, adirRight };

class TcxCustomLookAndFeelPainter;
// A painter "class": painters hold no state, so one shared instance per class stands for
// the class and its operations are the class's overridable operations.
using TcxCustomLookAndFeelPainterClass = const TcxCustomLookAndFeelPainter*;

// The three corners of an arrow triangle in r (size 0: derived from r).
std::array<POINT, 3> ArrowPoints(const RECT& r, int size, bool proportional, TcxArrowDirection direction);

class TcxCustomLookAndFeelPainter {
public:
    static TcxCustomLookAndFeelPainterClass Instance();
    virtual ~TcxCustomLookAndFeelPainter() = default;
    virtual const wchar_t* ClassName() const { return L"TcxCustomLookAndFeelPainter"; }

    virtual int PainterStyle() const { return 1; }
    virtual TColor ScrollBarCornerColor() const { return clBtnFace; }
    virtual void PaintArrow(TcxCanvas& canvas, const RECT& r, TColor color,
                            TcxArrowDirection direction) const;
    virtual void PaintButtonArrow(TcxCanvas& canvas, const RECT& r, TcxArrowDirection direction,
                                  TcxButtonState state) const;
    virtual int FrameWidth() const { return 0; }
    virtual void PaintFrame(TcxCanvas& canvas, const RECT& r) const {}
    virtual int ButtonFrameWidth(TcxButtonState state) const { return 0; }
    virtual TColor ButtonFaceColor(TcxButtonState state) const { return clBtnFace; }
    virtual RECT ButtonFocusBounds(TcxCanvas& canvas, const RECT& r) const;
    virtual int ButtonPressShift() const { return 0; }
    virtual TColor ButtonTextColor(TcxButtonState state, TColor defaultColor = clDefault) const;
    // Face, optional frame and caption of a push button.
    virtual void PaintButton(TcxCanvas& canvas, const RECT& r, const std::wstring& caption,
                             TcxButtonState state, bool drawFrame = true, TColor faceColor = clDefault,
                             TColor textColor = clDefault, bool wordWrap = false,
                             bool toolStyle = false) const;
    virtual void PaintButtonFrame(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const {}
    virtual bool ButtonTracksHot() const { return false; }
    // clDefault stands for clBtnHighlight (inner) and clBtnShadow (outer).
    virtual void PaintLabelLine(TcxCanvas& canvas, const RECT& r, bool vertical,
                                TColor innerColor = clDefault, TColor outerColor = clDefault) const;
    virtual int LabelLineWidth() const { return 2; }
    virtual void PaintSizeGrip(TcxCanvas& canvas, const RECT& r, TColor backgroundColor = clDefault) const;
    // The progress bar's text: in one colour, or in the inverse of whatever lies below.
    virtual void PaintProgressText(TcxCanvas& canvas, bool vertical, TColor textColor, bool solidTextColor,
                                   const std::wstring& text, const RECT& textRect) const;
    virtual void PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders, bool enabled) const {}
    virtual TColor GroupCaptionColor(bool enabled) const { return enabled ? clWindowText : clBtnShadow; }
    // control: the window whose parent shows through when color1 is clDefault.
    virtual void PaintPanelBackground(TcxCanvas& canvas, HWND control, TColor color1, TColor color2,
                                      const RECT& r) const
    {
    }

protected:
    TcxCustomLookAndFeelPainter() = default;
    friend struct PainterInstances;
    void PaintTriangle(TcxCanvas& canvas, const std::array<POINT, 3>& points, TColor color) const;
};

class TcxStandardLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
    static TcxCustomLookAndFeelPainterClass Instance();
    const wchar_t* ClassName() const override { return L"TcxStandardLookAndFeelPainter"; }
    int FrameWidth() const override { return 2; }
    void PaintFrame(TcxCanvas& canvas, const RECT& r) const override;
    int ButtonFrameWidth(TcxButtonState state) const override { return state == cxbsDefault ? 3 : 2; }
    int ButtonPressShift() const override { return 1; }
    void PaintButtonFrame(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const override;
    void PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders, bool enabled) const override;

protected:
    TcxStandardLookAndFeelPainter() = default;
    friend struct PainterInstances;
};

class TcxFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
    static TcxCustomLookAndFeelPainterClass Instance();
    const wchar_t* ClassName() const override { return L"TcxFlatLookAndFeelPainter"; }
    int PainterStyle() const override { return 0; }
    int FrameWidth() const override { return 1; }
    void PaintFrame(TcxCanvas& canvas, const RECT& r) const override;
    int ButtonFrameWidth(TcxButtonState state) const override { return state == cxbsDefault ? 2 : 1; }
    int ButtonPressShift() const override { return 1; }
    void PaintButtonFrame(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const override;
    void PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders, bool enabled) const override;

protected:
    TcxFlatLookAndFeelPainter() = default;
    friend struct PainterInstances;
};

class TcxUltraFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
public:
    static TcxCustomLookAndFeelPainterClass Instance();
    const wchar_t* ClassName() const override { return L"TcxUltraFlatLookAndFeelPainter"; }
    int PainterStyle() const override { return 2; }
    int FrameWidth() const override { return 1; }
    void PaintFrame(TcxCanvas& canvas, const RECT& r) const override;
    int ButtonFrameWidth(TcxButtonState state) const override { return state == cxbsDefault ? 2 : 1; }
    TColor ButtonFaceColor(TcxButtonState state) const override;
    RECT ButtonFocusBounds(TcxCanvas& canvas, const RECT& r) const override;
    TColor ButtonTextColor(TcxButtonState state, TColor defaultColor = clDefault) const override;
    void PaintButtonFrame(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const override;
    bool ButtonTracksHot() const override { return true; }
    void PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders, bool enabled) const override;

protected:
    TcxUltraFlatLookAndFeelPainter() = default;
    friend struct PainterInstances;
};

class TcxOffice11LookAndFeelPainter : public TcxUltraFlatLookAndFeelPainter {
public:
    static TcxCustomLookAndFeelPainterClass Instance();
    const wchar_t* ClassName() const override { return L"TcxOffice11LookAndFeelPainter"; }
    int PainterStyle() const override { return 4; }
    void PaintFrame(TcxCanvas& canvas, const RECT& r) const override;
    TColor ButtonFaceColor(TcxButtonState state) const override;
    TColor ButtonTextColor(TcxButtonState state, TColor defaultColor = clDefault) const override;
    void PaintButtonFrame(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const override;
    void PaintSizeGrip(TcxCanvas& canvas, const RECT& r, TColor backgroundColor = clDefault) const override;
    void PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders, bool enabled) const override;
    TColor GroupCaptionColor(bool enabled) const override;
    void PaintPanelBackground(TcxCanvas& canvas, HWND control, TColor color1, TColor color2,
                              const RECT& r) const override;

protected:
    TcxOffice11LookAndFeelPainter() = default;
    friend struct PainterInstances;
};

// Paints through the platform's visual styles; every operation falls back to the
// standard (or base) drawing when the theme it needs cannot be opened.
class TcxWinXPLookAndFeelPainter : public TcxStandardLookAndFeelPainter {
public:
    static TcxCustomLookAndFeelPainterClass Instance();
    const wchar_t* ClassName() const override { return L"TcxWinXPLookAndFeelPainter"; }
    int PainterStyle() const override { return 3; }
    int FrameWidth() const override;
    void PaintFrame(TcxCanvas& canvas, const RECT& r) const override;
    int ButtonFrameWidth(TcxButtonState state) const override;
    TColor ButtonFaceColor(TcxButtonState state) const override;
    RECT ButtonFocusBounds(TcxCanvas& canvas, const RECT& r) const override;
    int ButtonPressShift() const override { return 0; }
    TColor ButtonTextColor(TcxButtonState state, TColor defaultColor = clDefault) const override;
    void PaintButton(TcxCanvas& canvas, const RECT& r, const std::wstring& caption, TcxButtonState state,
                     bool drawFrame = true, TColor faceColor = clDefault, TColor textColor = clDefault,
                     bool wordWrap = false, bool toolStyle = false) const override;
    bool ButtonTracksHot() const override { return true; }
    void PaintSizeGrip(TcxCanvas& canvas, const RECT& r, TColor backgroundColor = clDefault) const override;
    void PaintGroupFrame(TcxCanvas& canvas, const RECT& r, TcxBorders borders, bool enabled) const override;
    TColor GroupCaptionColor(bool enabled) const override;
    void PaintPanelBackground(TcxCanvas& canvas, HWND control, TColor color1, TColor color2,
                              const RECT& r) const override;

    // The theme state id of a push button in a state.
    static int ButtonStateId(TcxButtonState state);
    // Shared with the Office 2003 painter, which frames groups natively when it can.
    static bool PaintThemedGroupFrame(TcxCanvas& canvas, const RECT& r, bool enabled);
    static bool ThemedGroupCaptionColor(bool enabled, TColor& color);

protected:
    TcxWinXPLookAndFeelPainter() = default;
    friend struct PainterInstances;
};

// The painter of each kind.
TcxCustomLookAndFeelPainterClass KindPainter(TcxLookAndFeelKind kind);
// The native painter when native and visual styles are active, else the kind's painter.
TcxCustomLookAndFeelPainterClass PainterForKind(bool native, TcxLookAndFeelKind kind);
// The face colour of a pressed (or else hot) edit button.
TColor EditButtonStateColor(bool pressed, bool office11);
TColor EditHighlightColor(bool office11);
