#include "runtime/rtApplication.h"
#include "runtime/rtExceptions.h"
#include "runtime/rtStdCtrls.h"
#include "runtime/rtStreaming.h"
#include "tests/common/StoredPicture.h"

#include <gtest/gtest.h>

namespace {

// A small component with one property of each kind that descriptions use.
class TProbe : public TComponent {
public:
    enum TMode { pmOff, pmOn, pmAuto };
    explicit TProbe(TComponent* owner) : TComponent(owner) {}
    const wchar_t* ClassName() const override { return L"TProbe"; }
    static const TClassInfo* StaticProperties()
    {
        static const TClassInfo info = [] {
            TClassInfo ci(L"TProbe", nullptr);
            ci.AddInt<TProbe>(L"Count", &TProbe::SetCount, &TProbe::Count);
            ci.AddFloat<TProbe>(L"Ratio", &TProbe::SetRatio, &TProbe::Ratio);
            ci.AddString<TProbe>(L"Label", &TProbe::SetLabel, &TProbe::Label);
            ci.AddBool<TProbe>(L"Active", &TProbe::SetActive, &TProbe::Active);
            ci.AddColor<TProbe>(L"Color", &TProbe::SetColor, &TProbe::Color);
            ci.AddEnum<TProbe, TMode>(L"Mode", {{L"pmOff", pmOff}, {L"pmOn", pmOn}, {L"pmAuto", pmAuto}},
                                      &TProbe::SetMode, &TProbe::Mode);
            ci.AddSet<TProbe, unsigned>(L"Flags", {{L"pfA", 1}, {L"pfB", 2}, {L"pfC", 4}}, &TProbe::SetFlags,
                                        &TProbe::Flags);
            ci.AddObject<TProbe, TFont>(L"Font", &TProbe::Font);
            ci.AddEvent<TProbe, TNotifyEvent>(L"OnPing", &TProbe::OnPing);
            ci.Add({L"Picture",
                    [](TPersistent& o, const TValue& v, const TReaderContext*) {
                        static_cast<TProbe&>(o).picture = ValueToBitmap(v);
                    },
                    {},
                    {},
                    {}});
            return ci;
        }();
        return &info;
    }
    const TClassInfo* ClassProperties() const override { return StaticProperties(); }

    int Count() const { return m_count; }
    void SetCount(int v) { m_count = v; }
    double Ratio() const { return m_ratio; }
    void SetRatio(double v) { m_ratio = v; }
    const std::wstring& Label() const { return m_label; }
    void SetLabel(const std::wstring& v) { m_label = v; }
    bool Active() const { return m_active; }
    void SetActive(bool v) { m_active = v; }
    TColor Color() const { return m_color; }
    void SetColor(TColor v) { m_color = v; }
    TMode Mode() const { return m_mode; }
    void SetMode(TMode v) { m_mode = v; }
    unsigned Flags() const { return m_flags; }
    void SetFlags(unsigned v) { m_flags = v; }
    TFont* Font() { return &m_font; }
    TNotifyEvent OnPing;
    UniqueBitmap picture;
    std::vector<std::wstring> loadedLog;
    void Loaded() override
    {
        TComponent::Loaded();
        loadedLog.push_back(L"loaded");
    }

private:
    int m_count = 0;
    double m_ratio = 0;
    std::wstring m_label;
    bool m_active = false;
    TColor m_color = clNone;
    TMode m_mode = pmOff;
    unsigned m_flags = 0;
    TFont m_font;
};

class TProbeRoot : public TProbe, public TRootReader {
public:
    using TProbe::TProbe;
    std::any FindMethod(const std::wstring& name) const override
    {
        if (name == L"Pinged")
            return TNotifyEvent([this](TObject*) { ++const_cast<TProbeRoot*>(this)->pings; });
        if (name == L"WrongType")
            return std::function<void(int)>([](int) {});
        return {};
    }
    void BindField(const std::wstring& name, TComponent* c) override { fields[name] = c; }
    std::map<std::wstring, TComponent*> fields;
    int pings = 0;
};

struct RegisterProbe {
    RegisterProbe()
    {
        RegisterComponentClass(L"TProbe", [](TComponent* o) -> TComponent* { return new TProbe(o); });
    }
} registerProbe;

void Read(TProbeRoot& root, const std::wstring& text)
{
    ReadComponentTree(root, ParseDescription(text), root);
}

TEST(StreamingTest, ReadsEveryKindOfValueAndNestedComponents)
{
    TProbeRoot root(nullptr);
    Read(root, LR"(object Root: TProbe
  Count = -42
  Ratio = 2.500000000000000000
  Label = 'it''s '#20013#25991' ok'
  Active = True
  Color = clBtnFace
  Mode = pmAuto
  Flags = [pfA, pfC]
  Font.Name = '宋体'
  Font.Height = -15
  OnPing = Pinged
  object Child: TProbe
    Count = 7
    Flags = []
  end
end)");
    EXPECT_EQ(root.Name(), L"Root");
    EXPECT_EQ(root.Count(), -42);
    EXPECT_DOUBLE_EQ(root.Ratio(), 2.5);
    EXPECT_EQ(root.Label(), L"it's 中文 ok");
    EXPECT_TRUE(root.Active());
    EXPECT_EQ(root.Color(), clBtnFace);
    EXPECT_EQ(root.Mode(), TProbe::pmAuto);
    EXPECT_EQ(root.Flags(), 5u);
    EXPECT_EQ(root.Font()->Name(), L"宋体");
    EXPECT_EQ(root.Font()->Height(), -15);
    ASSERT_TRUE(root.OnPing);
    root.OnPing(&root);
    EXPECT_EQ(root.pings, 1);
    ASSERT_EQ(root.ComponentCount(), 1);
    auto* child = dynamic_cast<TProbe*>(root.Components(0));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Name(), L"Child");
    EXPECT_EQ(child->Count(), 7);
    EXPECT_EQ(root.fields[L"Child"], child);
    EXPECT_EQ(child->loadedLog.size(), 1u);
    EXPECT_FALSE(child->IsLoading());
    EXPECT_FALSE(root.IsLoading());
}

