// The view of an editor: the calculation object that fills the view info, the buttons every
// editor shows inside its frame (layout, states, hit test, clicks, hints, drawing).
#include "cxEdit.h"

#include "runtime/rtAccessibleName.h"
#include "runtime/rtGraphicsInfo.h"

#include <oleacc.h>
#include <windowsx.h>

#include <utility>

// ---- TcxCustomEditViewInfo -------------------------------------------------------------------

int TcxCustomEditViewInfo::ButtonIndexAt(POINT p) const
{
    for (size_t k = 0; k < ButtonViewInfos.size(); ++k)
        if (PtInRect(&ButtonViewInfos[k].bounds, p))
            return static_cast<int>(k);
    return PtInRect(&borderRect, p) ? -1 : -2;
}

bool TcxCustomEditViewInfo::ButtonHintAt(POINT p, std::wstring& hint, RECT& area) const
{
    int k = ButtonIndexAt(p);
    if (k < 0 || ButtonViewInfos[static_cast<size_t>(k)].hint.empty())
        return false;
    hint = ButtonViewInfos[static_cast<size_t>(k)].hint;
    area = ButtonViewInfos[static_cast<size_t>(k)].bounds;
    return true;
}

// ---- TcxCustomEditViewData -------------------------------------------------------------------

TcxCustomEditViewData::TcxCustomEditViewData(TcxCustomEditProperties* properties, TcxEditStyle* style,
                                             bool isEmbedded, bool isForMeasuring)
    : Properties(properties), Style(style), IsEmbedded(isEmbedded), IsForMeasuring(isForMeasuring)
{
    ButtonsOnly = properties->ButtonsViewStyle() == bvsButtonsOnly;
    const TcxEditButtons* buttons = properties->Buttons();
    for (int i = 0; i < buttons->Count(); ++i)
        VisibleButtonCount += buttons->Items(i)->Visible() ? 1 : 0;
}

void TcxCustomEditViewData::CalculateViewInfo(POINT p, bool hotAllowed, TcxCustomEditViewInfo& vi)
{
    if (Editor) {
        // The state, the style chosen for it, the frame and the colours are the container's.
        Editor->CalculateContainerViewInfo(p, hotAllowed);
        Style = static_cast<TcxEditStyle*>(Editor->CurrentStyle());
    }
    Focused = (vi.state & csfFocused) != 0;
    HasFocusOrHot = (vi.state & (csfFocused | csfHot)) != 0;
    NativeTheme = vi.usesNativeTheme;
    // A button under the mouse the editor has captured may be hot although a button is held.
    CalculateButtons(p, hotAllowed || HoldsMouse, vi);
    vi.innerEditRect = vi.clientRect;
    vi.popupBorderStyle = CalculatePopupBorderStyle(vi);
}

TcxEditPopupBorderStyle
TcxCustomEditViewData::CalculatePopupBorderStyle(const TcxCustomEditViewInfo& vi) const
{
    TcxEditPopupBorderStyle own = Style->PopupBorderStyle();
    if (own != epbsDefault)
        return own;
    static const TcxEditPopupBorderStyle byKind[] = {epbsFlat, epbsFrame3D, epbsSingle, epbsSingle};
    if (IsEmbedded)
        return byKind[Style->LookAndFeel()->Kind()];
    // A list below a framed editor (or one without buttons) takes a frame like the editor's;
    // below a frameless editor with buttons it looks like the buttons of the kind.
    if (vi.borderStyle != cbsNone || vi.ButtonViewInfos.empty()) {
        static const TcxEditPopupBorderStyle byBorder[] = {epbsFlat,   epbsSingle, epbsSingle, epbsFlat,
                                                           epbsSingle, epbsSingle, epbsSingle};
        return byBorder[vi.borderStyle];
    }
    return byKind[Style->LookAndFeel()->Kind()];
}

TcxEditButtonStyle TcxCustomEditViewData::EffectiveButtonStyle() const
{
    TcxEditButtonStyle assigned = Style->ButtonStyle();
    if (assigned != btsDefault)
        return assigned;
    TcxContainerBorderStyle border = Style->BorderStyle();
    if (IsEmbedded || (border == cbsNone && !Style->HotTrack())) {
        static const TcxEditButtonStyle byKind[] = {btsFlat, bts3D, btsUltraFlat, btsOffice11};
        return byKind[Style->LookAndFeel()->Kind()];
    }
    static const TcxEditButtonStyle byBorder[] = {btsSimple, btsHotFlat,   bts3D,      btsFlat,
                                                  bts3D,     btsUltraFlat, btsOffice11};
    return byBorder[border];
}

