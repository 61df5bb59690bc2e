#include "cxShellDragDrop.h"

HRESULT TcxDropSource::QueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IUnknown || riid == IID_IDropSource) {
        *object = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TcxDropSource::Release()
{
    ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT TcxDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    if (escapePressed)
        return DRAGDROP_S_CANCEL;
    if (!(keyState & (MK_LBUTTON | MK_RBUTTON)))
        return DRAGDROP_S_DROP;
    return S_OK;
}

HRESULT TcxDropSource::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

HRESULT TcxTreeDropTarget::QueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TcxTreeDropTarget::Release()
{
    ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

void TcxTreeDropTarget::ReleaseTarget()
{
    if (m_nodeTarget)
        m_nodeTarget->DragLeave();
    m_nodeTarget.reset();
    if (m_node && m_owner)
        m_owner->HighlightDropNode(m_node, false);
    m_node = nullptr;
}

void TcxTreeDropTarget::Track(DWORD keyState, POINTL point, DWORD* effect)
{
    if (!m_owner) {
        *effect = DROPEFFECT_NONE;
        return;
    }
    // The settings' default effect is proposed first when the source allows it; asked at
    // every move, so that a change of the settings counts from the next move on.
    const DWORD defaultEffect = m_owner->DefaultDropEffect();
    const DWORD proposed = (*effect & defaultEffect) ? defaultEffect : *effect;
    *effect = DROPEFFECT_NONE;
    POINT p{point.x, point.y};
    ScreenToClient(m_owner->DropWindow(), &p);
    HTREEITEM node = m_owner->DropNodeAt(p);
    if (node != m_node) {
        ReleaseTarget();
        m_node = node;
        if (node) {
            m_nodeTarget = m_owner->NodeDropTarget(node);
            m_owner->HighlightDropNode(node, true);
            if (m_nodeTarget && m_data) {
                DWORD enterEffect = proposed;
                m_nodeTarget->DragEnter(m_data.get(), keyState, point, &enterEffect);
            }
        }
    }
    if (m_nodeTarget) {
        DWORD overEffect = proposed;
        if (SUCCEEDED(m_nodeTarget->DragOver(keyState, point, &overEffect)))
            *effect = overEffect;
    }
}

HRESULT TcxTreeDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    m_data = ComPtr<IDataObject>::Copy(data);
    if (m_owner)
        m_owner->DragOverChanged(true);
    Track(keyState, point, effect);
    return S_OK;
}

HRESULT TcxTreeDropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect)
{
    Track(keyState, point, effect);
    return S_OK;
}

HRESULT TcxTreeDropTarget::DragLeave()
{
    ReleaseTarget();
    m_data.reset();
    if (m_owner)
        m_owner->DragOverChanged(false);
    return S_OK;
}

HRESULT TcxTreeDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    HTREEITEM node = m_node;
    if (m_nodeTarget) {
        HRESULT status = m_nodeTarget->Drop(data, keyState, point, effect);
        m_nodeTarget.reset();
        if (FAILED(status))
            *effect = DROPEFFECT_NONE;
    } else {
        *effect = DROPEFFECT_NONE;
    }
    if (m_owner) {
        if (node) {
            m_owner->HighlightDropNode(node, false);
            m_owner->DroppedOn(node);
        }
        m_node = nullptr;
        m_data.reset();
        m_owner->DragOverChanged(false);
    }
    return S_OK;
}
