#include "rtForms.h"

#include "rtApplication.h"
#include "rtExceptions.h"
#include "rtGraphicsInfo.h"

#include <algorithm>

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner)
{
    SetVisible(false);
    SetBounds(0, 0, 320, 240);
    SetTabStop(false);
}

TCustomForm::~TCustomForm()
{
    Destroying();
    if (Application && Application->MainForm() == this)
        Application->SetMainForm(nullptr);
}

const TClassInfo* TCustomForm::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TCustomForm", TWinControl::StaticProperties());
        ci.AddInt<TCustomForm>(L"PixelsPerInch", &TCustomForm::SetPixelsPerInch, &TCustomForm::PixelsPerInch);
        ci.AddInt<TCustomForm>(L"TextHeight", &TCustomForm::SetTextHeight, &TCustomForm::TextHeight);
        ci.AddBool<TCustomForm>(L"OldCreateOrder", &TCustomForm::SetOldCreateOrder,
                                &TCustomForm::OldCreateOrder);
        ci.AddEnum<TCustomForm, TPosition>(L"Position",
                                           {{L"poDesigned", poDesigned},
                                            {L"poScreenCenter", poScreenCenter},
                                            {L"poOwnerFormCenter", poOwnerFormCenter}},
                                           &TCustomForm::SetPosition, &TCustomForm::Position);
        ci.AddSet<TCustomForm, TBorderIcons>(
            L"BorderIcons",
            {{L"biSystemMenu", biSystemMenu}, {L"biMinimize", biMinimize}, {L"biMaximize", biMaximize}},
            &TCustomForm::SetBorderIcons, &TCustomForm::BorderIcons);
        ci.Add({L"ActiveControl",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<TCustomForm&>(o).SetActiveControlName(v.text);
                },
                {},
                {},
                {}});
        ci.AddEvent<TCustomForm, TNotifyEvent>(L"OnCreate", &TCustomForm::OnCreate);
        ci.AddEvent<TCustomForm, TNotifyEvent>(L"OnPaint", &TCustomForm::OnPaint);
        ci.AddEvent<TCustomForm, TNotifyEvent>(L"OnShow", &TCustomForm::OnShow);
        return ci;
    }();
    return &info;
}

void TCustomForm::LoadFromDescription(const std::wstring& text)
{
    TObjectDesc desc = ParseDescription(text);
    ReadComponentTree(*this, desc, *this);
}

void TCustomForm::LoadFromResource(const wchar_t* name)
{
    LoadFromDescription(LoadTextResource(name));
}

std::any TCustomForm::FindMethod(const std::wstring& name) const
{
    auto it = m_methods.find(name);
    return it == m_methods.end() ? std::any() : it->second;
}

void TCustomForm::BindField(const std::wstring& name, TComponent* component)
{
    auto it = m_fields.find(name);
    if (it != m_fields.end())
        it->second(component);
}

void TCustomForm::Loaded()
{
    TWinControl::Loaded();
    ScaleForScreen();
    ResolveActiveControlName();
    if (OnCreate)
        CallHandler([this] { OnCreate(this); });
}

void TCustomForm::SetActiveControlName(const std::wstring& name)
{
    m_activeControlName = name;
    if (!IsLoading())
        ResolveActiveControlName();
}

void TCustomForm::ResolveActiveControlName()
{
    if (m_activeControlName.empty())
        return;
    auto* control = dynamic_cast<TWinControl*>(FindComponent(m_activeControlName));
    if (!control)
        throw EReadError(L"Invalid property value: ActiveControl = " + m_activeControlName);
    m_activeControlName.clear();
    SetActiveControl(control);
}

void TCustomForm::Paint(HDC dc, const RECT& updateRect)
{
    if (!OnPaint)
        return;
    m_paintDC = dc;
    CallHandler([this] { OnPaint(this); });
    m_paintDC = nullptr;
}

void TCustomForm::ScaleForScreen()
{
    int dpi = ScreenLogPixelsY();
    if (m_pixelsPerInch > 0 && dpi != m_pixelsPerInch) {
        Font()->SetHeight(MulDiv(Font()->Height(), dpi, m_pixelsPerInch));
        ScreenResolutionChanged(dpi, m_pixelsPerInch);
    }
    if (m_textHeight > 0) {
        int measured = MeasureTextHeight(Font()->Handle());
        if (measured > 0 && measured != m_textHeight) {
            // The stored client size belongs to the stored layout: it grows with the controls,
            // or the controls reach past the window's edge.
            int clientWidth = ClientWidth();
            int clientHeight = ClientHeight();
            ScaleControls(measured, m_textHeight);
            SetClientWidth(MulDiv(clientWidth, measured, m_textHeight));
            SetClientHeight(MulDiv(clientHeight, measured, m_textHeight));
        }
    }
    KeepInsideWorkArea();
}