HFONT TcxCustomEditViewData::MeasureFont()
{
    if (CaptionFont)
        return CaptionFont;
    if (Editor)
        return CaptionFont = Editor->CaptionFont();
    if (!m_ownFont)
        m_ownFont = std::make_unique<TFont>();
    m_ownFont->Assign(&Style->EffectiveFont());
    return CaptionFont = m_ownFont->Handle();
}

int TcxCustomEditViewData::ButtonWidth(const TcxEditButton& button)
{
    // The platform's buttons keep their own margins around the content.
    SIZE native{};
    int margin = NativeTheme && NativeButtonMargins(native) ? native.cx : 4;
    // In the automatic-width view every button takes the width its content asks for.
    int width = Properties->ButtonsViewStyle() == bvsButtonsAutoWidth ? 0 : button.Width();
    if (width == 0 && OnGetDefaultButtonWidth && button.Collection)
        OnGetDefaultButtonWidth(this, button.Collection->IndexOf(&button), width);
    if (width > 0)
        return std::max(width, margin);
    if (button.Kind() == bkGlyph && button.HasGlyph())
        return button.GlyphIfAny()->Width() + margin;
    int scrollBar = GetSystemMetrics(SM_CYHSCROLL);
    if (button.Kind() == bkText) {
        std::wstring caption = EditButtonDisplayCaption(button.Caption());
        HDC dc = MeasureDC();
        SelectGuard sel(dc, MeasureFont());
        SIZE sz{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &sz);
        return std::max(scrollBar, margin + static_cast<int>(sz.cx) + 3);
    }
    return scrollBar;
}

int TcxCustomEditViewData::ButtonsContentHeight()
{
    if (VisibleButtonCount == 0)
        return 0;
    const TcxEditButtons* buttons = Properties->Buttons();
    int glyph = 0;
    for (int i = 0; i < buttons->Count(); ++i) {
        const TcxEditButton* b = buttons->Items(i);
        if (b->Visible() && b->Kind() == bkGlyph && b->HasGlyph())
            glyph = std::max(glyph, b->GlyphIfAny()->Height());
    }
    SIZE native{};
    if (NativeTheme && NativeButtonMargins(native))
        return glyph + native.cy;
    // The frame each button style draws around the content, top and bottom together.
    static const int styleMargins[] = {0, 4, 2, 2, 2, 2, 2};
    return glyph + styleMargins[EffectiveButtonStyle()];
}

