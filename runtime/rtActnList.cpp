#include "rtActnList.h"

#include "rtGraphics.h"
#include "rtStdCtrls.h"

#include <algorithm>

// ---- image list ----

const TClassInfo* TCustomImageList::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TCustomImageList", nullptr);
        ci.AddInt<TCustomImageList>(L"Width", &TCustomImageList::SetWidth, &TCustomImageList::Width);
        ci.AddInt<TCustomImageList>(L"Height", &TCustomImageList::SetHeight, &TCustomImageList::Height);
        ci.Add({L"Bitmap",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    UniqueBitmap picture = ValueToBitmap(v);
                    static_cast<TCustomImageList&>(o).SetBitmap(picture.get());
                },
                [](const TPersistent& o) { return static_cast<const TCustomImageList&>(o).BitmapValue(); },
                {},
                {}});
        return ci;
    }();
    return &info;
}

void TCustomImageList::SetSize(int width, int height)
{
    if (width < 1 || height < 1 || (width == m_width && height == m_height))
        return;
    m_width = width;
    m_height = height;
    m_list.reset();
    const bool had = !m_keys.empty();
    m_keys.clear();
    if (had)
        Changed();
}

HIMAGELIST TCustomImageList::Handle()
{
    if (!m_list)
        m_list.reset(ImageList_Create(m_width, m_height, ILC_COLOR24 | ILC_MASK, 4, 4));
    return m_list.get();
}

// Each image is copied out of the picture on its own, so a picture whose size is not a whole
// number of images only loses the part that makes no whole image.
void TCustomImageList::Cut(HBITMAP picture)
{
    BITMAP info{};
    if (!picture || !GetObjectW(picture, sizeof(info), &info) || info.bmWidth < m_width ||
        info.bmHeight < m_height || !Handle())
        return;
    HDC screen = GetDC(nullptr);
    UniqueMemoryDC source(CreateCompatibleDC(screen));
    UniqueMemoryDC target(CreateCompatibleDC(screen));
    {
        SelectGuard sourceSel(source.get(), picture);
        const COLORREF key = GetPixel(source.get(), 0, info.bmHeight - 1);
        for (int top = 0; top + m_height <= info.bmHeight; top += m_height)
            for (int left = 0; left + m_width <= info.bmWidth; left += m_width) {
                UniqueBitmap image(CreateCompatibleBitmap(screen, m_width, m_height));
                if (!image)
                    continue;
                {
                    SelectGuard targetSel(target.get(), image.get());
                    BitBlt(target.get(), 0, 0, m_width, m_height, source.get(), left, top, SRCCOPY);
                }
                if (ImageList_AddMasked(m_list.get(), image.get(), key) >= 0)
                    m_keys.push_back(key);
            }
    }
    ReleaseDC(nullptr, screen);
}

int TCustomImageList::AddMasked(HBITMAP picture)
{
    const int first = Count();
    Cut(picture);
    if (Count() == first)
        return -1;
    Changed();
    return first;
}

void TCustomImageList::SetBitmap(HBITMAP picture)
{
    if (IsLoading()) {
        // Width and Height may follow in the description: the picture waits for them.
        BITMAP info{};
        if (!picture || !GetObjectW(picture, sizeof(info), &info))
            return;
        HDC screen = GetDC(nullptr);
        UniqueMemoryDC from(CreateCompatibleDC(screen)), to(CreateCompatibleDC(screen));
        m_pendingPicture.reset(CreateCompatibleBitmap(screen, info.bmWidth, info.bmHeight));
        if (m_pendingPicture) {
            SelectGuard fromSel(from.get(), picture);
            SelectGuard toSel(to.get(), m_pendingPicture.get());
            BitBlt(to.get(), 0, 0, info.bmWidth, info.bmHeight, from.get(), 0, 0, SRCCOPY);
        }
        ReleaseDC(nullptr, screen);
        return;
    }
    if (m_list)
        ImageList_RemoveAll(m_list.get());
    m_keys.clear();
    Cut(picture);
    Changed();
}

