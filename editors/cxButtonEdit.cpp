#include "cxButtonEdit.h"

#include "runtime/rtGraphicsInfo.h"

#include <windowsx.h>
#include <utility>

TcxButtonEditProperties::TcxButtonEditProperties(TcxCustomEdit* owner) : TcxTextEditProperties(owner)
{
    m_buttons.OnChanged = [this](TObject*) { Changed(); };
    // New button settings have one button, the default ellipsis; a stored description
    // replaces it with the buttons it lists.
    TcxEditButton* first = m_buttons.Add();
    first->SetDefault(true);
    first->SetKind(bkEllipsis);
}

const TClassInfo* TcxButtonEditProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxButtonEditProperties", TcxTextEditProperties::StaticProperties());
        using P = TcxButtonEditProperties;
        ci.AddCollection<P, TcxEditButtons>(L"Buttons", &P::Buttons);
        ci.AddEnum<P, TcxTextEditViewStyle>(L"ViewStyle",
                                            {{L"vsNormal", vsNormal},
                                             {L"vsHideCursor", vsHideCursor},
                                             {L"vsButtonsOnly", vsButtonsOnly},
                                             {L"vsButtonsAutoWidth", vsButtonsAutoWidth}},
                                            &P::SetViewStyle, &P::ViewStyle);
        ci.AddString<P>(L"EditMask", &P::SetEditMask, &P::EditMask);
        ci.AddEnum<P, TcxEditMaskKind>(
            L"MaskKind",
            {{L"emkStandard", emkStandard}, {L"emkRegExpr", emkRegExpr}, {L"emkRegExprEx", emkRegExprEx}},
            &P::SetMaskKind, &P::MaskKind);
        ci.AddBool<P>(L"IgnoreMaskBlank", &P::SetIgnoreMaskBlank, &P::IgnoreMaskBlank);
        ci.AddEvent<TcxButtonEditProperties, TcxEditButtonClickEvent>(
            L"OnButtonClick", &TcxButtonEditProperties::OnButtonClick);
        return ci;
    }();
    return &info;
}

void TcxButtonEditProperties::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TcxButtonEditProperties*>(source)) {
        LockUpdate();
        try {
            m_buttons.Assign(&p->m_buttons);
            OnButtonClick = p->OnButtonClick;
            m_viewStyle = p->m_viewStyle;
            m_editMask = p->m_editMask;
            m_maskKind = p->m_maskKind;
            m_ignoreMaskBlank = p->m_ignoreMaskBlank;
            TcxTextEditProperties::Assign(source);
        } catch (...) {
            UnlockUpdate();
            throw;
        }
        UnlockUpdate();
        return;
    }
    TcxTextEditProperties::Assign(source);
}

TcxButtonEdit::TcxButtonEdit(TComponent* owner) : TcxCustomTextEdit(owner)
{
    Construct(new TcxButtonEditProperties(this));
}

TcxButtonEdit::~TcxButtonEdit()
{
    StopHoverWatch(this);
}

void TcxButtonEdit::FollowHint(int k)
{
    if (k >= 0 && (m_buttonInfos[static_cast<size_t>(k)].hint.empty() || !ShowHint()))
        k = -1;
    if (k == m_hintButton)
        return;
    CancelHint();
    m_hintButton = k;
    if (k < 0)
        return;
    if (!m_hintTimer) {
        m_hintTimer = std::make_unique<TcxTimer>(nullptr);
        m_hintTimer->SetEnabled(false);
        m_hintTimer->SetOnTimer([this](TObject*) { HintTimerTick(); });
    }
    m_hintTimer->SetInterval(kHintPause);
    m_hintTimer->SetEnabled(true);
}

void TcxButtonEdit::CancelHint()
{
    if (m_hintTimer)
        m_hintTimer->SetEnabled(false);
    if (m_hintWindow)
        m_hintWindow->Hide();
    m_hintButton = -1;
    m_hintDone = false;
}