TEST(StreamingTest, PropertiesByNameReadBackWhatWasSet)
{
    TProbe p(nullptr);
    SetPropertyByName(p, L"Mode", TValue::Id(L"pmOn"));
    SetPropertyByName(p, L"font.height", TValue::Int(-20));
    EXPECT_EQ(GetPropertyByName(p, L"Mode").text, L"pmOn");
    EXPECT_EQ(GetPropertyByName(p, L"Font.Height").integer, -20);
    EXPECT_EQ(GetPropertyByName(p, L"Color").text, L"clNone");
}

// The named colours a description may use read as their values; each is written back by the
// first of its names.
TEST(StreamingTest, NamedColoursReadAndWriteByName)
{
    const struct {
        const wchar_t* name;
        TColor value;
        const wchar_t* written;
    } cases[] = {
        {L"clYellow", 0x00FFFF, L"clYellow"},
        {L"clMaroon", 0x000080, L"clMaroon"},
        {L"clOlive", 0x008080, L"clOlive"},
        {L"clPurple", 0x800080, L"clPurple"},
        {L"clTeal", 0x808000, L"clTeal"},
        {L"clLime", 0x00FF00, L"clLime"},
        {L"clFuchsia", 0xFF00FF, L"clFuchsia"},
        {L"clAqua", 0xFFFF00, L"clAqua"},
        {L"clMoneyGreen", 0xC0DCC0, L"clMoneyGreen"},
        {L"clSkyBlue", 0xF0CAA6, L"clSkyBlue"},
        {L"clCream", 0xF0FBFF, L"clCream"},
        {L"clMedGray", 0xA4A0A0, L"clMedGray"},
        {L"clLtGray", 0xC0C0C0, L"clSilver"},
        {L"clDkGray", 0x808080, L"clGray"},
        {L"clbtnface", clBtnFace, L"clBtnFace"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ValueToColor(TValue::Id(c.name)), c.value) << ToUtf8(c.name);
        EXPECT_EQ(ColorToIdent(c.value), c.written) << ToUtf8(c.name);
    }
}

// A picture stored as the bytes of a bitmap file arrives pixel for pixel, top row first.
TEST(StreamingTest, PicturesLoadFromStoredBitmapFiles)
{
    auto colour = [](int x, int y) { return RGB(x * 80, y * 100, 7); };
    TProbeRoot root(nullptr);
    Read(root, L"object Root: TProbe\n  Picture = " + StoredBinary(BitmapFile(3, 2, colour)) + L"\nend");
    ASSERT_TRUE(root.picture);
    BITMAP info{};
    ASSERT_TRUE(GetObjectW(root.picture.get(), sizeof(info), &info));
    EXPECT_EQ(info.bmWidth, 3);
    EXPECT_EQ(info.bmHeight, 2);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, root.picture.get());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(GetPixel(dc, x, y), colour(x, y)) << x << "," << y;
    SelectObject(dc, old);
    DeleteDC(dc);
}

