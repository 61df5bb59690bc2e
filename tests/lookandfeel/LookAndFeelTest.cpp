#include "LafTestSupport.h"

#include "lookandfeel/cxLookAndFeels.h"
#include "runtime/rtTypInfo.h"

#include <gtest/gtest.h>

using namespace laftest;

namespace {

// Records every OnChanged of a look-and-feel.
struct ChangeLog {
    std::vector<TcxLookAndFeelValues> changes;
    void Watch(TcxLookAndFeel& lf)
    {
        lf.OnChanged = [this](TcxLookAndFeel*, TcxLookAndFeelValues v) { changes.push_back(v); };
    }
};

// A listener that records what it hears and can run an action when told.
class Listener : public TObject, public IcxLookAndFeelChangeListener {
public:
    Listener(std::vector<std::string>* log, std::string name) : m_log(log), m_name(std::move(name)) {}
    ~Listener() override
    {
        if (m_master)
            m_master->RemoveListener(static_cast<IcxLookAndFeelChangeListener*>(this));
    }
    void Listen(TcxLookAndFeel* lf)
    {
        m_master = lf;
        lf->AddListener(static_cast<IcxLookAndFeelChangeListener*>(this));
    }
    TObject* GetListenerObject() override { return this; }
    void MasterChanged(TcxLookAndFeel*, TcxLookAndFeelValues) override
    {
        m_log->push_back(m_name);
        if (onChanged)
            onChanged();
    }
    void MasterDestroying(TcxLookAndFeel*) override
    {
        m_log->push_back(m_name + " destroying");
        m_master = nullptr;
        if (onDestroying)
            onDestroying();
    }
    std::function<void()> onChanged, onDestroying;

private:
    std::vector<std::string>* m_log;
    std::string m_name;
    TcxLookAndFeel* m_master = nullptr;
};

class LookAndFeelTest : public ::testing::Test {
protected:
    FakeThemeApi theme;
    ScopedTheme scoped{&theme};
};

} // namespace

TEST_F(LookAndFeelTest, NothingAssignedFollowsTheRootDefaults)
{
    TcxLookAndFeel lf(nullptr);
    EXPECT_EQ(lf.Kind(), lfUltraFlat);
    EXPECT_FALSE(lf.NativeStyle());
    EXPECT_TRUE(lf.SkinName().empty());
    EXPECT_EQ(lf.AssignedValues(), 0);
    EXPECT_EQ(lf.ActivePainter(), TcxUltraFlatLookAndFeelPainter::Instance());
    EXPECT_TRUE(GlobalLookAndFeel()->HasListener(&lf));
}

TEST_F(LookAndFeelTest, AssigningAKindNotifiesOnceAndTheSameKindNotAgain)
{
    TcxLookAndFeel lf(nullptr);
    TcxLookAndFeel follower(nullptr);
    follower.SetMaster(&lf);
    ChangeLog log, followerLog;
    log.Watch(lf);
    followerLog.Watch(follower);
    lf.SetKind(lfOffice11);
    EXPECT_EQ(lf.ActivePainter(), TcxOffice11LookAndFeelPainter::Instance());
    EXPECT_EQ(log.changes, std::vector<TcxLookAndFeelValues>{lfvSet(lfvKind)});
    EXPECT_EQ(followerLog.changes, std::vector<TcxLookAndFeelValues>{lfvSet(lfvKind)});
    EXPECT_EQ(follower.Kind(), lfOffice11);
    lf.SetKind(lfOffice11);
    EXPECT_EQ(log.changes.size(), 1u);
    EXPECT_EQ(lf.AssignedValues(), lfvSet(lfvKind));
}

TEST_F(LookAndFeelTest, KindTableGivesEachKindItsPainter)
{
    const std::pair<TcxLookAndFeelKind, TcxCustomLookAndFeelPainterClass> table[] = {
        {lfFlat, TcxFlatLookAndFeelPainter::Instance()},
        {lfStandard, TcxStandardLookAndFeelPainter::Instance()},
        {lfUltraFlat, TcxUltraFlatLookAndFeelPainter::Instance()},
        {lfOffice11, TcxOffice11LookAndFeelPainter::Instance()}};
    TcxLookAndFeel lf(nullptr);
    for (auto [kind, painter] : table) {
        lf.SetKind(kind);
        EXPECT_EQ(lf.ActivePainter(), painter) << kind;
    }
}