void TcxButtonEdit::HintTimerTick()
{
    m_hintTimer->SetEnabled(false);
    if (m_hintWindow && m_hintWindow->Showing()) {
        m_hintWindow->Hide();
        m_hintDone = true;
        return;
    }
    if (m_hintDone || m_hintButton < 0 || !HandleAllocated())
        return;
    // Shown only while the cursor still rests on the same button of this editor.
    POINT screen;
    GetCursorPos(&screen);
    POINT p = screen;
    ScreenToClient(Handle(), &p);
    std::wstring hint;
    RECT area;
    if (TWinControl::FindControl(WindowFromPoint(screen)) != this || ButtonAt(p) != m_hintButton ||
        !ButtonHintAt(p, hint, area))
        return;
    if (!m_hintWindow)
        m_hintWindow = std::make_unique<TcxHintWindow>();
    // Below the cursor's picture, so that the hint does not hide what it points at.
    m_hintWindow->ShowAt(hint, {screen.x, screen.y + GetSystemMetrics(SM_CYCURSOR) * 3 / 4});
    m_hintTimer->SetInterval(kHintHidePause);
    m_hintTimer->SetEnabled(true);
}

void TcxButtonEdit::MouseMove(POINT p)
{
    TcxCustomTextEdit::MouseMove(p);
    FollowHint(ButtonAt(p));
}

void TcxButtonEdit::MouseLeave()
{
    TcxCustomTextEdit::MouseLeave();
    POINT screen;
    GetCursorPos(&screen);
    if (TWinControl::FindControl(WindowFromPoint(screen)) != this)
        CancelHint();
}

void TcxButtonEdit::HoverEnded()
{
    TcxCustomTextEdit::HoverEnded();
    CancelHint();
}

const TClassInfo* TcxButtonEdit::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxButtonEdit", TcxCustomTextEdit::StaticProperties());
        ci.AddObject<TcxButtonEdit, TcxButtonEditProperties>(L"Properties", &TcxButtonEdit::Properties);
        return ci;
    }();
    return &info;
}

HFONT TcxButtonEdit::CaptionFont()
{
    const TFont& font = CurrentStyle()->EffectiveFont();
    if (!m_captionFont.SameAs(font))
        m_captionFont.Assign(&font);
    return m_captionFont.Handle();
}

int TcxButtonEdit::ButtonWidth(const TcxEditButton& button)
{
    // The platform's buttons keep their own margins around the content.
    SIZE native{};
    int margin = UsesNativeTheme() && NativeButtonMargins(native) ? native.cx : 4;
    // In the automatic-width view every button takes the width its content asks for.
    int width = ActiveButtonProperties()->ViewStyle() == vsButtonsAutoWidth ? 0 : button.Width();
    if (width == 0 && OnGetDefaultButtonWidth && button.Collection) {
        int index = button.Collection->IndexOf(&button);
        CallHandler([&] { OnGetDefaultButtonWidth(this, index, width); });
    }
    if (width > 0)
        return std::max(width, margin);
    if (button.Kind() == bkGlyph && button.HasGlyph())
        return button.GlyphIfAny()->Width() + margin;
    int scrollBar = GetSystemMetrics(SM_CYHSCROLL);
    if (button.Kind() == bkText) {
        std::wstring caption = EditButtonDisplayCaption(button.Caption());
        HDC dc = MeasureDC();
        SelectGuard sel(dc, CaptionFont());
        SIZE sz{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &sz);
        return std::max(scrollBar, margin + static_cast<int>(sz.cx) + 3);
    }
    return scrollBar;
}

