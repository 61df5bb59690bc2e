#include "rtControls.h"

#include "rtAccessibleName.h"
#include "rtActnList.h"
#include "rtExceptions.h"
#include "rtForms.h"
#include "rtGraphicsInfo.h"

#include <algorithm>

namespace {

const wchar_t kObjectProp[] = L"Corvane.Object";

std::function<void(std::exception_ptr)>& Router()
{
    static std::function<void(std::exception_ptr)> router;
    return router;
}

int g_handlerDepth = 0;
std::vector<std::function<void()>> g_idleActions;

} // namespace

void SetExceptionRouter(std::function<void(std::exception_ptr)> router)
{
    Router() = std::move(router);
}

void RouteException(std::exception_ptr error)
{
    try {
        if (Router()) {
            Router()(error);
            return;
        }
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        OutputDebugStringW(e.Message().c_str());
    } catch (...) {
        OutputDebugStringW(L"unhandled error");
    }
}

THandlerScope::THandlerScope()
{
    ++g_handlerDepth;
}

THandlerScope::~THandlerScope()
{
    if (--g_handlerDepth > 0)
        return;
    // Actions may start handlers of their own; take the list first.
    while (!g_idleActions.empty()) {
        auto actions = std::move(g_idleActions);
        g_idleActions.clear();
        for (auto& a : actions) {
            try {
                a();
            } catch (...) {
                RouteException(std::current_exception());
            }
        }
    }
}

int THandlerScope::Depth()
{
    return g_handlerDepth;
}

void THandlerScope::RunWhenIdle(std::function<void()> action)
{
    if (g_handlerDepth == 0) {
        action();
        return;
    }
    g_idleActions.push_back(std::move(action));
}

// ---- TWinControl ----------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TComponent(owner)
{
    m_font.OnChange = [this](TGraphicsObject*) { FontChanged(); };
}

TWinControl::~TWinControl()
{
    if (m_life)
        *m_life = false;
    Destroying();
    // Children go first so that their windows are destroyed while ours still exists.
    while (!m_controls.empty())
        m_controls.back()->SetParent(nullptr);
    DestroyHandle();
    if (m_parent)
        m_parent->RemoveControl(this);
    m_actionLink.reset();
}

const TClassInfo* TWinControl::StaticProperties()
{
    static const TClassInfo info = [] {
        FontProperties();
        TClassInfo ci(L"TWinControl", nullptr);
        ci.AddInt<TWinControl>(L"Left", &TWinControl::SetLeft, &TWinControl::Left);
        ci.AddInt<TWinControl>(L"Top", &TWinControl::SetTop, &TWinControl::Top);
        ci.AddInt<TWinControl>(L"Width", &TWinControl::SetWidth, &TWinControl::Width);
        ci.AddInt<TWinControl>(L"Height", &TWinControl::SetHeight, &TWinControl::Height);
        ci.AddInt<TWinControl>(L"ClientWidth", &TWinControl::SetClientWidth, &TWinControl::ClientWidth);
        ci.AddInt<TWinControl>(L"ClientHeight", &TWinControl::SetClientHeight, &TWinControl::ClientHeight);
        ci.AddEnum<TWinControl, TAlign>(L"Align",
                                        {{L"alNone", alNone},
                                         {L"alTop", alTop},
                                         {L"alBottom", alBottom},
                                         {L"alLeft", alLeft},
                                         {L"alRight", alRight},
                                         {L"alClient", alClient}},
                                        &TWinControl::SetAlign, &TWinControl::Align);
        ci.AddBool<TWinControl>(L"Visible", &TWinControl::SetVisible, &TWinControl::Visible);
        ci.AddBool<TWinControl>(L"Enabled", &TWinControl::SetEnabled, &TWinControl::Enabled);
        ci.AddString<TWinControl>(L"Caption", &TWinControl::SetText, &TWinControl::Text);
        ci.AddString<TWinControl>(L"Text", &TWinControl::SetText, &TWinControl::Text);
        ci.AddObject<TWinControl, TFont>(L"Font", &TWinControl::Font);
        ci.AddBool<TWinControl>(L"ParentFont", &TWinControl::SetParentFont, &TWinControl::ParentFont);
        ci.AddColor<TWinControl>(L"Color", &TWinControl::SetColor, &TWinControl::Color);
        ci.AddBool<TWinControl>(L"ParentColor", &TWinControl::SetParentColor, &TWinControl::ParentColor);
        ci.AddInt<TWinControl>(L"TabOrder", &TWinControl::SetTabOrder, &TWinControl::TabOrder);
        ci.AddBool<TWinControl>(L"TabStop", &TWinControl::SetTabStop, &TWinControl::TabStop);
        ci.AddSet<TWinControl, TAnchors>(
            L"Anchors",
            {{L"akLeft", akLeft}, {L"akTop", akTop}, {L"akRight", akRight}, {L"akBottom", akBottom}},
            &TWinControl::SetAnchors, &TWinControl::Anchors);
        ci.AddObject<TWinControl, TSizeConstraints>(L"Constraints", &TWinControl::Constraints);
        ci.AddString<TWinControl>(L"Hint", &TWinControl::SetHint, &TWinControl::Hint);
        ci.Add(
            {L"Action",
             [](TPersistent& o, const TValue& v, const TReaderContext*) {
                 static_cast<TWinControl&>(o).SetActionName(ReferenceName(v));
             },
             [](const TPersistent& o) { return ReferenceValue(static_cast<const TWinControl&>(o).Action()); },
             {},
             {}});
        ci.AddEvent<TWinControl, TNotifyEvent>(L"OnClick", &TWinControl::OnClick);
        ci.AddEvent<TWinControl, TNotifyEvent>(L"OnResize", &TWinControl::OnResize);
        return ci;
    }();
    return &info;
}

