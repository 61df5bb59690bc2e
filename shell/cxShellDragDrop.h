// Drag and drop between shell trees and the shell: the drop source of a drag started in a
// tree, and the drop target a tree registers for its window, which forwards to the shell's
// own target of the node under the cursor.
#pragma once

#include "cxShellCommon.h"

#include <commctrl.h>
#include <oleidl.h>

#include <atomic>
#include <functional>

// Answers the platform's questions during a drag started in a tree: the default cursors,
// cancel on Escape, drop once no mouse button is down any more.
class TcxDropSource final : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
    std::atomic<ULONG> m_refs{1};
};

// What the drop target needs of its tree.
class IcxDropTargetOwner {
public:
    // The node under a point of the tree's client area, or null.
    virtual HTREEITEM DropNodeAt(POINT clientPoint) = 0;
    // The shell's drop target for a node (null when the node takes no drops).
    virtual ComPtr<IDropTarget> NodeDropTarget(HTREEITEM node) = 0;
    virtual void HighlightDropNode(HTREEITEM node, bool on) = 0;
    // A drop happened on node: its folder should be read again.
    virtual void DroppedOn(HTREEITEM node) = 0;
    // A drag entered (true) or left (false) the tree.
    virtual void DragOverChanged(bool over) = 0;
    virtual HWND DropWindow() const = 0;
    // The effect a drop proposes first, as the settings say at this moment.
    virtual DWORD DefaultDropEffect() const = 0;

protected:
    ~IcxDropTargetOwner() = default;
};

class TcxTreeDropTarget final : public IDropTarget {
public:
    explicit TcxTreeDropTarget(IcxDropTargetOwner* owner) : m_owner(owner) {}
    // The tree goes: no call reaches it any more.
    void Detach() { m_owner = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

private:
    void Track(DWORD keyState, POINTL point, DWORD* effect);
    void ReleaseTarget();

    std::atomic<ULONG> m_refs{1};
    IcxDropTargetOwner* m_owner;
    ComPtr<IDataObject> m_data;
    HTREEITEM m_node = nullptr;
    ComPtr<IDropTarget> m_nodeTarget;
};