void TcxButtonEdit::CalculateButtons(POINT p, bool hotAllowed)
{
    m_previousPressedButton = m_pressedButton;
    m_previousHotButton = m_hotButton;
    m_pressedButton = m_hotButton = -1;
    m_buttonInfos.clear();
    TcxEditButtons* buttons = ActiveButtonProperties()->Buttons();
    auto* style = static_cast<TcxEditStyle*>(CurrentStyle());
    TcxContainerState state = m_viewInfo.state;
    bool focused = (state & csfFocused) != 0, hot = (state & csfHot) != 0;
    TcxEditButtonTransparency transparency = style->ButtonTransparency();
    if ((transparency == ebtHideInactive && !focused) ||
        (transparency == ebtHideUnselected && !focused && !hot))
        return;
    TcxEditButtonStyle buttonStyle = style->EffectiveButtonStyle();
    bool transparent = transparency == ebtAlways || (transparency == ebtInactive && !focused && !hot);
    RECT area = m_viewInfo.borderRect;
    // Walked from the last button to the first, each taking its column at the edge of what
    // is left; the array ends up in collection order.
    int leftFirst = -1, leftLast = -1, rightFirst = -1, rightLast = -1;
    std::vector<TcxEditButtonViewInfo> infos;
    for (int i = buttons->Count() - 1; i >= 0; --i) {
        TcxEditButton* b = buttons->Items(i);
        if (!b->Visible())
            continue;
        TcxEditButtonViewInfo vi;
        vi.index = i;
        vi.kind = b->Kind();
        vi.caption = EditButtonDisplayCaption(b->Caption());
        vi.captionColor = ButtonTextColor(i, b->TextColor());
        vi.hint = b->Hint();
        vi.isDefault = b->Default();
        vi.leftAligned = b->LeftAlignment();
        vi.style = buttonStyle;
        vi.transparent = transparent;
        vi.gradient = style->GradientButtons();
        vi.backgroundColor = m_viewInfo.backgroundColor;
        vi.glyph = b->GlyphIfAny();
        vi.native = m_viewInfo.usesNativeTheme;
        int w = std::min(ButtonWidth(*b), std::max(0, static_cast<int>(area.right - area.left)));
        if (area.right <= area.left || area.bottom <= area.top) {
            vi.bounds = {};
        } else if (vi.leftAligned) {
            vi.bounds = {area.left, area.top, area.left + w, area.bottom};
            area.left += w;
        } else {
            vi.bounds = {area.right - w, area.top, area.right, area.bottom};
            area.right -= w;
        }
        vi.visibleBounds = vi.bounds;
        infos.insert(infos.begin(), vi);
    }
    int n = static_cast<int>(infos.size());
    if (ActiveButtonProperties()->ViewStyle() == vsButtonsOnly && n > 0) {
        // The buttons take the whole width: what is left goes to the stretchable ones (all of
        // them when none is), in proportion to their widths, the last taking the remainder;
        // every button counts as right-aligned.
        int spare = std::max(0, static_cast<int>(area.right - area.left));
        std::vector<int> widths(static_cast<size_t>(n));
        int stretchTotal = 0;
        bool anyStretchable = false;
        for (int k = 0; k < n; ++k)
            anyStretchable =
                anyStretchable || buttons->Items(infos[static_cast<size_t>(k)].index)->Stretchable();
        int lastStretch = -1;
        for (int k = 0; k < n; ++k) {
            auto& vi = infos[static_cast<size_t>(k)];
            widths[static_cast<size_t>(k)] = vi.bounds.right - vi.bounds.left;
            if (!anyStretchable || buttons->Items(vi.index)->Stretchable()) {
                stretchTotal += widths[static_cast<size_t>(k)];
                lastStretch = k;
            }
        }
        int given = 0;
        for (int k = 0; k < n && stretchTotal > 0; ++k) {
            auto& vi = infos[static_cast<size_t>(k)];
            if (anyStretchable && !buttons->Items(vi.index)->Stretchable())
                continue;
            int extra = k == lastStretch ? spare - given
                                         : MulDiv(spare, widths[static_cast<size_t>(k)], stretchTotal);
            widths[static_cast<size_t>(k)] += extra;
            given += extra;
        }
        int x = m_viewInfo.borderRect.left;
        for (int k = 0; k < n; ++k) {
            auto& vi = infos[static_cast<size_t>(k)];
            vi.leftAligned = false;
            vi.bounds = {x, vi.bounds.top, x + widths[static_cast<size_t>(k)], vi.bounds.bottom};
            vi.visibleBounds = vi.bounds;
            x = vi.bounds.right;
        }
        area.left = area.right = x;
    }
    // Which buttons sit at the edges of each side (positions counted after the walk).
    for (int k = 0; k < n; ++k) {
        if (infos[k].leftAligned) {
            if (leftFirst < 0 || infos[k].bounds.left < infos[leftFirst].bounds.left)
                leftFirst = k;
            if (leftLast < 0 || infos[k].bounds.right > infos[leftLast].bounds.right)
                leftLast = k;
        } else {
            if (rightFirst < 0 || infos[k].bounds.left < infos[rightFirst].bounds.left)
                rightFirst = k;
            if (rightLast < 0 || infos[k].bounds.right > infos[rightLast].bounds.right)
                rightLast = k;
        }
    }
    if (leftFirst >= 0) {
        infos[leftFirst].leftmost = true;
        infos[leftLast].rightmost = true;
    }
    if (rightFirst >= 0) {
        infos[rightFirst].leftmost = true;
        infos[rightLast].rightmost = true;
    }
    bool enabled = IsEnabledDeep();
    if (m_capturedButton >= n)
        m_capturedButton = -1;
    for (int k = 0; k < n; ++k) {
        TcxEditButtonViewInfo& vi = infos[k];
        if (!enabled || !buttons->Items(vi.index)->Enabled()) {
            vi.state = ebsDisabled;
        } else if (!IsDesigning() && PtInRect(&vi.visibleBounds, p)) {
            if (k == m_capturedButton) {
                vi.state = ebsPressed;
                m_pressedButton = k;
            } else if (hotAllowed) {
                vi.state = ebsSelected;
                m_hotButton = k;
            } else {
                vi.state = ebsNormal;
            }
        } else {
            vi.state = ebsNormal;
        }
        vi.state = ButtonState(vi.index, vi.state);
        if (m_pressedButton == k && vi.state != ebsPressed)
            m_pressedButton = -1;
        if (m_hotButton == k && vi.state != ebsSelected)
            m_hotButton = -1;
        vi.themeState = EditButtonThemeState(vi.state);
    }
    m_buttonInfos = std::move(infos);
    m_viewInfo.clientRect = area;
}

