#include "cxLookAndFeels.h"

void TcxLookAndFeel::Assign(const TPersistent* source)
{
    if (auto* l = dynamic_cast<const TcxLookAndFeel*>(source)) {
        m_kind = l->m_kind;
        m_nativeStyle = l->m_nativeStyle;
        m_assigned = l->m_assigned;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

TcxLookAndFeelKind TcxLookAndFeel::Kind() const
{
    if (m_assigned & lfvKind)
        return m_kind;
    return m_master ? m_master->Kind() : lfUltraFlat;
}

void TcxLookAndFeel::SetKind(TcxLookAndFeelKind value)
{
    bool same = (m_assigned & lfvKind) && m_kind == value;
    m_kind = value;
    m_assigned |= lfvKind;
    if (!same)
        Changed();
}

bool TcxLookAndFeel::NativeStyle() const
{
    if (m_assigned & lfvNativeStyle)
        return m_nativeStyle;
    return m_master ? m_master->NativeStyle() : false;
}

void TcxLookAndFeel::SetNativeStyle(bool value)
{
    bool same = (m_assigned & lfvNativeStyle) && m_nativeStyle == value;
    m_nativeStyle = value;
    m_assigned |= lfvNativeStyle;
    if (!same)
        Changed();
}

void TcxLookAndFeel::Changed()
{
    if (OnChanged)
        OnChanged(this);
}
