// Window objects: every control owns its window handle and dispatches the messages of
// that window to virtual handlers. Parent/child structure, bounds, alignment, fonts and
// colours inherited from the parent, focus and tab order, load-time scaling.
#pragma once

#include "rtClasses.h"
#include "rtGraphics.h"
#include "rtHandles.h"
#include "rtTypInfo.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Messages of platform controls that their parent sends back to the control itself.
constexpr UINT CN_BASE = WM_APP + 0x3000;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// The sides of the parent a control keeps its distance to when the parent is resized.
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;

// Smallest and largest size of a control; 0 means no limit.
struct TAccessibleDescription;

class TSizeConstraints : public TPersistent {
public:
    const wchar_t* ClassName() const override { return L"TSizeConstraints"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    int MinWidth() const noexcept { return m_minWidth; }
    void SetMinWidth(int v) { m_minWidth = v < 0 ? 0 : v; }
    int MinHeight() const noexcept { return m_minHeight; }
    void SetMinHeight(int v) { m_minHeight = v < 0 ? 0 : v; }
    int MaxWidth() const noexcept { return m_maxWidth; }
    void SetMaxWidth(int v) { m_maxWidth = v < 0 ? 0 : v; }
    int MaxHeight() const noexcept { return m_maxHeight; }
    void SetMaxHeight(int v) { m_maxHeight = v < 0 ? 0 : v; }
    // The size limited by the constraints.
    SIZE Apply(int width, int height) const noexcept;

private:
    int m_minWidth = 0, m_minHeight = 0, m_maxWidth = 0, m_maxHeight = 0;
};

// The cursor shown over every window of the program while it is not the default one
// (an hourglass during long work). Scopes nest: each restores what it found.
enum TScreenCursor { crDefault = 0, crHourGlass = -11 };
TScreenCursor ScreenCursor() noexcept;
void SetScreenCursor(TScreenCursor cursor);
class TScreenCursorScope {
public:
    explicit TScreenCursorScope(TScreenCursor cursor) : m_saved(ScreenCursor()) { SetScreenCursor(cursor); }
    ~TScreenCursorScope() { SetScreenCursor(m_saved); }
    TScreenCursorScope(const TScreenCursorScope&) = delete;
    TScreenCursorScope& operator=(const TScreenCursorScope&) = delete;

private:
    TScreenCursor m_saved;
};

// The modifier keys and mouse buttons held during a key or mouse event.
enum TShiftStateFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = unsigned;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
// The modifier keys held now (keyboard state of this thread).
TShiftState KeyboardShiftState();
// The shift state a mouse message carries in its key flags (MK_...), Alt from the keyboard.
TShiftState MouseShiftState(WPARAM keyFlags);

// Key events: setting Key to 0 keeps the key from the control.
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, wchar_t& Key)>;
// Mouse events, in the control's client coordinates.
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
// Asked before a context menu opens; MousePos is (-1, -1) when the keyboard asked. Handled
// true keeps the menu closed.
using TContextPopupEvent = std::function<void(TObject* Sender, POINT MousePos, bool& Handled)>;

struct TCreateParams {
    std::wstring windowClass; // registered on first use unless systemClass is set
    bool systemClass = false; // a class of the platform (EDIT, BUTTON...): subclassed after creation
    DWORD style = 0;
    DWORD exStyle = 0;
    UINT classStyle = CS_DBLCLKS;
    HCURSOR cursor = nullptr;
    HWND parent = nullptr;
};

class TCustomForm;
class TBasicAction;
class TActionLink;

class TWinControl : public TComponent {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    const wchar_t* ClassName() const override { return L"TWinControl"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    // Structure.
    TWinControl* Parent() const noexcept { return m_parent; }
    void SetParent(TWinControl* parent);
    void SetParentComponent(TComponent* parent) override;
    int ControlCount() const noexcept { return static_cast<int>(m_controls.size()); }
    TWinControl* Controls(int index) const { return m_controls.at(static_cast<size_t>(index)); }
    TCustomForm* GetParentForm() const;

