// A text editor with embedded buttons; a click on one raises Properties.OnButtonClick
// with the button's index.
#pragma once

#include "editors/cxHintWindow.h"
#include "editors/cxTextEdit.h"

using TcxEditButtonClickEvent = std::function<void(TObject* Sender, int AButtonIndex)>;
// Asked for the width of a button whose Width is 0 (AButtonIndex: in the collection); a
// width left at 0 keeps the automatic one.
using TcxGetEditButtonWidthEvent = std::function<void(TObject* Sender, int AButtonIndex, int& AWidth)>;

enum TcxTextEditViewStyle { vsNormal, vsHideCursor, vsButtonsOnly, vsButtonsAutoWidth };
enum TcxEditMaskKind { emkStandard, emkRegExpr, emkRegExprEx };

class TcxButtonEditProperties : public TcxTextEditProperties {
public:
    explicit TcxButtonEditProperties(TcxCustomEdit* owner);
    const wchar_t* ClassName() const override { return L"TcxButtonEditProperties"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    TcxEditButtons* Buttons() noexcept { return &m_buttons; }
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

    TcxEditButtonClickEvent OnButtonClick;

private:
    TcxEditButtons m_buttons;
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
    // The visible buttons, in collection order.
    const std::vector<TcxEditButtonViewInfo>& ButtonViewInfos() const noexcept { return m_buttonInfos; }
    // The position in ButtonViewInfos of the button under p (client coordinates); -1 when p
    // is elsewhere inside the border rectangle, -2 outside it.
    int ButtonAt(POINT p) const;
    // Raises OnButtonClick for the button at that position of ButtonViewInfos, with its
    // index in the collection.
    void DoButtonClick(int viewIndex);
    // The first visible button that is the default one (position in ButtonViewInfos), or -1.
    int DefaultButtonIndex() const;
    // The hint of the button under p and that button's rectangle; false when p is on no
    // button or the button has no hint.
    bool ButtonHintAt(POINT p, std::wstring& hint, RECT& area) const;
    int PressedButton() const noexcept { return m_pressedButton; }
    int HotButton() const noexcept { return m_hotButton; }
    // The width a button takes when its Width is 0 (or its Width, at least the margin).
    int ButtonWidth(const TcxEditButton& button);
    bool CanModify() override;
    // A button edit stores its button style and transparency in every state style.
    unsigned NotPublishedStyleValues() const override
    {
        return (1u << esvPopupBorderStyle) | (1u << esvGradient) | (1u << esvGradientDirection);
    }
    // At least as tall as the tallest glyph of a glyph button and the button style's
    // margins around it need.
    int AutoHeight() override;

    // A button's hint shows once the cursor has rested over the button this long, and goes
    // after the second time (or when the cursor leaves the button or a mouse button is pressed).
    static constexpr unsigned kHintPause = 500;
    static constexpr unsigned kHintHidePause = 2500;
    void HoverEnded() override;

    TcxGetEditButtonWidthEvent OnGetDefaultButtonWidth;
    TcxEditCustomButtonEvent OnCustomButton;
    TcxEditCustomButtonBorderEvent OnCustomButtonBorder;
    TcxEditCustomButtonBackgroundEvent OnCustomButtonBackground;

protected:
    void ComputeViewInfo(POINT p, bool hotAllowed) override;
    void AfterMouseUpdate() override;
    void InvalidateAfterUpdate() override;
    void Loading() override;
    RECT TextArea() override;
    void PaintContent(HDC dc) override;
    void ExcludeFromBackground(HDC dc) override;
    void MouseDown(int button, POINT p) override;
    void MouseUp(int button, POINT p) override;
    void MouseMove(POINT p) override;
    void MouseLeave() override;
    bool EditKey(UINT msg, WPARAM key) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Hooks of a button going down and coming up (the click follows the up).
    bool DblClickIsButtonPress(POINT p) override { return ButtonAt(p) >= 0; }
    bool CanUseProperties(TcxCustomEditProperties* p) override
    {
        return dynamic_cast<TcxButtonEditProperties*>(p) != nullptr;
    }
    virtual void DoButtonDown(int viewIndex) {}
    // Hooks for kinds built on the button edit: a button's state as computed, and its
    // caption colour (the button's own TextColor), may be changed here.
    virtual TcxEditButtonState ButtonState(int index, TcxEditButtonState computed) { return computed; }
    virtual TColor ButtonTextColor(int index, TColor own) { return own; }
    virtual void DoButtonUp(int viewIndex) {}

private:
    void CalculateButtons(POINT p, bool hotAllowed);
    // The height the buttons' content needs inside the frame (0: none asks for more).
    int ButtonsContentHeight();
    // The font of text buttons: the current style's effective font (its text style included).
    HFONT CaptionFont();
    TFont m_captionFont;
    // Waits for the cursor to rest over a button with a hint (k: its view index, -1: none).
    void FollowHint(int k);
    void CancelHint();
    void HintTimerTick();
    std::unique_ptr<TcxHintWindow> m_hintWindow;
    std::unique_ptr<TcxTimer> m_hintTimer;
    int m_hintButton = -1;   // the button whose hint is awaited or shown
    bool m_hintDone = false; // shown and gone (or pressed): not again until the cursor moves on
    std::vector<TcxEditButtonViewInfo> m_buttonInfos;
    int m_capturedButton = -1; // the button the mouse went down on, while the mouse is held
    int m_pressedButton = -1, m_hotButton = -1;
    int m_previousPressedButton = -1, m_previousHotButton = -1;
    // The button a left-button release happened over, while that release is handled.
    int m_releasedOnButton = -1;
    bool m_buttonsEmptiedForReading = false;
    // The view info before the last calculation, for repainting only what changed.
    TcxContainerViewInfo m_oldViewInfo;
    std::vector<TcxEditButtonViewInfo> m_oldButtonInfos;
    bool m_hasOldViewInfo = false;
};