void TWinControl::SetParentComponent(TComponent* parent)
{
    if (auto* p = dynamic_cast<TWinControl*>(parent))
        SetParent(p);
}

void TWinControl::SetParent(TWinControl* parent)
{
    if (parent == m_parent)
        return;
    if (parent) {
        for (TWinControl* p = parent; p; p = p->m_parent)
            if (p == this)
                throw EInvalidOperation(L"A control cannot have itself as its parent");
    }
    if (m_parent) {
        if (m_handle && !IsDestroying())
            DestroyHandle();
        m_parent->RemoveControl(this);
    }
    if (parent) {
        parent->InsertControl(this);
        if (m_parentFont)
            ParentFontChanged();
        if (m_parentColor)
            ParentColorChanged();
        if (parent->HandleAllocated())
            Handle();
    }
}

void TWinControl::InsertControl(TWinControl* control)
{
    control->m_parent = this;
    if (control->m_tabOrder < 0 || control->m_tabOrder > static_cast<int>(m_controls.size()))
        control->m_tabOrder = static_cast<int>(m_controls.size());
    m_controls.push_back(control);
    if (control->m_align != alNone)
        AlignControls();
}

void TWinControl::RemoveControl(TWinControl* control)
{
    m_controls.erase(std::remove(m_controls.begin(), m_controls.end(), control), m_controls.end());
    control->m_parent = nullptr;
}

TCustomForm* TWinControl::GetParentForm() const
{
    const TWinControl* c = this;
    while (c->m_parent)
        c = c->m_parent;
    return dynamic_cast<TCustomForm*>(const_cast<TWinControl*>(c));
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    SIZE limited = m_constraints.Apply(std::max(width, 0), std::max(height, 0));
    width = limited.cx;
    height = limited.cy;
    if (left == m_left && top == m_top && width == m_width && height == m_height)
        return;
    bool resized = width != m_width || height != m_height;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    if (m_handle && !m_settingBounds) {
        m_settingBounds = true;
        SetWindowPos(m_handle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        m_settingBounds = false;
    }
    if (m_parent && m_align != alNone && !m_parent->m_aligning)
        m_parent->AlignControls();
    if (resized)
        Resized();
}

RECT TWinControl::ClientRect() const
{
    RECT r{0, 0, m_width, m_height};
    if (m_handle)
        GetClientRect(m_handle, &r);
    return r;
}

int TWinControl::ClientWidth() const
{
    RECT r = ClientRect();
    return r.right - r.left;
}

int TWinControl::ClientHeight() const
{
    RECT r = ClientRect();
    return r.bottom - r.top;
}

void TWinControl::SetClientWidth(int v)
{
    SetWidth(m_width - ClientWidth() + v);
}

void TWinControl::SetClientHeight(int v)
{
    SetHeight(m_height - ClientHeight() + v);
}

void TWinControl::SetAlign(TAlign value)
{
    if (value == m_align)
        return;
    m_align = value;
    if (m_parent)
        m_parent->AlignControls();
}

void TWinControl::AlignControls()
{
    if (m_aligning)
        return;
    m_aligning = true;
    RECT r = ClientRect();
    // Edges first in list order, then whatever is left goes to the client-aligned controls.
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TWinControl* c : m_controls) {
            if (c->m_align != pass || !c->m_visible)
                continue;
            switch (pass) {
            case alTop:
                c->SetBounds(r.left, r.top, r.right - r.left, c->m_height);
                r.top += c->m_height;
                break;
            case alBottom:
                c->SetBounds(r.left, r.bottom - c->m_height, r.right - r.left, c->m_height);
                r.bottom -= c->m_height;
                break;
            case alLeft:
                c->SetBounds(r.left, r.top, c->m_width, r.bottom - r.top);
                r.left += c->m_width;
                break;
            case alRight:
                c->SetBounds(r.right - c->m_width, r.top, c->m_width, r.bottom - r.top);
                r.right -= c->m_width;
                break;
            default: c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); break;
            }
        }
    }
    m_aligning = false;
}

