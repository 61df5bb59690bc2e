// A push button that keeps the platform's native button window (focus, keyboard, default
// and cancel handling, click notification) but paints itself through the look-and-feel
// painters.
#pragma once

#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "runtime/rtStdCtrls.h"

class TcxCustomButton;

enum TcxButtonAssignedColor {
    cxbcDefault,
    cxbcDefaultText,
    cxbcDisabled,
    cxbcDisabledText,
    cxbcHot,
    cxbcHotText,
    cxbcNormal,
    cxbcNormalText,
    cxbcPressed,
    cxbcPressedText
};

// Optional colours of the button's face and caption per state; clDefault while unassigned.
class TcxButtonColors : public TPersistent {
public:
    explicit TcxButtonColors(TcxCustomButton* owner) : m_owner(owner) {}
    const wchar_t* ClassName() const override { return L"TcxButtonColors"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    TColor Get(TcxButtonAssignedColor which) const noexcept { return m_colors[which]; }
    // clDefault or clNone unassigns the colour.
    void Set(TcxButtonAssignedColor which, TColor color);
    bool IsAssigned(TcxButtonAssignedColor which) const noexcept { return m_colors[which] != clDefault; }
    unsigned AssignedColors() const noexcept;
    // The face and caption colours for painting in a state (clDefault: the painter's).
    TColor FaceColor(TcxButtonState state) const;
    TColor TextColor(TcxButtonState state) const;

private:
    TcxCustomButton* m_owner;
    TColor m_colors[10] = {clDefault, clDefault, clDefault, clDefault, clDefault,
                           clDefault, clDefault, clDefault, clDefault, clDefault};
};

// Where glyph and caption go in the content rectangle.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

struct TcxButtonContentLayout {
    RECT glyph{};
    RECT caption{};
};

// Places a glyph of the given size and a caption of the given size in a content rectangle of
// width w and height h (origin 0, 0). margin and spacing of -1 spread the free room.
TcxButtonContentLayout LayoutGlyphAndCaption(int w, int h, SIZE glyph, SIZE caption, TButtonLayout layout,
                                             int margin, int spacing);

class TcxCustomButton : public TNativeButton {
public:
    explicit TcxCustomButton(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TcxCustomButton"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxLookAndFeel* LookAndFeel() noexcept { return &m_lookAndFeel; }
    // The painter for the button: the look-and-feel's, except that the Office 2003 painter
    // gives way to the native one under visual styles and to the standard one without.
    TcxCustomLookAndFeelPainterClass Painter() const;
    // The state to paint in; pressed is what the platform button reports.
    TcxButtonState PaintState(bool pressed) const;
    // Paints the whole button into dc in the given state.
    void PaintButtonTo(HDC dc, TcxButtonState state, bool focused);
    bool MouseInside() const noexcept { return m_mouseInside; }
    TcxButtonColors* Colors() noexcept { return &m_colors; }
    void ColorsChanged() { Invalidate(); }
    // The state the button was last painted in.
    TcxButtonState PaintedState() const noexcept { return m_paintedState; }
    int NumGlyphs() const noexcept { return m_numGlyphs; }
    // Refuses (keeps the old value) what lies outside 1 .. 4.
    void SetNumGlyphs(int v);
    int Margin() const noexcept { return m_margin; }
    // Refuses values below -1.
    void SetMargin(int v);
    int Spacing() const noexcept { return m_spacing; }
    void SetSpacing(int v);
    TButtonLayout Layout() const noexcept { return m_layout; }
    void SetLayout(TButtonLayout v);
    void FormFocusChanged() override;

protected:
    DWORD ButtonStyle() const override { return BS_OWNERDRAW; }
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnDrawItem(const DRAWITEMSTRUCT& dis);
    TcxLookAndFeel m_lookAndFeel;
    TcxButtonColors m_colors{this};
    bool m_mouseInside = false;
    TcxButtonState m_paintedState = cxbsNormal;
    bool m_painted = false;
    int m_numGlyphs = 1;
    int m_margin = -1;
    int m_spacing = 4;
    TButtonLayout m_layout = blGlyphLeft;
};

class TcxButton : public TcxCustomButton {
public:
    using TcxCustomButton::TcxCustomButton;
    const wchar_t* ClassName() const override { return L"TcxButton"; }
};
