// Popup menus: a list of items with captions and click events, shown as the platform's own
// popup menu, and loadable from a stored form description (items nested in the menu). An
// item with items of its own opens them as a submenu; an item captioned "-" is a separator.
#pragma once

#include "rtClasses.h"
#include "rtTypInfo.h"

#include <windows.h>

#include <string>
#include <vector>

class TPopupMenu;

// Shortcuts: a virtual-key code with the shift state in the high bits.
constexpr unsigned scShift = 0x2000;
constexpr unsigned scCtrl = 0x4000;
constexpr unsigned scAlt = 0x8000;
// The shortcut of key with the modifier keys held now.
unsigned ShortCutOf(WPARAM key);

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner) : TComponent(owner) {}
    ~TMenuItem() override;
    const wchar_t* ClassName() const override { return L"TMenuItem"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    const std::wstring& Caption() const noexcept { return m_caption; }
    void SetCaption(const std::wstring& v) { m_caption = v; }
    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool v) { m_enabled = v; }
    // The key that clicks the item without opening its menu; 0 for none.
    int ShortCut() const noexcept { return static_cast<int>(m_shortCut); }
    void SetShortCut(int v) { m_shortCut = static_cast<unsigned>(v) & 0xFFFF; }
    TPopupMenu* Menu() const noexcept { return m_menu; }
    // The item whose submenu holds this one; null for an item of the menu itself.
    TMenuItem* Parent() const noexcept { return m_parent; }
    bool IsSeparator() const { return m_caption == L"-"; }

    // The submenu's items.
    int Count() const noexcept { return static_cast<int>(m_items.size()); }
    TMenuItem* Items(int index) const { return m_items.at(static_cast<size_t>(index)); }
    // Adds an item at the end of the submenu; the item stays owned by its owner.
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    // Whether item is this one or lies anywhere in its submenus.
    bool Holds(const TMenuItem* item) const;

    // Read from a description inside a menu or an item: the item joins that menu or submenu.
    void SetParentComponent(TComponent* parent) override;
    // Runs OnClick.
    virtual void Click();

    TNotifyEvent OnClick;

private:
    friend class TPopupMenu;
    void Detach();
    TPopupMenu* m_menu = nullptr;
    TMenuItem* m_parent = nullptr;
    std::vector<TMenuItem*> m_items;
    std::wstring m_caption;
    bool m_enabled = true;
    unsigned m_shortCut = 0;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner) : TComponent(owner) {}
    ~TPopupMenu() override;
    const wchar_t* ClassName() const override { return L"TPopupMenu"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    int Count() const noexcept { return static_cast<int>(m_items.size()); }
    TMenuItem* Items(int index) const { return m_items.at(static_cast<size_t>(index)); }
    // Adds an item at the end; the item stays owned by its owner.
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);

    // Shows the menu with its top edge at y and, by alignment, its left edge, right edge or
    // middle at x (screen coordinates); exclude is the area it keeps clear of (it opens above
    // that area when it does not fit below). Returns when the menu closes, after the chosen
    // item's OnClick ran; the result is that item, or nullptr when none was chosen.
    TMenuItem* Popup(HWND owner, int x, int y, TPopupAlignment alignment = paLeft,
                     const RECT* exclude = nullptr);
    // Whether the menu is on the screen now.
    bool IsShowing() const noexcept { return m_showing; }
    // Clicks the enabled item, in any enabled submenu, whose shortcut is shortCut; false when
    // no item has it (the key is then left to others).
    bool IsShortCut(unsigned shortCut);

    // Asked before the menu opens.
    TNotifyEvent OnPopup;

private:
    int EstimatedHeight() const;
    std::vector<TMenuItem*> m_items;
    bool m_showing = false;
};

// Makes TPopupMenu and TMenuItem creatable from stored descriptions.
void RegisterMenuClasses();