void TWinControl::ScaleControls(int m, int d)
{
    if (m == d || d == 0)
        return;
    for (TWinControl* c : m_controls) {
        c->SetBounds(MulDiv(c->m_left, m, d), MulDiv(c->m_top, m, d), MulDiv(c->m_width, m, d),
                     MulDiv(c->m_height, m, d));
        c->ScaleControls(m, d);
    }
    AlignControls();
}

void TWinControl::ScreenResolutionChanged(int m, int d)
{
    for (TWinControl* c : m_controls)
        c->ScreenResolutionChanged(m, d);
}

void TWinControl::AnchorChildren()
{
    if (!m_handle)
        return;
    RECT r;
    GetClientRect(m_handle, &r);
    SIZE now{r.right - r.left, r.bottom - r.top};
    if (m_anchorBase.cx < 0) {
        m_anchorBase = now;
        return;
    }
    int dx = now.cx - m_anchorBase.cx;
    int dy = now.cy - m_anchorBase.cy;
    m_anchorBase = now;
    if (dx == 0 && dy == 0)
        return;
    for (TWinControl* c : m_controls) {
        if (c->m_align != alNone)
            continue;
        int left = c->m_left, top = c->m_top, width = c->m_width, height = c->m_height;
        if (c->m_anchors & akRight) {
            if (c->m_anchors & akLeft)
                width += dx;
            else
                left += dx;
        }
        if (c->m_anchors & akBottom) {
            if (c->m_anchors & akTop)
                height += dy;
            else
                top += dy;
        }
        c->SetBounds(left, top, width, height);
    }
}

void TWinControl::Resized()
{
    AnchorChildren();
    AlignControls();
    if (OnResize)
        CallHandler([this] { OnResize(this); });
}

void TWinControl::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    m_visible = value;
    if (value && !m_handle && (!m_parent || m_parent->HandleAllocated()))
        Handle();
    if (m_handle)
        ShowWindow(m_handle, value ? SW_SHOW : SW_HIDE);
    if (m_parent && m_align != alNone)
        m_parent->AlignControls();
    VisibleChanged();
}

void TWinControl::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    if (m_handle)
        EnableWindow(m_handle, value);
    EnabledChanged();
}

bool TWinControl::IsEnabledDeep() const
{
    for (const TWinControl* c = this; c; c = c->m_parent)
        if (!c->m_enabled)
            return false;
    return true;
}

void TWinControl::EnabledChanged()
{
    Invalidate();
}

void TWinControl::SetText(const std::wstring& value)
{
    if (value == m_text)
        return;
    m_text = value;
    TextChanged();
}

void TWinControl::TextChanged()
{
    if (m_handle)
        SetWindowTextW(m_handle, m_text.c_str());
    Invalidate();
}

void TWinControl::SetParentFont(bool value)
{
    if (value == m_parentFont)
        return;
    m_parentFont = value;
    if (value)
        ParentFontChanged();
}

void TWinControl::ParentFontChanged()
{
    if (!m_parent || !m_parentFont)
        return;
    m_settingParentFont = true;
    m_font.Assign(&m_parent->m_font);
    m_settingParentFont = false;
}

void TWinControl::FontChanged()
{
    if (!m_settingParentFont)
        m_parentFont = false;
    if (m_handle && m_defaultProc)
        ApplyNativeFont(TRUE);
    ChildFontChanged();
    Invalidate();
}

