#include "cxControls.h"

#include "runtime/rtApplication.h"
#include "runtime/rtMenus.h"
#include "runtime/rtStreaming.h"

#include <windowsx.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

std::map<UINT_PTR, TcxTimer*>& RunningTimers()
{
    static std::map<UINT_PTR, TcxTimer*> timers;
    return timers;
}

UINT_PTR NextTimerId()
{
    static UINT_PTR last = 0;
    if (++last == 0)
        ++last;
    return last;
}

LRESULT CALLBACK TimerWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER) {
        // A tick of a timer that stopped (or was freed) in the meantime is dropped, and so
        // is one still queued from before the timer's latest start.
        auto it = RunningTimers().find(wParam);
        if (it != RunningTimers().end() && it->second->TickIsCurrent(static_cast<DWORD>(GetMessageTime()))) {
            try {
                it->second->Tick();
            } catch (...) {
                RouteException(std::current_exception());
            }
        }
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND TimerWindow()
{
    static HWND wnd = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &TimerWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Corvane.TimerWindow";
        RegisterClassExW(&wc);
        return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                               nullptr);
    }();
    return wnd;
}

} // namespace

TcxControl::TcxControl(TComponent* owner) : TWinControl(owner), m_lookAndFeel(this)
{
    m_lookAndFeel.OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues) {
        if (!IsDestroying())
            LookAndFeelChanged();
    };
}

TcxControl::~TcxControl()
{
    Destroying();
    m_lookAndFeel.OnChanged = nullptr;
}

const TClassInfo* TcxControl::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxControl", TWinControl::StaticProperties());
        using C = TcxControl;
        ci.AddObject<C, TcxLookAndFeel>(L"LookAndFeel", &C::LookAndFeel);
        ci.Add({L"PopupMenu",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<C&>(o).SetPopupMenuName(ReferenceName(v));
                },
                [](const TPersistent& o) { return ReferenceValue(static_cast<const C&>(o).PopupMenu()); },
                {},
                {}});
        ci.AddBool<C>(L"ShowHint", &C::SetShowHint, &C::ShowHintSetting);
        ci.AddBool<C>(L"ParentShowHint", &C::SetParentShowHint, &C::ParentShowHint);
        static const TEnumNames kDragCursors{{L"crDefault", crDefault},
                                             {L"crArrow", crArrow},
                                             {L"crDrag", crDrag},
                                             {L"crNoDrop", crNoDrop},
                                             {L"crMultiDrag", crMultiDrag}};
        ci.Add({L"DragCursor",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<C&>(o).SetDragCursor(
                        v.kind == TValue::Kind::Ident ? ValueToEnum(v, kDragCursors) : ValueToInt(v));
                },
                // A cursor with a name is written by its name, any other by its number.
                [](const TPersistent& o) {
                    return EnumToValue(static_cast<const C&>(o).DragCursor(), kDragCursors);
                },
                {},
                {}});
        ci.AddEnum<C, TDragKind>(L"DragKind", {{L"dkDrag", dkDrag}, {L"dkDock", dkDock}}, &C::SetDragKind,
                                 &C::DragKind);
        ci.AddEnum<C, TDragMode>(L"DragMode", {{L"dmManual", dmManual}, {L"dmAutomatic", dmAutomatic}},
                                 &C::SetDragMode, &C::DragMode);
        ci.AddEvent<C, TDragDropEvent>(L"OnDragDrop", &C::OnDragDrop);
        ci.AddEvent<C, TDragOverEvent>(L"OnDragOver", &C::OnDragOver);
        ci.AddEvent<C, TEndDragEvent>(L"OnEndDock", &C::OnEndDock);
        ci.AddEvent<C, TEndDragEvent>(L"OnEndDrag", &C::OnEndDrag);
        ci.AddEvent<C, TStartDragEvent>(L"OnStartDock", &C::OnStartDock);
        ci.AddEvent<C, TStartDragEvent>(L"OnStartDrag", &C::OnStartDrag);
        ci.AddEvent<C, TKeyEvent>(L"OnKeyDown", &C::OnKeyDown);
        ci.AddEvent<C, TKeyPressEvent>(L"OnKeyPress", &C::OnKeyPress);
        ci.AddEvent<C, TKeyEvent>(L"OnKeyUp", &C::OnKeyUp);
        ci.AddEvent<C, TMouseEvent>(L"OnMouseDown", &C::OnMouseDown);
        ci.AddEvent<C, TMouseMoveEvent>(L"OnMouseMove", &C::OnMouseMove);
        ci.AddEvent<C, TMouseEvent>(L"OnMouseUp", &C::OnMouseUp);
        ci.AddEvent<C, TContextPopupEvent>(L"OnContextPopup", &C::OnContextPopup);
        return ci;
    }();
    return &info;
}