int TcxButtonEdit::ButtonsContentHeight()
{
    TcxEditButtons* buttons = ActiveButtonProperties()->Buttons();
    int glyph = 0;
    for (int i = 0; i < buttons->Count(); ++i) {
        TcxEditButton* b = buttons->Items(i);
        if (b->Visible() && b->Kind() == bkGlyph && b->HasGlyph())
            glyph = std::max(glyph, b->GlyphIfAny()->Height());
    }
    SIZE native{};
    if (UsesNativeTheme() && NativeButtonMargins(native))
        return glyph + native.cy;
    // The frame each button style draws around the content, top and bottom together.
    static const int styleMargins[] = {0, 4, 2, 2, 2, 2, 2};
    return glyph + styleMargins[EditStyle()->EffectiveButtonStyle()];
}

int TcxButtonEdit::AutoHeight()
{
    int height = TcxCustomTextEdit::AutoHeight();
    if (!Properties())
        return height;
    TcxContainerStyle* style = Style();
    RECT frame = ContainerBorderExtent(style->BorderStyle(), style->Edges(), style->TransparentBorder());
    int shadow = style->Shadow() ? 3 : 0;
    return std::max(height, ButtonsContentHeight() + static_cast<int>(frame.top + frame.bottom) + shadow);
}

bool TcxButtonEdit::CanModify()
{
    TcxTextEditViewStyle v = ActiveButtonProperties()->ViewStyle();
    return v != vsHideCursor && v != vsButtonsOnly && TcxCustomTextEdit::CanModify();
}

void TcxButtonEdit::Loading()
{
    TcxCustomTextEdit::Loading();
    // A stored description lists the buttons it wants: none listed means none.
    if (!m_buttonsEmptiedForReading) {
        m_buttonsEmptiedForReading = true;
        Properties()->Buttons()->Clear();
    }
}

void TcxButtonEdit::ComputeViewInfo(POINT p, bool hotAllowed)
{
    m_hasOldViewInfo = m_viewInfo.bounds.right > 0;
    m_oldViewInfo = m_viewInfo;
    m_oldButtonInfos = m_buttonInfos;
    TcxCustomTextEdit::ComputeViewInfo(p, hotAllowed);
    // A button under the mouse the editor has captured may be hot although a button is held.
    bool buttonsHotAllowed = hotAllowed || (HandleAllocated() && GetCapture() == Handle());
    CalculateButtons(p, buttonsHotAllowed);
}