void TWinControl::ApplyNativeFont(BOOL redraw)
{
    // The platform control keeps using the font it was given, so the old one may only go
    // once the new one is in place.
    UniqueFont font(CreateFontIndirectW(&m_font.LogFont()));
    SendMessageW(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), redraw);
    m_nativeFont = std::move(font);
}

void TWinControl::ChildFontChanged()
{
    for (TWinControl* c : m_controls)
        c->ParentFontChanged();
}

void TWinControl::SetColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    m_parentColor = false;
    ColorChanged();
}

void TWinControl::SetParentColor(bool value)
{
    if (value == m_parentColor)
        return;
    m_parentColor = value;
    if (value)
        ParentColorChanged();
}

void TWinControl::ParentColorChanged()
{
    if (!m_parent || !m_parentColor || m_color == m_parent->m_color)
        return;
    m_color = m_parent->m_color;
    ColorChanged();
}

void TWinControl::ColorChanged()
{
    for (TWinControl* c : m_controls) {
        c->ParentColorChanged();
        if (c->m_handle && c->ShowsWhatLiesBehind())
            RedrawWindow(c->m_handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    Invalidate();
}

void TWinControl::SetTabOrder(int value)
{
    if (!m_parent) {
        m_tabOrder = value;
        return;
    }
    auto& list = m_parent->m_controls;
    int count = static_cast<int>(list.size());
    if (value < 0 || value >= count)
        value = count - 1;
    // Tab orders of siblings stay a permutation: the others shift to make room.
    int old = m_tabOrder;
    for (TWinControl* c : list) {
        if (c == this)
            continue;
        if (old < value && c->m_tabOrder > old && c->m_tabOrder <= value)
            --c->m_tabOrder;
        else if (old > value && c->m_tabOrder >= value && c->m_tabOrder < old)
            ++c->m_tabOrder;
    }
    m_tabOrder = value;
}

void TWinControl::SetTabStop(bool value)
{
    m_tabStop = value;
}

bool TWinControl::CanFocus() const
{
    if (!CanTakeFocus())
        return false;
    for (const TWinControl* c = this; c; c = c->m_parent)
        if (!c->m_visible || !c->m_enabled)
            return false;
    return true;
}

bool TWinControl::Focused() const
{
    return m_handle && GetFocus() == m_handle;
}

void TWinControl::SetFocus()
{
    if (!CanFocus())
        throw EInvalidOperation(L"Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
}

void TWinControl::FocusEntered()
{
    if (TCustomForm* form = GetParentForm())
        form->ActiveControlFocused(this);
    if (OnEnter)
        CallHandler([this] { OnEnter(this); });
}

void TWinControl::FocusLeft()
{
    if (OnExit)
        CallHandler([this] { OnExit(this); });
}

void TWinControl::Click()
{
    if (OnClick) {
        CallHandler([this] { OnClick(this); });
        return;
    }
    // The handler may free the control: the link is not touched after it ran.
    if (m_actionLink && m_actionLink->Action()) {
        TActionLink* link = m_actionLink.get();
        CallHandler([link] { link->Execute(); });
    }
}

TBasicAction* TWinControl::Action() const
{
    return m_actionLink ? m_actionLink->Action() : nullptr;
}

void TWinControl::SetAction(TBasicAction* action)
{
    if (!action) {
        m_actionLink.reset();
        return;
    }
    if (!m_actionLink)
        m_actionLink = CreateActionLink();
    m_actionLink->SetAction(action);
}

std::unique_ptr<TActionLink> TWinControl::CreateActionLink()
{
    return std::make_unique<TControlActionLink>(this);
}

void TWinControl::SetActionName(const std::wstring& name)
{
    m_actionName = name;
    if (!IsLoading())
        Loaded();
}

void TWinControl::Loaded()
{
    TComponent::Loaded();
    if (m_actionName.empty())
        return;
    std::wstring name = std::move(m_actionName);
    m_actionName.clear();
    SetAction(ResolveReference<TBasicAction>(Owner(), name, L"Action", L"an action"));
}

void TWinControl::CallHandler(const std::function<void()>& handler)
{
    THandlerScope scope;
    try {
        handler();
    } catch (...) {
        RouteException(std::current_exception());
    }
}

bool TWinControl::DescribeAccessible(TAccessibleDescription& d)
{
    if (m_accessibleName.empty())
        return false;
    d.hasName = true;
    d.name = m_accessibleName;
    return true;
}

TWinControl::TLife TWinControl::Life() const
{
    if (!m_life)
        m_life = std::make_shared<bool>(true);
    return TLife(m_life);
}

// ---- window handle ----------------------------------------------------------------------

void TWinControl::CreateParams(TCreateParams& params)
{
    params.windowClass = std::wstring(L"Corvane.") + ClassName();
    params.style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (m_visible)
        params.style |= WS_VISIBLE;
    if (!m_enabled)
        params.style |= WS_DISABLED;
    params.cursor = LoadCursorW(nullptr, IDC_ARROW);
    if (m_parent)
        params.parent = m_parent->Handle();
}

void TWinControl::RegisterWindowClass(const TCreateParams& params)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(instance, params.windowClass.c_str(), &wc))
        return;
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = params.classStyle;
    wc.lpfnWndProc = &TWinControl::StaticWndProc;
    wc.hInstance = instance;
    wc.hCursor = params.cursor;
    // Only a window of its own on the desktop shows the program's icon. Reading it from the
    // resources for every class of child windows cost most of the first window of each kind.
    if (!(params.style & WS_CHILD))
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = params.windowClass.c_str();
    if (!RegisterClassExW(&wc))
        throw EInvalidOperation(L"Cannot register window class " + params.windowClass);
}

HWND TWinControl::Handle()
{
    if (!m_handle) {
        if (m_parent)
            m_parent->Handle();
        if (!m_handle) {
            CreateWnd();
            CreateChildHandles();
        }
    }
    return m_handle;
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    if (!params.systemClass)
        RegisterWindowClass(params);
    HWND wnd = CreateWindowExW(params.exStyle, params.windowClass.c_str(), m_text.c_str(), params.style,
                               m_left, m_top, m_width, m_height, params.parent, nullptr,
                               GetModuleHandleW(nullptr), params.systemClass ? nullptr : this);
    if (!wnd)
        throw EInvalidOperation(L"Error creating window of " + std::wstring(ClassName()) + L": " +
                                std::to_wstring(GetLastError()));
    if (params.systemClass) {
        SetPropW(wnd, kObjectProp, this);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_handle = wnd;
        m_defaultProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::StaticWndProc)));
        ApplyNativeFont(FALSE);
    }
    // Stored order is stacking order: the first child lies on top of its later siblings.
    // A new window starts on top of its siblings; the only child already lies at the bottom.
    if (m_parent && GetWindow(wnd, GW_HWNDNEXT))
        SetWindowPos(wnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateBoundsFromWindow();
    RECT client;
    GetClientRect(m_handle, &client);
    m_anchorBase = {client.right - client.left, client.bottom - client.top};
    HandleCreated();
}