// Any control that carries a look-and-feel (not only the editors) reads it from a description
// by these names; this test program makes no editor at all.
TEST_F(LookAndFeelTest, DescriptionsSetTheKindAndNativeStyleByName)
{
    const std::pair<const wchar_t*, TcxLookAndFeelKind> names[] = {{L"lfFlat", lfFlat},
                                                                   {L"lfStandard", lfStandard},
                                                                   {L"lfUltraFlat", lfUltraFlat},
                                                                   {L"lfOffice11", lfOffice11}};
    TcxLookAndFeel lf(nullptr);
    for (auto [name, kind] : names) {
        SetPropertyByName(lf, L"Kind", TValue::Id(name));
        EXPECT_EQ(lf.Kind(), kind) << name;
        EXPECT_EQ(GetPropertyByName(lf, L"Kind").text, name);
    }
    SetPropertyByName(lf, L"NativeStyle", TValue::Id(L"True"));
    EXPECT_TRUE(lf.AssignedValues() & lfvSet(lfvNativeStyle));
}

TEST_F(LookAndFeelTest, NativeStyleNeedsActiveVisualStyles)
{
    theme.active = false;
    SendMessageW(ThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0);
    TcxLookAndFeel lf(nullptr);
    lf.SetKind(lfStandard);
    lf.SetNativeStyle(true);
    EXPECT_TRUE(lf.NativeStyle());
    EXPECT_EQ(lf.ActivePainter(), TcxStandardLookAndFeelPainter::Instance());
    theme.active = true;
    SendMessageW(ThemeChangedReceiverWindow(), WM_THEMECHANGED, 0, 0);
    lf.SetKind(lfFlat); // a later state change resolves the painter again
    EXPECT_EQ(lf.ActivePainter(), TcxWinXPLookAndFeelPainter::Instance());
}

TEST_F(LookAndFeelTest, SkinNamesChangeThePainterOnlyWhenRegistered)
{
    TcxLookAndFeel lf(nullptr);
    ChangeLog log;
    log.Watch(lf);
    lf.SetSkinName(L"Nowhere");
    EXPECT_EQ(lf.SkinName(), L"Nowhere");
    EXPECT_EQ(log.changes, std::vector<TcxLookAndFeelValues>{lfvSet(lfvSkinName)});
    EXPECT_EQ(lf.ActivePainter(), TcxUltraFlatLookAndFeelPainter::Instance());

    ExtendedStylePainters()->Register(L"Glass", TcxFlatLookAndFeelPainter::Instance());
    lf.SetSkinName(L"GLASS");
    EXPECT_EQ(lf.ActivePainter(), TcxFlatLookAndFeelPainter::Instance());
    EXPECT_TRUE(ExtendedStylePainters()->HasSkinSink(&lf));
    lf.SetNativeStyle(true); // the native style wins over a skin
    EXPECT_EQ(lf.ActivePainter(), TcxWinXPLookAndFeelPainter::Instance());
    EXPECT_FALSE(ExtendedStylePainters()->HasSkinSink(&lf));
    ExtendedStylePainters()->Unregister(L"Glass");
}

TEST_F(LookAndFeelTest, AFollowerDoesNotReportValuesItAssignsItself)
{
    TcxLookAndFeel master(nullptr), own(nullptr), plain(nullptr);
    own.SetKind(lfFlat);
    own.SetMaster(&master);
    plain.SetMaster(&master);
    ChangeLog ownLog, plainLog;
    ownLog.Watch(own);
    plainLog.Watch(plain);
    master.SetKind(lfStandard);
    EXPECT_TRUE(ownLog.changes.empty());
    EXPECT_EQ(plainLog.changes, std::vector<TcxLookAndFeelValues>{lfvSet(lfvKind)});
    master.SetNativeStyle(true);
    EXPECT_EQ(ownLog.changes, std::vector<TcxLookAndFeelValues>{lfvSet(lfvNativeStyle)});
    EXPECT_EQ(own.Kind(), lfFlat);
}