void TCustomImageList::Loaded()
{
    TComponent::Loaded();
    if (m_pendingPicture) {
        UniqueBitmap picture = std::move(m_pendingPicture);
        SetBitmap(picture.get());
    }
}

COLORREF TCustomImageList::TransparentColor(int index) const
{
    return index >= 0 && index < Count() ? m_keys[static_cast<size_t>(index)] : CLR_INVALID;
}

TValue TCustomImageList::BitmapValue() const
{
    if (Count() == 0)
        return BitmapToValue(nullptr, 0, 0);
    // The images side by side, each on its own transparent colour, as SetBitmap cuts them.
    HDC screen = GetDC(nullptr);
    UniqueBitmap strip(CreateCompatibleBitmap(screen, m_width * Count(), m_height));
    UniqueMemoryDC dc(CreateCompatibleDC(screen)), from(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    if (!strip || !dc || !from)
        throw Exception(L"Out of system resources: a picture could not be copied");
    SelectGuard sel(dc.get(), strip.get());
    for (int i = 0; i < Count(); ++i) {
        UniqueBitmap image = ImageBitmap(i);
        SelectGuard fromSel(from.get(), image.get());
        BitBlt(dc.get(), i * m_width, 0, m_width, m_height, from.get(), 0, 0, SRCCOPY);
    }
    return BitmapToValue(dc.get(), m_width * Count(), m_height);
}

UniqueBitmap TCustomImageList::ImageBitmap(int index) const
{
    if (index < 0 || index >= Count() || !m_list)
        return UniqueBitmap();
    HDC screen = GetDC(nullptr);
    UniqueBitmap out(CreateCompatibleBitmap(screen, m_width, m_height));
    UniqueMemoryDC dc(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    if (!out || !dc)
        return UniqueBitmap();
    SelectGuard sel(dc.get(), out.get());
    UniqueBrush key(CreateSolidBrush(m_keys[static_cast<size_t>(index)]));
    RECT all{0, 0, m_width, m_height};
    FillRect(dc.get(), &all, key.get());
    ImageList_Draw(m_list.get(), index, dc.get(), 0, 0, ILD_TRANSPARENT);
    return out;
}

void TCustomImageList::AddChangeListener(const void* key, std::function<void()> listener)
{
    RemoveChangeListener(key);
    m_listeners.emplace_back(key, std::move(listener));
}

void TCustomImageList::RemoveChangeListener(const void* key)
{
    std::erase_if(m_listeners, [key](const auto& l) { return l.first == key; });
}

bool TCustomImageList::HasChangeListener(const void* key) const
{
    return std::any_of(m_listeners.begin(), m_listeners.end(),
                       [key](const auto& l) { return l.first == key; });
}

void TCustomImageList::Changed()
{
    if (IsDestroying())
        return;
    auto listeners = m_listeners;
    for (auto& [key, listener] : listeners)
        if (std::any_of(m_listeners.begin(), m_listeners.end(),
                        [k = key](const auto& l) { return l.first == k; }))
            listener();
}

// ---- action links ----

TBasicActionLink::~TBasicActionLink()
{
    SetAction(nullptr);
}

void TBasicActionLink::SetAction(TBasicAction* action)
{
    if (action == m_action)
        return;
    if (m_action)
        std::erase(m_action->m_links, this);
    m_action = action;
    if (action) {
        action->m_links.push_back(this);
        Change();
    }
}

bool TBasicActionLink::Execute()
{
    return m_action && m_action->Execute();
}

void TActionLink::Change()
{
    auto* a = dynamic_cast<TCustomAction*>(m_action);
    if (!a)
        return;
    SetCaption(a->Caption());
    SetEnabled(a->Enabled());
    SetChecked(a->Checked());
    SetHint(a->Hint());
    SetVisible(a->Visible());
    SetImageIndex(a->ImageIndex());
}

TButtonActionLink::TButtonActionLink(TNativeButton* client) : TControlActionLink(client) {}

// ---- actions ----

TBasicAction::~TBasicAction()
{
    Destroying();
    // The links forget the action; their clients keep what they show.
    for (TBasicActionLink* link : m_links)
        link->m_action = nullptr;
    m_links.clear();
}

// The handlers run from copies: a handler may free the action (a command that closes the
// form owning it), and with it the handler itself.
bool TBasicAction::Execute()
{
    if (!OnExecute)
        return false;
    TNotifyEvent handler = OnExecute;
    handler(this);
    return true;
}

bool TBasicAction::Update()
{
    if (!OnUpdate)
        return false;
    TNotifyEvent handler = OnUpdate;
    handler(this);
    return true;
}

TContainedAction::TContainedAction(TComponent* owner) : TBasicAction(owner)
{
    if (auto* list = dynamic_cast<TActionList*>(owner))
        SetActionList(list);
}

TContainedAction::~TContainedAction()
{
    SetActionList(nullptr);
}

void TContainedAction::SetActionList(TActionList* list)
{
    if (list == m_actionList)
        return;
    if (m_actionList)
        std::erase(m_actionList->m_actions, this);
    m_actionList = list;
    if (list) {
        list->m_actions.push_back(this);
        if (!IsDestroying())
            ImagesChanged();
    }
}

void TContainedAction::SetParentComponent(TComponent* parent)
{
    if (auto* list = dynamic_cast<TActionList*>(parent))
        SetActionList(list);
}

const TClassInfo* TCustomAction::StaticProperties()
{
    static const TClassInfo info = [] {
        using A = TCustomAction;
        TClassInfo ci(L"TCustomAction", nullptr);
        ci.AddString<A>(L"Caption", &A::SetCaption, &A::Caption);
        ci.AddBool<A>(L"Enabled", &A::SetEnabled, &A::Enabled);
        ci.AddBool<A>(L"Checked", &A::SetChecked, &A::Checked);
        ci.AddString<A>(L"Hint", &A::SetHint, &A::Hint);
        ci.AddBool<A>(L"Visible", &A::SetVisible, &A::Visible);
        ci.AddInt<A>(L"ImageIndex", &A::SetImageIndex, &A::ImageIndex);
        ci.AddInt<A>(L"GroupIndex", &A::SetGroupIndex, &A::GroupIndex);
        ci.AddBool<A>(L"AutoCheck", &A::SetAutoCheck, &A::AutoCheck);
        ci.AddString<TContainedAction>(L"Category", &TContainedAction::SetCategory,
                                       &TContainedAction::Category);
        ci.AddEvent<TBasicAction, TNotifyEvent>(L"OnExecute", &TBasicAction::OnExecute);
        ci.AddEvent<TBasicAction, TNotifyEvent>(L"OnUpdate", &TBasicAction::OnUpdate);
        return ci;
    }();
    return &info;
}

void TCustomAction::SetCaption(const std::wstring& v)
{
    Set(m_caption, v, [&](TActionLink* l) { l->SetCaption(v); });
}

void TCustomAction::SetEnabled(bool v)
{
    Set(m_enabled, v, [&](TActionLink* l) { l->SetEnabled(v); });
}

void TCustomAction::SetChecked(bool v)
{
    if (v == m_checked)
        return;
    if (v && m_groupIndex > 0 && ActionList()) {
        TActionList* list = ActionList();
        for (int i = 0; i < list->ActionCount(); ++i) {
            auto* other = dynamic_cast<TCustomAction*>(list->Actions(i));
            if (other && other != this && other->m_groupIndex == m_groupIndex)
                other->SetChecked(false);
        }
    }
    // A link may check the action again while hearing of the change (a button that stays
    // down): every link hears the value the action holds by then.
    Set(m_checked, v, [&](TActionLink* l) { l->SetChecked(m_checked); });
}

void TCustomAction::SetHint(const std::wstring& v)
{
    Set(m_hint, v, [&](TActionLink* l) { l->SetHint(v); });
}

void TCustomAction::SetVisible(bool v)
{
    Set(m_visible, v, [&](TActionLink* l) { l->SetVisible(v); });
}

void TCustomAction::SetImageIndex(int v)
{
    if (v < -1)
        v = -1;
    Set(m_imageIndex, v, [&](TActionLink* l) { l->SetImageIndex(v); });
}

void TCustomAction::SetGroupIndex(int v)
{
    if (v < 0 || v == m_groupIndex)
        return;
    m_groupIndex = v;
    // Joining a group where another action is checked: only one stays checked.
    if (m_checked && v > 0) {
        m_checked = false;
        SetChecked(true);
    }
}

TCustomImageList* TCustomAction::Images() const
{
    return ActionList() ? ActionList()->Images() : nullptr;
}

void TCustomAction::ImagesChanged()
{
    ForEachLink([this](TBasicActionLink* link) {
        if (auto* l = dynamic_cast<TActionLink*>(link))
            l->SetImageIndex(m_imageIndex);
    });
}

bool TCustomAction::Execute()
{
    Update();
    if (!m_enabled)
        return false;
    if (m_autoCheck)
        SetChecked(m_groupIndex > 0 ? true : !m_checked);
    return TBasicAction::Execute();
}

// ---- action list ----

namespace {

std::vector<TActionList*>& LiveActionLists()
{
    static std::vector<TActionList*> lists;
    return lists;
}

} // namespace

TActionList::TActionList(TComponent* owner) : TComponent(owner)
{
    LiveActionLists().push_back(this);
}

TActionList::~TActionList()
{
    Destroying();
    std::erase(LiveActionLists(), this);
    SetImages(nullptr);
    for (TContainedAction* action : m_actions)
        action->m_actionList = nullptr;
    m_actions.clear();
}

const TClassInfo* TActionList::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TActionList", nullptr);
        ci.Add(
            {L"Images",
             [](TPersistent& o, const TValue& v, const TReaderContext*) {
                 static_cast<TActionList&>(o).SetImagesName(ReferenceName(v));
             },
             [](const TPersistent& o) { return ReferenceValue(static_cast<const TActionList&>(o).Images()); },
             {},
             {}});
        return ci;
    }();
    return &info;
}