void TWinControl::CreateChildHandles()
{
    for (TWinControl* c : m_controls)
        if (!c->m_handle)
            c->Handle();
    AlignControls();
}

void TWinControl::UpdateBoundsFromWindow()
{
    if (!m_handle)
        return;
    RECT r;
    GetWindowRect(m_handle, &r);
    if (HWND parent = GetParent(m_handle); parent && (GetWindowLongW(m_handle, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    bool resized = r.right - r.left != m_width || r.bottom - r.top != m_height;
    m_left = r.left;
    m_top = r.top;
    m_width = r.right - r.left;
    m_height = r.bottom - r.top;
    if (resized)
        Resized();
}

void TWinControl::DestroyHandle()
{
    if (!m_handle)
        return;
    for (TWinControl* c : m_controls)
        c->DestroyHandle();
    HandleDestroying();
    HWND wnd = m_handle;
    // Detach first: no virtual call may reach this object from the destruction messages.
    RemovePropW(wnd, kObjectProp);
    SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
    if (m_defaultProc)
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_defaultProc));
    m_handle = nullptr;
    m_defaultProc = nullptr;
    DestroyWindow(wnd);
}

void TWinControl::RecreateWnd()
{
    if (!m_handle)
        return;
    DestroyHandle();
    Handle();
}

// The object is kept twice on its window: in the user data, read without a trip to the window
// server but only trusted while the window still runs this library's procedure, and in a
// property, for a window whose procedure someone else has replaced since.
TWinControl* TWinControl::FromHandle(HWND wnd)
{
    if (!wnd)
        return nullptr;
    if (GetWindowLongPtrW(wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TWinControl::StaticWndProc))
        return reinterpret_cast<TWinControl*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    return static_cast<TWinControl*>(GetPropW(wnd, kObjectProp));
}

TWinControl* TWinControl::FindControl(HWND wnd)
{
    for (; wnd; wnd = GetParent(wnd))
        if (TWinControl* c = FromHandle(wnd))
            return c;
    return nullptr;
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_handle)
        return SendMessageW(m_handle, msg, wParam, lParam);
    return WndProc(msg, wParam, lParam);
}

