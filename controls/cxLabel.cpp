#include "cxLabel.h"

#include "controls/cxWindowText.h"

#include "lookandfeel/dxOffice11.h"
#include "runtime/rtGraphicsInfo.h"

namespace {

const TEnumNames kHorz{
    {L"taLeftJustify", taLeftJustify}, {L"taRightJustify", taRightJustify}, {L"taCenter", taCenter}};
const TEnumNames kVert{
    {L"taTopJustify", taTopJustify}, {L"taBottomJustify", taBottomJustify}, {L"taVCenter", taVCenter}};

} // namespace

const TClassInfo* TcxEditAlignment::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxEditAlignment", nullptr);
        ci.AddEnum<TcxEditAlignment, TcxEditHorzAlignment>(L"Horz", kHorz, &TcxEditAlignment::SetHorz,
                                                           &TcxEditAlignment::Horz);
        ci.AddEnum<TcxEditAlignment, TcxEditVertAlignment>(L"Vert", kVert, &TcxEditAlignment::SetVert,
                                                           &TcxEditAlignment::Vert);
        return ci;
    }();
    return &info;
}

void TcxEditAlignment::Assign(const TPersistent* source)
{
    auto* a = dynamic_cast<const TcxEditAlignment*>(source);
    if (!a) {
        TPersistent::Assign(source);
        return;
    }
    if (a->m_horz == m_horz && a->m_vert == m_vert)
        return;
    m_horz = a->m_horz;
    m_vert = a->m_vert;
    m_owner->OwnedSettingsChanged();
}

void TcxEditAlignment::SetHorz(TcxEditHorzAlignment v)
{
    if (v == m_horz)
        return;
    m_horz = v;
    m_owner->OwnedSettingsChanged();
}

void TcxEditAlignment::SetVert(TcxEditVertAlignment v)
{
    if (v == m_vert)
        return;
    m_vert = v;
    m_owner->OwnedSettingsChanged();
}

const TClassInfo* TcxLabelProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxLabelProperties", TcxCustomEditProperties::StaticProperties());
        ci.AddObject<TcxLabelProperties, TcxEditAlignment>(L"Alignment", &TcxLabelProperties::Alignment);
        ci.AddBool<TcxLabelProperties>(L"WordWrap", &TcxLabelProperties::SetWordWrap,
                                       &TcxLabelProperties::WordWrap);
        ci.AddBool<TcxLabelProperties>(L"ShowAccelChar", &TcxLabelProperties::SetShowAccelChar,
                                       &TcxLabelProperties::ShowAccelChar);
        return ci;
    }();
    return &info;
}

void TcxLabelProperties::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TcxLabelProperties*>(source)) {
        m_alignment.Assign(&p->m_alignment);
        m_wordWrap = p->m_wordWrap;
        m_showAccelChar = p->m_showAccelChar;
    }
    TcxCustomEditProperties::Assign(source);
}

void TcxLabelProperties::SetWordWrap(bool v)
{
    if (v != m_wordWrap) {
        m_wordWrap = v;
        Changed();
    }
}

void TcxLabelProperties::SetShowAccelChar(bool v)
{
    if (v != m_showAccelChar) {
        m_showAccelChar = v;
        Changed();
    }
}

TcxLabel::TcxLabel(TComponent* owner) : TcxCustomEdit(owner)
{
    SetTabStop(false);
    InitEdit(new TcxLabelProperties(this));
}

const TClassInfo* TcxLabel::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxLabel", TcxCustomEdit::StaticProperties());
        ci.AddObject<TcxLabel, TcxLabelProperties>(L"Properties", &TcxLabel::Properties);
        ci.AddBool<TcxLabel>(L"Transparent", &TcxLabel::SetTransparent, &TcxLabel::Transparent);
        ci.Add({L"FocusControl",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<TcxLabel&>(o).SetFocusControlName(v.text);
                },
                {},
                {},
                {}});
        return ci;
    }();
    return &info;
}

