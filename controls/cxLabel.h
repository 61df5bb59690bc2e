// A read-only editor that shows its caption; never takes the focus.
#pragma once

#include "editors/cxEdit.h"
#include "lookandfeel/cxGraphics.h"

#include <memory>

class TcxLabelProperties;

enum TcxLabelEffect { cxleNormal, cxleFun, cxleExtrude, cxleCool };
enum TcxLabelStyle { cxlsNormal, cxlsRaised, cxlsLowered, cxlsOutLine };
enum TcxLabelOrientation {
    cxoLeft,
    cxoRight,
    cxoTop,
    cxoBottom,
    cxoLeftTop,
    cxoLeftBottom,
    cxoRightTop,
    cxoRightBottom
};
enum TcxLabelLineAlignment { cxllaTop, cxllaCenter, cxllaBottom };

// Angle reduced to 0 .. 359, or 0 for a font that cannot be turned.
int EffectiveLabelAngle(int angle, bool rotatableFont);
// How far the depth effect reaches on each axis.
POINT LabelDepthOffset(TcxLabelEffect effect, TcxLabelOrientation orientation, int depth);
// The box a w x h text needs when turned by angle degrees.
SIZE RotatedTextSize(int w, int h, int angle);

// The divider line beside the text.
class TcxLabelLineOptions : public TPersistent {
public:
    explicit TcxLabelLineOptions(TcxLabelProperties* owner) : m_owner(owner) {}
    const wchar_t* ClassName() const override { return L"TcxLabelLineOptions"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    TcxLabelLineAlignment Alignment() const noexcept { return m_alignment; }
    void SetAlignment(TcxLabelLineAlignment v);
    TColor InnerColor() const noexcept { return m_innerColor; }
    void SetInnerColor(TColor v);
    TColor OuterColor() const noexcept { return m_outerColor; }
    void SetOuterColor(TColor v);
    bool Visible() const noexcept { return m_visible; }
    void SetVisible(bool v);

private:
    TcxLabelProperties* m_owner;
    TcxLabelLineAlignment m_alignment = cxllaCenter;
    TColor m_innerColor = clDefault;
    TColor m_outerColor = clDefault;
    bool m_visible = false;
};

class TcxLabelProperties : public TcxCustomEditProperties {
public:
    explicit TcxLabelProperties(TcxCustomEdit* owner) : TcxCustomEditProperties(owner), m_lineOptions(this) {}
    const wchar_t* ClassName() const override { return L"TcxLabelProperties"; }
    static const TClassInfo* StaticProperties();
    // The caption is the edit value: a change of either raises the change events once.
    bool CompareEditValues() const override { return true; }
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    // The text's placement is the editors' shared "Alignment" setting.
    cxedit::TAlignment AlignmentHorz() const noexcept { return AlignmentValue().Horz(); }
    void SetAlignmentHorz(cxedit::TAlignment v) { Alignment()->SetHorz(v); }
    cxedit::TcxEditVertAlignment AlignmentVert() const noexcept { return AlignmentValue().Vert(); }
    void SetAlignmentVert(cxedit::TcxEditVertAlignment v) { Alignment()->SetVert(v); }
    int Angle() const noexcept { return m_angle; }
    void SetAngle(int v) { SetValue(m_angle, v); }
    int Depth() const noexcept { return m_depth; }
    void SetDepth(int v) { SetValue(m_depth, v < 0 ? 0 : (v > 65535 ? 65535 : v)); }
    TcxLabelEffect LabelEffect() const noexcept { return m_effect; }
    void SetLabelEffect(TcxLabelEffect v) { SetValue(m_effect, v); }
    TcxLabelStyle LabelStyle() const noexcept { return m_style; }
    void SetLabelStyle(TcxLabelStyle v) { SetValue(m_style, v); }
    TcxLabelOrientation Orientation() const noexcept { return m_orientation; }
    void SetOrientation(TcxLabelOrientation v) { SetValue(m_orientation, v); }
    int PenWidth() const noexcept { return m_penWidth; }
    void SetPenWidth(int v) { SetValue(m_penWidth, v); }
    TColor ShadowedColor() const noexcept { return m_shadowedColor; }
    void SetShadowedColor(TColor v) { SetValue(m_shadowedColor, v); }
    TcxLabelLineOptions* LineOptions() noexcept { return &m_lineOptions; }
    // Announces a change of a settings object the properties own.
    void OwnedSettingsChanged() { Changed(); }
    bool WordWrap() const noexcept { return m_wordWrap; }
    void SetWordWrap(bool v);
    bool ShowAccelChar() const noexcept { return m_showAccelChar; }
    void SetShowAccelChar(bool v);
    // The picture that fills the letters (of a font that can be turned); a copy is kept, none
    // frees it.
    const TcxBitmap* Glyph() const noexcept { return m_glyph.get(); }
    void SetGlyph(HBITMAP bitmap);
    // Text cut by the label's width ends in an ellipsis.
    bool ShowEndEllipsis() const noexcept { return m_showEndEllipsis; }
    void SetShowEndEllipsis(bool v) { SetValue(m_showEndEllipsis, v); }

private:
    template <typename T> void SetValue(T& field, T v)
    {
        if (field == v)
            return;
        field = v;
        Changed();
    }
    TcxLabelLineOptions m_lineOptions;
    int m_angle = 0;
    int m_depth = 0;
    TcxLabelEffect m_effect = cxleNormal;
    TcxLabelStyle m_style = cxlsNormal;
    TcxLabelOrientation m_orientation = cxoRightBottom;
    int m_penWidth = 1;
    TColor m_shadowedColor = clGrayText;
    bool m_wordWrap = false;
    bool m_showAccelChar = true;
    bool m_showEndEllipsis = false;
    std::unique_ptr<TcxBitmap> m_glyph;
};

// Labels have no frame unless a style gives one, and do not track the cursor unless asked
// to: a hot frame would take room from the caption and make it jump under the mouse.
class TcxLabelEditStyle : public TcxEditStyle {
public:
    using TcxEditStyle::TcxEditStyle;
    const wchar_t* ClassName() const override { return L"TcxLabelEditStyle"; }

protected:
    TcxContainerBorderStyle FallbackBorderStyle() const override { return cbsNone; }
    bool FallbackHotTrack() const override { return false; }
};

class TcxLabel : public TcxCustomEdit {
public:
    explicit TcxLabel(TComponent* owner);
    ~TcxLabel() override;
    const wchar_t* ClassName() const override { return L"TcxLabel"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxLabelProperties* Properties() noexcept
    {
        return static_cast<TcxLabelProperties*>(TcxCustomEdit::Properties());
    }
    bool CanTakeFocus() const override { return false; }
    bool UsesParentBackground() const override { return true; }
    // Computed at each layout: the turn of the text, the depth effect's reach, the shift of
    // raised and lowered lettering, and where text and divider line go (client coordinates).
    int EffectiveAngle();
    POINT DepthOffset();
    int LetteringShift();
    RECT CaptionRect() const noexcept { return m_captionRect; }
    RECT LineRect() const noexcept { return m_lineRect; }
    // The size the caption needs (one blank when empty), before the frame.
    SIZE ContentSize();
    int AutoHeight() override;
    int AutoWidth();
    void SetBounds(int left, int top, int width, int height) override;
    // True while a caption change waits for its repaint.
    bool RepaintPending() const noexcept { return m_repaintTimer && m_repaintTimer->Enabled(); }
    // The control a reader of the screen takes this label as the name of (the label's window
    // is kept just before it); cleared when that control is freed.
    TWinControl* FocusControl() const noexcept { return m_focusControl; }
    // The caption as read: accelerator marks taken out when they are marks.
    std::wstring ShownCaption();
    void SetFocusControl(TWinControl* control);
    // The name of the focus control as a description gives it, looked up among the owner's
    // components once loading ends.
    void SetFocusControlName(const std::wstring& name);
    // Alt with the caption's accelerator moves the focus to the focus control.
    bool HandleAccelerator(wchar_t key) override;
    // The cached picture of the content and whether it must be drawn again before use.
    bool CacheDirty() const noexcept { return m_cacheDirty; }
    const TcxBitmap* CaptionBitmap() const noexcept { return m_captionBitmap.get(); }
    // The depth effect draws at most this many copies per paint, and how many the last
    // paint drew.
    static constexpr int kMaxDepthCopies = 512;
    int DepthCopiesDrawn() const noexcept { return m_depthCopiesDrawn; }

protected:
    TcxContainerStyle* CreateStyle(TcxContainerStateIndex state) override
    {
        return new TcxLabelEditStyle(this, state);
    }
    // The caption and the edit value always agree: a new caption becomes the edit value, and
    // the edit value (as text; none is an empty caption) is shown as the caption.
    void TextChanged() override;
    bool DescribeAccessible(TAccessibleDescription& d) override;
    void SetDisplayValue(const std::wstring& text) override;
    std::wstring DisplayText() override { return Caption(); }
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void HandleCreated() override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void PropertiesChanged() override;
    void StyleValuesChanged(TcxContainerStyle* style) override;
    void ComputeViewInfo(POINT p, bool hotAllowed) override;
    void PaintFrame(HDC dc) override;
    void TransparentChanged() override;
    void PaintContent(HDC dc) override;
    UINT TextFlags() const;

private:
    void DrawContent(HDC dc, const RECT& r);
    void CalculateRects();
    SIZE TextSize();
    bool RotatableFont();
    // fill: the letters in the text colour, which the glyph fills when there is one.
    void DrawCaptionAt(HDC dc, POINT at, TColor colour, const RECT& captionRect, bool fill = false);
    RECT m_captionRect{};
    RECT m_lineRect{};
    void PlaceBeforeFocusControl();
    // Gives the focus control and the edit boxes inside it the caption as accessible name;
    // cleared, they answer the platform's own again.
    void NameFocusControl(bool clear = false);
    TWinControl* m_focusControl = nullptr;
    std::wstring m_focusControlName;
    // Set while the edit value is being shown as the caption.
    bool m_showingEditValue = false;
    int m_depthCopiesDrawn = 0;
    // What the cached picture was drawn for; any difference makes it dirty.
    std::unique_ptr<TcxBitmap> m_captionBitmap;
    bool m_cacheDirty = true;
    RECT m_cachedClient{};
    TColor m_cachedBackground = clNone;
    TColor m_cachedTextColor = clNone;
    // A status line may change far faster than a screen can show: repaints come at most at
    // the display's pace, the last change always shown.
    std::unique_ptr<TcxTimer> m_repaintTimer;
};
