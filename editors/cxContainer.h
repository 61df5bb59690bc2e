// Containers: library controls that paint their own frame and background, keep four state
// styles (normal, focused, disabled, hot), derive their visual state from enabling, focus
// and the cursor, and may host one inner native control on their client rectangle.
#pragma once

#include "editors/cxControls.h"
#include "lookandfeel/cxGraphics.h"
#include "editors/cxEditErrors.h"
#include "runtime/rtGraphics.h"

#include <array>
#include <functional>
#include <vector>

enum TcxContainerBorderStyle { cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11 };

enum TcxContainerStyleValue : unsigned {
    svBorderColor = 1 << 0,
    svBorderStyle = 1 << 1,
    svColor = 1 << 2,
    svEdges = 1 << 3,
    svFont = 1 << 4,
    svHotTrack = 1 << 5,
    svShadow = 1 << 6,
    svTextColor = 1 << 7,
    svTextStyle = 1 << 8,
    svTransparentBorder = 1 << 9,
};
using TcxContainerStyleValues = unsigned;

enum TcxContainerStateFlag : unsigned { csfNormal = 1, csfFocused = 2, csfDisabled = 4, csfHot = 8 };
using TcxContainerState = unsigned;

// How the frame answers the cursor: not at all (no hot tracking), plainly, or lit up (the
// control is focused or under the cursor).
enum TcxContainerHotState { chsNone, chsNormal, chsHighlighted };

enum TcxContainerStateIndex { csNormal = 0, csFocused = 1, csDisabled = 2, csHot = 3 };

class TcxContainer;
class TcxStyleController;

// The width of each border style's frame, in pixels.
int ContainerBorderWidth(TcxContainerBorderStyle style);
// The border extent on each side: the frame on the sides in edges, plus the ring of a
// transparent border (the frame and ring together are 2 pixels, or the frame when wider).
RECT ContainerBorderExtent(TcxContainerBorderStyle style, TcxBorders edges, bool transparentBorder);
// The border style that a look-and-feel kind gives when none is assigned.
TcxContainerBorderStyle DefaultBorderStyleFor(TcxLookAndFeelKind kind);