void TcxLabel::SetTransparent(bool v)
{
    if (v == m_transparent)
        return;
    m_transparent = v;
    m_cacheDirty = true;
    Invalidate();
}

UINT TcxLabel::TextFlags() const
{
    auto* self = const_cast<TcxLabel*>(this);
    TcxLabelProperties* p = self->Properties();
    UINT flags = p->WordWrap() ? DT_WORDBREAK : DT_SINGLELINE;
    if (!p->ShowAccelChar())
        flags |= DT_NOPREFIX;
    static const UINT horz[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    flags |= horz[p->AlignmentHorz()];
    if (!p->WordWrap()) {
        static const UINT vert[] = {DT_TOP, DT_BOTTOM, DT_VCENTER};
        flags |= vert[p->AlignmentVert()];
    }
    return flags;
}

SIZE TcxLabel::ContentSize()
{
    std::wstring text = Caption().empty() ? L" " : Caption();
    HDC dc = MeasureDC();
    SelectGuard sel(dc, Style()->Font()->Handle());
    RECT r{0, 0, Properties()->WordWrap() ? std::max(Width(), 1) : 0, 0};
    DrawTextW(dc, text.c_str(), -1, &r,
              (TextFlags() & ~(DT_VCENTER | DT_BOTTOM | DT_RIGHT | DT_CENTER)) | DT_CALCRECT);
    return {r.right - r.left, r.bottom - r.top};
}

int TcxLabel::AutoHeight()
{
    SIZE s = ContentSize();
    RECT ext = BorderExtent();
    return s.cy + ext.top + ext.bottom;
}

int TcxLabel::AutoWidth()
{
    SIZE s = ContentSize();
    RECT ext = BorderExtent();
    return s.cx + ext.left + ext.right;
}

void TcxLabel::SetBounds(int left, int top, int width, int height)
{
    if (AutoSize() && !m_constructing && !IsLoading() && Properties()) {
        if (!Properties()->WordWrap())
            width = AutoWidth();
        height = AutoHeight();
    }
    TcxContainer::SetBounds(left, top, width, height);
}

void TcxLabel::PropertiesChanged()
{
    m_cacheDirty = true;
    TcxCustomEdit::PropertiesChanged();
}

void TcxLabel::StyleValuesChanged(TcxContainerStyle* style)
{
    m_cacheDirty = true;
    TcxCustomEdit::StyleValuesChanged(style);
}

void TcxLabel::ComputeViewInfo(POINT p, bool hotAllowed)
{
    TcxCustomEdit::ComputeViewInfo(p, hotAllowed);
    // A new size, background or text colour (a state's style, say) draws the content anew.
    TColor text = CurrentStyle()->TextColor();
    if (!EqualRect(&m_cachedClient, &m_viewInfo.clientRect) ||
        m_cachedBackground != m_viewInfo.backgroundColor || m_cachedTextColor != text)
        m_cacheDirty = true;
}

void TcxLabel::TextChanged()
{
    m_cacheDirty = true;
    if (AutoSize())
        SetBounds(Left(), Top(), Width(), Height());
    if (!HandleAllocated() || (!RepaintPending() && GetTickCount64() - LastPaintTick() >= kRepaintInterval)) {
        UpdateVisualStateAtCursor(false);
        return;
    }
    if (!m_repaintTimer) {
        m_repaintTimer = std::make_unique<TcxTimer>(nullptr);
        m_repaintTimer->SetInterval(static_cast<unsigned>(kRepaintInterval));
        m_repaintTimer->SetOnTimer([this](TObject*) {
            m_repaintTimer->SetEnabled(false);
            UpdateVisualStateAtCursor(false);
        });
    }
    m_repaintTimer->SetEnabled(true);
}

void TcxLabel::PaintFrame(HDC dc)
{
    if (m_transparent)
        PaintParentBackground(dc);
    else {
        UniqueBrush b(CreateSolidBrush(ColorToRGB(m_viewInfo.backgroundColor)));
        FillRect(dc, &m_viewInfo.bounds, b.get());
    }
}

void TcxLabel::DrawContent(HDC dc, const RECT& r)
{
    std::wstring text = Caption();
    if (text.empty())
        return;
    SelectGuard sel(dc, Style()->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ColorToRGB(CurrentStyle()->TextColor()));
    RECT box = r;
    DrawTextW(dc, text.c_str(), -1, &box, TextFlags());
}

void TcxLabel::PaintContent(HDC dc)
{
    const RECT& client = m_viewInfo.clientRect;
    int w = client.right - client.left, h = client.bottom - client.top;
    if (w <= 0 || h <= 0)
        return;
    // A transparent label shows whatever lies behind it, so it draws its text every time.
    if (m_transparent) {
        DrawContent(dc, client);
        return;
    }
    if (m_cacheDirty || !m_captionBitmap || m_captionBitmap->Width() != w || m_captionBitmap->Height() != h) {
        if (!m_captionBitmap || m_captionBitmap->Width() != w || m_captionBitmap->Height() != h)
            m_captionBitmap = std::make_unique<TcxBitmap>(w, h, 32);
        HDC cache = m_captionBitmap->DC();
        FillRectSolid(cache, {0, 0, w, h}, m_viewInfo.backgroundColor);
        DrawContent(cache, {0, 0, w, h});
        m_cachedClient = client;
        m_cachedBackground = m_viewInfo.backgroundColor;
        m_cachedTextColor = CurrentStyle()->TextColor();
        m_cacheDirty = false;
    }
    BitBlt(dc, client.left, client.top, w, h, m_captionBitmap->DC(), 0, 0, SRCCOPY);
}

void TcxLabel::SetFocusControl(TWinControl* control)
{
    if (control == this || control == m_focusControl)
        return;
    if (m_focusControl)
        m_focusControl->RemoveFreeNotification(this);
    m_focusControl = control;
    if (control)
        control->FreeNotification(this);
    PlaceBeforeFocusControl();
}

void TcxLabel::SetFocusControlName(const std::wstring& name)
{
    m_focusControlName = name;
    if (!IsLoading())
        Loaded();
}

void TcxLabel::Loaded()
{
    TcxCustomEdit::Loaded();
    if (m_focusControlName.empty() || !Owner())
        return;
    if (auto* control = dynamic_cast<TWinControl*>(Owner()->FindComponent(m_focusControlName)))
        SetFocusControl(control);
    m_focusControlName.clear();
}

void TcxLabel::Notification(TComponent* component, TOperation operation)
{
    TcxCustomEdit::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_focusControl)
        m_focusControl = nullptr;
}

void TcxLabel::HandleCreated()
{
    TcxCustomEdit::HandleCreated();
    PlaceBeforeFocusControl();
}

// The platform's accessibility proxies name a field after the static text just before it in
// the window order, so the label's window goes right before its control's.
void TcxLabel::PlaceBeforeFocusControl()
{
    if (!m_focusControl || !HandleAllocated() || !m_focusControl->HandleAllocated() ||
        GetParent(Handle()) != GetParent(m_focusControl->Handle()))
        return;
    HWND field = m_focusControl->Handle();
    HWND before = GetWindow(field, GW_HWNDPREV);
    if (before == Handle())
        return;
    SetWindowPos(Handle(), before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

LRESULT TcxLabel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    // Asked from outside (a screen reader), the label reads as what it shows, and as static
    // text, so that the field after it takes its caption as name.
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(Caption().size());
    case WM_GETTEXT: return CopyWindowText(Caption(), wParam, lParam);
    case WM_GETDLGCODE: return DLGC_STATIC;
    default: break;
    }
    return TcxCustomEdit::WndProc(msg, wParam, lParam);
}
