// Actions: named commands with a caption, an enabled and a checked state, a hint and an image,
// that controls follow through action links; action lists that hold actions with the image
// list their images come from; a small image list. All loadable from stored descriptions.
#pragma once

#include "rtControls.h"
#include "rtHandles.h"
#include "rtStreaming.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TBasicAction;
class TCustomAction;
class TActionList;

// ---- image list ----

inline void DestroyImageListHandle(HIMAGELIST list)
{
    ImageList_Destroy(list);
}
using UniqueImageList = UniqueHandle<HIMAGELIST, NullHandleTraits<HIMAGELIST, DestroyImageListHandle>>;

// Images of one size in the platform's image list. Pictures are cut into images of Width x
// Height, left to right and row by row; the picture's bottom-left pixel is its transparent
// colour.
class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* owner) : TComponent(owner) {}
    const wchar_t* ClassName() const override { return L"TCustomImageList"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }
    // A new size drops the images (they were cut for the old one); sizes below 1 are refused.
    void SetWidth(int v) { SetSize(v, m_height); }
    void SetHeight(int v) { SetSize(m_width, v); }
    void SetSize(int width, int height);
    int Count() const noexcept { return static_cast<int>(m_keys.size()); }
    HIMAGELIST Handle();

    // Cuts picture into images and adds them; the bottom-left pixel's colour is transparent.
    // Returns the index of the first image added, or -1 when the picture held none.
    int AddMasked(HBITMAP picture);
    // Sets the images from a picture (the stored "Bitmap" property): read during loading, the
    // picture is cut once the whole description, with the size, has been read.
    void SetBitmap(HBITMAP picture);
    // A Width x Height bitmap of the image, its transparent parts filled with its transparent
    // colour (so a picture of the bottom-left-pixel rule shows it the same); empty for an
    // index out of range.
    UniqueBitmap ImageBitmap(int index) const;
    // The stored "Bitmap": the images side by side, each on its transparent colour.
    TValue BitmapValue() const;
    // The colour that stands for transparency in ImageBitmap; CLR_INVALID out of range.
    COLORREF TransparentColor(int index) const;

    // Who wants to hear of every change of the images; listeners are told by key.
    void AddChangeListener(const void* key, std::function<void()> listener);
    void RemoveChangeListener(const void* key);
    bool HasChangeListener(const void* key) const;

    void Loaded() override;

private:
    void Changed();
    void Cut(HBITMAP picture);
    int m_width = 16;
    int m_height = 16;
    UniqueImageList m_list;
    std::vector<COLORREF> m_keys; // the transparent colour of each image
    UniqueBitmap m_pendingPicture;
    std::vector<std::pair<const void*, std::function<void()>>> m_listeners;
};

class TImageList : public TCustomImageList {
public:
    using TCustomImageList::TCustomImageList;
    const wchar_t* ClassName() const override { return L"TImageList"; }
};

// ---- action links ----

// Connects a client (a control, say) to an action: the action tells its links of every
// change, the client executes the action through its link. Either side may be freed first.
class TBasicActionLink : public TObject {
public:
    TBasicActionLink() = default;
    ~TBasicActionLink() override;
    const wchar_t* ClassName() const override { return L"TBasicActionLink"; }

    TBasicAction* Action() const noexcept { return m_action; }
    // Follows another action (or none); the client takes over the new action's settings.
    void SetAction(TBasicAction* action);
    // Runs the action; false when there is none or it did nothing.
    virtual bool Execute();

protected:
    friend class TBasicAction;
    // The client takes every setting of the action (it was just linked).
    virtual void Change() {}
    TBasicAction* m_action = nullptr;
};

// A link that hands each setting of a TCustomAction to the client; the default hands none.
class TActionLink : public TBasicActionLink {
public:
    const wchar_t* ClassName() const override { return L"TActionLink"; }
    virtual void SetCaption(const std::wstring&) {}
    virtual void SetEnabled(bool) {}
    virtual void SetChecked(bool) {}
    virtual void SetHint(const std::wstring&) {}
    virtual void SetVisible(bool) {}
    virtual void SetImageIndex(int) {}

protected:
    // Every setting once, in this order: caption, enabled, checked, hint, visible, image.
    void Change() override;
};

// A control follows the caption, enabled state, hint and visibility of its action.
class TControlActionLink : public TActionLink {
public:
    explicit TControlActionLink(TWinControl* client) : m_client(client) {}
    const wchar_t* ClassName() const override { return L"TControlActionLink"; }
    void SetCaption(const std::wstring& v) override { m_client->SetCaption(v); }
    void SetEnabled(bool v) override { m_client->SetEnabled(v); }
    void SetHint(const std::wstring& v) override { m_client->SetHint(v); }
    void SetVisible(bool v) override { m_client->SetVisible(v); }

protected:
    TWinControl* m_client;
};

class TNativeButton;

// The link of a push button. A platform push button shows no check mark and no image, so it
// follows what every control follows; buttons that show more derive their links from it.
class TButtonActionLink : public TControlActionLink {
public:
    explicit TButtonActionLink(TNativeButton* client);
    const wchar_t* ClassName() const override { return L"TButtonActionLink"; }
};

