// A container for other controls: a frame with its caption set into it, drawn on the
// parent's colour, or a plain panel.
#pragma once

#include "editors/cxEdit.h"
#include "lookandfeel/cxLookAndFeelPainters.h"

#include <functional>

enum TcxCaptionAlignment {
    alTopLeft,
    alTopCenter,
    alTopRight,
    alBottomLeft,
    alBottomCenter,
    alBottomRight,
    alLeftTop,
    alLeftCenter,
    alLeftBottom,
    alRightTop,
    alRightCenter,
    alRightBottom,
    alCenterCenter
};
enum TcxCaptionSide { cxcsTop, cxcsBottom, cxcsLeft, cxcsRight, cxcsCenter };
enum TcxPanelOffice11BackgroundKind { pobkGradient, pobkOffice11Color, pobkStyleColor };

TcxCaptionSide CaptionSideOf(TcxCaptionAlignment alignment);

// Where the caption, the frame and the children go, computed without a device context.
struct TcxGroupBoxLayout {
    RECT caption{};  // empty without caption text
    RECT frame{};    // the frame line's rectangle
    RECT children{}; // the client area reported to child controls
};

// bounds: the control; text: the caption's measured size (0 x 0 without text), unrotated;
// bandHeight: the height of "Wg" in the caption font; frameWidth: the frame's width on the
// sides it is drawn; panel: an active panel style (no band, no inset).
TcxGroupBoxLayout CalculateGroupBoxLayout(const RECT& bounds, TcxCaptionAlignment alignment, SIZE text,
                                          int bandHeight, int frameWidth, bool panel, int panelBorderWidth);

class TcxGroupBox;

class TcxPanelStyle : public TPersistent {
public:
    explicit TcxPanelStyle(TcxGroupBox* owner) : m_owner(owner) {}
    const wchar_t* ClassName() const override { return L"TcxPanelStyle"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    bool Active() const noexcept { return m_active; }
    void SetActive(bool v);
    int BorderWidth() const noexcept { return m_borderWidth; }
    void SetBorderWidth(int v);
    int CaptionIndent() const noexcept { return m_captionIndent; }
    void SetCaptionIndent(int v);
    TcxPanelOffice11BackgroundKind OfficeBackgroundKind() const noexcept { return m_backgroundKind; }
    void SetOfficeBackgroundKind(TcxPanelOffice11BackgroundKind v);
    bool WordWrap() const noexcept { return m_wordWrap; }
    void SetWordWrap(bool v);

private:
    void Changed(bool always);
    TcxGroupBox* m_owner;
    bool m_active = false;
    int m_borderWidth = 0;
    int m_captionIndent = 2;
    TcxPanelOffice11BackgroundKind m_backgroundKind = pobkOffice11Color;
    bool m_wordWrap = false;
};

class TcxGroupBox : public TcxCustomEdit {
public:
    explicit TcxGroupBox(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TcxGroupBox"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    bool CanTakeFocus() const override { return false; }
    bool UsesParentBackground() const override { return true; }
    TcxCaptionAlignment Alignment() const noexcept { return m_alignment; }
    void SetAlignment(TcxCaptionAlignment v);
    TcxPanelStyle* PanelStyle() noexcept { return &m_panelStyle; }
    // The normal style's colour under the names a group box publishes (the caption is drawn
    // on the background, so its background colour is that colour too).
    // (The style's getter has no const form; reading changes nothing.)
    TColor CaptionBkColor() const { return const_cast<TcxGroupBox*>(this)->Style()->Color(); }
    void SetCaptionBkColor(TColor v);
    // The font a description gives the box: the normal style's.
    TFont* StyleFont() { return Style()->Font(); }
    void PanelStyleChanged();
    // The rectangle of the frame line, through the caption's middle.
    RECT FrameBounds();
    RECT CaptionBounds();
    // The area children are placed in: without the frame and the caption band.
    RECT ClientRect() const override;
    // Alt with the caption's accelerator moves the focus to the first child in tab order.
    bool HandleAccelerator(wchar_t key) override;
    // Under the platform's theme, what lies behind shows instead of the background colour.
    bool ParentBackground() const noexcept { return m_parentBackground; }
    void SetParentBackground(bool v);
    // Off, a new size repaints only what the platform uncovers: cheaper for a box that follows
    // a live resize, at the cost of stale frame lines until the next full repaint.
    bool RedrawOnResize() const noexcept { return m_redrawOnResize; }
    void SetRedrawOnResize(bool v) { m_redrawOnResize = v; }

    std::function<void(TObject*, bool&)> OnCustomDraw;
    std::function<void(TObject*, TcxCanvas&, const RECT&, TcxCustomLookAndFeelPainterClass, bool&)>
        OnCustomDrawCaption;
    std::function<void(TObject*, TcxCanvas&, const RECT&, TcxCustomLookAndFeelPainterClass, bool&)>
        OnCustomDrawContentBackground;
    std::function<void(TObject*, TcxCustomLookAndFeelPainterClass, int&)> OnMeasureCaptionHeight;

protected:
    void ComputeViewInfo(POINT p, bool hotAllowed) override;
    void PaintFrame(HDC dc) override;
    void PaintContent(HDC) override {}
    bool PaintsThroughBuffer() const override;
    // The box's frame lies on its edges, with no ring around it.
    RECT ShadowCaster() override { return BoxBounds(); }
    void TextChanged() override;
    bool DescribeAccessible(TAccessibleDescription& d) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Resized() override;
    void InvalidateAfterUpdate() override;

private:
    TcxGroupBoxLayout Layout();
    // The font the caption is measured and drawn in.
    TFont& CaptionFont();
    TFont m_captionFont;
    // The box without its shadow.
    RECT BoxBounds();
    static constexpr int kShadowWidth = 3;
    bool NativeLook();
    // A panel in the office look: its background is the look's own (a gradient or its colour).
    bool OfficePanel();
    void PaintBackground(TcxCanvas& canvas);
    void PaintCaption(TcxCanvas& canvas, const RECT& caption);
    void PaintGroupFrame(TcxCanvas& canvas, const RECT& frame);
    bool m_parentBackground = true;
    bool m_redrawOnResize = true;
    // Set while a size change runs the update, with the state it started from.
    bool m_resizing = false;
    TcxContainerState m_stateBeforeResize = csfNormal;
    TcxCaptionAlignment m_alignment = alTopLeft;
    TcxPanelStyle m_panelStyle{this};
    TcxGroupBoxLayout m_layout;
    bool m_laidOut = false;
};
