#include "rtMenus.h"

#include "rtControls.h"
#include "rtHandles.h"

#include <algorithm>

namespace {

// Appends items to a native menu: a submenu for an item with items, a separator for "-".
// Commands are positions in chosen plus one (0 is what the platform answers for "none").
void AppendItems(HMENU menu, const std::vector<TMenuItem*>& items, std::vector<TMenuItem*>& chosen)
{
    for (TMenuItem* item : items) {
        if (item->IsSeparator()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT state = item->Enabled() ? MF_ENABLED : MF_GRAYED;
        if (item->Count() > 0) {
            HMENU sub = CreatePopupMenu();
            if (!sub)
                continue;
            std::vector<TMenuItem*> inner;
            for (int i = 0; i < item->Count(); ++i)
                inner.push_back(item->Items(i));
            AppendItems(sub, inner, chosen);
            // The submenu belongs to its parent menu from here on and goes with it.
            if (!AppendMenuW(menu, MF_POPUP | MF_STRING | state, reinterpret_cast<UINT_PTR>(sub),
                             item->Caption().c_str()))
                DestroyMenu(sub);
            continue;
        }
        chosen.push_back(item);
        AppendMenuW(menu, MF_STRING | state, chosen.size(), item->Caption().c_str());
    }
}

// Takes item out of a list of items; false when it was not there.
bool EraseItem(std::vector<TMenuItem*>& items, const TMenuItem* item)
{
    auto it = std::find(items.begin(), items.end(), item);
    if (it == items.end())
        return false;
    items.erase(it);
    return true;
}

} // namespace

TMenuItem::~TMenuItem()
{
    Detach();
    for (TMenuItem* item : m_items)
        item->m_parent = nullptr;
}

void TMenuItem::Detach()
{
    if (m_menu)
        m_menu->Remove(this);
    if (m_parent)
        m_parent->Remove(this);
}

void TMenuItem::Add(TMenuItem* item)
{
    if (!item || item == this || item->m_parent == this || item->Holds(this))
        return;
    item->Detach();
    item->m_parent = this;
    m_items.push_back(item);
}

void TMenuItem::Remove(TMenuItem* item)
{
    if (EraseItem(m_items, item))
        item->m_parent = nullptr;
}

bool TMenuItem::Holds(const TMenuItem* item) const
{
    if (item == this)
        return true;
    return std::any_of(m_items.begin(), m_items.end(), [item](const TMenuItem* i) { return i->Holds(item); });
}

const TClassInfo* TMenuItem::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TMenuItem", nullptr);
        ci.AddString<TMenuItem>(L"Caption", &TMenuItem::SetCaption, &TMenuItem::Caption);
        ci.AddBool<TMenuItem>(L"Enabled", &TMenuItem::SetEnabled, &TMenuItem::Enabled);
        ci.AddInt<TMenuItem>(L"ShortCut", &TMenuItem::SetShortCut, &TMenuItem::ShortCut);
        ci.AddEvent<TMenuItem, TNotifyEvent>(L"OnClick", &TMenuItem::OnClick);
        return ci;
    }();
    return &info;
}

void TMenuItem::SetParentComponent(TComponent* parent)
{
    if (auto* menu = dynamic_cast<TPopupMenu*>(parent))
        menu->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
}

unsigned ShortCutOf(WPARAM key)
{
    return (static_cast<unsigned>(key) & 0xFF) | (GetKeyState(VK_SHIFT) < 0 ? scShift : 0) |
           (GetKeyState(VK_CONTROL) < 0 ? scCtrl : 0) | (GetKeyState(VK_MENU) < 0 ? scAlt : 0);
}

namespace {

TMenuItem* FindShortCut(TMenuItem* item, unsigned shortCut)
{
    if (!item->Enabled() || item->IsSeparator())
        return nullptr;
    if (item->Count() == 0)
        return item->ShortCut() != 0 && static_cast<unsigned>(item->ShortCut()) == shortCut ? item : nullptr;
    for (int i = 0; i < item->Count(); ++i)
        if (TMenuItem* found = FindShortCut(item->Items(i), shortCut))
            return found;
    return nullptr;
}

} // namespace

bool TPopupMenu::IsShortCut(unsigned shortCut)
{
    if (shortCut == 0)
        return false;
    for (TMenuItem* item : m_items)
        if (TMenuItem* found = FindShortCut(item, shortCut)) {
            found->Click();
            return true;
        }
    return false;
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
    item->Detach();
    item->m_menu = this;
    m_items.push_back(item);
}

void TPopupMenu::Remove(TMenuItem* item)
{
    if (EraseItem(m_items, item))
        item->m_menu = nullptr;
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
    // The items may change while the menu is open (a handler elsewhere frees one): the
    // choice is taken by command from a list kept for this showing.
    std::vector<TMenuItem*> shown;
    AppendItems(menu.get(), m_items, shown);
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
    m_showing = true;
    UINT command = static_cast<UINT>(TrackPopupMenuEx(
        menu.get(), kAlign[alignment] | vertical | TPM_VERTICAL | TPM_RETURNCMD | TPM_LEFTBUTTON, x, y, owner,
        exclude ? &params : nullptr));
    m_showing = false;
    if (command == 0 || command > shown.size())
        return nullptr;
    TMenuItem* chosen = shown[command - 1];
    if (std::none_of(m_items.begin(), m_items.end(),
                     [chosen](const TMenuItem* i) { return i->Holds(chosen); }))
        return nullptr;
    chosen->Click();
    return chosen;
}

void RegisterMenuClasses()
{
    RegisterComponentClass(L"TPopupMenu", [](TComponent* o) -> TComponent* { return new TPopupMenu(o); });
    RegisterComponentClass(L"TMenuItem", [](TComponent* o) -> TComponent* { return new TMenuItem(o); });
}
