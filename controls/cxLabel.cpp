#include "cxLabel.h"

#include "runtime/rtGraphicsInfo.h"

namespace {

const TEnumNames kHorz{{L"taLeftJustify", taLeftJustify}, {L"taRightJustify", taRightJustify}, {L"taCenter", taCenter}};
const TEnumNames kVert{{L"taTopJustify", taTopJustify}, {L"taBottomJustify", taBottomJustify}, {L"taVCenter", taVCenter}};

} // namespace

const TClassInfo* TcxLabelProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxLabelProperties", TcxCustomEditProperties::StaticProperties());
        ci.AddEnum<TcxLabelProperties, TcxEditHorzAlignment>(L"Alignment.Horz", kHorz, &TcxLabelProperties::SetAlignmentHorz,
                                                            &TcxLabelProperties::AlignmentHorz);
        ci.AddEnum<TcxLabelProperties, TcxEditVertAlignment>(L"Alignment.Vert", kVert, &TcxLabelProperties::SetAlignmentVert,
                                                            &TcxLabelProperties::AlignmentVert);
        ci.AddBool<TcxLabelProperties>(L"WordWrap", &TcxLabelProperties::SetWordWrap, &TcxLabelProperties::WordWrap);
        ci.AddBool<TcxLabelProperties>(L"ShowAccelChar", &TcxLabelProperties::SetShowAccelChar,
                                       &TcxLabelProperties::ShowAccelChar);
        return ci;
    }();
    return &info;
}

void TcxLabelProperties::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TcxLabelProperties*>(source)) {
        m_horz = p->m_horz;
        m_vert = p->m_vert;
        m_wordWrap = p->m_wordWrap;
        m_showAccelChar = p->m_showAccelChar;
    }
    TcxCustomEditProperties::Assign(source);
}

void TcxLabelProperties::SetAlignmentHorz(TcxEditHorzAlignment v)
{
    if (v != m_horz) {
        m_horz = v;
        Changed();
    }
}

void TcxLabelProperties::SetAlignmentVert(TcxEditVertAlignment v)
{
    if (v != m_vert) {
        m_vert = v;
        Changed();
    }
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
        return ci;
    }();
    return &info;
}

void TcxLabel::SetTransparent(bool v)
{
    if (v == m_transparent)
        return;
    m_transparent = v;
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
    DrawTextW(dc, text.c_str(), -1, &r, (TextFlags() & ~(DT_VCENTER | DT_BOTTOM | DT_RIGHT | DT_CENTER)) | DT_CALCRECT);
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

void TcxLabel::TextChanged()
{
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

void TcxLabel::PaintContent(HDC dc)
{
    std::wstring text = Caption();
    if (text.empty())
        return;
    TcxContainerStyle* style = CurrentStyle();
    SelectGuard sel(dc, Style()->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ColorToRGB(style->TextColor()));
    RECT r = m_viewInfo.clientRect;
    DrawTextW(dc, text.c_str(), -1, &r, TextFlags());
}