bool TcxControl::ShowHint() const
{
    if (!m_parentShowHint)
        return m_showHint;
    for (TWinControl* p = Parent(); p; p = p->Parent())
        if (auto* c = dynamic_cast<TcxControl*>(p))
            return c->ShowHint();
    return true;
}

void TcxControl::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.classStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TcxControl::Paint(HDC dc, const RECT& updateRect)
{
    // The off-screen buffer keeps the control from flickering; its origin is moved so that
    // the control paints in its own coordinates.
    int w = updateRect.right - updateRect.left, h = updateRect.bottom - updateRect.top;
    if (w <= 0 || h <= 0)
        return;
    m_lastPaintTick = GetTickCount64();
    if (!PaintsThroughBuffer()) {
        SaveDCGuard saved(dc);
        PaintControl(dc);
        return;
    }
    TcxPaintBuffer buffer(dc, w, h);
    SetWindowOrgEx(buffer.DC(), updateRect.left, updateRect.top, nullptr);
    // The kept buffer may be larger than this paint: what lies outside the update rectangle is
    // never copied, so nothing (a parent's whole surface drawn behind a small control) is
    // drawn there either.
    IntersectClipRect(buffer.DC(), updateRect.left, updateRect.top, updateRect.right, updateRect.bottom);
    PaintControl(buffer.DC());
    buffer.CopyTo(dc, updateRect.left, updateRect.top, w, h);
}

void TcxControl::PaintTo(HDC dc)
{
    PaintControl(dc);
}

void TcxControl::InvalidatePaced(const RECT& rect)
{
    if (!HandleAllocated())
        return;
    if (!PacedRepaintPending() && GetTickCount64() - m_lastPaintTick >= kRepaintInterval) {
        InvalidateRect(Handle(), &rect, FALSE);
        return;
    }
    if (PacedRepaintPending())
        UnionRect(&m_pendingRect, &m_pendingRect, &rect);
    else
        m_pendingRect = rect;
    if (!m_paceTimer) {
        m_paceTimer = std::make_unique<TcxTimer>(nullptr);
        m_paceTimer->SetInterval(static_cast<unsigned>(kRepaintInterval));
        m_paceTimer->SetOnTimer([this](TObject*) {
            m_paceTimer->SetEnabled(false);
            if (HandleAllocated())
                InvalidateRect(Handle(), &m_pendingRect, FALSE);
        });
    }
    m_paceTimer->SetEnabled(true);
}

bool TcxControl::PacedRepaintPending() const
{
    return m_paceTimer && m_paceTimer->Enabled();
}