// Damaged picture data is refused with a read error, never read beyond its end.
TEST(StreamingTest, DamagedPicturesAreRefused)
{
    const std::string good = BitmapFile(4, 4, [](int, int) { return RGB(1, 2, 3); });
    auto with = [&](size_t at, const std::string& bytes) {
        std::string d = good;
        d.replace(at, bytes.size(), bytes);
        return d;
    };
    auto le32 = [](unsigned v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    };
    struct Case {
        const char* name;
        std::string data;
        const wchar_t* inMessage;
    } cases[] = {
        {"header only", good.substr(0, 30), L"too short"},
        {"not a bitmap", with(0, "XY"), L"not a bitmap"},
        {"pixels cut off", good.substr(0, good.size() - 1), L"truncated"},
        {"pixels placed after the end", with(10, le32(1000)), L"truncated"},
        {"pixels placed inside the header", with(10, le32(20)), L"truncated"},
        {"compressed", with(30, le32(BI_RLE8)), L"unsupported"},
        {"no width", with(18, le32(0)), L"unsupported"},
        {"huge", with(18, le32(0x7FFFFFFF)), L"unsupported"},
        {"header size beyond the data", with(14, le32(5000)), L"unsupported"},
    };
    // Empty data is no picture at all (what a control without one reads back), not damage.
    TValue none;
    none.kind = TValue::Kind::Binary;
    EXPECT_EQ(ValueToBitmap(none).get(), nullptr);
    for (const Case& c : cases) {
        TValue v;
        v.kind = TValue::Kind::Binary;
        v.bytes = c.data;
        try {
            ValueToBitmap(v);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const EReadError& e) {
            EXPECT_NE(e.Message().find(c.inMessage), std::wstring::npos)
                << c.name << ": " << ToUtf8(e.Message());
        }
    }
    try {
        ValueToBitmap(TValue::Str(L"picture.bmp"));
        ADD_FAILURE() << "a string is no picture";
    } catch (const EReadError& e) {
        EXPECT_NE(e.Message().find(L"picture"), std::wstring::npos);
    }
}

struct BadDescription {
    const wchar_t* text;
    const wchar_t* expectedInMessage;
};

class StreamingErrorTest : public testing::TestWithParam<BadDescription> {};

TEST_P(StreamingErrorTest, LoadErrorNamesTheCulprit)
{
    TProbeRoot root(nullptr);
    try {
        Read(root, GetParam().text);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_NE(e.Message().find(GetParam().expectedInMessage), std::wstring::npos) << ToUtf8(e.Message());
    }
    // Whatever was created before the error is owned by the root and freed with it.
    EXPECT_FALSE(root.IsLoading());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StreamingErrorTest,
    testing::Values(BadDescription{L"object A: TProbe\n object B: TNoSuchClass\n end\nend", L"TNoSuchClass"},
                    BadDescription{L"object A: TProbe\n Colour = 5\nend", L"Colour"},
                    BadDescription{L"object A: TProbe\n Font.Heigth = 5\nend", L"Font.Heigth"},
                    BadDescription{L"object A: TProbe\n Mode = pmNever\nend", L"pmNever"},
                    BadDescription{L"object A: TProbe\n Count = 'x'\nend", L"Invalid property value"},
                    BadDescription{L"object A: TProbe\n OnPing = Missing\nend", L"Missing"},
                    BadDescription{L"object A: TProbe\n OnPing = WrongType\nend", L"WrongType"},
                    BadDescription{L"object A: TProbe\n Count = 1\n\n Label = 'open\nend", L"line 4"},
                    BadDescription{L"object A: TProbe\n Count = 1\n", L"'end' expected"},
                    BadDescription{L"object A: TProbe\n Picture = {0A1}\nend", L"odd number"},
                    BadDescription{L"object A: TProbe\n Picture = {0G}\nend", L"hexadecimal digit"},
                    BadDescription{L"object A: TProbe\n Picture = {0A0B\n", L"'}' expected"},
                    BadDescription{L"object A: TProbe\n Picture = {42 4D}\nend", L"too short"}));

} // namespace