void TcxCustomEditViewData::CalculateButtons(POINT p, bool hotAllowed, TcxCustomEditViewInfo& vi)
{
    vi.PressedButton = vi.HotButton = -1;
    vi.reallyPressed = false;
    vi.ButtonViewInfos.clear();
    LeftSideLeftmost = LeftSideRightmost = RightSideLeftmost = RightSideRightmost = -1;
    const TcxEditButtons* buttons = Properties->Buttons();
    bool focused = Focused, hot = (vi.state & csfHot) != 0;
    TcxEditButtonTransparency transparency = Style->ButtonTransparency();
    if (VisibleButtonCount == 0 || (transparency == ebtHideInactive && !focused) ||
        (transparency == ebtHideUnselected && !focused && !hot))
        return;
    TcxEditButtonStyle buttonStyle = EffectiveButtonStyle();
    bool transparent = transparency == ebtAlways || (transparency == ebtInactive && !focused && !hot);
    RECT area = vi.borderRect;
    // Walked from the last button to the first, each taking its column at the edge of what
    // is left; the array ends up in collection order.
    std::vector<TcxEditButtonViewInfo> infos;
    for (int i = buttons->Count() - 1; i >= 0; --i) {
        const TcxEditButton* b = buttons->Items(i);
        if (!b->Visible())
            continue;
        TcxEditButtonViewInfo bi;
        bi.index = i;
        bi.kind = b->Kind();
        bi.caption = EditButtonDisplayCaption(b->Caption());
        bi.captionColor = b->TextColor();
        if (OnGetButtonTextColor)
            OnGetButtonTextColor(this, i, bi.captionColor);
        bi.hint = b->Hint();
        bi.isDefault = b->Default();
        bi.leftAligned = b->LeftAlignment();
        bi.style = buttonStyle;
        bi.transparent = transparent;
        bi.gradient = Style->GradientButtons();
        bi.backgroundColor = vi.backgroundColor;
        bi.glyph = b->GlyphIfAny();
        bi.native = NativeTheme;
        int w = std::min(ButtonWidth(*b), std::max(0, static_cast<int>(area.right - area.left)));
        if (area.right <= area.left || area.bottom <= area.top) {
            bi.bounds = {};
        } else if (bi.leftAligned) {
            bi.bounds = {area.left, area.top, area.left + w, area.bottom};
            area.left += w;
        } else {
            bi.bounds = {area.right - w, area.top, area.right, area.bottom};
            area.right -= w;
        }
        bi.visibleBounds = bi.bounds;
        infos.insert(infos.begin(), bi);
    }
    int n = static_cast<int>(infos.size());
    if (ButtonsOnly && n > 0) {
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
            auto& bi = infos[static_cast<size_t>(k)];
            widths[static_cast<size_t>(k)] = bi.bounds.right - bi.bounds.left;
            if (!anyStretchable || buttons->Items(bi.index)->Stretchable()) {
                stretchTotal += widths[static_cast<size_t>(k)];
                lastStretch = k;
            }
        }
        int given = 0;
        for (int k = 0; k < n && stretchTotal > 0; ++k) {
            auto& bi = infos[static_cast<size_t>(k)];
            if (anyStretchable && !buttons->Items(bi.index)->Stretchable())
                continue;
            int extra = k == lastStretch ? spare - given
                                         : MulDiv(spare, widths[static_cast<size_t>(k)], stretchTotal);
            widths[static_cast<size_t>(k)] += extra;
            given += extra;
        }
        int x = vi.borderRect.left;
        for (int k = 0; k < n; ++k) {
            auto& bi = infos[static_cast<size_t>(k)];
            bi.leftAligned = false;
            bi.bounds = {x, bi.bounds.top, x + widths[static_cast<size_t>(k)], bi.bounds.bottom};
            bi.visibleBounds = bi.bounds;
            x = bi.bounds.right;
        }
        area.left = area.right = x;
    }
    // Which buttons sit at the edges of each side (positions counted after the walk).
    for (int k = 0; k < n; ++k) {
        const RECT& b = infos[static_cast<size_t>(k)].bounds;
        auto further = [&](int current, bool left) {
            if (current < 0)
                return true;
            const RECT& c = infos[static_cast<size_t>(current)].bounds;
            return left ? b.left < c.left : b.right > c.right;
        };
        if (infos[static_cast<size_t>(k)].leftAligned) {
            if (further(LeftSideLeftmost, true))
                LeftSideLeftmost = k;
            if (further(LeftSideRightmost, false))
                LeftSideRightmost = k;
        } else {
            if (further(RightSideLeftmost, true))
                RightSideLeftmost = k;
            if (further(RightSideRightmost, false))
                RightSideRightmost = k;
        }
    }
    if (LeftSideLeftmost >= 0) {
        infos[static_cast<size_t>(LeftSideLeftmost)].leftmost = true;
        infos[static_cast<size_t>(LeftSideRightmost)].rightmost = true;
    }
    if (RightSideLeftmost >= 0) {
        infos[static_cast<size_t>(RightSideLeftmost)].leftmost = true;
        infos[static_cast<size_t>(RightSideRightmost)].rightmost = true;
    }
    if (CapturedItem) {
        CapturedButton = -1;
        for (int k = 0; k < n; ++k)
            if (buttons->Items(infos[static_cast<size_t>(k)].index) == CapturedItem)
                CapturedButton = k;
    }
    if (CapturedButton >= n)
        CapturedButton = -1;
    for (int k = 0; k < n; ++k) {
        TcxEditButtonViewInfo& bi = infos[static_cast<size_t>(k)];
        if (!Enabled || !buttons->Items(bi.index)->Enabled()) {
            bi.state = ebsDisabled;
        } else if (!Designing && PtInRect(&bi.visibleBounds, p)) {
            if (k == CapturedButton) {
                bi.state = ebsPressed;
                vi.PressedButton = k;
            } else if (hotAllowed) {
                bi.state = ebsSelected;
                vi.HotButton = k;
            } else {
                bi.state = ebsNormal;
            }
        } else {
            bi.state = ebsNormal;
        }
        if (OnGetButtonState)
            OnGetButtonState(this, bi.index, bi.state);
        if (vi.PressedButton == k && bi.state != ebsPressed)
            vi.PressedButton = -1;
        if (vi.HotButton == k && bi.state != ebsSelected)
            vi.HotButton = -1;
        vi.reallyPressed = vi.reallyPressed || vi.PressedButton == k;
        bi.themeState = EditButtonThemeState(bi.state);
    }
    vi.ButtonViewInfos = std::move(infos);
    vi.clientRect = area;
}

