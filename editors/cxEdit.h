// The editor core: editors are containers with a properties object, an edit value, an
// editor style with button settings, automatic height, and edit buttons.
#pragma once

#include "editors/cxContainer.h"
#include "editors/cxEditButtons.h"

#include <algorithm>
#include <memory>
#include <vector>

class TcxCustomEdit;


// Settings of an editor; the editor listens to their changes.
class TcxCustomEditProperties : public TPersistent {
public:
    explicit TcxCustomEditProperties(TcxCustomEdit* owner) : m_owner(owner) {}
    const wchar_t* ClassName() const override { return L"TcxCustomEditProperties"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    bool ReadOnly() const noexcept { return m_readOnly; }
    void SetReadOnly(bool v);
    bool AutoSelect() const noexcept { return m_autoSelect; }
    void SetAutoSelect(bool v);

    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate();
    TcxCustomEdit* Owner() const noexcept { return m_owner; }

    TNotifyEvent OnChange;
    TNotifyEvent OnEditValueChanged;

protected:
    void Changed();

private:
    TcxCustomEdit* m_owner;
    bool m_readOnly = false;
    bool m_autoSelect = true;
    int m_updateCount = 0;
    bool m_changed = false;
};

class TcxEditStyle : public TcxContainerStyle {
public:
    using TcxContainerStyle::TcxContainerStyle;
    const wchar_t* ClassName() const override { return L"TcxEditStyle"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    // The button style of this state: assigned here, else the normal style's, else btsDefault.
    TcxEditButtonStyle ButtonStyle() const;
    void SetButtonStyle(TcxEditButtonStyle v);
    bool IsButtonStyleAssigned() const noexcept { return m_buttonStyleAssigned; }
    // The style buttons are drawn in: the assigned one, else the one that goes with the
    // border style (or, without border and hot tracking, with the look-and-feel kind).
    TcxEditButtonStyle EffectiveButtonStyle();
    // Per owner (kept in the normal style), like the edges.
    TcxEditButtonTransparency ButtonTransparency() const;
    void SetButtonTransparency(TcxEditButtonTransparency v);
    bool GradientButtons() const;
    void SetGradientButtons(bool v);

private:
    const TcxEditStyle* RootEdit() const;
    TcxEditStyle* RootEdit();
    TcxEditButtonStyle m_buttonStyle = btsDefault;
    bool m_buttonStyleAssigned = false;
    TcxEditButtonTransparency m_buttonTransparency = ebtNone;
    bool m_buttonTransparencyAssigned = false;
    bool m_gradientButtons = false;
    bool m_gradientButtonsAssigned = false;
};

class TcxCustomEdit : public TcxContainer {
public:
    explicit TcxCustomEdit(TComponent* owner);
    ~TcxCustomEdit() override;
    const wchar_t* ClassName() const override { return L"TcxCustomEdit"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    TcxCustomEditProperties* Properties() noexcept { return m_properties.get(); }
    TcxEditStyle* EditStyle() noexcept { return static_cast<TcxEditStyle*>(Style()); }
    bool AutoSize() const noexcept { return m_autoSize; }
    void SetAutoSize(bool v);
    // The height an auto-sized editor takes for its content and frame.
    virtual int AutoHeight();
    void SetBounds(int left, int top, int width, int height) override;

    TNotifyEvent OnChange;
    TNotifyEvent OnEditValueChanged;
    // Called by the properties object after a change.
    void PropertiesChangedFromProperties();

protected:
    void InitEdit(TcxCustomEditProperties* properties);
    TcxContainerStyle* CreateStyle(TcxContainerStateIndex state) override;
    virtual void PropertiesChanged();
    void Loaded() override;
    void FontChanged() override;
    void StyleValuesChanged(TcxContainerStyle* style) override;
    void ApplyAutoSize();
    // Height of one line of text in the control's font.
    int TextLineHeight(const wchar_t* sample = L"Wg");

private:
    std::unique_ptr<TcxCustomEditProperties> m_properties;
    bool m_autoSize = true;
    bool m_applyingAutoSize = false;
    int m_lineHeight = 0;
    LOGFONTW m_lineHeightFont{};
};

// One button embedded in an editor.
class TcxEditButton : public TPersistent {
public:
    const wchar_t* ClassName() const override { return L"TcxEditButton"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    void Assign(const TPersistent* source) override;

    const std::wstring& Caption() const noexcept { return m_caption; }
    void SetCaption(const std::wstring& v) { Set(m_caption, v); }
    bool Default() const noexcept { return m_default; }
    void SetDefault(bool v);
    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool v) { Set(m_enabled, v); }
    TcxEditButtonKind Kind() const noexcept { return m_kind; }
    void SetKind(TcxEditButtonKind v) { Set(m_kind, v); }
    bool LeftAlignment() const noexcept { return m_leftAlignment; }
    void SetLeftAlignment(bool v) { Set(m_leftAlignment, v); }
    bool Visible() const noexcept { return m_visible; }
    void SetVisible(bool v) { Set(m_visible, v); }
    int Width() const noexcept { return m_width; }
    void SetWidth(int v) { Set(m_width, v < 0 ? 0 : v); }

    std::function<void(TcxEditButton*)> OnChanged;
    class TcxEditButtons* Collection = nullptr;

private:
    template <typename T>
    void Set(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        if (OnChanged)
            OnChanged(this);
    }
    std::wstring m_caption;
    bool m_default = false;
    bool m_enabled = true;
    TcxEditButtonKind m_kind = bkDown;
    bool m_leftAlignment = false;
    bool m_visible = true;
    int m_width = 0;
};

class TcxEditButtons : public TPersistent, public TStoredCollection {
public:
    const wchar_t* ClassName() const override { return L"TcxEditButtons"; }
    void Assign(const TPersistent* source) override;
    int Count() const noexcept { return static_cast<int>(m_items.size()); }
    TcxEditButton* Items(int i) const { return m_items.at(static_cast<size_t>(i)).get(); }
    TcxEditButton* Add();
    void Delete(int index);
    void Clear() override;
    TPersistent* AddStoredItem() override { return Add(); }
    int IndexOf(const TcxEditButton* button) const;
    // Keeps at most one default button: the one just made default.
    void DefaultChanged(TcxEditButton* button);

    TNotifyEvent OnChanged;

private:
    void Changed();
    std::vector<std::unique_ptr<TcxEditButton>> m_items;
};

// Width of a button of the given settings in pixels (the ellipsis is as wide as a
// horizontal scroll bar is high unless a width is given).
int EditButtonWidth(const TcxEditButton& button);