// ---- actions ----

class TBasicAction : public TComponent {
public:
    explicit TBasicAction(TComponent* owner) : TComponent(owner) {}
    ~TBasicAction() override;
    const wchar_t* ClassName() const override { return L"TBasicAction"; }

    // Runs OnExecute; false when there is no handler.
    virtual bool Execute();
    // Runs OnUpdate (which may change the action's settings); false when there is no handler.
    virtual bool Update();
    int LinkCount() const noexcept { return static_cast<int>(m_links.size()); }

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;

protected:
    // Calls f for every link of the action; a link that goes away meanwhile is skipped.
    template <typename F> void ForEachLink(F f)
    {
        std::vector<TBasicActionLink*> links = m_links;
        for (TBasicActionLink* link : links)
            if (std::find(m_links.begin(), m_links.end(), link) != m_links.end())
                f(link);
    }

private:
    friend class TBasicActionLink;
    std::vector<TBasicActionLink*> m_links;
};

// An action that belongs to an action list (read from a description inside the list, or
// created with the list as its owner).
class TContainedAction : public TBasicAction {
public:
    explicit TContainedAction(TComponent* owner);
    ~TContainedAction() override;
    const wchar_t* ClassName() const override { return L"TContainedAction"; }

    TActionList* ActionList() const noexcept { return m_actionList; }
    void SetActionList(TActionList* list);
    const std::wstring& Category() const noexcept { return m_category; }
    void SetCategory(const std::wstring& v) { m_category = v; }
    void SetParentComponent(TComponent* parent) override;
    // The images of the action's list changed (another list, other images).
    virtual void ImagesChanged() {}

private:
    friend class TActionList;
    TActionList* m_actionList = nullptr;
    std::wstring m_category;
};

class TCustomAction : public TContainedAction {
public:
    using TContainedAction::TContainedAction;
    const wchar_t* ClassName() const override { return L"TCustomAction"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    const std::wstring& Caption() const noexcept { return m_caption; }
    void SetCaption(const std::wstring& v);
    bool Enabled() const noexcept { return m_enabled; }
    void SetEnabled(bool v);
    // Checking an action of a group (GroupIndex > 0) unchecks the others of its list's group.
    bool Checked() const noexcept { return m_checked; }
    void SetChecked(bool v);
    const std::wstring& Hint() const noexcept { return m_hint; }
    void SetHint(const std::wstring& v);
    bool Visible() const noexcept { return m_visible; }
    void SetVisible(bool v);
    // The image of the list's image list; -1 for none.
    int ImageIndex() const noexcept { return m_imageIndex; }
    void SetImageIndex(int v);
    int GroupIndex() const noexcept { return m_groupIndex; }
    void SetGroupIndex(int v);
    // Executing toggles Checked (an action of a group is checked instead).
    bool AutoCheck() const noexcept { return m_autoCheck; }
    void SetAutoCheck(bool v) { m_autoCheck = v; }
    // The image list of the action's list, or none.
    TCustomImageList* Images() const;

    // Updates first; a disabled action does nothing.
    bool Execute() override;
    // The links show the image again.
    void ImagesChanged() override;

private:
    template <typename V, typename F> void Set(V& field, const V& value, F tell)
    {
        if (field == value)
            return;
        field = value;
        ForEachLink([&](TBasicActionLink* link) {
            if (auto* l = dynamic_cast<TActionLink*>(link))
                tell(l);
        });
    }
    std::wstring m_caption;
    bool m_enabled = true;
    bool m_checked = false;
    std::wstring m_hint;
    bool m_visible = true;
    int m_imageIndex = -1;
    int m_groupIndex = 0;
    bool m_autoCheck = false;
};

class TAction : public TCustomAction {
public:
    using TCustomAction::TCustomAction;
    const wchar_t* ClassName() const override { return L"TAction"; }
};

// Holds actions and names the image list their images come from. The actions stay owned
// by their owners (the form, when read from a description).
class TActionList : public TComponent {
public:
    explicit TActionList(TComponent* owner);
    ~TActionList() override;
    const wchar_t* ClassName() const override { return L"TActionList"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    int ActionCount() const noexcept { return static_cast<int>(m_actions.size()); }
    TContainedAction* Actions(int index) const { return m_actions.at(static_cast<size_t>(index)); }
    // Not owned; the reference is cleared when the image list is freed.
    TCustomImageList* Images() const noexcept { return m_images; }
    void SetImages(TCustomImageList* images);
    // A description names the image list; it is looked up once loading ends.
    void SetImagesName(const std::wstring& name);
    // Runs every action's update handler.
    void UpdateActions();

    void Loaded() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TContainedAction;
    void ImagesChanged();
    std::vector<TContainedAction*> m_actions;
    TCustomImageList* m_images = nullptr;
    std::wstring m_imagesName;
};

// Runs the update handlers of the actions of every action list; the application does so
// whenever its message queue runs empty.
void UpdateAllActionLists();
// Whether any action list exists (so that idle time has work).
bool ActionListsExist();

// Makes TAction, TActionList and TImageList creatable from stored descriptions.
void RegisterActionClasses();