TEST_F(LookAndFeelTest, DestroyingAMasterMovesItsFollowersToTheRoot)
{
    TcxLookAndFeel follower(nullptr);
    ChangeLog log;
    {
        TcxLookAndFeel master(nullptr);
        master.SetKind(lfOffice11);
        follower.SetMaster(&master);
        EXPECT_EQ(follower.Kind(), lfOffice11);
        log.Watch(follower);
    }
    EXPECT_EQ(follower.Master(), nullptr);
    EXPECT_EQ(follower.Kind(), lfUltraFlat);
    EXPECT_EQ(log.changes, std::vector<TcxLookAndFeelValues>{lfvSet(lfvKind)});
    EXPECT_TRUE(GlobalLookAndFeel()->HasListener(&follower));
}

TEST_F(LookAndFeelTest, MasterChainsThatWouldCloseACycleAreRefused)
{
    TcxLookAndFeel a(nullptr), b(nullptr), c(nullptr);
    a.SetMaster(&a);
    EXPECT_EQ(a.Master(), nullptr);
    a.SetMaster(&b);
    b.SetMaster(&a);
    EXPECT_EQ(b.Master(), nullptr);
    b.SetMaster(&c);
    c.SetMaster(&a); // a -> b -> c -> a
    EXPECT_EQ(c.Master(), nullptr);
    c.SetKind(lfStandard);
    EXPECT_EQ(a.Kind(), lfStandard) << "values still travel down the chain";
    GlobalLookAndFeel()->SetMaster(&a);
    EXPECT_EQ(GlobalLookAndFeel()->Master(), nullptr);
}

TEST_F(LookAndFeelTest, CopyingTakesAssignedValuesAndMasterWithOneNotification)
{
    TcxLookAndFeel master(nullptr), source(nullptr), dest(nullptr);
    master.SetNativeStyle(true);
    source.SetMaster(&master);
    source.SetKind(lfOffice11);
    ChangeLog log;
    log.Watch(dest);
    dest.Assign(&source);
    EXPECT_EQ(dest.Master(), &master);
    EXPECT_EQ(dest.AssignedValues(), lfvSet(lfvKind));
    EXPECT_EQ(dest.Kind(), lfOffice11);
    EXPECT_TRUE(dest.NativeStyle());
    EXPECT_EQ(log.changes, std::vector<TcxLookAndFeelValues>{lfvSet(lfvKind) | lfvSet(lfvNativeStyle)});
}

TEST_F(LookAndFeelTest, ChangesUnderALockArriveAsOneNotification)
{
    TcxLookAndFeel lf(nullptr);
    ChangeLog log;
    log.Watch(lf);
    lf.LockUpdate();
    lf.SetKind(lfFlat);
    lf.SetNativeStyle(true);
    EXPECT_TRUE(log.changes.empty());
    EXPECT_EQ(lf.Kind(), lfFlat) << "reads are current while locked";
    lf.UnlockUpdate();
    EXPECT_EQ(log.changes, std::vector<TcxLookAndFeelValues>{lfvSet(lfvKind) | lfvSet(lfvNativeStyle)});
}

TEST_F(LookAndFeelTest, RemovingTheLastControllerClearsTheRootValues)
{
    TcxLookAndFeel lf(nullptr);
    auto* first = new TcxLookAndFeelController(nullptr);
    auto* second = new TcxLookAndFeelController(nullptr);
    EXPECT_EQ(LookAndFeelControllerCount(), 2);
    first->SetKind(lfStandard);
    EXPECT_EQ(lf.Kind(), lfStandard);
    TcxLookAndFeel other(nullptr);
    other.AddListenerObject(second);
    TObject plain;
    other.AddListenerObject(&plain); // no listener interface: ignored
    EXPECT_EQ(other.ListenerCount(), 0) << "only the root takes controllers";
    delete first;
    EXPECT_EQ(lf.Kind(), lfStandard);
    delete second;
    EXPECT_EQ(LookAndFeelControllerCount(), 0);
    EXPECT_EQ(GlobalLookAndFeel()->AssignedValues(), 0);
    EXPECT_EQ(lf.Kind(), lfUltraFlat);
}

