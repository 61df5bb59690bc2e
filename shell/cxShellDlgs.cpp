#include "cxShellDlgs.h"

void TcxDlgShellOptions::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TcxDlgShellOptions*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    ContextMenus = other->ContextMenus;
    ShowFolders = other->ShowFolders;
    ShowHidden = other->ShowHidden;
    ShowNonFolders = other->ShowNonFolders;
    ShowToolTip = other->ShowToolTip;
    TrackShellChanges = other->TrackShellChanges;
}

void TcxDlgShellRoot::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TcxDlgShellRoot*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    BrowseFolder = other->BrowseFolder;
    CustomPath = other->CustomPath;
}

namespace {

// A published Boolean that is a plain field of the record.
template <typename T> TPropertyInfo BoolField(const wchar_t* name, bool T::*field)
{
    return {name,
            [field](TPersistent& o, const TValue& v, const TReaderContext*) {
                static_cast<T&>(o).*field = ValueToBool(v);
            },
            [field](const TPersistent& o) {
                return TValue::Id(static_cast<const T&>(o).*field ? L"True" : L"False");
            },
            {},
            {}};
}

} // namespace

const TClassInfo* TcxDlgShellOptions::StaticProperties()
{
    static const TClassInfo info = [] {
        using T = TcxDlgShellOptions;
        TClassInfo ci(L"TcxDlgShellOptions", nullptr);
        ci.Add(BoolField(L"ContextMenus", &T::ContextMenus));
        ci.Add(BoolField(L"ShowFolders", &T::ShowFolders));
        ci.Add(BoolField(L"ShowHidden", &T::ShowHidden));
        ci.Add(BoolField(L"ShowNonFolders", &T::ShowNonFolders));
        ci.Add(BoolField(L"ShowToolTip", &T::ShowToolTip));
        ci.Add(BoolField(L"TrackShellChanges", &T::TrackShellChanges));
        return ci;
    }();
    return &info;
}

const TClassInfo* TcxDlgShellRoot::StaticProperties()
{
    static const TClassInfo info = [] {
        using T = TcxDlgShellRoot;
        TClassInfo ci(L"TcxDlgShellRoot", nullptr);
        ci.Add({L"BrowseFolder",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<T&>(o).BrowseFolder =
                        static_cast<TcxBrowseFolder>(ValueToEnum(v, TcxBrowseFolderNames()));
                },
                [](const TPersistent& o) {
                    return EnumToValue(static_cast<const T&>(o).BrowseFolder, TcxBrowseFolderNames());
                },
                {},
                {}});
        ci.Add({L"CustomPath",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static_cast<T&>(o).CustomPath = v.text;
                },
                [](const TPersistent& o) { return TValue::Str(static_cast<const T&>(o).CustomPath); },
                {},
                {}});
        return ci;
    }();
    return &info;
}
