// Look-and-feel settings of a control: the visual style kind and whether the native
// theme is used. (First cut: the full settings object with its master chain, listeners
// and painters replaces this unit.)
#pragma once

#include "runtime/rtClasses.h"

enum TcxLookAndFeelKind { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };

enum TcxLookAndFeelValue : unsigned { lfvKind = 1, lfvNativeStyle = 2, lfvSkinName = 4 };
using TcxLookAndFeelValues = unsigned;

class TcxLookAndFeel : public TPersistent {
public:
    explicit TcxLookAndFeel(TPersistent* owner = nullptr) : m_owner(owner) {}
    const wchar_t* ClassName() const override { return L"TcxLookAndFeel"; }
    void Assign(const TPersistent* source) override;

    TcxLookAndFeelKind Kind() const;
    void SetKind(TcxLookAndFeelKind value);
    bool NativeStyle() const;
    void SetNativeStyle(bool value);
    TcxLookAndFeelValues AssignedValues() const noexcept { return m_assigned; }
    TcxLookAndFeel* Master() const noexcept { return m_master; }
    void SetMaster(TcxLookAndFeel* master) { m_master = master; }

    TNotifyEvent OnChanged;

private:
    void Changed();
    TPersistent* m_owner;
    TcxLookAndFeel* m_master = nullptr;
    TcxLookAndFeelKind m_kind = lfUltraFlat;
    bool m_nativeStyle = false;
    TcxLookAndFeelValues m_assigned = 0;
};