TEST_F(LookAndFeelTest, ListenersFreedOrAddedDuringANotificationAreNotCalledInIt)
{
    TcxLookAndFeel lf(nullptr);
    std::vector<std::string> log;
    auto a = std::make_unique<Listener>(&log, "a");
    auto b = std::make_unique<Listener>(&log, "b");
    auto c = std::make_unique<Listener>(&log, "c");
    std::unique_ptr<Listener> added;
    a->Listen(&lf);
    b->Listen(&lf);
    c->Listen(&lf);
    a->onChanged = [&] {
        b.reset(); // frees a listener still to come
        if (!added) {
            added = std::make_unique<Listener>(&log, "added");
            added->Listen(&lf);
        }
    };
    lf.SetKind(lfFlat);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));
    log.clear();
    lf.SetKind(lfStandard);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c", "added"}));
}

TEST_F(LookAndFeelTest, AListenerThatRemovesItselfDoesNotMakeTheNextOneBeSkippedOrRepeated)
{
    TcxLookAndFeel lf(nullptr);
    std::vector<std::string> log;
    Listener a(&log, "a"), b(&log, "b"), c(&log, "c");
    a.Listen(&lf);
    b.Listen(&lf);
    c.Listen(&lf);
    b.onChanged = [&] { lf.RemoveListener(static_cast<IcxLookAndFeelChangeListener*>(&a)); };
    lf.SetKind(lfFlat);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(LookAndFeelTest, AListenerFreedWhileTheMasterIsDestroyedIsNotToldAfterwards)
{
    std::vector<std::string> log;
    auto lf = std::make_unique<TcxLookAndFeel>(nullptr);
    auto a = std::make_unique<Listener>(&log, "a");
    auto b = std::make_unique<Listener>(&log, "b");
    a->Listen(lf.get());
    b->Listen(lf.get());
    a->onDestroying = [&] { b.reset(); };
    lf.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"a destroying"}));
}

TEST_F(LookAndFeelTest, SystemColourChangeRecomputesColoursThenEveryLookAndFeelNotifies)
{
    TcxLookAndFeel a(nullptr), b(nullptr);
    unsigned before = Office11ComputeCount();
    std::set<TcxLookAndFeel*> told;
    std::vector<std::pair<TcxLookAndFeelValues, unsigned>> heard;
    auto record = [&](TcxLookAndFeel* sender, TcxLookAndFeelValues v) {
        told.insert(sender);
        heard.emplace_back(v, Office11ComputeCount());
    };
    a.OnChanged = record;
    b.OnChanged = record;
    ASSERT_NE(SystemPaletteListenerWindow(), nullptr);
    SendMessageW(SystemPaletteListenerWindow(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(Office11ComputeCount(), before + 1) << "once per change";
    EXPECT_EQ(told, (std::set<TcxLookAndFeel*>{&a, &b}));
    for (auto [values, computed] : heard) {
        EXPECT_EQ(values, lfvSet(lfvNativeStyle));
        EXPECT_EQ(computed, before + 1) << "the colours were recomputed before anyone was told";
    }
}

TEST_F(LookAndFeelTest, TheSystemsOwnColourBroadcastReachesTheListener)
{
    TcxLookAndFeel lf(nullptr);
    bool told = false;
    lf.OnChanged = [&](TcxLookAndFeel*, TcxLookAndFeelValues) { told = true; };
    // Setting a colour to its own value changes nothing on screen but is announced.
    INT index = COLOR_BTNFACE;
    COLORREF value = GetSysColor(COLOR_BTNFACE);
    ASSERT_TRUE(SetSysColors(1, &index, &value));
    DWORD deadline = GetTickCount() + 5000;
    while (!told && GetTickCount() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        PumpMessages();
    }
    EXPECT_TRUE(told);
}

TEST_F(LookAndFeelTest, PaletteNotifiersRunPrimaryFirstLastToFirstAndSkipFreedOnes)
{
    std::vector<std::string> log;
    auto p1 = std::make_unique<TcxSystemPaletteChangedNotifier>(true);
    auto o1 = std::make_unique<TcxSystemPaletteChangedNotifier>(false);
    auto o2 = std::make_unique<TcxSystemPaletteChangedNotifier>(false);
    auto p2 = std::make_unique<TcxSystemPaletteChangedNotifier>(true);
    p1->OnPaletteChange = [&] { log.push_back("p1"); };
    p2->OnPaletteChange = [&] { log.push_back("p2"); };
    o1->OnPaletteChange = [&] { log.push_back("o1"); };
    o2->OnPaletteChange = [&] {
        log.push_back("o2");
        o1.reset();
    };
    SendMessageW(SystemPaletteListenerWindow(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"p2", "p1", "o2"}));
}
