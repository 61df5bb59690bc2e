#include "rtGraphicsInfo.h"

#include <typeinfo>

namespace {

TValue FontName(const TPersistent& o)
{
    return TValue::Str(static_cast<const TFont&>(o).Name());
}

} // namespace

const TClassInfo* FontProperties()
{
    static const TClassInfo* info = [] {
        static TClassInfo ci(L"TFont", nullptr);
        ci.Add({L"Name",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    if (v.kind != TValue::Kind::String)
                        ValueToInt(v);
                    static_cast<TFont&>(o).SetName(v.text);
                },
                &FontName,
                {},
                {}});
        ci.AddInt<TFont>(L"Height", &TFont::SetHeight, &TFont::Height);
        ci.AddInt<TFont>(L"Size", &TFont::SetSize, &TFont::Size);
        ci.Add({L"Charset",
                [](TPersistent& o, const TValue& v, const TReaderContext*) {
                    static const TEnumNames charsets{{L"ANSI_CHARSET", ANSI_CHARSET},
                                                     {L"DEFAULT_CHARSET", DEFAULT_CHARSET},
                                                     {L"GB2312_CHARSET", GB2312_CHARSET},
                                                     {L"SYMBOL_CHARSET", SYMBOL_CHARSET}};
                    int c = v.kind == TValue::Kind::Ident ? ValueToEnum(v, charsets) : ValueToInt(v);
                    static_cast<TFont&>(o).SetCharset(static_cast<BYTE>(c));
                },
                [](const TPersistent& o) { return TValue::Int(static_cast<const TFont&>(o).Charset()); },
                {},
                {}});
        ci.AddColor<TFont>(L"Color", &TFont::SetColor, &TFont::Color);
        ci.AddSet<TFont>(L"Style",
                         {{L"fsBold", fsBold},
                          {L"fsItalic", fsItalic},
                          {L"fsUnderline", fsUnderline},
                          {L"fsStrikeOut", fsStrikeOut}},
                         &TFont::SetStyle, &TFont::Style);
        RegisterExternalProperties(typeid(TFont), &ci);
        return &ci;
    }();
    return info;
}

HDC MeasureDC()
{
    static UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    return dc.get();
}

int MeasureTextHeight(HFONT font)
{
    SelectGuard sel(MeasureDC(), font);
    SIZE sz{};
    GetTextExtentPoint32W(MeasureDC(), L"0", 1, &sz);
    return sz.cy;
}
