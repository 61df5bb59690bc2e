#include "rtMenus.h"

#include "rtControls.h"
#include "rtHandles.h"

#include <algorithm>

TMenuItem::~TMenuItem()
{
    if (m_menu)
        m_menu->Remove(this);
}

const TClassInfo* TMenuItem::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TMenuItem", nullptr);
        ci.AddString<TMenuItem>(L"Caption", &TMenuItem::SetCaption, &TMenuItem::Caption);
        ci.AddBool<TMenuItem>(L"Enabled", &TMenuItem::SetEnabled, &TMenuItem::Enabled);
        ci.AddEvent<TMenuItem, TNotifyEvent>(L"OnClick", &TMenuItem::OnClick);
        return ci;
    }();
    return &info;
}

void TMenuItem::SetParentComponent(TComponent* parent)
{
    if (auto* menu = dynamic_cast<TPopupMenu*>(parent))
        menu->Add(this);
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

TPopupMenu::~TPopupMenu()
{
    for (TMenuItem* item : m_items)
        item->m_menu = nullptr;
}

const TClassInfo* TPopupMenu::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TPopupMenu", nullptr);
        ci.AddEvent<TPopupMenu, TNotifyEvent>(L"OnPopup", &TPopupMenu::OnPopup);
        return ci;
    }();
    return &info;
}

void TPopupMenu::Add(TMenuItem* item)
{
    if (!item || item->m_menu == this)
        return;
    if (item->m_menu)
        item->m_menu->Remove(item);
    item->m_menu = this;
    m_items.push_back(item);
}

void TPopupMenu::Remove(TMenuItem* item)
{
    auto it = std::find(m_items.begin(), m_items.end(), item);
    if (it == m_items.end())
        return;
    (*it)->m_menu = nullptr;
    m_items.erase(it);
}

// The height the menu will take on the screen: one menu line per item and the frame. A
// little more than the platform draws is harmless (the menu then opens above a bit early).
int TPopupMenu::EstimatedHeight() const
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    int line = GetSystemMetrics(SM_CYMENUSIZE);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        line = std::max(line, static_cast<int>(std::abs(metrics.lfMenuFont.lfHeight)) + 6);
    return static_cast<int>(m_items.size()) * line + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + 4;
}

TMenuItem* TPopupMenu::Popup(HWND owner, int x, int y, TPopupAlignment alignment, const RECT* exclude)
{
    if (OnPopup)
        OnPopup(this);
    if (m_items.empty())
        return nullptr;
    UniqueMenu menu(CreatePopupMenu());
    if (!menu)
        return nullptr;
    // Commands are the items' positions plus one: 0 is what the platform answers for "none".
    for (size_t i = 0; i < m_items.size(); ++i) {
        UINT flags = MF_STRING | (m_items[i]->Enabled() ? MF_ENABLED : MF_GRAYED);
        AppendMenuW(menu.get(), flags, i + 1, m_items[i]->Caption().c_str());
    }
    static const UINT kAlign[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
    UINT vertical = TPM_TOPALIGN;
    TPMPARAMS params{sizeof(params), {}};
    if (exclude) {
        params.rcExclude = *exclude;
        // Not every platform keeps a menu off the excluded area: when the menu would not fit
        // below it on the screen, it is put above it here, its bottom on the area's top.
        MONITORINFO monitor{sizeof(monitor), {}, {}, 0};
        if (GetMonitorInfoW(MonitorFromRect(exclude, MONITOR_DEFAULTTONEAREST), &monitor) &&
            exclude->bottom + EstimatedHeight() > monitor.rcMonitor.bottom &&
            exclude->top - EstimatedHeight() >= monitor.rcMonitor.top) {
            y = exclude->top;
            vertical = TPM_BOTTOMALIGN;
        }
    }
    // The items may change while the menu is open (a handler elsewhere frees one): the
    // choice is taken by position from a list kept for this showing.
    std::vector<TMenuItem*> shown = m_items;
    m_showing = true;
    UINT command = static_cast<UINT>(TrackPopupMenuEx(
        menu.get(), kAlign[alignment] | vertical | TPM_VERTICAL | TPM_RETURNCMD | TPM_LEFTBUTTON, x, y, owner,
        exclude ? &params : nullptr));
    m_showing = false;
    if (command == 0 || command > shown.size())
        return nullptr;
    TMenuItem* chosen = shown[command - 1];
    if (std::find(m_items.begin(), m_items.end(), chosen) == m_items.end())
        return nullptr;
    chosen->Click();
    return chosen;
}

void RegisterMenuClasses()
{
    RegisterComponentClass(L"TPopupMenu", [](TComponent* o) -> TComponent* { return new TPopupMenu(o); });
    RegisterComponentClass(L"TMenuItem", [](TComponent* o) -> TComponent* { return new TMenuItem(o); });
}