void TWinControl::Invalidate()
{
    ++m_pictureGeneration;
    if (m_handle)
        InvalidateRect(m_handle, nullptr, TRUE);
}

void TWinControl::Update()
{
    if (m_handle)
        UpdateWindow(m_handle);
}

void TWinControl::Repaint()
{
    Invalidate();
    Update();
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinControl* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<TWinControl*>(cs->lpCreateParams);
        if (self) {
            SetPropW(wnd, kObjectProp, self);
            SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->m_handle = wnd;
        }
    } else {
        // This procedure runs only for the library's own windows, whose user data is the object.
        self = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcW(wnd, msg, wParam, lParam);
    // No error may unwind through the platform: route it to the application instead.
    try {
        LRESULT r = self->Dispatch(msg, wParam, lParam);
        if (msg == WM_NCDESTROY) {
            RemovePropW(wnd, kObjectProp);
            SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
            if (self->m_handle == wnd) {
                self->m_handle = nullptr;
                self->m_defaultProc = nullptr;
            }
        }
        return r;
    } catch (...) {
        RouteException(std::current_exception());
        return 0;
    }
}

LRESULT TWinControl::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return WndProc(msg, wParam, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_defaultProc)
        return CallWindowProcW(m_defaultProc, m_handle, msg, wParam, lParam);
    return DefWindowProcW(m_handle, msg, wParam, lParam);
}

bool TWinControl::EraseBackground(HDC dc)
{
    RECT r = ClientRect();
    // The context's own brush: no brush is made and freed at every erase.
    COLORREF old = SetDCBrushColor(dc, ColorToRGB(m_color));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, old);
    return true;
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_GETOBJECT:
        if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
            TAccessibleDescription d;
            if (DescribeAccessible(d))
                if (LRESULT r = AnswerAccessible(m_handle, wParam))
                    return r;
        }
        break;
    case WM_ACCESSIBLE_ACTION: DoAccessibleAction(static_cast<int>(wParam)); return 0;
    case WM_ERASEBKGND:
        if (m_defaultProc)
            break;
        return EraseBackground(reinterpret_cast<HDC>(wParam)) ? 1 : 0;
    case WM_PAINT:
        ++m_pictureGeneration;
        if (m_defaultProc)
            break;
        {
            PaintGuard pg(m_handle);
            Paint(pg.dc(), pg.ps().rcPaint);
        }
        return 0;
    case WM_PRINTCLIENT:
        if (m_defaultProc)
            break;
        {
            RECT r = ClientRect();
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (lParam & PRF_ERASEBKGND)
                EraseBackground(dc);
            Paint(dc, r);
        }
        return 0;
    case WM_WINDOWPOSCHANGED:
        if (!(reinterpret_cast<WINDOWPOS*>(lParam)->flags & SWP_NOSIZE))
            ++m_pictureGeneration;
        // A move copies the window's pixels along, and with them the old place's background.
        if (!(reinterpret_cast<WINDOWPOS*>(lParam)->flags & SWP_NOMOVE) && ShowsWhatLiesBehind())
            RedrawWindow(m_handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        if (!m_settingBounds) {
            LRESULT r = DefaultHandler(msg, wParam, lParam);
            auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
            if (!(wp->flags & SWP_NOSIZE) || !(wp->flags & SWP_NOMOVE))
                UpdateBoundsFromWindow();
            return r;
        }
        break;
    case WM_SETFOCUS: {
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        FocusEntered();
        return r;
    }
    case WM_KILLFOCUS: {
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        FocusLeft();
        return r;
    }
    case WM_GETMINMAXINFO: {
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (m_constraints.MinWidth() > 0)
            info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, m_constraints.MinWidth());
        if (m_constraints.MinHeight() > 0)
            info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, m_constraints.MinHeight());
        if (m_constraints.MaxWidth() > 0)
            info->ptMaxTrackSize.x = m_constraints.MaxWidth();
        if (m_constraints.MaxHeight() > 0)
            info->ptMaxTrackSize.y = m_constraints.MaxHeight();
        return r;
    }
    case WM_SETCURSOR:
        if (ScreenCursor() != crDefault) {
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514))); // IDC_WAIT
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        if (!m_defaultProc && CanFocus() && m_tabStop && GetFocus() != m_handle)
            SetFocus();
        break;
    case WM_COMMAND:
        // Notifications of platform controls go back to the control that sent them.
        if (lParam) {
            if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam)); child && child != this)
                return child->WndProc(CN_COMMAND, wParam, lParam);
        }
        break;
    case WM_NOTIFY:
        if (auto* hdr = reinterpret_cast<NMHDR*>(lParam)) {
            if (TWinControl* child = FromHandle(hdr->hwndFrom); child && child != this)
                return child->WndProc(CN_NOTIFY, wParam, lParam);
        }
        break;
    case WM_DRAWITEM:
        if (auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam); dis && dis->CtlType != ODT_MENU) {
            if (TWinControl* child = FromHandle(dis->hwndItem); child && child != this) {
                child->WndProc(CN_DRAWITEM, wParam, lParam);
                return TRUE;
            }
        }
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam)); child && child != this) {
            if (LRESULT brush = child->WndProc(CN_BASE + msg, wParam, lParam))
                return brush;
        }
        break;
    default:
        if (msg >= CN_BASE && msg < CN_BASE + 0x400)
            return 0;
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