void TcxButtonEdit::InvalidateAfterUpdate()
{
    if (!HandleAllocated())
        return;
    const TcxContainerViewInfo& now = m_viewInfo;
    const TcxContainerViewInfo& old = m_oldViewInfo;
    if (!m_hasOldViewInfo || now.state != old.state || now.backgroundColor != old.backgroundColor ||
        m_buttonInfos.size() != m_oldButtonInfos.size() || !EqualRect(&now.bounds, &old.bounds) ||
        !EqualRect(&now.borderRect, &old.borderRect)) {
        // Everything outside the edit box (the box is a child window and keeps its pixels).
        Invalidate();
        return;
    }
    if (now.borderColor != old.borderColor || now.borderStyle != old.borderStyle) {
        RECT ring[] = {{0, 0, now.bounds.right, now.borderRect.top},
                       {0, now.borderRect.bottom, now.bounds.right, now.bounds.bottom},
                       {0, now.borderRect.top, now.borderRect.left, now.borderRect.bottom},
                       {now.borderRect.right, now.borderRect.top, now.bounds.right, now.borderRect.bottom}};
        for (const RECT& r : ring)
            InvalidateRect(Handle(), &r, FALSE);
    }
    for (size_t k = 0; k < m_buttonInfos.size(); ++k) {
        const TcxEditButtonViewInfo& a = m_buttonInfos[k];
        const TcxEditButtonViewInfo& b = m_oldButtonInfos[k];
        if (a.state != b.state || a.style != b.style || a.backgroundColor != b.backgroundColor ||
            a.transparent != b.transparent || !EqualRect(&a.bounds, &b.bounds) || a.kind != b.kind ||
            a.caption != b.caption)
            InvalidateRect(Handle(), &a.visibleBounds, FALSE);
    }
}

void TcxButtonEdit::AfterMouseUpdate()
{
    if (m_pressedButton == m_previousPressedButton && m_hotButton == m_previousHotButton)
        return;
    int released = m_previousPressedButton;
    // Taken once: a handler that runs a modal loop must not find it still set.
    const int releasedOn = std::exchange(m_releasedOnButton, -1);
    int pressed = m_pressedButton;
    int hot = m_hotButton;
    m_previousPressedButton = pressed;
    m_previousHotButton = hot;
    if (released != -1 && released != pressed) {
        DoButtonUp(released);
        // Released over itself: that is a click. The hot look may be switched off, so the
        // release of the mouse button itself says where it happened.
        if (released == hot || released == releasedOn)
            DoButtonClick(released);
    }
    if (pressed != -1 && released == -1)
        DoButtonDown(pressed);
}

RECT TcxButtonEdit::TextArea()
{
    RECT r = m_viewInfo.clientRect;
    InflateRect(&r, -1, -1);
    return r;
}

int TcxButtonEdit::ButtonAt(POINT p) const
{
    for (size_t k = 0; k < m_buttonInfos.size(); ++k)
        if (PtInRect(&m_buttonInfos[k].bounds, p))
            return static_cast<int>(k);
    return PtInRect(&m_viewInfo.borderRect, p) ? -1 : -2;
}

bool TcxButtonEdit::ButtonHintAt(POINT p, std::wstring& hint, RECT& area) const
{
    int k = ButtonAt(p);
    if (k < 0 || m_buttonInfos[static_cast<size_t>(k)].hint.empty())
        return false;
    hint = m_buttonInfos[static_cast<size_t>(k)].hint;
    area = m_buttonInfos[static_cast<size_t>(k)].bounds;
    return true;
}

int TcxButtonEdit::DefaultButtonIndex() const
{
    for (size_t k = 0; k < m_buttonInfos.size(); ++k)
        if (m_buttonInfos[k].isDefault)
            return static_cast<int>(k);
    return -1;
}

void TcxButtonEdit::DoButtonClick(int viewIndex)
{
    if (viewIndex < 0 || viewIndex >= static_cast<int>(m_buttonInfos.size()))
        return;
    int index = m_buttonInfos[static_cast<size_t>(viewIndex)].index;
    // The editor's own handler, then the repository item's.
    TcxButtonEditProperties* item =
        ActiveButtonProperties() != Properties() ? ActiveButtonProperties() : nullptr;
    for (TcxButtonEditProperties* props : {Properties(), item})
        if (props && props->OnButtonClick)
            CallHandler([&] { props->OnButtonClick(this, index); });
}

void TcxButtonEdit::MouseDown(int button, POINT p)
{
    int k = ButtonAt(p);
    // A press ends the hint; it comes back only once the cursor has been elsewhere.
    if (m_hintButton >= 0) {
        int hinted = m_hintButton;
        CancelHint();
        m_hintButton = hinted;
        m_hintDone = true;
    }
    if (button != 1 || k < 0 || m_buttonInfos[static_cast<size_t>(k)].state == ebsDisabled) {
        TcxCustomTextEdit::MouseDown(button, p);
        return;
    }
    m_capturedButton = k;
    SetCapture(Handle());
    UpdateVisualState(p, true);
}

