#include "runtime/rtClasses.h"

#include <gtest/gtest.h>

namespace {

class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::vector<std::wstring>* log, std::wstring name)
        : TComponent(owner), m_log(log)
    {
        SetName(std::move(name));
    }
    ~Probe() override { m_log->push_back(L"free " + Name()); }
    TComponent* ref = nullptr;

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c == ref)
            ref = nullptr;
    }

private:
    std::vector<std::wstring>* m_log;
};

TEST(ComponentTest, OwnerFreesOwnedComponentsAndFreeNotificationClearsReferences)
{
    std::vector<std::wstring> log;
    auto* root = new Probe(nullptr, &log, L"root");
    auto* a = new Probe(root, &log, L"a");
    auto* b = new Probe(root, &log, L"b");
    Probe watcher(nullptr, &log, L"watcher");
    watcher.ref = a;
    watcher.FreeNotification(a);

    EXPECT_EQ(root->ComponentCount(), 2);
    EXPECT_EQ(root->FindComponent(L"B"), b);
    delete a;
    EXPECT_EQ(watcher.ref, nullptr);
    EXPECT_EQ(root->ComponentCount(), 1);
    delete root;
    EXPECT_EQ(log, (std::vector<std::wstring>{L"free a", L"free root", L"free b"}));
}

TEST(ComponentTest, CheckedCastRaisesInvalidClassTypecast)
{
    std::vector<std::wstring> log;
    Probe p(nullptr, &log, L"p");
    TObject* o = &p;
    EXPECT_EQ(As<TComponent>(o), &p);
    try {
        As<TPersistent>(o);
        SUCCEED();
    } catch (...) {
        FAIL();
    }
    struct Other : TObject {};
    Other other;
    try {
        As<TComponent>(&other);
        FAIL() << "no error";
    } catch (const EInvalidCast& e) {
        EXPECT_EQ(e.Message(), L"Invalid class typecast");
    }
}

} // namespace
