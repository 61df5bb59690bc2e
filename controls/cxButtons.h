// A push button that keeps the platform's native button window (focus, keyboard, default
// and cancel handling, click notification) but paints itself through the look-and-feel
// painters.
#pragma once

#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "runtime/rtStdCtrls.h"

class TcxCustomButton : public TNativeButton {
public:
    explicit TcxCustomButton(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TcxCustomButton"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxLookAndFeel* LookAndFeel() noexcept { return &m_lookAndFeel; }
    // The painter for the button: the look-and-feel's, except that the Office 2003 painter
    // gives way to the native one under visual styles and to the standard one without.
    TcxCustomLookAndFeelPainterClass Painter() const;
    // The state to paint in; pressed is what the platform button reports.
    TcxButtonState PaintState(bool pressed) const;
    // Paints the whole button into dc in the given state.
    void PaintButtonTo(HDC dc, TcxButtonState state, bool focused);
    bool MouseInside() const noexcept { return m_mouseInside; }

protected:
    DWORD ButtonStyle() const override { return BS_OWNERDRAW; }
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TcxLookAndFeel m_lookAndFeel;
    bool m_mouseInside = false;
};

class TcxButton : public TcxCustomButton {
public:
    using TcxCustomButton::TcxCustomButton;
    const wchar_t* ClassName() const override { return L"TcxButton"; }
};