RECT FitRectIntoArea(const RECT& r, const RECT& area)
{
    LONG width = std::min(r.right - r.left, area.right - area.left);
    LONG height = std::min(r.bottom - r.top, area.bottom - area.top);
    LONG left = std::clamp(r.left, area.left, area.right - width);
    LONG top = std::clamp(r.top, area.top, area.bottom - height);
    return {left, top, left + width, top + height};
}

void TCustomForm::KeepInsideWorkArea()
{
    RECT bounds = BoundsRect();
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST), &info))
        return;
    RECT fitted = FitRectIntoArea(bounds, info.rcWork);
    if (!EqualRect(&fitted, &bounds))
        SetBounds(fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top);
}

RECT TCustomForm::ClientRect() const
{
    if (const_cast<TCustomForm*>(this)->HandleAllocated())
        return TWinControl::ClientRect();
    TCreateParams params;
    const_cast<TCustomForm*>(this)->CreateParams(params);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.style, FALSE, params.exStyle);
    return {0, 0, std::max(0L, Width() - (frame.right - frame.left)),
            std::max(0L, Height() - (frame.bottom - frame.top))};
}

void TCustomForm::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.style = WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN;
    if (m_borderIcons & biSystemMenu) {
        params.style |= WS_SYSMENU;
        if (m_borderIcons & biMinimize)
            params.style |= WS_MINIMIZEBOX;
        if (m_borderIcons & biMaximize)
            params.style |= WS_MAXIMIZEBOX;
    }
    // A top-level window's parent is its owner: it stays above it and goes with it.
    params.parent = m_popupParent;
    params.classStyle = CS_DBLCLKS;
}

void TCustomForm::HandleCreated()
{
    if (m_position == poScreenCenter) {
        int x = (GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
        SetBounds(x, y, Width(), Height());
    } else if (m_position == poOwnerFormCenter && Application && Application->MainForm() &&
               Application->MainForm() != this) {
        RECT r = Application->MainForm()->BoundsRect();
        SetBounds(r.left + (r.right - r.left - Width()) / 2, r.top + (r.bottom - r.top - Height()) / 2,
                  Width(), Height());
    }
    SetWindowTextW(Handle(), Text().c_str());
}

std::vector<TWinControl*> TCustomForm::TabList() const
{
    std::vector<TWinControl*> list;
    std::function<void(const TWinControl*)> walk = [&](const TWinControl* parent) {
        std::vector<TWinControl*> children;
        for (int i = 0; i < parent->ControlCount(); ++i)
            children.push_back(parent->Controls(i));
        std::stable_sort(children.begin(), children.end(),
                         [](TWinControl* a, TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
        for (TWinControl* c : children) {
            if (!c->Visible() || !c->Enabled())
                continue;
            if (c->TabStop() && c->CanFocus())
                list.push_back(c);
            walk(c);
        }
    };
    walk(this);
    return list;
}

TWinControl* TCustomForm::TabControlOf(HWND wnd) const
{
    auto list = TabList();
    for (TWinControl* c = TWinControl::FindControl(wnd); c; c = c->Parent())
        if (std::find(list.begin(), list.end(), c) != list.end())
            return c;
    return nullptr;
}

void TCustomForm::SelectNext(bool forward)
{
    auto list = TabList();
    if (list.empty())
        return;
    TWinControl* current = TabControlOf(GetFocus());
    auto it = std::find(list.begin(), list.end(), current);
    size_t n = list.size();
    size_t index;
    if (it == list.end())
        index = forward ? 0 : n - 1;
    else {
        size_t pos = static_cast<size_t>(it - list.begin());
        index = forward ? (pos + 1) % n : (pos + n - 1) % n;
    }
    list[index]->SetFocus();
}

namespace {

bool OfferAccelerator(TWinControl* control, wchar_t key)
{
    for (int i = 0; i < control->ControlCount(); ++i) {
        TWinControl* child = control->Controls(i);
        if (child->HandleAccelerator(key) || OfferAccelerator(child, key))
            return true;
    }
    return false;
}

} // namespace

bool TCustomForm::DialogKey(const MSG& msg)
{
    if (msg.message == WM_SYSCHAR)
        return OfferAccelerator(this, static_cast<wchar_t>(msg.wParam));
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)
        for (TWinControl* c = TWinControl::FindControl(msg.hwnd); c && c != this; c = c->Parent())
            if (c->DialogKeyHook(msg.wParam))
                return true;
    if (msg.message != WM_KEYDOWN)
        return false;
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    bool alt = GetKeyState(VK_MENU) < 0;
    if (msg.wParam == VK_TAB && !ctrl && !alt) {
        // A window that takes Tab itself (an editor that reports it before it moves the focus,
        // a multi-line edit box) gets it.
        MSG copy = msg;
        LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&copy));
        if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))
            return false;
        SelectNext(GetKeyState(VK_SHIFT) >= 0);
        return true;
    }
    if (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) {
        // A window that wants every key (a label being edited in place) keeps Return and
        // Escape for itself.
        MSG copy = msg;
        LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&copy));
        if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))
            return false;
        TWinControl* focused = TabControlOf(msg.hwnd);
        if (focused && focused->HandleDialogKey(msg.wParam, true))
            return true;
        for (TWinControl* c : TabList())
            if (c != focused && c->HandleDialogKey(msg.wParam, false))
                return true;
    }
    return false;
}

