// Repository items of the text and button editors: settings that several editors share by
// naming the item as their RepositoryItem.
#pragma once

#include "editors/cxButtonEdit.h"

class TcxEditRepositoryTextItem : public TcxEditRepositoryItem {
public:
    explicit TcxEditRepositoryTextItem(TComponent* owner)
        : TcxEditRepositoryItem(owner, new TcxTextEditProperties(nullptr))
    {
    }
    const wchar_t* ClassName() const override { return L"TcxEditRepositoryTextItem"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    TcxTextEditProperties* Properties() noexcept
    {
        return static_cast<TcxTextEditProperties*>(TcxEditRepositoryItem::Properties());
    }
};

class TcxEditRepositoryButtonItem : public TcxEditRepositoryItem {
public:
    explicit TcxEditRepositoryButtonItem(TComponent* owner)
        : TcxEditRepositoryItem(owner, new TcxButtonEditProperties(nullptr))
    {
    }
    const wchar_t* ClassName() const override { return L"TcxEditRepositoryButtonItem"; }
    static const TClassInfo* StaticProperties();
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }
    TcxButtonEditProperties* Properties() noexcept
    {
        return static_cast<TcxButtonEditProperties*>(TcxEditRepositoryItem::Properties());
    }
};
