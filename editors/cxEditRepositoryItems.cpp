#include "cxEditRepositoryItems.h"

const TClassInfo* TcxEditRepositoryTextItem::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxEditRepositoryTextItem", nullptr);
        ci.AddObject<TcxEditRepositoryTextItem, TcxTextEditProperties>(
            L"Properties", &TcxEditRepositoryTextItem::Properties);
        return ci;
    }();
    return &info;
}

const TClassInfo* TcxEditRepositoryButtonItem::StaticProperties()
{
    static const TClassInfo info = [] {
        TClassInfo ci(L"TcxEditRepositoryButtonItem", nullptr);
        ci.AddObject<TcxEditRepositoryButtonItem, TcxButtonEditProperties>(
            L"Properties", &TcxEditRepositoryButtonItem::Properties);
        return ci;
    }();
    return &info;
}