// ---- size constraints and the screen cursor ------------------------------------------

const TClassInfo* TSizeConstraints::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TSizeConstraints", nullptr);
        ci.AddInt<TSizeConstraints>(L"MinWidth", &TSizeConstraints::SetMinWidth, &TSizeConstraints::MinWidth);
        ci.AddInt<TSizeConstraints>(L"MinHeight", &TSizeConstraints::SetMinHeight,
                                    &TSizeConstraints::MinHeight);
        ci.AddInt<TSizeConstraints>(L"MaxWidth", &TSizeConstraints::SetMaxWidth, &TSizeConstraints::MaxWidth);
        ci.AddInt<TSizeConstraints>(L"MaxHeight", &TSizeConstraints::SetMaxHeight,
                                    &TSizeConstraints::MaxHeight);
        return ci;
    }();
    return &info;
}

void TSizeConstraints::Assign(const TPersistent* source)
{
    if (auto* c = dynamic_cast<const TSizeConstraints*>(source)) {
        m_minWidth = c->m_minWidth;
        m_minHeight = c->m_minHeight;
        m_maxWidth = c->m_maxWidth;
        m_maxHeight = c->m_maxHeight;
        return;
    }
    TPersistent::Assign(source);
}

SIZE TSizeConstraints::Apply(int width, int height) const noexcept
{
    if (m_maxWidth > 0)
        width = std::min(width, m_maxWidth);
    if (m_maxHeight > 0)
        height = std::min(height, m_maxHeight);
    return {std::max(width, m_minWidth), std::max(height, m_minHeight)};
}

namespace {
TScreenCursor g_screenCursor = crDefault;
}

TScreenCursor ScreenCursor() noexcept
{
    return g_screenCursor;
}

void SetScreenCursor(TScreenCursor cursor)
{
    if (cursor == g_screenCursor)
        return;
    g_screenCursor = cursor;
    // Show the change at once, not only at the next mouse move.
    SetCursor(LoadCursorW(nullptr, cursor == crDefault ? MAKEINTRESOURCEW(32512) : MAKEINTRESOURCEW(32514)));
}

TShiftState KeyboardShiftState()
{
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        s |= ssShift;
    if (GetKeyState(VK_MENU) < 0)
        s |= ssAlt;
    if (GetKeyState(VK_CONTROL) < 0)
        s |= ssCtrl;
    return s;
}

TShiftState MouseShiftState(WPARAM keyFlags)
{
    TShiftState s = 0;
    if (keyFlags & MK_SHIFT)
        s |= ssShift;
    if (keyFlags & MK_CONTROL)
        s |= ssCtrl;
    if (keyFlags & MK_LBUTTON)
        s |= ssLeft;
    if (keyFlags & MK_RBUTTON)
        s |= ssRight;
    if (keyFlags & MK_MBUTTON)
        s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0)
        s |= ssAlt;
    return s;
}
