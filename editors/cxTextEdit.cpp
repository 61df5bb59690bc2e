#include "cxTextEdit.h"

#include <windowsx.h>

LRESULT TcxCustomInnerTextEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT r = TNativeEdit::WndProc(msg, wParam, lParam);
    if (msg == WM_MOUSEMOVE && m_container && m_container->HandleAllocated() && HandleAllocated()) {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        MapWindowPoints(Handle(), m_container->Handle(), &p, 1);
        m_container->InnerControlMouseMove(p);
    }
    return r;
}


const TClassInfo* TcxTextEditProperties::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxTextEditProperties", TcxCustomEditProperties::StaticProperties());
        ci.AddInt<TcxTextEditProperties>(L"MaxLength", &TcxTextEditProperties::SetMaxLength,
                                         &TcxTextEditProperties::MaxLength);
        return ci;
    }();
    return &info;
}

void TcxTextEditProperties::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TcxTextEditProperties*>(source))
        m_maxLength = p->m_maxLength;
    TcxCustomEditProperties::Assign(source);
}

void TcxTextEditProperties::SetMaxLength(int v)
{
    if (v < 0 || v == m_maxLength)
        return;
    m_maxLength = v;
    Changed();
}

TcxCustomTextEdit::TcxCustomTextEdit(TComponent* owner) : TcxCustomEdit(owner) {}

TcxCustomTextEdit::~TcxCustomTextEdit() { Destroying(); }

void TcxCustomTextEdit::Construct(TcxTextEditProperties* properties)
{
    m_innerEdit = new TcxCustomInnerTextEdit(this, this);
    m_innerEdit->SetTabStop(false);
    m_innerEdit->SetParent(this);
    m_innerEdit->OnChange = [this](TObject*) {
        if (OnChange)
            OnChange(this);
    };
    m_innerEdit->OnFocusChange = [this](bool gained) {
        if (gained && Properties()->AutoSelect())
            m_innerEdit->SelectAll();
        UpdateVisualStateAtCursor(false);
        if (OnFocusChanged)
            OnFocusChanged(this);
    };
    m_innerEdit->OnKey = [this](UINT msg, WPARAM key) { return EditKey(msg, key); };
    SetInnerControl(m_innerEdit);
    InitEdit(properties);
}

const TClassInfo* TcxCustomTextEdit::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxCustomTextEdit", TcxCustomEdit::StaticProperties());
        ci.AddBool<TcxCustomTextEdit>(L"BeepOnEnter", &TcxCustomTextEdit::SetBeepOnEnter,
                                      &TcxCustomTextEdit::BeepOnEnter);
        ci.Add({L"Text",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    if (v.kind != TValue::Kind::String)
                        ValueToInt(v);
                    static_cast<TcxCustomTextEdit&>(o).SetText(v.text);
                },
                [](const TPersistent& o) { return TValue::Str(static_cast<const TcxCustomTextEdit&>(o).Text()); },
                {},
                {}});
        return ci;
    }();
    return &info;
}

std::wstring TcxCustomTextEdit::Text() const
{
    return m_innerEdit ? m_innerEdit->WindowText() : TcxCustomEdit::Text();
}

void TcxCustomTextEdit::SetText(const std::wstring& value)
{
    if (m_innerEdit)
        m_innerEdit->SetText(value);
    TcxCustomEdit::SetText(value);
}

void TcxCustomTextEdit::SelectAll()
{
    if (m_innerEdit)
        m_innerEdit->SelectAll();
}

RECT TcxCustomTextEdit::TextArea()
{
    RECT r = m_viewInfo.clientRect;
    // One pixel of text offset on each side keeps the caret off the frame.
    InflateRect(&r, -1, -1);
    return r;
}

void TcxCustomTextEdit::PlaceInnerControl()
{
    if (!m_innerEdit)
        return;
    RECT area = TextArea();
    int lineHeight = TextLineHeight();
    int free = (area.bottom - area.top) - lineHeight;
    int top = area.top + (free > 0 ? free / 2 : 0);
    int height = std::min(lineHeight, static_cast<int>(area.bottom - top));
    RECT target{area.left, top, area.right, top + std::max(height, 0)};
    RECT current = m_innerEdit->BoundsRect();
    if (!EqualRect(&current, &target))
        m_innerEdit->SetBounds(target.left, target.top, target.right - target.left, target.bottom - target.top);
}

void TcxCustomTextEdit::PropertiesChanged()
{
    if (m_innerEdit) {
        m_innerEdit->SetReadOnly(Properties()->ReadOnly());
        if (m_innerEdit->HandleAllocated())
            SendMessageW(m_innerEdit->Handle(), EM_LIMITTEXT,
                         static_cast<WPARAM>(static_cast<TcxTextEditProperties*>(Properties())->MaxLength()), 0);
    }
    TcxCustomEdit::PropertiesChanged();
}

bool TcxCustomTextEdit::EditKey(UINT msg, WPARAM key)
{
    // Without the beep the edit box never sees Return.
    if (msg == WM_CHAR && key == L'\r' && !m_beepOnEnter)
        return true;
    return false;
}

TcxTextEdit::TcxTextEdit(TComponent* owner) : TcxCustomTextEdit(owner) { Construct(new TcxTextEditProperties(this)); }

const TClassInfo* TcxTextEdit::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxTextEdit", TcxCustomTextEdit::StaticProperties());
        ci.AddObject<TcxTextEdit, TcxTextEditProperties>(L"Properties", &TcxTextEdit::Properties);
        return ci;
    }();
    return &info;
}
