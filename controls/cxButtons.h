// A push button that keeps the platform's native button window, with a look-and-feel.
#pragma once

#include "lookandfeel/cxLookAndFeels.h"
#include "runtime/rtStdCtrls.h"

class TcxCustomButton : public TNativeButton {
public:
    explicit TcxCustomButton(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TcxCustomButton"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxLookAndFeel* LookAndFeel() noexcept { return &m_lookAndFeel; }

private:
    TcxLookAndFeel m_lookAndFeel;
};

class TcxButton : public TcxCustomButton {
public:
    using TcxCustomButton::TcxCustomButton;
    const wchar_t* ClassName() const override { return L"TcxButton"; }
};
