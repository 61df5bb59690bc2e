// The item producer: listing, filtering, sorting, details, refresh merge, lookups.
#include "ShellTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>
#include <string>
#include <memory>
#include <thread>
#include <atomic>
#include <cstring>

namespace {

std::vector<FakeItem> Named(std::initializer_list<const wchar_t*> names)
{
    std::vector<FakeItem> items;
    for (const wchar_t* name : names)
        items.push_back({name});
    return items;
}

class FakeProducerTest : public testing::Test {
protected:
    void Produce(FakeFolder* folder, int syncCount = 0)
    {
        producer.ProduceItems(folder, folderList.get(), syncCount);
    }
    MessageSink sink;
    TestProducer producer{&sink};
    UniqueIdList folderList = IdListEmpty();
};

TEST_F(FakeProducerTest, EnumeratorRefusingSeveralItemsStillYieldsAll)
{
    auto folder = MakeFakeFolder(Named({L"a", L"b", L"c", L"d", L"e", L"f", L"g"}));
    folder->refuseBatch = true;
    Produce(folder.get());
    EXPECT_EQ(ItemNames(producer), (std::vector<std::wstring>{L"a", L"b", L"c", L"d", L"e", L"f", L"g"}));
    ASSERT_GE(folder->nextRequests.size(), 3u);
    EXPECT_GT(*std::max_element(folder->nextRequests.begin(), folder->nextRequests.end()), 1u);
}

TEST_F(FakeProducerTest, ShortLastBatchIsKept)
{
    std::vector<FakeItem> items;
    for (int i = 0; i < 10; ++i)
        items.push_back({L"n" + std::to_wstring(i)});
    auto folder = MakeFakeFolder(items);
    Produce(folder.get());
    EXPECT_EQ(producer.ItemCount(), 10);
    EXPECT_EQ(sink.Count(MsgItemsProduced), 1);
    ASSERT_EQ(sink.Received.back().message, UINT(MsgItemsProduced));
    EXPECT_EQ(sink.Received.back().wParam, WPARAM(10));
}

TEST_F(FakeProducerTest, UnnamedAndRefusedItemsAreLeftOut)
{
    auto folder = MakeFakeFolder(Named({L"keep", L"", L"refuse", L"also"}));
    producer.canAdd = [](TcxShellFolder* info) {
        return info && info->RelativeIdList() && FakeFolder::IndexOf(info->RelativeIdList()) != 2;
    };
    Produce(folder.get());
    EXPECT_EQ(ItemNames(producer), (std::vector<std::wstring>{L"also", L"keep"}));
}

TEST_F(FakeProducerTest, ContainersFirstThenTheFoldersOrder)
{
    auto folder = MakeFakeFolder({{L"b"}, {L"A", true}, {L"c", true}, {L"a"}, {L"B", true}});
    Produce(folder.get());
    EXPECT_EQ(ItemNames(producer), (std::vector<std::wstring>{L"A", L"B", L"c", L"a", L"b"}));
}

TEST_F(FakeProducerTest, TheFoldersOrderWinsOverTheNamesOrder)
{
    auto folder = MakeFakeFolder({{L"b"}, {L"A", true}, {L"c", true}, {L"a"}, {L"d"}, {L"B", true}});
    folder->reverseCompare = true;
    Produce(folder.get());
    EXPECT_EQ(ItemNames(producer), (std::vector<std::wstring>{L"c", L"B", L"A", L"d", L"b", L"a"}));
}

class ReverseProducer : public TestProducer {
public:
    using TestProducer::TestProducer;
    bool CompareItemsCustom(TcxShellFolder* a, TcxShellFolder* b, int& result) override
    {
        result = FakeFolder::IndexOf(b->RelativeIdList()) - FakeFolder::IndexOf(a->RelativeIdList());
        return true;
    }
};

TEST_F(FakeProducerTest, CustomOrderWins)
{
    auto folder = MakeFakeFolder({{L"x", true}, {L"y"}, {L"z", true}});
    ReverseProducer reverse(&sink);
    reverse.ProduceItems(folder.get(), folderList.get(), 0);
    EXPECT_EQ(ItemNames(reverse), (std::vector<std::wstring>{L"z", L"y", L"x"}));
}

TEST_F(FakeProducerTest, FolderThatCannotBeListedProducesNothingButTellsTheOwner)
{
    auto folder = MakeFakeFolder(Named({L"a"}));
    folder->failEnum = true;
    Produce(folder.get());
    EXPECT_EQ(producer.ItemCount(), 0);
    ASSERT_EQ(sink.Count(MsgItemsProduced), 1);
    EXPECT_EQ(sink.Received.back().wParam, WPARAM(0));
    EXPECT_FALSE(producer.RefreshItems());
}

TEST_F(FakeProducerTest, FirstSyncCountItemsAreFetchedAtOnce)
{
    auto folder = MakeFakeFolder({{L"a", true}, {L"b", true}, {L"c"}, {L"d"}, {L"e"}});
    Produce(folder.get(), 2);
    int fetched = 0;
    for (const auto& item : producer.Items())
        fetched += item->DetailsFetched ? 1 : 0;
    EXPECT_EQ(fetched, 2);
}

TEST_F(FakeProducerTest, BasicDataWhenTheAttributeQueryFails)
{
    auto folder = MakeFakeFolder({{L"odd", true}});
    folder->items[0].failAttributes = true;
    Produce(folder.get());
    ASSERT_EQ(producer.ItemCount(), 1);
    const auto* item = producer.Item(0);
    EXPECT_FALSE(item->IsContainer);
    EXPECT_FALSE(item->ShowsExpandButton);
    EXPECT_TRUE(item->AcceptsDrops);
    EXPECT_TRUE(item->AllowsRename);
    EXPECT_EQ(item->IconSlot, GenericFileIcon());
}

TEST_F(FakeProducerTest, FullDetailsUseTheParentsAnswers)
{
    auto folder = MakeFakeFolder({{L"dir", true, true}, {L"file.txt"}});
    producer.enumFlags |= cxEnumIncludeHidden;
    Produce(folder.get(), 10);
    const auto* dir = producer.Item(0);
    const auto* file = producer.Item(1);
    EXPECT_TRUE(dir->DetailsFetched);
    EXPECT_TRUE(dir->HiddenItem);
    EXPECT_TRUE(dir->AcceptsDrops);
    EXPECT_TRUE(dir->AllowsRename);
    EXPECT_FALSE(file->HiddenItem);
    EXPECT_FALSE(file->AcceptsDrops);
    // Without the parent's icon answer: generic icons now, the exact ones later.
    EXPECT_EQ(dir->IconSlot, GenericFolderIcon());
    EXPECT_EQ(dir->OpenIconSlot, GenericOpenFolderIcon());
    EXPECT_EQ(file->IconSlot, GenericIconForName(L"file.txt", false));
    EXPECT_TRUE(dir->FetchPending());
}

TEST_F(FakeProducerTest, ParentIconAnswersAreExactAtOnce)
{
    auto folder = MakeFakeFolder({{L"dir", true}, {L"file"}});
    folder->offerShellIcon = true;
    Produce(folder.get(), 10);
    const auto* dir = producer.Item(0);
    const auto* file = producer.Item(1);
    EXPECT_EQ(dir->IconSlot, 100);
    EXPECT_EQ(dir->OpenIconSlot, 150);
    EXPECT_EQ(file->IconSlot, 101);
    EXPECT_EQ(file->OpenIconSlot, 101);
    EXPECT_FALSE(dir->FetchPending());
}

TEST_F(FakeProducerTest, RefreshKeepsPositionsAndReportsChanges)
{
    // Items shown and hidden between the listings stand for removed and added ones.
    auto folder = MakeFakeFolder({{L"a"}, {L"b"}, {L"c"}, {L"d"}, {L"e"}});
    folder->items[3].hidden = true;
    Produce(folder.get());
    ASSERT_EQ(ItemNames(producer), (std::vector<std::wstring>{L"a", L"b", L"c", L"e"}));
    folder->items[1].hidden = true;  // b goes
    folder->items[3].hidden = false; // d comes
    sink.Clear();
    EXPECT_TRUE(producer.RefreshItems());
    EXPECT_EQ(ItemNames(producer), (std::vector<std::wstring>{L"a", L"c", L"e", L"d"}));
    ASSERT_EQ(sink.Received.size(), 2u);
    EXPECT_EQ(sink.Received[0].message, UINT(MsgItemRemoved));
    EXPECT_EQ(sink.Received[0].wParam, WPARAM(1));
    EXPECT_EQ(sink.Received[1].message, UINT(MsgItemAdded));
    EXPECT_EQ(sink.Received[1].wParam, WPARAM(3));
    EXPECT_TRUE(producer.Item(3)->DetailsFetched);
}

TEST_F(FakeProducerTest, FindItemIndexUsesTheFoldersComparison)
{
    auto folder = MakeFakeFolder({{L"x"}, {L"y"}, {L"z"}});
    Produce(folder.get());
    EXPECT_EQ(producer.FindItemIndex(folder->MakeItem(1).get()), 1);
    EXPECT_EQ(producer.FindItemIndex(folder->MakeItem(2).get()), 2);
    UniqueIdList foreign = IdListEmpty();
    EXPECT_EQ(producer.FindItemIndex(foreign.get()), -1);
    EXPECT_EQ(producer.FindItemIndex(nullptr), -1);
}

TEST_F(FakeProducerTest, InfoTipFromTheShell)
{
    FakeQueryInfo info{L"Size: 1 KB"};
    auto folder = MakeFakeFolder({{L"x"}});
    folder->uiObject = [&](REFIID riid, void** result) -> HRESULT {
        if (riid != IID_IQueryInfo)
            return E_NOINTERFACE;
        info.AddRef();
        *result = &info;
        return S_OK;
    };
    Produce(folder.get());
    wchar_t buffer[6];
    producer.ItemInfoTip(nullptr, 0, 6, buffer);
    EXPECT_STREQ(buffer, L"Size:");
    EXPECT_EQ(producer.ItemInfoTip(nullptr, 0), L"Size: 1 KB");
    EXPECT_EQ(producer.ItemInfoTip(nullptr, 5), L"");
    producer.infoTips = false;
    EXPECT_EQ(producer.ItemInfoTip(nullptr, 0), L"");
    EXPECT_EQ(info.refs, 1u);
}

TEST_F(FakeProducerTest, ReplacedListReadsTheItemAgain)
{
    auto folder = MakeFakeFolder({{L"old", true}, {L"new"}});
    Produce(folder.get(), 10);
    auto* item = producer.Item(0);
    UniqueIdList renamed = folder->MakeItem(1);
    item->ReplaceIdList(folder.get(), folderList.get(), renamed.get());
    EXPECT_EQ(item->DisplayText, L"new");
    EXPECT_FALSE(item->IsContainer);
    EXPECT_TRUE(item->DetailsFetched);
    EXPECT_TRUE(IdListEqual(item->ItemIdList.get(), renamed.get()));
}

TEST_F(FakeProducerTest, ClearingFreesEverything)
{
    auto folder = MakeFakeFolder({{L"x"}, {L"y"}});
    Produce(folder.get());
    producer.ClearItems();
    EXPECT_EQ(producer.ItemCount(), 0);
    EXPECT_EQ(producer.ListedFolder(), nullptr);
    EXPECT_EQ(producer.ListedIdList(), nullptr);
}

// Items live in blocks shared by every thread (the worker makes private copies of them): two
// items alive at once never share a block, whichever threads make and free them.
TEST(ShellItemBlocksTest, ItemsMadeAndFreedOnSeveralThreadsKeepTheirOwnData)
{
    constexpr int kThreads = 4, kRounds = 200, kBatch = 500;
    std::atomic<int> damaged{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &damaged] {
            for (int round = 0; round < kRounds; ++round) {
                std::vector<std::unique_ptr<TcxShellItemInfo>> items;
                for (int i = 0; i < kBatch; ++i) {
                    items.push_back(
                        std::make_unique<TcxShellItemInfo>(nullptr, true, nullptr, nullptr, nullptr));
                    items.back()->DisplayText = std::to_wstring(t) + L"/" + std::to_wstring(i);
                    items.back()->IconSlot = t * kBatch + i;
                }
                // Every other one freed, then made again, while the other threads do the same.
                for (int i = 0; i < kBatch; i += 2)
                    items[static_cast<size_t>(i)].reset(
                        new TcxShellItemInfo(nullptr, true, nullptr, nullptr, nullptr));
                for (int i = 1; i < kBatch; i += 2) {
                    const TcxShellItemInfo& item = *items[static_cast<size_t>(i)];
                    if (item.DisplayText != std::to_wstring(t) + L"/" + std::to_wstring(i) ||
                        item.IconSlot != t * kBatch + i)
                        ++damaged;
                }
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(damaged.load(), 0);
}

// ---- the real shell ----

class RealProducerTest : public testing::Test {
protected:
    void SetUp() override
    {
        temp.MakeFolder(L"b");
        temp.MakeFolder(L"A");
        temp.MakeFolder(L"c");
        temp.MakeFile(L"a.txt");
        temp.MakeFile(L"B.txt");
        temp.MakeFolder(L".hidden", FILE_ATTRIBUTE_HIDDEN);
        temp.MakeFile(L".secret", FILE_ATTRIBUTE_HIDDEN);
        list = ParsePath(temp.Path());
        folder = BindFolder(list.get());
        ASSERT_TRUE(folder);
    }
    TempFolder temp;
    UniqueIdList list;
    ComPtr<IShellFolder> folder;
    MessageSink sink;
};

TEST_F(RealProducerTest, FoldersFirstInNameOrderWithoutHiddenItems)
{
    TestProducer producer(&sink);
    producer.ProduceItems(folder.get(), list.get(), 100);
    EXPECT_EQ(ItemNames(producer), (std::vector<std::wstring>{L"A", L"b", L"c", L"a.txt", L"B.txt"}));
    for (const auto& item : producer.Items()) {
        EXPECT_TRUE(item->OnFileSystem);
        EXPECT_FALSE(item->HiddenItem);
        EXPECT_TRUE(IdListIsAncestorOrSelf(list.get(), item->AbsoluteItemIdList.get()));
        EXPECT_EQ(item->ItemFolderInfo->ParentFolder(), folder.get());
    }
}

TEST_F(RealProducerTest, HiddenItemsWhenAskedFor)
{
    TestProducer producer(&sink);
    producer.enumFlags = cxEnumFolders | cxEnumNonFolders | cxEnumIncludeHidden;
    producer.ProduceItems(folder.get(), list.get(), 100);
    std::vector<std::wstring> hidden;
    for (const auto& item : producer.Items())
        if (item->HiddenItem)
            hidden.push_back(item->DisplayText);
    EXPECT_EQ(hidden, (std::vector<std::wstring>{L".hidden", L".secret"}));
    EXPECT_EQ(producer.ItemCount(), 7);
}

TEST_F(RealProducerTest, FoldersOnlyAndRefreshAfterChangesOnDisk)
{
    TestProducer producer(&sink);
    producer.enumFlags = cxEnumFolders;
    producer.ProduceItems(folder.get(), list.get(), 0);
    EXPECT_EQ(ItemNames(producer), (std::vector<std::wstring>{L"A", L"b", L"c"}));
    RemoveDirectoryW((temp.Path() + L"\\b").c_str());
    temp.MakeFolder(L"d");
    sink.Clear();
    ASSERT_TRUE(producer.RefreshItems());
    EXPECT_EQ(ItemNames(producer), (std::vector<std::wstring>{L"A", L"c", L"d"}));
    EXPECT_EQ(sink.Count(MsgItemRemoved), 1);
    EXPECT_EQ(sink.Count(MsgItemAdded), 1);
}

TEST_F(RealProducerTest, ARefreshKeepsTheFetchedDetailsOfUnchangedItems)
{
    TestProducer producer(&sink);
    producer.enumFlags = cxEnumFolders | cxEnumIncludeHidden;
    producer.ProduceItems(folder.get(), list.get(), 100); // every item fetched at once
    ASSERT_EQ(ItemNames(producer), (std::vector<std::wstring>{L".hidden", L"A", L"b", L"c"}));
    for (const auto& item : producer.Items())
        ASSERT_TRUE(item->DetailsFetched);
    ASSERT_TRUE(producer.Item(0)->HiddenItem);
    temp.MakeFolder(L"d");
    ASSERT_TRUE(producer.RefreshItems());
    ASSERT_EQ(ItemNames(producer), (std::vector<std::wstring>{L".hidden", L"A", L"b", L"c", L"d"}));
    for (const auto& item : producer.Items()) {
        SCOPED_TRACE(item->DisplayText);
        EXPECT_TRUE(item->DetailsFetched) << "a kept item became a basic record";
        EXPECT_TRUE(item->AllowsRename);
    }
    EXPECT_TRUE(producer.Item(0)->HiddenItem);
}

TEST_F(RealProducerTest, ARenamedItemTakesTheNewAbsoluteListAndFolderInfo)
{
    TestProducer producer(&sink);
    producer.enumFlags = cxEnumFolders;
    producer.ProduceItems(folder.get(), list.get(), 100);
    TcxShellItemInfo* item = producer.Item(2);
    ASSERT_EQ(item->DisplayText, L"c");
    PITEMID_CHILD renamed = nullptr;
    ASSERT_HRESULT_SUCCEEDED(folder->SetNameOf(nullptr, item->ItemIdList.get(), L"c2",
                                               SHGDN_INFOLDER | SHGDN_FORPARSING, &renamed));
    UniqueIdList owned(renamed);
    item->ReplaceIdList(folder.get(), list.get(), owned.get());
    EXPECT_EQ(item->DisplayText, L"c2");
    EXPECT_EQ(IdListToPath(item->AbsoluteItemIdList.get()), temp.Path() + L"\\c2");
    EXPECT_EQ(IdListToPath(item->ItemFolderInfo->AbsoluteIdList()), temp.Path() + L"\\c2");
}

} // namespace
