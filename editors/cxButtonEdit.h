// A text editor with embedded buttons; a click on one raises Properties.OnButtonClick
// with the button's index.
#pragma once

#include "editors/cxTextEdit.h"

using TcxEditButtonClickEvent = std::function<void(TObject* Sender, int AButtonIndex)>;

class TcxButtonEditProperties : public TcxTextEditProperties {
public:
    explicit TcxButtonEditProperties(TcxCustomEdit* owner);
    const wchar_t* ClassName() const override { return L"TcxButtonEditProperties"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    TcxEditButtons* Buttons() noexcept { return &m_buttons; }
    // Key (virtual-key code with the shift state in the high word) that clicks the default button.
    unsigned ClickKey() const noexcept { return m_clickKey; }
    void SetClickKey(unsigned v) { m_clickKey = v; }

    TcxEditButtonClickEvent OnButtonClick;

private:
    TcxEditButtons m_buttons;
    unsigned m_clickKey;
};

// Shift-state bits of a ClickKey.
constexpr unsigned scShift = 0x2000;
constexpr unsigned scCtrl = 0x4000;
constexpr unsigned scAlt = 0x8000;

struct TcxEditButtonViewInfo {
    int index = -1; // in the collection
    RECT bounds{};
    bool pressed = false;
    bool hot = false;
    bool enabled = true;
};

class TcxButtonEdit : public TcxCustomTextEdit {
public:
    explicit TcxButtonEdit(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TcxButtonEdit"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    TcxButtonEditProperties* Properties() noexcept
    {
        return static_cast<TcxButtonEditProperties*>(TcxCustomEdit::Properties());
    }

    const std::vector<TcxEditButtonViewInfo>& ButtonViewInfos() const noexcept { return m_buttonInfos; }
    // The index of the visible button under p (client coordinates), or -1.
    int ButtonAt(POINT p) const;
    // Raises OnButtonClick for the button (as a click on it would).
    void DoButtonClick(int index);

protected:
    void ComputeViewInfo(POINT p, bool hotAllowed) override;
    RECT TextArea() override;
    void PaintContent(HDC dc) override;
    void MouseDown(int button, POINT p) override;
    void MouseUp(int button, POINT p) override;
    bool EditKey(UINT msg, WPARAM key) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void LayoutButtons();
    std::vector<TcxEditButtonViewInfo> m_buttonInfos;
    int m_pressedButton = -1;
};