// ---- TcxCustomEdit: buttons ------------------------------------------------------------------

HFONT TcxCustomEdit::CaptionFont()
{
    const TFont& font = CurrentStyle()->EffectiveFont();
    if (!m_captionFont.SameAs(font))
        m_captionFont.Assign(&font);
    return m_captionFont.Handle();
}

void TcxCustomEdit::PrepareViewData(TcxCustomEditViewData& data)
{
    data.Editor = this;
    data.Enabled = IsEnabledDeep();
    data.Designing = IsDesigning();
    data.CapturedButton = m_capturedButton;
    data.CapturedItem = m_capturedItem;
    data.HoldsMouse = HandleAllocated() && GetCapture() == Handle();
    if (OnGetDefaultButtonWidth)
        data.OnGetDefaultButtonWidth = [this](TcxCustomEditViewData*, int index, int& width) {
            CallHandler([&] { OnGetDefaultButtonWidth(this, index, width); });
        };
    data.OnGetButtonState = [this](TcxCustomEditViewData*, int index, TcxEditButtonState& state) {
        state = ButtonState(index, state);
    };
    data.OnGetButtonTextColor = [this](TcxCustomEditViewData*, int index, TColor& color) {
        color = ButtonTextColor(index, color);
    };
}

void TcxCustomEdit::ComputeViewInfo(POINT p, bool hotAllowed)
{
    auto& vi = static_cast<TcxCustomEditViewInfo&>(m_viewInfo);
    m_hasOldViewInfo = vi.bounds.right > 0;
    m_oldViewInfo = vi;
    vi.PreviousPressedButton = vi.PressedButton;
    vi.PreviousHotButton = vi.HotButton;
    TcxCustomEditProperties* properties = m_properties ? ActiveProperties() : nullptr;
    if (!properties) {
        TcxContainer::ComputeViewInfo(p, hotAllowed);
        return;
    }
    std::unique_ptr<TcxCustomEditViewData> data =
        properties->CreateViewData(static_cast<TcxEditStyle*>(CurrentStyle()), IsEmbedded(), false);
    PrepareViewData(*data);
    data->CalculateViewInfo(p, hotAllowed, vi);
    m_capturedButton = data->CapturedButton;
}

