// The base of every library control: a window that paints itself through an off-screen
// bitmap, owns a look-and-feel, notices the mouse entering and leaving, and the library
// timer that runs on the user-interface thread.
#pragma once

#include "lookandfeel/cxLookAndFeels.h"
#include "runtime/rtControls.h"

#include <memory>

class TcxTimer;
class IcxMouseTrackingCaller;
class TPopupMenu;

// The hover watch: while a client is watched, the cursor is checked every 10 ms, and when
// it has left the rectangle (given in the control's client coordinates) or the control's
// window, or an enclosing window, was disabled, the control receives WM_MOUSELEAVE and the
// client HoverEnded; the watch then ends. The platform's own leave notice is not enough for
// a control with child windows: it arrives as soon as the cursor moves onto a child.
void StartHoverWatch(TWinControl* control, const RECT& rect, IcxMouseTrackingCaller* client);
void StopHoverWatch(IcxMouseTrackingCaller* client);
bool IsHoverWatched(const IcxMouseTrackingCaller* client);
// After this, starts are ignored (the library is shutting down); running watches end.
void ShutDownHoverWatch();

// A client of the hover watch. Its watch ends when it is destroyed, so no tick can reach a
// freed client; derived classes that need the watch gone earlier (before their members
// die) stop it in their own destructor.
class IcxMouseTrackingCaller {
public:
    virtual void HoverEnded() = 0;
    // A client with a shape of its own answers whether p (client coordinates of the
    // control) is inside; the others are asked nothing and the rectangle counts.
    virtual bool HasHoverPointTest() const { return false; }
    virtual bool HoverPointInside(POINT p) { return false; }

protected:
    IcxMouseTrackingCaller() = default;
    IcxMouseTrackingCaller(const IcxMouseTrackingCaller&) = delete;
    IcxMouseTrackingCaller& operator=(const IcxMouseTrackingCaller&) = delete;
    ~IcxMouseTrackingCaller() { StopHoverWatch(this); }
};

// Dragging and docking settings and events, as descriptions store them. The library starts
// no drag or dock of its own; a program that does finds them here.
enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
using TCursor = int;
constexpr TCursor crArrow = -2, crDrag = -12, crNoDrop = -13, crMultiDrag = -16;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TObject*& DragObject)>;

