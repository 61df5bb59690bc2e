// A push button that keeps the platform's native button window (focus, keyboard, default
// and cancel handling, click notification) but paints itself through the look-and-feel
// painters.
#pragma once

#include <memory>

#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "runtime/rtActnList.h"
#include "runtime/rtMenus.h"
#include "runtime/rtStdCtrls.h"

#include <functional>

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

// How a button behaves as a speed button: in groups, down, flat or transparent.
class TcxSpeedButtonOptions : public TPersistent {
public:
    explicit TcxSpeedButtonOptions(TcxCustomButton* owner) : m_owner(owner) {}
    const wchar_t* ClassName() const override { return L"TcxSpeedButtonOptions"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    bool CanBeFocused() const noexcept { return m_canBeFocused; }
    void SetCanBeFocused(bool v);
    int GroupIndex() const noexcept { return m_groupIndex; }
    void SetGroupIndex(int v);
    bool AllowAllUp() const noexcept { return m_allowAllUp; }
    void SetAllowAllUp(bool v);
    bool Down() const noexcept { return m_down; }
    // Only a button of a group can be down; a down button stays down unless AllowAllUp;
    // putting one down releases the others of its group (same parent, same GroupIndex).
    void SetDown(bool v);
    bool Flat() const noexcept { return m_flat; }
    void SetFlat(bool v);
    bool Transparent() const noexcept { return m_transparent; }
    void SetTransparent(bool v);

private:
    friend class TcxCustomButton;
    void Changed();
    TcxCustomButton* m_owner;
    bool m_canBeFocused = true;
    int m_groupIndex = 0;
    bool m_allowAllUp = false;
    bool m_down = false;
    bool m_flat = false;
    bool m_transparent = false;
};

enum TcxButtonPaintStyle { bpsDefault, bpsCaption, bpsGlyph };

// A plain button, a button that opens its menu when clicked, or a button with a separate
// arrow part at its right that opens the menu.
enum TcxButtonKind { cxbkStandard, cxbkDropDown, cxbkDropDownButton };

// Asked before the drop-down menu opens; handled true keeps it closed.
using TcxButtonDropDownMenuPopupEvent = std::function<void(TObject* sender, TPopupMenu* menu, bool& handled)>;
// Asked just before painting: may change the face colour and the font of the state.
using TcxButtonGetDrawParamsEvent =
    std::function<void(TObject* sender, TcxButtonState state, TColor& color, TFont* font)>;

// Width of the arrow part of a drop-down button, and how far the main part reaches into it
// (their frames overlap).
constexpr int kDropDownPartWidth = 15;
constexpr int kDropDownMainCut = 13;

// Where glyph and caption go in the content rectangle.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

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
    ~TcxCustomButton() override;
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
    TcxButtonPaintStyle PaintStyle() const noexcept { return m_paintStyle; }
    void SetPaintStyle(TcxButtonPaintStyle v);
    // The picture: NumGlyphs images side by side (normal, disabled, pressed, down); its
    // bottom-left pixel is the transparent colour. A copy is kept; none frees it.
    const TcxBitmap* Glyph() const noexcept { return m_glyph.get(); }
    void SetGlyph(HBITMAP bitmap);
    // Where glyph and caption go for the given state (client coordinates).
    TcxButtonContentLayout ContentLayout(TcxButtonState state);
    // The client area inside the painter's frame for the state (less the drop-down part):
    // glyph and caption are clipped to it.
    RECT ContentRect(TcxButtonState state);
    void FormFocusChanged() override;
    TcxSpeedButtonOptions* SpeedButtonOptions() noexcept { return &m_speedButtonOptions; }
    void SpeedButtonOptionsChanged();
    // A speed-button-like button: not focusable, or in a group.
    bool IsSpeedButton() const noexcept
    {
        return !m_speedButtonOptions.CanBeFocused() || m_speedButtonOptions.GroupIndex() != 0;
    }
    bool CanTakeFocus() const override { return m_speedButtonOptions.CanBeFocused(); }
    TcxButtonKind Kind() const noexcept { return m_kind; }
    void SetKind(TcxButtonKind v);
    TPopupMenu* DropDownMenu() const noexcept { return m_dropDownMenu; }
    // The menu is not owned; the reference is cleared when the menu is freed.
    void SetDropDownMenu(TPopupMenu* menu);
    // A description names the menu; it is looked up among the owner's components once
    // loading ends.
    void SetDropDownMenuName(const std::wstring& name);
    TPopupAlignment PopupAlignment() const noexcept { return m_popupAlignment; }
    void SetPopupAlignment(TPopupAlignment v) { m_popupAlignment = v; }
    // The arrow part of a drop-down button (client coordinates); empty for other kinds.
    RECT DropDownPartRect() const;
    // Whether the drop-down menu is open now.
    bool DropDownMenuOpen() const noexcept { return m_menuOpen; }
    // Opens the drop-down menu once the present message is done (the press completes first).
    void DropDown();
    TcxButtonDropDownMenuPopupEvent OnDropDownMenuPopup;
    TcxButtonGetDrawParamsEvent OnGetDrawParams;
    // The context menu (right click, or the menu key); not owned, cleared when freed.
    TPopupMenu* PopupMenu() const noexcept { return m_popupMenu; }
    void SetPopupMenu(TPopupMenu* menu);
    void SetPopupMenuName(const std::wstring& name);
    // A change of the look and feel re-creates the window instead of only repainting it.
    bool UseSystemPaint() const noexcept { return m_useSystemPaint; }
    void SetUseSystemPaint(bool v);
    // Right-to-left reading (any mode but bdLeftToRight) swaps the glyph's left and right
    // layouts and reads the caption from the right.
    TBiDiMode BiDiMode() const noexcept { return m_biDiMode; }
    void SetBiDiMode(TBiDiMode v);
    bool UseRightToLeftReading() const noexcept { return m_biDiMode != bdLeftToRight; }
    // The caption breaks into lines at the content rectangle's width.
    bool WordWrap() const noexcept { return m_wordWrap; }
    void SetWordWrap(bool v);
    // The speed-button options under their own names (not stored: the options are).
    bool CanBeFocused() const noexcept { return m_speedButtonOptions.CanBeFocused(); }
    void SetCanBeFocused(bool v) { m_speedButtonOptions.SetCanBeFocused(v); }
    int GroupIndex() const noexcept { return m_speedButtonOptions.GroupIndex(); }
    void SetGroupIndex(int v) { m_speedButtonOptions.SetGroupIndex(v); }
    bool Down() const noexcept { return m_speedButtonOptions.Down(); }
    void SetDown(bool v) { m_speedButtonOptions.SetDown(v); }
    bool AllowAllUp() const noexcept { return m_speedButtonOptions.AllowAllUp(); }
    void SetAllowAllUp(bool v) { m_speedButtonOptions.SetAllowAllUp(v); }
    void Click() override;
    // Alt with the caption's accelerator clicks the button when it can take the focus.
    bool HandleAccelerator(wchar_t key) override;
    // A push button named by its caption, pressed as a click is.
    bool DescribeAccessible(TAccessibleDescription& d) override;
    void DoAccessibleAction(int part) override;

protected:
    DWORD ButtonStyle() const override { return BS_OWNERDRAW; }
    std::unique_ptr<TActionLink> CreateActionLink() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    LRESULT OnDropDownMessage();
    LRESULT OnCloseUpMessage();
    bool OnDropDownPress(POINT p);
    bool OnDropDownKey(WPARAM key);
    bool OnContextMenu(LPARAM lParam);
    void ReferMenu(TPopupMenu*& field, TPopupMenu* menu);
    TPopupMenu* m_popupMenu = nullptr;
    std::wstring m_popupMenuName;
    bool m_useSystemPaint = false;
    bool m_wordWrap = false;
    TBiDiMode m_biDiMode = bdLeftToRight;
    TcxButtonState DropDownPartState(TcxButtonState mainState) const;
    void PaintDropDownPart(TcxCanvas& canvas, TcxCustomLookAndFeelPainterClass painter,
                           TcxButtonState mainState, TColor text);
    TcxButtonKind m_kind = cxbkStandard;
    TPopupMenu* m_dropDownMenu = nullptr;
    std::wstring m_dropDownMenuName;
    TPopupAlignment m_popupAlignment = paLeft;
    // The press was on the arrow part; the menu is open; an opening is posted.
    bool m_dropDownPressed = false;
    bool m_menuOpen = false;
    bool m_menuPending = false;
    // The press that closed the menu, when it was left waiting for the button: it only
    // closes the menu (known by its time and place).
    bool m_closingPressPending = false;
    LONG m_closingPressTime = 0;
    DWORD m_closingPressPos = 0;
    LRESULT OnDrawItem(const DRAWITEMSTRUCT& dis);
    LRESULT OnPaintMessage(HDC given);
    // The whole paint of the button into dc at (x, y), off screen first.
    void PaintFrom(HDC dc, int x, int y, int w, int h, bool pressed, bool focused);
    // Kept between paints, so that its font is made again only when the font changes; a
    // nested paint of the same button takes a canvas of its own.
    TCanvas m_paintCanvas;
    // What the parent shows behind the button, under a face that leaves its corners open.
    TcxParentImageCache m_parentImage;
    TcxLookAndFeel m_lookAndFeel;
    TcxButtonColors m_colors{this};
    TcxSpeedButtonOptions m_speedButtonOptions{this};
    // A left press that began over the button (a non-focusable button tracks it itself).
    bool m_pressed = false;
    bool m_mouseInside = false;
    TcxButtonState m_paintedState = cxbsNormal;
    bool m_painted = false;
    int m_drawnFocus = -1; // while a paint finds its state: 1 focused, 0 not (-1: ask the platform)
    int m_numGlyphs = 1;
    int m_margin = -1;
    int m_spacing = 4;
    TButtonLayout m_layout = blGlyphLeft;
    TcxButtonPaintStyle m_paintStyle = bpsDefault;
    std::unique_ptr<TcxBitmap> m_glyph;
    void PaintGlyph(HDC dc, const RECT& at, TcxButtonState state);
    void DrawCaption(HDC dc, RECT r, TcxButtonState state, TcxCustomLookAndFeelPainterClass painter,
                     TColor text);
};

// Keeps a button in step with its action: the caption, the enabled state, the image of the
// action's list as the glyph (no image, or none in the list, leaves the glyph as it is) and
// the check mark as the down state (as far as the button may be down: only in a group).
class TcxButtonActionLink : public TButtonActionLink {
public:
    explicit TcxButtonActionLink(TcxCustomButton* client) : TButtonActionLink(client), m_button(client) {}
    const wchar_t* ClassName() const override { return L"TcxButtonActionLink"; }
    void SetChecked(bool v) override;
    void SetImageIndex(int v) override;

private:
    TcxCustomButton* m_button;
};

class TcxButton : public TcxCustomButton {
public:
    using TcxCustomButton::TcxCustomButton;
    const wchar_t* ClassName() const override { return L"TcxButton"; }
};