void TActionList::SetImages(TCustomImageList* images)
{
    if (images == m_images)
        return;
    if (m_images) {
        m_images->RemoveChangeListener(this);
        m_images->RemoveFreeNotification(this);
    }
    m_images = images;
    if (images) {
        images->FreeNotification(this);
        images->AddChangeListener(this, [this] { ImagesChanged(); });
    }
    ImagesChanged();
}

void TActionList::SetImagesName(const std::wstring& name)
{
    m_imagesName = name;
    if (!IsLoading())
        Loaded();
}

void TActionList::Loaded()
{
    TComponent::Loaded();
    if (m_imagesName.empty())
        return;
    std::wstring name = std::move(m_imagesName);
    m_imagesName.clear();
    SetImages(ResolveReference<TCustomImageList>(Owner(), name, L"Images", L"an image list"));
}

void TActionList::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    // The image list is half gone by now: its listeners go with it.
    if (operation == TOperation::opRemove && component == m_images)
        m_images = nullptr;
}

void TActionList::ImagesChanged()
{
    if (IsDestroying())
        return;
    std::vector<TContainedAction*> actions = m_actions;
    for (TContainedAction* action : actions)
        action->ImagesChanged();
}

void TActionList::UpdateActions()
{
    std::vector<TContainedAction*> actions = m_actions;
    for (TContainedAction* action : actions)
        if (std::find(m_actions.begin(), m_actions.end(), action) != m_actions.end())
            action->Update();
}

void UpdateAllActionLists()
{
    // A handler may free lists: each is looked for again before its turn.
    std::vector<TActionList*> lists = LiveActionLists();
    for (TActionList* list : lists)
        if (std::find(LiveActionLists().begin(), LiveActionLists().end(), list) != LiveActionLists().end())
            list->UpdateActions();
}

bool ActionListsExist()
{
    return !LiveActionLists().empty();
}

void RegisterActionClasses()
{
    RegisterComponentClass(L"TAction", [](TComponent* o) -> TComponent* { return new TAction(o); });
    RegisterComponentClass(L"TActionList", [](TComponent* o) -> TComponent* { return new TActionList(o); });
    RegisterComponentClass(L"TImageList", [](TComponent* o) -> TComponent* { return new TImageList(o); });
}