void TcxControl::PaintParentBackground(HDC dc)
{
    TWinControl* parent = Parent();
    if (!parent || !parent->HandleAllocated() || !HandleAllocated()) {
        RECT r{0, 0, Width(), Height()};
        UniqueBrush b(CreateSolidBrush(ColorToRGB(parent ? parent->Color() : Color())));
        FillRect(dc, &r, b.get());
        return;
    }
    POINT origin{0, 0};
    MapWindowPoints(Handle(), parent->Handle(), &origin, 1);
    SaveDCGuard saved(dc);
    POINT old;
    OffsetWindowOrgEx(dc, origin.x, origin.y, &old);
    SendMessageW(parent->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    SetWindowOrgEx(dc, old.x, old.y, nullptr);
}

void TcxControl::MouseEnter()
{
    if (m_mouseInside)
        return;
    m_mouseInside = true;
    if (OnMouseEnter)
        CallHandler([this] { OnMouseEnter(this); });
}

void TcxControl::MouseLeave()
{
    if (!m_mouseInside)
        return;
    // The platform says "left" also when the cursor moves onto a window the control hosts;
    // the leave of the whole control comes when the cursor leaves that window too (the hover
    // watch of a container tells the control).
    if (HandleAllocated()) {
        POINT cursor{};
        GetCursorPos(&cursor);
        HWND under = WindowFromPoint(cursor);
        if (under && under != Handle() && IsChild(Handle(), under))
            return;
    }
    m_mouseInside = false;
    if (OnMouseLeave)
        CallHandler([this] { OnMouseLeave(this); });
}

void TcxControl::SetPopupMenu(TPopupMenu* menu)
{
    if (menu == m_popupMenu)
        return;
    if (m_popupMenu)
        m_popupMenu->RemoveFreeNotification(this);
    m_popupMenu = menu;
    if (menu)
        menu->FreeNotification(this);
}

void TcxControl::SetPopupMenuName(const std::wstring& name)
{
    m_popupMenuName = name;
    if (!IsLoading())
        Loaded();
}

void TcxControl::Loaded()
{
    TWinControl::Loaded();
    if (m_popupMenuName.empty())
        return;
    std::wstring name = std::move(m_popupMenuName);
    m_popupMenuName.clear();
    if (auto* menu = dynamic_cast<TPopupMenu*>(FindReferencedComponent(Owner(), name)))
        SetPopupMenu(menu);
}

void TcxControl::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_popupMenu)
        m_popupMenu = nullptr;
}

bool TcxControl::DialogKeyHook(WPARAM key)
{
    TPopupMenu* menu = PopupMenu();
    if (!menu)
        return false;
    bool taken = false;
    CallHandler([&] { taken = menu->IsShortCut(ShortCutOf(key)); });
    return taken;
}

bool TcxControl::PopupMenusTakeShortCut(WPARAM key)
{
    for (TWinControl* c = this; c; c = c->Parent())
        if (auto* control = dynamic_cast<TcxControl*>(c); control && control->DialogKeyHook(key))
            return true;
    return false;
}

bool TcxControl::DoKeyDown(WORD& key)
{
    if (OnKeyDown)
        CallHandler([&] { OnKeyDown(this, key, KeyboardShiftState()); });
    return key == 0;
}

bool TcxControl::DoKeyUp(WORD& key)
{
    if (OnKeyUp)
        CallHandler([&] { OnKeyUp(this, key, KeyboardShiftState()); });
    return key == 0;
}

bool TcxControl::DoKeyPress(wchar_t& key)
{
    if (OnKeyPress)
        CallHandler([&] { OnKeyPress(this, key); });
    return key == 0;
}

void TcxControl::RaiseMouseEvent(UINT msg, WPARAM keyFlags, POINT p)
{
    TShiftState shift = MouseShiftState(keyFlags);
    TMouseButton button = mbLeft;
    bool down = false, up = false;
    switch (msg) {
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            CallHandler([&] { OnMouseMove(this, shift, p.x, p.y); });
        return;
    case WM_LBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_LBUTTONDOWN: down = true; break;
    case WM_RBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_RBUTTONDOWN: down = true, button = mbRight; break;
    case WM_MBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_MBUTTONDOWN: down = true, button = mbMiddle; break;
    case WM_LBUTTONUP: up = true; break;
    case WM_RBUTTONUP: up = true, button = mbRight; break;
    case WM_MBUTTONUP: up = true, button = mbMiddle; break;
    default: return;
    }
    const TLife life = Life();
    if (down) {
        if (button == mbLeft)
            m_clickPressed = true;
        if (OnMouseDown)
            CallHandler([&] { OnMouseDown(this, button, shift, p.x, p.y); });
        return;
    }
    if (!up)
        return;
    // A left press and release on the control is a click; the release may come to another of
    // its windows (the one holding the capture), so the place decides.
    bool click =
        button == mbLeft && m_clickPressed && p.x >= 0 && p.y >= 0 && p.x < Width() && p.y < Height();
    if (button == mbLeft)
        m_clickPressed = false;
    if (click && !IsDestroying())
        CallHandler([this] { Click(); });
    if (!life.Alive())
        return;
    if (OnMouseUp && !IsDestroying())
        CallHandler([&] { OnMouseUp(this, button, shift, p.x, p.y); });
}

