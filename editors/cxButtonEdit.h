// A text editor with embedded buttons; a click on one raises Properties.OnButtonClick
// with the button's index.
#pragma once

#include "editors/cxTextEdit.h"

enum TcxTextEditViewStyle { vsNormal, vsHideCursor, vsButtonsOnly, vsButtonsAutoWidth };
enum TcxEditMaskKind { emkStandard, emkRegExpr, emkRegExprEx };

class TcxButtonEditProperties : public TcxTextEditProperties {
public:
    explicit TcxButtonEditProperties(TcxCustomEdit* owner);
    const wchar_t* ClassName() const override { return L"TcxButtonEditProperties"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    // vsButtonsOnly: the buttons fill the editor and share its width; vsHideCursor and
    // vsButtonsOnly leave the text uneditable.
    TcxTextEditViewStyle ViewStyle() const noexcept { return m_viewStyle; }
    void SetViewStyle(TcxTextEditViewStyle v) { SetValue(m_viewStyle, v); }
    // An input mask; empty (as everywhere in this program) means no masking. A non-empty
    // mask is kept and stored but not enforced.
    const std::wstring& EditMask() const noexcept { return m_editMask; }
    void SetEditMask(const std::wstring& v) { SetValue(m_editMask, v); }
    TcxEditMaskKind MaskKind() const noexcept { return m_maskKind; }
    void SetMaskKind(TcxEditMaskKind v) { SetValue(m_maskKind, v); }
    bool IgnoreMaskBlank() const noexcept { return m_ignoreMaskBlank; }
    void SetIgnoreMaskBlank(bool v) { SetValue(m_ignoreMaskBlank, v); }
    TcxEditButtonsViewStyle ButtonsViewStyle() const override
    {
        return m_viewStyle == vsButtonsOnly        ? bvsButtonsOnly
               : m_viewStyle == vsButtonsAutoWidth ? bvsButtonsAutoWidth
                                                   : bvsNormal;
    }

private:
    TcxTextEditViewStyle m_viewStyle = vsNormal;
    std::wstring m_editMask;
    TcxEditMaskKind m_maskKind = emkStandard;
    bool m_ignoreMaskBlank = false;
};

class TcxButtonEdit : public TcxCustomTextEdit {
public:
    explicit TcxButtonEdit(TComponent* owner);
    ~TcxButtonEdit() override;
    const wchar_t* ClassName() const override { return L"TcxButtonEdit"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    TcxButtonEditProperties* Properties() noexcept
    {
        return static_cast<TcxButtonEditProperties*>(TcxCustomEdit::Properties());
    }

    // The button settings in use (a repository item's when one is set).
    TcxButtonEditProperties* ActiveButtonProperties() noexcept
    {
        return static_cast<TcxButtonEditProperties*>(ActiveProperties());
    }
    bool CanModify() override;
    // A button edit stores its button style and transparency in every state style.
    unsigned NotPublishedStyleValues() const override
    {
        return (1u << esvPopupBorderStyle) | (1u << esvGradient) | (1u << esvGradientDirection);
    }

protected:
    void Loading() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool CanUseProperties(TcxCustomEditProperties* p) override
    {
        return dynamic_cast<TcxButtonEditProperties*>(p) != nullptr;
    }

private:
    bool m_buttonsEmptiedForReading = false;
};