    // Bounds, relative to the parent's client area (screen for top-level windows).
    int Left() const noexcept { return m_left; }
    int Top() const noexcept { return m_top; }
    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }
    void SetLeft(int v) { SetBounds(v, m_top, m_width, m_height); }
    void SetTop(int v) { SetBounds(m_left, v, m_width, m_height); }
    void SetWidth(int v) { SetBounds(m_left, m_top, v, m_height); }
    void SetHeight(int v) { SetBounds(m_left, m_top, m_width, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const noexcept { return {m_left, m_top, m_left + m_width, m_top + m_height}; }
    virtual RECT ClientRect() const;
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int v);
    void SetClientHeight(int v);
    TAlign Align() const noexcept { return m_align; }
    void SetAlign(TAlign value);
    TAnchors Anchors() const noexcept { return m_anchors; }
    void SetAnchors(TAnchors value) { m_anchors = value; }
    TSizeConstraints* Constraints() noexcept { return &m_constraints; }
    // Multiplies every stored position and size of the child controls by m / d.
    void ScaleControls(int m, int d);
    // The form was stored for another screen resolution (m over d, in dots per inch): a
    // control whose font is its own, not its parent's, scales it. Passed on to the children.
    virtual void ScreenResolutionChanged(int m, int d);

    // Appearance.
    bool Visible() const noexcept { return m_visible; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool value);
    // Enabled, and every enclosing control enabled too.
    bool IsEnabledDeep() const;
    const std::wstring& Text() const noexcept { return m_text; }
    virtual void SetText(const std::wstring& value);
    const std::wstring& Caption() const noexcept { return m_text; }
    void SetCaption(const std::wstring& value) { SetText(value); }
    TFont* Font() noexcept { return &m_font; }
    void SetFont(const TFont* font) { m_font.Assign(font); }
    bool ParentFont() const noexcept { return m_parentFont; }
    void SetParentFont(bool value);
    TColor Color() const noexcept { return m_color; }
    virtual void SetColor(TColor value);
    bool ParentColor() const noexcept { return m_parentColor; }
    void SetParentColor(bool value);

    // Focus and tab order.
    int TabOrder() const noexcept { return m_tabOrder; }
    void SetTabOrder(int value);
    bool TabStop() const noexcept { return m_tabStop; }
    void SetTabStop(bool value);
    // Whether the control can take the focus at all (labels and frames answer false).
    virtual bool CanTakeFocus() const { return true; }
    bool CanFocus() const;
    virtual bool Focused() const;
    virtual void SetFocus();

    // The window.
    HWND Handle();
    bool HandleAllocated() const noexcept { return m_handle != nullptr; }
    void HandleNeeded() { Handle(); }
    void DestroyHandle();
    void RecreateWnd();
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    void Invalidate();
    void Update();
    void Repaint();
    // The object that owns a window created by this library, or nullptr.
    static TWinControl* FromHandle(HWND wnd);
    // The library control that owns wnd or, failing that, its nearest ancestor window.
    static TWinControl* FindControl(HWND wnd);
    // Whether the library paints the window (it wraps no platform control), so that
    // WM_PRINTCLIENT paints into the given context everything a paint would show.
    bool PaintsItself() const noexcept { return m_defaultProc == nullptr; }
    // Goes up whenever what the window shows may change: an invalidation through the library,
    // a paint, a change of size. A control that keeps a copy of its parent's picture compares it.
    unsigned PictureGeneration() const noexcept { return m_pictureGeneration; }

    // Runs OnClick when it is set, else executes the action (when there is one).
    virtual void Click();
    // The action the control follows: it takes the action's caption, enabled state, hint and
    // visibility now and whenever they change. Not owned; freeing the action ends the link.
    TBasicAction* Action() const;
    void SetAction(TBasicAction* action);
    // A description names the action; it is looked up among the owner's components once
    // loading ends (a component that is no action is refused).
    void SetActionName(const std::wstring& name);
    const std::wstring& Hint() const noexcept { return m_hint; }
    void SetHint(const std::wstring& value) { m_hint = value; }
    void Loaded() override;
    // Dialog keys (Return, Escape) offered by the form before the focused control sees
    // them; answer true to consume the key. focused tells whether this control has the focus.
    virtual bool HandleDialogKey(WPARAM key, bool focused) { return false; }
    // Every key down (and Alt key down) offered by the form, before it is translated into a
    // character, to the focused window's control and then to each control around it; answer
    // true to take the key.
    virtual bool DialogKeyHook(WPARAM key) { return false; }
    // Called on every control of a form after the focus moved to another control of it (a
    // default button changes its look with it).
    virtual void FormFocusChanged() {}
    // Alt with a character key, offered to every control of the form until one takes it (a
    // caption's accelerator); answer true to consume the key.
    virtual bool HandleAccelerator(wchar_t key) { return false; }
    // The name assistive technology reads for the window (a field's label that the platform
    // cannot find by itself); empty leaves the platform's own.
    const std::wstring& AccessibleName() const noexcept { return m_accessibleName; }
    void SetAccessibleName(const std::wstring& name) { m_accessibleName = name; }
    // What assistive technology reads of the control (role, name, value, parts, default
    // actions), asked anew at every question; false leaves all of it to the platform. The base
    // gives AccessibleName when there is one.
    virtual bool DescribeAccessible(TAccessibleDescription& d);
    // Runs a default action that DescribeAccessible offered: part 0 is the control itself.
    virtual void DoAccessibleAction(int part) {}
    TNotifyEvent OnClick;
    TNotifyEvent OnResize;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    // Called after the window exists, before children get theirs.
    virtual void HandleCreated() {}
    virtual void HandleDestroying() {}
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    // Painting of library-drawn controls; dc is clipped to the update region.
    virtual void Paint(HDC dc, const RECT& updateRect) {}
    virtual bool EraseBackground(HDC dc);
    virtual void Resized();
    virtual void AlignControls();
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged();
    virtual void TextChanged();
    virtual void VisibleChanged() {}
    // Whether the control's look depends on what lies behind it (a transparent control): it is
    // then painted again when it moves or when its parent's colour changes.
    virtual bool ShowsWhatLiesBehind() const { return false; }
    virtual void FocusEntered();
    virtual void FocusLeft();
    // The link that keeps the control in step with its action; controls that show more of an
    // action (a check mark, an image) make links of their own.
    virtual std::unique_ptr<TActionLink> CreateActionLink();
    // Fires a user handler: errors go to the application's error box, and a close that a
    // handler asks for waits until the outermost handler has returned.
    void CallHandler(const std::function<void()>& handler);
    // Tells, after a call that may run a program's handler, whether this control still exists.
    // A handler may free the control that called it, as a program may destroy a platform button
    // from its own click; what the control still meant to do for that message is then dropped,
    // and its code must not touch the object again. Take it before the call.
    class TLife {
    public:
        bool Alive() const noexcept { return *m_flag; }

    private:
        friend class TWinControl;
        explicit TLife(std::shared_ptr<const bool> flag) : m_flag(std::move(flag)) {}
        std::shared_ptr<const bool> m_flag;
    };
    TLife Life() const;
    void ChildFontChanged();
    // Records the text that the window itself already shows (an edit box the user typed into).
    void StoreWindowText(const std::wstring& text) { m_text = text; }

private:
    friend class TCustomForm;
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static void RegisterWindowClass(const TCreateParams& params);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateChildHandles();
    void UpdateBoundsFromWindow();
    void ParentFontChanged();
    void ApplyNativeFont(BOOL redraw);
    void ParentColorChanged();
    // Moves and stretches the anchored children by the change of the client size.
    void AnchorChildren();
    void InsertControl(TWinControl* control);
    void RemoveControl(TWinControl* control);

    TWinControl* m_parent = nullptr;
    std::vector<TWinControl*> m_controls;
    HWND m_handle = nullptr;
    unsigned m_pictureGeneration = 0;
    WNDPROC m_defaultProc = nullptr; // the platform class's procedure for subclassed windows
    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    TAlign m_align = alNone;
    bool m_visible = true;
    bool m_enabled = true;
    std::wstring m_text;
    std::wstring m_accessibleName;
    std::wstring m_hint;
    std::unique_ptr<TActionLink> m_actionLink;
    // Made on first use of Life(), false once the destructor has begun.
    mutable std::shared_ptr<bool> m_life;
    std::wstring m_actionName; // named by a description, resolved when loading ends
    TFont m_font;
    UniqueFont m_nativeFont; // the font handed to a platform control
    bool m_parentFont = true;
    bool m_settingParentFont = false;
    TColor m_color = clBtnFace;
    bool m_parentColor = false;
    int m_tabOrder = -1;
    bool m_tabStop = false;
    bool m_aligning = false;
    bool m_settingBounds = false;
    TAnchors m_anchors = akLeft | akTop;
    TSizeConstraints m_constraints;
    // The client size the children's anchored positions refer to; taken when the window
    // is created, so the frame a top-level window gets does not move its children.
    SIZE m_anchorBase{-1, -1};
};

// Where errors that escape a handler go; the application installs the error box here.
void SetExceptionRouter(std::function<void(std::exception_ptr)> router);
void RouteException(std::exception_ptr error);

// Brackets every user handler so that the application can defer work (a requested close)
// until no handler is running.
class THandlerScope {
public:
    THandlerScope();
    ~THandlerScope();
    THandlerScope(const THandlerScope&) = delete;
    THandlerScope& operator=(const THandlerScope&) = delete;
    static int Depth();
    // Runs action now when no handler is running, else when the outermost one returns.
    static void RunWhenIdle(std::function<void()> action);
};