class TcxContainerStyle : public TPersistent {
public:
    // A style in direct value mode is a light one made on the fly for one paint: it answers
    // its own fields and nothing else (every value counts as assigned, no controller, no
    // fallbacks), borrows its font, and tells nobody of changes.
    TcxContainerStyle(TcxContainer* container, TcxContainerStateIndex state, bool directValueMode = false);
    ~TcxContainerStyle() override;
    const wchar_t* ClassName() const override { return L"TcxContainerStyle"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    TcxContainerStyleValues AssignedValues() const noexcept { return m_direct ? ~0u : m_assigned; }
    bool IsAssigned(TcxContainerStyleValue v) const noexcept { return (AssignedValues() & v) != 0; }
    bool DirectValueMode() const noexcept { return m_direct; }
    void RestoreDefaults();
    void SetAssignedValues(TcxContainerStyleValues v);
    // Forgets every assigned value (and, in the normal style, the look-and-feel settings).
    void ResetStyle();
    // The values by index and name ("BorderColor" ... "TransparentBorder"; editor styles
    // add their button values); names compare without regard to case.
    virtual int ValueCount() const { return 10; }
    virtual std::wstring ValueName(int index) const;
    bool ValueByName(const std::wstring& name, int& index) const;
    // Values (bits by index) that a style of another state than the normal one never stores:
    // the ones kept once per owner. The owning container may keep more from every style.
    virtual unsigned NotPublishedValues() const;
    // Whether a stored description of this style holds the value of that index: assigned
    // here, and published for this style and its owner.
    virtual bool IsValueAssigned(int index) const;
    bool IsValueStored(int index) const;

    TColor BorderColor() const;
    void SetBorderColor(TColor v);
    TcxContainerBorderStyle BorderStyle() const;
    void SetBorderStyle(TcxContainerBorderStyle v);
    TColor Color() const;
    // The colour a container copies into its own Color: a colour set on the style (or its
    // controllers) wins over the parent's colour the container may still be following.
    TColor ColorForOwner() const;
    void SetColor(TColor v);
    TcxBorders Edges() const;
    void SetEdges(TcxBorders v);
    bool HotTrack() const;
    void SetHotTrack(bool v);
    bool Shadow() const;
    void SetShadow(bool v);
    bool TransparentBorder() const;
    void SetTransparentBorder(bool v);
    TColor TextColor() const;
    void SetTextColor(TColor v);
    TFontStyles TextStyle() const;
    void SetTextStyle(TFontStyles v);
    // Font and look-and-feel exist once per owner, in the normal style.
    TFont* Font() noexcept;
    // Copies the font and marks it assigned; a style in direct value mode keeps the
    // reference instead (the font must outlive its use).
    void SetFont(TFont* font);
    TcxLookAndFeel* LookAndFeel() noexcept;
    // Copies the given look-and-feel's values into the owner's one.
    void SetLookAndFeel(const TcxLookAndFeel* v) { LookAndFeel()->Assign(v); }
    // The font with the state's text colour and text style.
    const TFont& EffectiveFont();
    bool IsRootStyle() const noexcept { return m_direct || m_state == csNormal; }
    // Takes the control's font (inherited from its parent, say) without marking it assigned.
    void TakeControlFont(const TFont& font);

    // The controller whose styles give the values this style leaves unassigned; nullptr
    // stands for the default controller. A controller that would lead back to this style
    // is refused.
    TcxStyleController* StyleController() const;
    void SetStyleController(TcxStyleController* controller);
    // The controller in use, the default one included.
    TcxStyleController* ActiveController() const noexcept { return Root()->m_controller; }
    // A stored description names the controller; it is found once everything is read.
    void SetStyleControllerName(const std::wstring& name) { Root()->m_pendingControllerName = name; }
    void ResolveStyleControllerName(TComponent* owner);
    // Connects a root style to the default controller (owners call this once).
    void ConnectDefaultController();
    void ControllerStyleChanged();
    void ControllerFreed(TcxStyleController* controller);
    // The style whose stored value counts for v: this one when it assigns v, else the
    // controller chain's style of the same state; nullptr when no style assigns it.
    const TcxContainerStyle* AssignedSource(TcxContainerStyleValue v, int depth = 0) const;
    // The normal style of the same owner (for owners that are not containers).
    void SetRootStyle(TcxContainerStyle* root) noexcept { m_root = root; }
    // Where an owner that is not a container hears of changes.
    std::function<void(TcxContainerStyle*)> OwnerNotify;

    void LockUpdate() { ++m_lockCount; }
    void UnlockUpdate();
    TcxContainer* Container() const noexcept { return m_container; }
    TcxContainerStateIndex State() const noexcept { return m_state; }

protected:
    void Changed();
    // The normal style's border style when none is assigned anywhere.
    virtual TcxContainerBorderStyle FallbackBorderStyle() const;
    // Whether the control tracks the cursor when no style assigns it.
    virtual bool FallbackHotTrack() const { return true; }
    TcxContainerStyle* Root();
    const TcxContainerStyle* Root() const;
    void MarkChanged();

private:
    void UpdateFont();

    TcxContainer* m_container;
    bool m_direct = false;
    TFont* m_borrowedFont = nullptr;
    TcxContainerStyle* m_root = nullptr;
    TcxStyleController* m_controller = nullptr;
    std::wstring m_pendingControllerName;
    bool m_destroying = false;
    TcxContainerStateIndex m_state;
    TcxContainerStyleValues m_assigned = 0;
    TColor m_borderColor = clWindowText;
    TcxContainerBorderStyle m_borderStyle = cbs3D;
    TColor m_color = clWindow;
    TcxBorders m_edges = cxBordersAll;
    bool m_hotTrack = true;
    bool m_shadow = false;
    bool m_transparentBorder = true;
    TColor m_textColor = clWindowText;
    TFontStyles m_textStyle = 0;
    TFont m_font;
    TFont m_effectiveFont;
    TcxLookAndFeel m_lookAndFeel;
    int m_lockCount = 0;
    bool m_pendingChange = false;
    int m_fontAssignedLock = 0;
};

// Four state styles that other styles take their unassigned values from. A controller
// tells the styles that use it when one of its values changes, and hands them back to the
// default controller when it is freed.
class TcxStyleController : public TComponent {
public:
    using StyleFactory = std::function<TcxContainerStyle*(TcxStyleController*, TcxContainerStateIndex)>;
    explicit TcxStyleController(TComponent* owner, StyleFactory factory = {}, bool isDefault = false);
    ~TcxStyleController() override;
    const wchar_t* ClassName() const override { return L"TcxStyleController"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxContainerStyle* StateStyle(TcxContainerStateIndex i) const noexcept { return m_styles[i].get(); }
    TcxContainerStyle* Style() noexcept { return m_styles[csNormal].get(); }
    TcxContainerStyle* StyleDisabled() noexcept { return m_styles[csDisabled].get(); }
    TcxContainerStyle* StyleFocused() noexcept { return m_styles[csFocused].get(); }
    TcxContainerStyle* StyleHot() noexcept { return m_styles[csHot].get(); }
    virtual void AttachStyle(TcxContainerStyle* style);
    virtual void DetachStyle(TcxContainerStyle* style);
    // Raises OnStyleChanged and tells every style that uses this controller.
    void MarkChanged();
    bool IsDestroying() const noexcept { return m_destroying; }
    bool IsDefault() const noexcept { return m_isDefault; }
    const std::vector<TcxContainerStyle*>& Listeners() const noexcept { return m_listeners; }

    // The screen resolution the stored fonts were made for: a stored value that differs
    // from the screen's scales the fonts the styles assign.
    int PixelsPerInch() const noexcept { return m_pixelsPerInch; }
    void SetPixelsPerInch(int value);

    TNotifyEvent OnStyleChanged;

protected:
    void Loaded() override;

private:
    void ScaleFontsFrom(int storedPixelsPerInch);

    std::array<std::unique_ptr<TcxContainerStyle>, 4> m_styles;
    std::vector<TcxContainerStyle*> m_listeners;
    bool m_destroying = false;
    bool m_isDefault;
    int m_pixelsPerInch;
    int m_storedPixelsPerInch = 0; // read from a description, applied when loading ends
    bool m_scaling = false;
};

// The one controller every root style uses when none is set. Created on first use, freed
// with the library (or by FreeDefaultStyleController); the styles that use it are then
// left without a controller.
TcxStyleController* DefaultStyleController();
void FreeDefaultStyleController();

// Geometry and colours computed at each visual-state update. Editors keep a larger one.
struct TcxContainerViewInfo {
    TcxContainerViewInfo() = default;
    TcxContainerViewInfo(const TcxContainerViewInfo&) = default;
    TcxContainerViewInfo& operator=(const TcxContainerViewInfo&) = default;
    virtual ~TcxContainerViewInfo() = default;
    TColor backgroundColor = clWindow;
    TColor borderColor = clBtnShadow;
    RECT bounds{};
    RECT borderRect{};
    RECT clientRect{};
    TcxContainerBorderStyle borderStyle = cbsNone;
    int borderWidth = 0;
    TcxContainerState state = csfNormal;
    TcxContainerHotState hotState = chsNormal;
    TcxBorders edges = cxBordersAll;
    bool shadow = false;
    // Drawn by the platform's theme of the edit field, in this part and state.
    bool usesNativeTheme = false;
    int nativePart = 0;
    int nativeState = 0;
};

// The part of the edit field's theme a container frame is drawn with (the newer systems
// have a part of their own for a field without scroll bars).
int ContainerNativePart();
// The theme state of the frame: disabled, read-only, focused, hot, normal (first that applies).
int ContainerNativeState(TcxContainerState state, bool readOnly);

class TcxContainer : public TcxControl, public IcxMouseTrackingCaller {
public:
    explicit TcxContainer(TComponent* owner);
    ~TcxContainer() override;
    const wchar_t* ClassName() const override { return L"TcxContainer"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxContainerStyle* Style() noexcept { return m_styles[csNormal].get(); }
    TcxContainerStyle* StyleDisabled() noexcept { return m_styles[csDisabled].get(); }
    TcxContainerStyle* StyleFocused() noexcept { return m_styles[csFocused].get(); }
    TcxContainerStyle* StyleHot() noexcept { return m_styles[csHot].get(); }
    TcxContainerStyle* StateStyle(TcxContainerStateIndex i) noexcept { return m_styles[i].get(); }
    // Assigning a style copies its settings into the control's own style of that state.
    void SetStyle(const TcxContainerStyle* v) { Style()->Assign(v); }
    void SetStyleDisabled(const TcxContainerStyle* v) { StyleDisabled()->Assign(v); }
    void SetStyleFocused(const TcxContainerStyle* v) { StyleFocused()->Assign(v); }
    void SetStyleHot(const TcxContainerStyle* v) { StyleHot()->Assign(v); }
    // Reads the normal style's controller; writes are ignored (old descriptions name it).
    TcxStyleController* FakeStyleController() { return Style()->StyleController(); }

    TWinControl* InnerControl() const noexcept { return m_innerControl; }
    const TcxContainerViewInfo& ViewInfo() const noexcept { return m_viewInfo; }
    TcxContainerStyle* CurrentStyle();
    TcxContainerState ComputeState(POINT p, bool hotAllowed) const;
    bool Focused() const override;
    void SetFocus() override;

    // Re-chooses the state style, recomputes the view info, places the inner control and
    // repaints what changed. Skipped (and remembered) while the window does not exist.
    void UpdateVisualState(POINT p, bool isMouseEvent);
    void UpdateVisualStateAtCursor(bool isMouseEvent);
    // Called by the four styles when one of their values changes.
    virtual void StyleValuesChanged(TcxContainerStyle* style);
    virtual bool UsesParentBackground() const { return false; }
    // A transparent control shows what lies behind it instead of its background colour.
    virtual bool IsTransparent() const { return false; }
    // Style values (bits by index) that no style of this control stores.
    virtual unsigned NotPublishedStyleValues() const { return 0; }
    // The look-and-feel asks for the platform's look and the edit field's theme opens (never
    // for controls that use the parent's background).
    virtual bool UsesNativeTheme();
    // Whether an enabled native control takes the theme's fill as its background (editors).
    virtual bool ThemeFillsEnabledField() const { return false; }
    // A read-only control shows the theme's read-only field.
    virtual bool IsReadOnlyForTheme() { return false; }
    // The part of the control where the cursor makes it hot (client coordinates).
    virtual RECT HotBounds();
    // A font the normal style assigns grows or shrinks with the form's resolution.
    void ScreenResolutionChanged(int m, int d) override;
    // The hover watch noticed that the cursor has gone.
    void HoverEnded() override;
    // The control's colour set by a program or a description is the normal style's colour.
    void SetColor(TColor value) override;
    // The cursor moved over the inner control (p in this control's client coordinates):
    // the platform tells only the inner control's window.
    void InnerControlMouseMove(POINT p) { MouseMove(p); }
    // While the inner control's window is made anew, the focus moving between it and the
    // container's window is neither an entry nor an exit.
    void BeginInnerFocusTransfer() noexcept { ++m_innerFocusTransfer; }
    void EndInnerFocusTransfer() noexcept { --m_innerFocusTransfer; }
    bool InnerFocusTransfer() const noexcept { return m_innerFocusTransfer > 0; }

protected:
    // A control kind whose view info carries more (editors) hands in its own.
    TcxContainer(TComponent* owner, std::unique_ptr<TcxContainerViewInfo> viewInfo);
    virtual TcxContainerStyle* CreateStyle(TcxContainerStateIndex state);
    void CreateStyles();
    void SetInnerControl(TWinControl* control);
    virtual void ComputeViewInfo(POINT p, bool hotAllowed);
    virtual RECT BorderExtent();
    // The border style and state for a point: the state, the style chosen for it and its
    // border style and width go into the view info.
    void ComputeStateAndBorder(POINT p, bool hotAllowed);
    virtual TColor CurrentBorderColor();
    virtual TColor CurrentBackgroundColor();
    virtual void PlaceInnerControl();
    virtual void SyncInnerControlLook();
    // Repaints what an update changed (everything here; editors compare with the previous
    // view info).
    virtual void InvalidateAfterUpdate() { Invalidate(); }
    // Runs after a mouse-driven update (editors detect button clicks here).
    virtual void AfterMouseUpdate() {}
    void PaintControl(HDC dc) override;
    // Runs an update that was skipped earlier, so that a paint shows the current state.
    void PrepareForPaint();
    virtual void PaintFrame(HDC dc);
    // The frame the platform's theme gives an edit field.
    void PaintNativeFrame(HDC dc);
    virtual void PaintContent(HDC dc) {}
    void Notification(TComponent* component, TOperation operation) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void HandleCreated() override;
    void Resized() override;
    void Loaded() override;
    void EnabledChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    void LookAndFeelChanged() override;
    // Tab in the control moves the focus to the next control of the form (Shift: the
    // previous one), unless Ctrl or Alt is held or the control keeps Tab; true consumes it.
    bool TabKeyDown(WPARAM key);
    virtual bool TabLeavesControl() const { return true; }
    // Shapes the window: with a shadow, the frame and its copy moved 3 pixels right and down.
    void ApplyWindowRegion();
    // The rectangle the shadow falls from: the frame's outer edge, inside the transparent ring
    // an editor keeps around it.
    virtual RECT ShadowCaster();
    // Clips the inner control to the client rectangle (an empty region when it lies outside).
    void ClipInnerControl();
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(POINT p) override;
    // A press and a release change whether the control may be hot (not while a button is held).
    void MouseDown(int button, POINT p) override;
    void MouseUp(int button, POINT p) override;

private:
    std::unique_ptr<TcxContainerViewInfo> m_viewInfoStorage;

protected:
    // The control's view info (of the kind's own class); lives as long as the control.
    TcxContainerViewInfo& m_viewInfo;
    bool m_constructing = true;
    // The focus last reached the container's own window from outside the control (and was
    // passed on to the inner control).
    bool m_focusFromOutside = false;

private:
    void RunVisualStateUpdate(POINT p, bool invalidate, bool isMouseEvent);
    // The cursor in client coordinates when it is over the control, else (-1, -1).
    POINT CursorPoint();

    std::array<std::unique_ptr<TcxContainerStyle>, 4> m_styles;
    TWinControl* m_innerControl = nullptr;
    TcxContainerStyle* m_currentStyle = nullptr;
    TcxContainerState m_currentStyleState = ~0u;
    RECT m_appliedRegion{};      // the window region last applied (empty: none)
    RECT m_innerVisible{};       // the inner control's visible part last applied
    bool m_innerClipped = false; // whether the inner control has a region now
    int m_visualStateLock = 0;
    int m_afterMouseLock = 0;
    int m_innerFocusTransfer = 0;
    bool m_refreshRequested = false;
    bool m_settingOwnLook = false;
};