void TcxButtonEdit::MouseUp(int button, POINT p)
{
    if (button != 1 || m_capturedButton < 0) {
        TcxCustomTextEdit::MouseUp(button, p);
        return;
    }
    // Whether the release is over the pressed button is known only now: once the capture is
    // gone, the update sees a plain cursor position.
    m_releasedOnButton = ButtonAt(p) == m_capturedButton ? m_capturedButton : -1;
    m_capturedButton = -1;
    if (GetCapture() == Handle())
        ReleaseCapture();
    try {
        UpdateVisualState(p, true);
    } catch (...) {
        m_releasedOnButton = -1;
        throw;
    }
    m_releasedOnButton = -1;
}

bool TcxButtonEdit::EditKey(UINT msg, WPARAM key)
{
    if (msg == WM_KEYDOWN) {
        int k = DefaultButtonIndex();
        unsigned clickKey = ActiveButtonProperties()->ClickKey();
        if (clickKey != 0 && ShortCutOf(key) == clickKey && k >= 0) {
            // The key's character (a line feed for Ctrl+Enter) must not reach the text.
            MSG pending;
            if (InnerEdit() && InnerEdit()->HandleAllocated())
                PeekMessageW(&pending, InnerEdit()->Handle(), WM_CHAR, WM_CHAR, PM_REMOVE);
            // A disabled default button is not clicked by key either.
            if (m_buttonInfos[static_cast<size_t>(k)].state != ebsDisabled)
                DoButtonClick(k);
            return true;
        }
    }
    return TcxCustomTextEdit::EditKey(msg, key);
}

LRESULT TcxButtonEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) == Handle()) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
    }
    if (msg == WM_CAPTURECHANGED && m_capturedButton >= 0 && reinterpret_cast<HWND>(lParam) != Handle()) {
        m_capturedButton = -1;
        UpdateVisualStateAtCursor(true);
    }
    return TcxCustomTextEdit::WndProc(msg, wParam, lParam);
}

void TcxButtonEdit::ExcludeFromBackground(HDC dc)
{
    for (const auto& vi : m_buttonInfos)
        if (!IsRectEmpty(&vi.visibleBounds))
            ExcludeClipRect(dc, vi.visibleBounds.left, vi.visibleBounds.top, vi.visibleBounds.right,
                            vi.visibleBounds.bottom);
}

void TcxButtonEdit::PaintContent(HDC dc)
{
    // The hooks hand the steps of each button to the program's handlers first.
    TcxEditButtonPaintHooks hooks;
    if (OnCustomButtonBorder)
        hooks.border = [this](TcxCanvas& c, const TcxEditButtonViewInfo& b, TcxEditButtonFace& face) {
            bool handled = false;
            CallHandler([&] { OnCustomButtonBorder(this, c, b, face, handled); });
            return handled;
        };
    if (OnCustomButtonBackground)
        hooks.background = [this](TcxCanvas& c, const TcxEditButtonViewInfo& b,
                                  const TcxEditButtonFace& face) {
            bool handled = false;
            CallHandler([&] { OnCustomButtonBackground(this, c, b, face, handled); });
            return handled;
        };
    TCanvas canvas;
    canvas.SetHandle(dc);
    try {
        TcxCanvas cx(&canvas);
        TcxEditButtonPaintContext context;
        context.borderRect = m_viewInfo.borderRect;
        context.hasBorder = m_viewInfo.borderStyle != cbsNone;
        context.textColor = CurrentStyle()->TextColor();
        context.font = CaptionFont();
        context.hooks = &hooks;
        for (const auto& vi : m_buttonInfos) {
            bool handled = false;
            if (OnCustomButton && !IsRectEmpty(&vi.visibleBounds))
                CallHandler([&] { OnCustomButton(this, cx, vi, handled); });
            if (!handled)
                DrawEditButton(cx, vi, context);
        }
    } catch (...) {
        canvas.SetHandle(nullptr);
        throw;
    }
    canvas.SetHandle(nullptr);
}
