#include "cxButtons.h"

TcxCustomButton::TcxCustomButton(TComponent* owner) : TNativeButton(owner), m_lookAndFeel(this)
{
    m_lookAndFeel.OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues) { Invalidate(); };
}

const TClassInfo* TcxCustomButton::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxCustomButton", TWinControl::StaticProperties());
        ci.AddObject<TcxCustomButton, TcxLookAndFeel>(L"LookAndFeel", &TcxCustomButton::LookAndFeel);
        ci.AddBool<TNativeButton>(L"Default", &TNativeButton::SetDefault, &TNativeButton::Default);
        ci.AddBool<TNativeButton>(L"Cancel", &TNativeButton::SetCancel, &TNativeButton::Cancel);
        ci.AddInt<TNativeButton>(L"ModalResult", &TNativeButton::SetModalResult, &TNativeButton::ModalResult);
        return ci;
    }();
    return &info;
}