void TcxControl::ChildMouseMessage(UINT msg, WPARAM keyFlags, POINT p)
{
    if (msg == WM_MOUSEMOVE && !m_mouseInside)
        MouseEnter();
    // A press or release in the hosted window counts for the control's look as well.
    const TLife life = Life();
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: MouseDown(1, p); break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: MouseDown(2, p); break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: MouseDown(3, p); break;
    case WM_LBUTTONUP: MouseUp(1, p); break;
    case WM_RBUTTONUP: MouseUp(2, p); break;
    case WM_MBUTTONUP: MouseUp(3, p); break;
    default: break;
    }
    if (!life.Alive())
        return;
    RaiseMouseEvent(msg, keyFlags, p);
}

bool TcxControl::DoContextPopup(POINT screen)
{
    bool keyboard = screen.x == -1 && screen.y == -1;
    POINT client = screen;
    if (keyboard) {
        client = {-1, -1};
    } else if (HandleAllocated()) {
        ScreenToClient(Handle(), &client);
    }
    bool handled = false;
    if (OnContextPopup)
        CallHandler([&] { OnContextPopup(this, client, handled); });
    if (handled)
        return true;
    TPopupMenu* menu = m_popupMenu;
    if (!menu || !HandleAllocated())
        return false;
    if (keyboard) {
        // From the keyboard the menu opens at the control's top left corner.
        POINT corner{0, 0};
        ClientToScreen(Handle(), &corner);
        screen = corner;
    }
    HWND owner = Handle();
    CallHandler([&] { menu->Popup(owner, screen.x, screen.y); });
    return true;
}