class TcxControl : public TWinControl {
public:
    explicit TcxControl(TComponent* owner);
    ~TcxControl() override;
    const wchar_t* ClassName() const override { return L"TcxControl"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxLookAndFeel* LookAndFeel() noexcept { return &m_lookAndFeel; }
    void SetLookAndFeel(const TcxLookAndFeel* value) { m_lookAndFeel.Assign(value); }
    bool MouseInControl() const noexcept { return m_mouseInControl; }

    // The menu a right click or the menu key opens. Not owned: the control hears when it is
    // freed. A description names it; the name is looked up among the owner's components
    // when loading ends (a component that is no popup menu is refused).
    TPopupMenu* PopupMenu() const noexcept { return m_popupMenu; }
    void SetPopupMenu(TPopupMenu* menu);
    void SetPopupMenuName(const std::wstring& name);

    // Whether the control shows hints: its own setting, or with ParentShowHint its library
    // parent's (a form lets them show). Setting ShowHint stops following the parent.
    bool ShowHint() const;
    bool ShowHintSetting() const noexcept { return m_showHint; }
    void SetShowHint(bool v)
    {
        m_showHint = v;
        m_parentShowHint = false;
    }
    bool ParentShowHint() const noexcept { return m_parentShowHint; }
    void SetParentShowHint(bool v) { m_parentShowHint = v; }

    TCursor DragCursor() const noexcept { return m_dragCursor; }
    void SetDragCursor(TCursor v) { m_dragCursor = v; }
    TDragKind DragKind() const noexcept { return m_dragKind; }
    void SetDragKind(TDragKind v) { m_dragKind = v; }
    TDragMode DragMode() const noexcept { return m_dragMode; }
    void SetDragMode(TDragMode v) { m_dragMode = v; }
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDock;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDock;
    TStartDragEvent OnStartDrag;

    TNotifyEvent OnFocusChanged;
    // Entering and leaving the whole control: moving between the control's own window and a
    // window it hosts is neither.
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    // Keys that the control does not use itself.
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    // Mouse events over the control or a window it hosts, in the control's client coordinates.
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TContextPopupEvent OnContextPopup;

    // A mouse message of a window the control hosts, with p in this control's client
    // coordinates: it raises the control's mouse events and clicks as its own.
    virtual void ChildMouseMessage(UINT msg, WPARAM keyFlags, POINT p);
    // A context menu asked for at a screen point ((-1, -1): from the keyboard). True when it
    // was taken care of: OnContextPopup handled it or PopupMenu opened.
    bool DoContextPopup(POINT screen);

    // Paints the control into dc at the origin, as a paint message would.
    void PaintTo(HDC dc);
    // True while a repaint waits for the display's pace.
    bool PacedRepaintPending() const;

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& updateRect) override;
    bool EraseBackground(HDC dc) override { return true; }
    // Draws the whole control on dc (an off-screen bitmap of the control's size).
    virtual void PaintControl(HDC dc) {}
    // Whether the paint goes through an off-screen picture first. A control whose parts never
    // overlap (a plain fill with lines around it) may answer false: it then draws on the
    // screen directly and saves copying a picture of its whole update area.
    virtual bool PaintsThroughBuffer() const { return true; }
    virtual void LookAndFeelChanged() { Invalidate(); }
    // The text lives in the object and is drawn by the control: the window needs no copy.
    void TextChanged() override { Invalidate(); }
    // The cursor came over the control's window, or left it. OnMouseEnter and OnMouseLeave
    // are raised for the whole control only.
    virtual void MouseEnter();
    virtual void MouseLeave();
    // The key as a shortcut of this control's popup menu: the item is clicked, the key taken.
    bool DialogKeyHook(WPARAM key) override;
    // A key down offered to the popup menus of this control and of the library controls
    // around it before anything else sees it.
    bool PopupMenusTakeShortCut(WPARAM key);
    // Raise OnKeyDown, OnKeyUp, OnKeyPress; true when a handler set the key to 0.
    bool DoKeyDown(WORD& key);
    bool DoKeyUp(WORD& key);
    bool DoKeyPress(wchar_t& key);
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;
    virtual void MouseDown(int button, POINT p) {}
    virtual void MouseUp(int button, POINT p) {}
    virtual void MouseMove(POINT p) {}
    // Draws what lies behind the control (the parent's surface) into dc.
    void PaintParentBackground(HDC dc);
    // Repaints rect at most once per interval: changes that come faster are gathered and shown
    // together, the last one always. 25 pictures a second move a bar smoothly and are more
    // than a reader can follow in a status line; a repaint per change would cost a run of
    // many small files more time than its files.
    void InvalidatePaced(const RECT& rect);
    // When the control last painted itself (GetTickCount64).
    ULONGLONG LastPaintTick() const noexcept { return m_lastPaintTick; }
    static constexpr ULONGLONG kRepaintInterval = 40;

private:
    ULONGLONG m_lastPaintTick = 0;
    RECT m_pendingRect{};
    std::unique_ptr<TcxTimer> m_paceTimer;
    void RaiseMouseEvent(UINT msg, WPARAM keyFlags, POINT p);
    TcxLookAndFeel m_lookAndFeel;
    bool m_mouseInControl = false;     // the platform's view: over the control's own window
    bool m_mouseInside = false;        // over the control or a window it hosts
    bool m_clickPressed = false;       // a left press began on the control
    bool m_holdsMouseForClick = false; // the control took the capture at that press
    TPopupMenu* m_popupMenu = nullptr;
    std::wstring m_popupMenuName;
    bool m_showHint = false;
    TCursor m_dragCursor = crDrag;
    TDragKind m_dragKind = dkDrag;
    TDragMode m_dragMode = dmManual;
    bool m_parentShowHint = true;
};

// A timer whose ticks arrive on the user-interface thread; all timers share one hidden window.
class TcxTimer : public TComponent {
public:
    explicit TcxTimer(TComponent* owner);
    ~TcxTimer() override;
    const wchar_t* ClassName() const override { return L"TcxTimer"; }

    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool value);
    unsigned Interval() const noexcept { return m_interval; }
    void SetInterval(unsigned value);
    void SetOnTimer(TNotifyEvent handler);
    bool Running() const noexcept { return m_running; }
    // Runs the handler; called by the shared timer window.
    void Tick();
    // Whether a tick stamped with tickTime (the message time) comes from the timer's latest
    // start rather than from a run it had before being stopped.
    bool TickIsCurrent(DWORD tickTime) const noexcept;
    // The platform timer's id, the same for the timer's whole life.
    UINT_PTR Id() const noexcept { return m_id; }

private:
    void Restart();
    void Stop();

    // The platform timer's id: a number no other timer gets, so that a tick still queued for
    // a freed timer cannot reach a later timer that happens to live at the same address. A
    // timer keeps its id across stops and starts.
    UINT_PTR m_id;
    DWORD m_startTime = 0;
    bool m_enabled = true;
    unsigned m_interval = 1000;
    bool m_running = false;
    TNotifyEvent m_onTimer;
};