void TcxCustomEdit::InvalidateAfterUpdate()
{
    if (!HandleAllocated())
        return;
    const TcxCustomEditViewInfo& now = EditViewInfo();
    const TcxCustomEditViewInfo& old = m_oldViewInfo;
    // Editors without buttons repaint whole, as every container does.
    if (now.ButtonViewInfos.empty() && old.ButtonViewInfos.empty()) {
        TcxContainer::InvalidateAfterUpdate();
        return;
    }
    if (!m_hasOldViewInfo || now.state != old.state || now.backgroundColor != old.backgroundColor ||
        now.ButtonViewInfos.size() != old.ButtonViewInfos.size() || !EqualRect(&now.bounds, &old.bounds) ||
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
    for (size_t k = 0; k < now.ButtonViewInfos.size(); ++k) {
        const TcxEditButtonViewInfo& a = now.ButtonViewInfos[k];
        const TcxEditButtonViewInfo& b = old.ButtonViewInfos[k];
        if (a.state != b.state || a.style != b.style || a.backgroundColor != b.backgroundColor ||
            a.transparent != b.transparent || !EqualRect(&a.bounds, &b.bounds) || a.kind != b.kind ||
            a.caption != b.caption)
            InvalidateRect(Handle(), &a.visibleBounds, FALSE);
    }
}

void TcxCustomEdit::AfterMouseUpdate()
{
    auto& vi = static_cast<TcxCustomEditViewInfo&>(m_viewInfo);
    if (vi.PressedButton == vi.PreviousPressedButton && vi.HotButton == vi.PreviousHotButton)
        return;
    int released = vi.PreviousPressedButton;
    // Taken once: a handler that runs a modal loop must not find it still set.
    const int releasedOn = std::exchange(m_releasedOnButton, -1);
    int pressed = vi.PressedButton;
    int hot = vi.HotButton;
    vi.PreviousPressedButton = pressed;
    vi.PreviousHotButton = hot;
    if (released != -1 && released != pressed) {
        const TLife life = Life();
        DoButtonUp(released);
        if (!life.Alive())
            return;
        // Released over itself: that is a click. The hot look may be switched off, so the
        // release of the mouse button itself says where it happened.
        if (released == hot || released == releasedOn)
            DoButtonClick(released);
    }
    if (pressed != -1 && released == -1)
        DoButtonDown(pressed);
}

std::vector<int> TcxCustomEdit::ShownButtons() const
{
    std::vector<int> shown;
    const auto& infos = ButtonViewInfos();
    for (size_t k = 0; k < infos.size(); ++k)
        if (!IsRectEmpty(&infos[k].visibleBounds))
            shown.push_back(static_cast<int>(k));
    return shown;
}

bool TcxCustomEdit::DescribeAccessible(TAccessibleDescription& d)
{
    const bool named = TcxContainer::DescribeAccessible(d);
    for (int k : ShownButtons()) {
        const TcxEditButtonViewInfo& b = ButtonViewInfos()[static_cast<size_t>(k)];
        TAccessiblePart part;
        part.role = ROLE_SYSTEM_PUSHBUTTON;
        part.name = !b.hint.empty() ? b.hint : b.caption;
        part.defaultAction = L"Press";
        part.bounds = b.visibleBounds;
        part.enabled = b.state != ebsDisabled && IsWindowEnabled(Handle());
        d.parts.push_back(std::move(part));
    }
    return named || !d.parts.empty();
}

void TcxCustomEdit::DoAccessibleAction(int part)
{
    const std::vector<int> shown = ShownButtons();
    if (part < 1 || part > static_cast<int>(shown.size()))
        return;
    const int k = shown[static_cast<size_t>(part - 1)];
    if (ButtonViewInfos()[static_cast<size_t>(k)].state != ebsDisabled && IsWindowEnabled(Handle()))
        DoButtonClick(k);
}

int TcxCustomEdit::DefaultButtonIndex() const
{
    const auto& infos = ButtonViewInfos();
    for (size_t k = 0; k < infos.size(); ++k)
        if (infos[k].isDefault)
            return static_cast<int>(k);
    return -1;
}

void TcxCustomEdit::DoButtonClick(int viewIndex)
{
    if (viewIndex < 0 || viewIndex >= static_cast<int>(ButtonViewInfos().size()))
        return;
    int index = ButtonViewInfos()[static_cast<size_t>(viewIndex)].index;
    // The editor's own handler, then the repository item's.
    TcxCustomEditProperties* item = ActiveProperties() != Properties() ? ActiveProperties() : nullptr;
    for (TcxCustomEditProperties* props : {Properties(), item})
        if (props && props->OnButtonClick)
            CallHandler([&] { props->OnButtonClick(this, index); });
}

bool TcxCustomEdit::ClickKeyDown(WPARAM key)
{
    TcxCustomEditProperties* p = m_properties ? ActiveProperties() : nullptr;
    int k = DefaultButtonIndex();
    if (!p || p->ClickKey() == 0 || k < 0 || ShortCutOf(key) != p->ClickKey())
        return false;
    // The key's character (a line feed for Ctrl+Enter) must not reach the text: it waits
    // for the window that has the focus, this one or its inner control.
    HWND focus = GetFocus();
    MSG pending;
    if (focus && HandleAllocated() && (focus == Handle() || IsChild(Handle(), focus)))
        PeekMessageW(&pending, focus, WM_CHAR, WM_CHAR, PM_REMOVE);
    // A disabled default button is not clicked by key either.
    if (ButtonViewInfos()[static_cast<size_t>(k)].state != ebsDisabled)
        DoButtonClick(k);
    return true;
}

bool TcxCustomEdit::ClaimsDialogKey(WPARAM key)
{
    TcxCustomEditProperties* p = m_properties ? ActiveProperties() : nullptr;
    if (!p)
        return false;
    const unsigned shortCut = ShortCutOf(key);
    if (p->ClickKey() != 0 && shortCut == p->ClickKey() && DefaultButtonIndex() >= 0)
        return true;
    const bool ctrlOrAlt = (shortCut & (scCtrl | scAlt)) != 0;
    switch (key) {
    case VK_RETURN: return !ctrlOrAlt && p->ValidateOnEnter();
    case VK_ESCAPE: return m_modifiedAfterEnter && p->RememberValueOnEnter();
    case VK_TAB: return !ctrlOrAlt && Focused() && TabLeavesControl();
    default: return false;
    }
}

void TcxCustomEdit::FollowHint(int k)
{
    if (k >= 0 && (ButtonViewInfos()[static_cast<size_t>(k)].hint.empty() || !ShowHint()))
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

void TcxCustomEdit::CancelHint()
{
    if (m_hintTimer)
        m_hintTimer->SetEnabled(false);
    if (m_hintWindow)
        m_hintWindow->Hide();
    m_hintButton = -1;
    m_hintDone = false;
}

void TcxCustomEdit::HintTimerTick()
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

void TcxCustomEdit::MouseMove(POINT p)
{
    TcxContainer::MouseMove(p);
    FollowHint(ButtonAt(p));
}

void TcxCustomEdit::MouseLeave()
{
    TcxContainer::MouseLeave();
    POINT screen;
    GetCursorPos(&screen);
    if (TWinControl::FindControl(WindowFromPoint(screen)) != this)
        CancelHint();
}

void TcxCustomEdit::HoverEnded()
{
    TcxContainer::HoverEnded();
    CancelHint();
}

void TcxCustomEdit::MouseDown(int button, POINT p)
{
    int k = ButtonAt(p);
    // A press ends the hint; it comes back only once the cursor has been elsewhere.
    if (m_hintButton >= 0) {
        int hinted = m_hintButton;
        CancelHint();
        m_hintButton = hinted;
        m_hintDone = true;
    }
    if (button != 1 || k < 0 || ButtonViewInfos()[static_cast<size_t>(k)].state == ebsDisabled) {
        TcxContainer::MouseDown(button, p);
        return;
    }
    m_capturedButton = k;
    m_capturedItem = ActiveProperties()->Buttons()->Items(ButtonViewInfos()[static_cast<size_t>(k)].index);
    SetCapture(Handle());
    UpdateVisualState(p, true);
}

void TcxCustomEdit::MouseUp(int button, POINT p)
{
    // Every left release while a button holds the mouse frees it, also when that button is no
    // longer shown.
    if (button != 1 || (m_capturedButton < 0 && !m_capturedItem)) {
        TcxContainer::MouseUp(button, p);
        return;
    }
    // Whether the release is over the pressed button is known only now: once the capture is
    // gone, the update sees a plain cursor position.
    m_releasedOnButton = m_capturedButton >= 0 && ButtonAt(p) == m_capturedButton ? m_capturedButton : -1;
    m_capturedButton = -1;
    m_capturedItem = nullptr;
    if (GetCapture() == Handle())
        ReleaseCapture();
    // The update clicks the button, and the click's handler may free this editor.
    const TLife life = Life();
    try {
        UpdateVisualState(p, true);
    } catch (...) {
        if (life.Alive())
            m_releasedOnButton = -1;
        throw;
    }
    if (life.Alive())
        m_releasedOnButton = -1;
}

void TcxCustomEdit::ExcludeFromBackground(HDC dc)
{
    for (const auto& bi : ButtonViewInfos())
        if (!IsRectEmpty(&bi.visibleBounds))
            ExcludeClipRect(dc, bi.visibleBounds.left, bi.visibleBounds.top, bi.visibleBounds.right,
                            bi.visibleBounds.bottom);
}

void TcxCustomEdit::PaintContent(HDC dc)
{
    if (ButtonViewInfos().empty())
        return;
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
        for (const auto& bi : ButtonViewInfos()) {
            bool handled = false;
            if (OnCustomButton && !IsRectEmpty(&bi.visibleBounds))
                CallHandler([&] { OnCustomButton(this, cx, bi, handled); });
            if (!handled)
                DrawEditButton(cx, bi, context);
        }
    } catch (...) {
        canvas.SetHandle(nullptr);
        throw;
    }
    canvas.SetHandle(nullptr);
}