LRESULT TcxControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Handlers run from here may free this control: after each step that can run one, the
    // rest of the message is dropped when it is gone.
    const TLife life = Life();
    switch (msg) {
    case WM_MOUSEMOVE: {
        if (!m_mouseInControl) {
            m_mouseInControl = true;
            TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, Handle(), 0};
            TrackMouseEvent(&tme);
            MouseEnter();
        }
        MouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!life.Alive())
            return 0;
        RaiseMouseEvent(msg, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!life.Alive())
            return 0;
        break;
    }
    case WM_MOUSELEAVE:
        m_mouseInControl = false;
        MouseLeave();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
        if (!life.Alive())
            return r;
        MouseDown(1, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!life.Alive())
            return r;
        RaiseMouseEvent(msg, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!life.Alive())
            return r;
        // Like the platform's buttons, the control holds the mouse until the button comes up,
        // so the release comes here wherever it happens (and a press that ends outside is no
        // click for a later release). Not when the button is up already: a handler that ran a
        // modal loop took the release, and the capture would take the next click anywhere.
        if (!IsDestroying() && HandleAllocated() && !GetCapture() && GetKeyState(VK_LBUTTON) < 0) {
            SetCapture(Handle());
            m_holdsMouseForClick = true;
        }
        return r;
    }
    case WM_LBUTTONUP:
        MouseUp(1, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!life.Alive())
            return 0;
        RaiseMouseEvent(msg, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!life.Alive())
            return 0; // the platform took the capture away with the window
        if (m_holdsMouseForClick && !IsDestroying()) {
            m_holdsMouseForClick = false;
            if (GetCapture() == Handle())
                ReleaseCapture();
        }
        break;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the press ends without a click.
        if (m_holdsMouseForClick && reinterpret_cast<HWND>(lParam) != Handle()) {
            m_holdsMouseForClick = false;
            m_clickPressed = false;
        }
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        MouseDown(msg == WM_MBUTTONDOWN || msg == WM_MBUTTONDBLCLK ? 3 : 2,
                  {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!life.Alive())
            return 0;
        RaiseMouseEvent(msg, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!life.Alive())
            return 0;
        break;
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        MouseUp(msg == WM_MBUTTONUP ? 3 : 2, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!life.Alive())
            return 0;
        RaiseMouseEvent(msg, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (!life.Alive())
            return 0;
        break;
    case WM_CONTEXTMENU:
        if (DoContextPopup({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) || !life.Alive())
            return 0;
        break;
    case WM_SYSKEYDOWN:
        if (PopupMenusTakeShortCut(wParam))
            return 0;
        break;
    case WM_KEYDOWN:
    case WM_KEYUP: {
        if (msg == WM_KEYDOWN && PopupMenusTakeShortCut(wParam))
            return 0;
        WORD key = static_cast<WORD>(wParam);
        if ((msg == WM_KEYDOWN ? DoKeyDown(key) : DoKeyUp(key)) || !life.Alive())
            return 0;
        wParam = key;
        break;
    }
    case WM_CHAR: {
        wchar_t key = static_cast<wchar_t>(wParam);
        if (DoKeyPress(key) || !life.Alive())
            return 0;
        wParam = key;
        break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
        if (OnFocusChanged)
            CallHandler([this] { OnFocusChanged(this); });
        return r;
    }
    default: break;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

// ---- hover watch ---------------------------------------------------------------------------

namespace {

// One watched client: the control, its rectangle on the screen and the client.
struct TMouseTrackingTimer {
    TWinControl* control;
    RECT screenRect;
    IcxMouseTrackingCaller* client;
};

// Shut down when the program ends: the watches still running are stopped, later starts
// are ignored. One timer checks every watch; it runs while any watch does, so hovering from
// control to control sets no new timer.
struct HoverWatchService {
    std::vector<std::unique_ptr<TMouseTrackingTimer>> list;
    std::unique_ptr<TcxTimer> timer;
    bool shutDown = false;
    ~HoverWatchService()
    {
        shutDown = true;
        list.clear();
        timer.reset();
    }
};

HoverWatchService& HoverWatch()
{
    // The timers' registry must outlive the service, whose timers unregister when freed.
    RunningTimers();
    static HoverWatchService service;
    return service;
}

bool WindowChainEnabled(HWND wnd)
{
    for (; wnd; wnd = (GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD) ? GetParent(wnd) : nullptr)
        if (!IsWindowEnabled(wnd))
            return false;
    return true;
}

void HoverTick(TMouseTrackingTimer* watch)
{
    TWinControl* control = watch->control;
    IcxMouseTrackingCaller* client = watch->client;
    bool hasWindow = control->HandleAllocated();
    // The tick's own message says where the cursor was when the tick was taken: asking the
    // window system again would cost a round trip to it every ten milliseconds.
    const DWORD at = GetMessagePos();
    POINT cursor{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    bool inside;
    if (client->HasHoverPointTest()) {
        POINT p = cursor;
        inside = hasWindow && ScreenToClient(control->Handle(), &p) && client->HoverPointInside(p);
    } else {
        inside = PtInRect(&watch->screenRect, cursor) != FALSE;
    }
    if (inside && hasWindow && WindowChainEnabled(control->Handle()))
        return;
    if (hasWindow) {
        HWND wnd = control->Handle();
        RECT client{};
        GetClientRect(wnd, &client);
        MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
        if (!PtInRect(&client, cursor) || !WindowChainEnabled(wnd))
            SendMessageW(wnd, WM_MOUSELEAVE, 0, 0);
    }
    // The leave notice may already have ended the watch; HoverEnded runs once either way.
    if (IsHoverWatched(client)) {
        client->HoverEnded();
        StopHoverWatch(client);
    }
}

TMouseTrackingTimer* FindHoverWatch(const IcxMouseTrackingCaller* client)
{
    for (auto& w : HoverWatch().list)
        if (w->client == client)
            return w.get();
    return nullptr;
}

// Checks each watch that runs at the tick's start; a check may end or start watches.
void HoverWatchTick()
{
    std::vector<IcxMouseTrackingCaller*> clients;
    for (auto& w : HoverWatch().list)
        clients.push_back(w->client);
    for (IcxMouseTrackingCaller* client : clients)
        if (TMouseTrackingTimer* watch = FindHoverWatch(client))
            HoverTick(watch);
}

} // namespace

void StartHoverWatch(TWinControl* control, const RECT& rect, IcxMouseTrackingCaller* client)
{
    HoverWatchService& service = HoverWatch();
    if (service.shutDown || !control || !client || IsHoverWatched(client))
        return;
    auto watch = std::make_unique<TMouseTrackingTimer>();
    watch->control = control;
    watch->client = client;
    watch->screenRect = rect;
    if (control->HandleAllocated())
        MapWindowPoints(control->Handle(), nullptr, reinterpret_cast<POINT*>(&watch->screenRect), 2);
    service.list.push_back(std::move(watch));
    if (!service.timer) {
        service.timer = std::make_unique<TcxTimer>(nullptr);
        service.timer->SetEnabled(false);
        service.timer->SetInterval(10);
        service.timer->SetOnTimer([](TObject*) { HoverWatchTick(); });
    }
    service.timer->SetEnabled(true);
}

void StopHoverWatch(IcxMouseTrackingCaller* client)
{
    HoverWatchService& service = HoverWatch();
    auto& list = service.list;
    for (auto it = list.begin(); it != list.end(); ++it)
        if ((*it)->client == client) {
            list.erase(it);
            // The timer is kept for the next watch; it may be the one ticking right now.
            if (list.empty() && service.timer)
                service.timer->SetEnabled(false);
            return;
        }
}

bool IsHoverWatched(const IcxMouseTrackingCaller* client)
{
    return FindHoverWatch(client) != nullptr;
}

void ShutDownHoverWatch()
{
    HoverWatchService& service = HoverWatch();
    service.shutDown = true;
    service.list.clear();
    if (service.timer)
        service.timer->SetEnabled(false);
}

// ---- TcxTimer ------------------------------------------------------------------------------

TcxTimer::TcxTimer(TComponent* owner) : TComponent(owner), m_id(NextTimerId()) {}

TcxTimer::~TcxTimer()
{
    Destroying();
    Stop();
}

void TcxTimer::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    Restart();
}

void TcxTimer::SetInterval(unsigned value)
{
    if (value == 0 || value == m_interval)
        return;
    m_interval = value;
    Restart();
}

void TcxTimer::SetOnTimer(TNotifyEvent handler)
{
    m_onTimer = std::move(handler);
    Restart();
}

void TcxTimer::Stop()
{
    if (!m_running)
        return;
    KillTimer(TimerWindow(), m_id);
    RunningTimers().erase(m_id);
    m_running = false;
}

// A running timer set again under its own id starts counting anew; a stopped one is set
// under the same id it always has.
void TcxTimer::Restart()
{
    if (!m_enabled || !m_onTimer) {
        Stop();
        return;
    }
    m_startTime = GetTickCount();
    if (!SetTimer(TimerWindow(), m_id, m_interval, nullptr)) {
        Stop();
        return;
    }
    if (!m_running)
        RunningTimers()[m_id] = this;
    m_running = true;
}

bool TcxTimer::TickIsCurrent(DWORD tickTime) const noexcept
{
    return static_cast<LONG>(tickTime - m_startTime) >= 0;
}

void TcxTimer::Tick()
{
    if (m_onTimer) {
        // The handler may free this timer: keep the handler alive for the call.
        TNotifyEvent handler = m_onTimer;
        THandlerScope scope;
        handler(this);
    }
}