void TCustomForm::SetActiveControl(TWinControl* control)
{
    m_activeControl = control;
    if (control && HandleAllocated() && GetActiveWindow() == Handle() && control->CanFocus())
        control->SetFocus();
}

namespace {

void TellFocusChanged(TWinControl* control)
{
    for (int i = 0; i < control->ControlCount(); ++i) {
        TWinControl* child = control->Controls(i);
        child->FormFocusChanged();
        TellFocusChanged(child);
    }
}

} // namespace

void TCustomForm::ActiveControlFocused(TWinControl* control)
{
    if (TWinControl* c = TabControlOf(control->Handle()))
        m_activeControl = c;
    m_lastFocus = GetFocus();
    TellFocusChanged(this);
}

void TCustomForm::FocusFirst()
{
    if (m_lastFocus && IsWindow(m_lastFocus) && IsChild(Handle(), m_lastFocus) &&
        IsWindowEnabled(m_lastFocus) && IsWindowVisible(m_lastFocus)) {
        ::SetFocus(m_lastFocus);
        return;
    }
    if (m_activeControl && m_activeControl->CanFocus()) {
        m_activeControl->SetFocus();
        return;
    }
    auto list = TabList();
    if (!list.empty())
        list.front()->SetFocus();
    else
        ::SetFocus(Handle());
}

void TCustomForm::ShowWithCommand(int command)
{
    HWND wnd = Handle();
    bool wasVisible = m_visible;
    m_visible = true;
    ShowWindow(wnd, command);
    if (!wasVisible)
        VisibleChanged();
}

void TCustomForm::Close()
{
    bool canClose = true;
    if (OnCloseQuery)
        CallHandler([&] { OnCloseQuery(this, canClose); });
    if (!canClose)
        return;
    if (m_modal) {
        m_modalResult = mrCancel;
        return;
    }
    if (m_closeRequested)
        return;
    m_closeRequested = true;
    // A handler that is still running (a batch run processing messages, say) finishes first.
    THandlerScope::RunWhenIdle([this] { DoClose(); });
}

void TCustomForm::DoClose()
{
    m_closeRequested = false;
    if (OnClose)
        CallHandler([this] { OnClose(this); });
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else
        Hide();
}

namespace {

BOOL CALLBACK CollectEnabledWindows(HWND wnd, LPARAM p)
{
    auto* state = reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(p);
    if (wnd != state->first && IsWindowVisible(wnd) && IsWindowEnabled(wnd))
        state->second.push_back(wnd);
    return TRUE;
}

} // namespace

int TCustomForm::ShowModal()
{
    if (m_modal || Visible())
        throw EInvalidOperation(L"Cannot make a visible window modal");
    if (!HandleAllocated() && !m_popupParent) {
        HWND owner = GetActiveWindow();
        if (!owner && Application && Application->MainForm() && Application->MainForm() != this &&
            Application->MainForm()->HandleAllocated())
            owner = Application->MainForm()->Handle();
        m_popupParent = owner;
    }
    HWND self = Handle();
    // The modal loop shows the normal cursor, whatever the caller showed meanwhile.
    TScreenCursorScope normalCursor(crDefault);
    // Every other top-level window of this thread waits while the form is up.
    std::pair<HWND, std::vector<HWND>> enumState{self, {}};
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindows, reinterpret_cast<LPARAM>(&enumState));
    std::vector<HWND>& disabled = enumState.second;
    HWND activeBefore = GetActiveWindow();
    for (HWND w : disabled)
        EnableWindow(w, FALSE);
    m_modal = true;
    m_modalResult = mrNone;
    int result = mrCancel;
    try {
        Show();
        SetForegroundWindow(self);
        SetActiveWindow(self);
        if (OnShow)
            CallHandler([this] { OnShow(this); });
        while (m_modalResult == mrNone) {
            if (!Application || !Application->HandleMessage()) {
                PostQuitMessage(0);
                break;
            }
        }
        result = m_modalResult == mrNone ? mrCancel : m_modalResult;
    } catch (...) {
        for (HWND w : disabled)
            EnableWindow(w, TRUE);
        m_modal = false;
        Hide();
        throw;
    }
    for (HWND w : disabled)
        EnableWindow(w, TRUE);
    if (activeBefore && IsWindow(activeBefore))
        SetActiveWindow(activeBefore);
    m_modal = false;
    Hide();
    return result;
}

LRESULT TCustomForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CLOSE: Close(); return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            if (!HIWORD(wParam))
                FocusFirst();
            return 0;
        }
        if (HWND f = GetFocus(); f && IsChild(Handle(), f))
            m_lastFocus = f;
        break;
    case WM_SHOWWINDOW:
        if (wParam && OnShow && !m_modal)
            CallHandler([this] { OnShow(this); });
        break;
    default: break;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}
