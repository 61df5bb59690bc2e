#include "runtime/rtApplication.h"
#include "runtime/rtExceptions.h"
#include "runtime/rtStdCtrls.h"
#include "runtime/rtStreaming.h"

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

void Read(TProbeRoot& root, const std::wstring& text) { ReadComponentTree(root, ParseDescription(text), root); }

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
                    BadDescription{L"object A: TProbe\n Count = 1\n", L"'end' expected"}));

} // namespace
