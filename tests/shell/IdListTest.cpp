// Identifier-list arithmetic on hand-made byte buffers.
#include "ShellTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A list whose items carry the given payloads, followed by the zero terminator.
std::vector<BYTE> MakeList(const std::vector<std::vector<BYTE>>& payloads)
{
    std::vector<BYTE> bytes;
    for (const auto& payload : payloads) {
        const USHORT cb = static_cast<USHORT>(payload.size() + 2);
        bytes.push_back(static_cast<BYTE>(cb & 0xFF));
        bytes.push_back(static_cast<BYTE>(cb >> 8));
        bytes.insert(bytes.end(), payload.begin(), payload.end());
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

PCItemIDList AsList(const std::vector<BYTE>& bytes)
{
    return reinterpret_cast<PCItemIDList>(bytes.data());
}

std::vector<BYTE> BytesOf(PCItemIDList list, size_t count)
{
    const auto* p = reinterpret_cast<const BYTE*>(list);
    return std::vector<BYTE>(p, p + count);
}

const std::vector<BYTE> A{1, 2, 3};
const std::vector<BYTE> B{9};
const std::vector<BYTE> C{7, 7, 7, 7, 7};

TEST(IdListTest, SizeAndItemCount)
{
    struct Case {
        std::vector<std::vector<BYTE>> items;
        UINT size;
        int count;
    };
    const Case cases[] = {
        {{}, 0, 0},         {{A}, 5, 1},  {{A, B}, 8, 2},
        {{A, B, C}, 15, 3}, {{{}}, 2, 1}, // an item of only its count bytes
    };
    for (const auto& c : cases) {
        const auto list = MakeList(c.items);
        EXPECT_EQ(IdListSize(AsList(list)), c.size);
        EXPECT_EQ(IdListItemCount(AsList(list)), c.count);
    }
    EXPECT_EQ(IdListSize(nullptr), 0u);
    EXPECT_EQ(IdListItemCount(nullptr), 0);
}

TEST(IdListTest, ItemCountStopsAbove260Items)
{
    EXPECT_EQ(IdListItemCount(AsList(MakeList(std::vector<std::vector<BYTE>>(260, B)))), 260);
    EXPECT_EQ(IdListItemCount(AsList(MakeList(std::vector<std::vector<BYTE>>(261, B)))), -1);
}

TEST(IdListTest, NextAndLastItem)
{
    const auto list = MakeList({A, B, C});
    const auto* base = reinterpret_cast<const BYTE*>(list.data());
    PCItemIDList first = AsList(list);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(IdListNextItem(first)), base + 5);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(IdListLastItem(first)), base + 8);
    const auto* terminator = reinterpret_cast<PCItemIDList>(base + 15);
    EXPECT_EQ(IdListNextItem(terminator), nullptr);
    EXPECT_EQ(IdListNextItem(nullptr), nullptr);
    EXPECT_EQ(IdListLastItem(nullptr), nullptr);
    const auto empty = MakeList({});
    EXPECT_EQ(IdListLastItem(AsList(empty)), AsList(empty));
}

TEST(IdListTest, NewListsCarryTerminatorAndTwoSpareZeroBytes)
{
    const auto list = MakeList({A, B});
    UniqueIdList clone = IdListClone(AsList(list));
    ASSERT_TRUE(clone);
    EXPECT_EQ(ShellMalloc()->GetSize(clone.get()), 8u + 4u);
    std::vector<BYTE> expected = {5, 0, 1, 2, 3, 3, 0, 9, 0, 0, 0, 0};
    EXPECT_EQ(BytesOf(clone.get(), 12), expected);
    EXPECT_FALSE(IdListClone(nullptr));
    UniqueIdList empty = IdListEmpty();
    EXPECT_EQ(BytesOf(empty.get(), 4), (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST(IdListTest, FirstItemAndParent)
{
    const auto list = MakeList({A, B, C});
    UniqueIdList first = IdListFirstItem(AsList(list));
    EXPECT_EQ(BytesOf(first.get(), 7), (std::vector<BYTE>{5, 0, 1, 2, 3, 0, 0}));
    UniqueIdList parent = IdListParent(AsList(list));
    EXPECT_EQ(IdListSize(parent.get()), 8u);
    EXPECT_EQ(BytesOf(parent.get(), 10), (std::vector<BYTE>{5, 0, 1, 2, 3, 3, 0, 9, 0, 0}));

    const auto one = MakeList({A});
    UniqueIdList parentOfOne = IdListParent(AsList(one));
    ASSERT_TRUE(parentOfOne);
    EXPECT_EQ(IdListSize(parentOfOne.get()), 0u);
    const auto empty = MakeList({});
    EXPECT_FALSE(IdListFirstItem(AsList(empty)));
    EXPECT_FALSE(IdListFirstItem(nullptr));
    UniqueIdList parentOfEmpty = IdListParent(AsList(empty));
    ASSERT_TRUE(parentOfEmpty);
    EXPECT_EQ(IdListSize(parentOfEmpty.get()), 0u);
    EXPECT_FALSE(IdListParent(nullptr));
}

TEST(IdListTest, Join)
{
    const auto a = MakeList({A});
    const auto b = MakeList({B, C});
    UniqueIdList joined = IdListJoin(AsList(a), AsList(b));
    EXPECT_EQ(IdListSize(joined.get()), 15u);
    EXPECT_EQ(BytesOf(joined.get(), 17), MakeList({A, B, C}));
    UniqueIdList onlyB = IdListJoin(nullptr, AsList(b));
    EXPECT_TRUE(IdListEqual(onlyB.get(), AsList(b)));
    UniqueIdList onlyA = IdListJoin(AsList(a), nullptr);
    EXPECT_TRUE(IdListEqual(onlyA.get(), AsList(a)));
    EXPECT_FALSE(IdListJoin(nullptr, nullptr));
}

TEST(IdListTest, EqualAndAncestor)
{
    const auto ab = MakeList({A, B});
    const auto ab2 = MakeList({A, B});
    const auto a = MakeList({A});
    const auto ac = MakeList({A, C});
    const auto empty = MakeList({});
    struct Case {
        PCItemIDList x;
        PCItemIDList y;
        bool equal;
        bool ancestor;
    };
    const Case cases[] = {
        {AsList(ab), AsList(ab2), true, true},    {AsList(ab), AsList(ab), true, true},
        {AsList(a), AsList(ab), false, true},   // parent against child
        {AsList(ab), AsList(a), false, false},  // child against its parent
        {AsList(ac), AsList(ab), false, false}, // same size, other bytes
        {AsList(empty), AsList(ab), false, true}, {nullptr, AsList(ab), false, true},
        {AsList(ab), nullptr, false, false},      {nullptr, nullptr, true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IdListEqual(c.x, c.y), c.equal);
        EXPECT_EQ(IdListIsAncestorOrSelf(c.x, c.y), c.ancestor);
    }
}

TEST(IdListTest, ArrayHoldsThePointersThemselves)
{
    const auto a = MakeList({A});
    const auto b = MakeList({B});
    auto array = IdListArray({AsList(a), AsList(b)});
    ASSERT_TRUE(array);
    EXPECT_EQ(array.get()[0], AsList(a));
    EXPECT_EQ(array.get()[1], AsList(b));
    EXPECT_FALSE(IdListArray({}));
}

// Offset names point into the item: they must never be read past it.
TEST(StrRetTest, AllThreeKindsGiveTheSameText)
{
    std::vector<BYTE> payload = {0xAA, 'D', 'a', 't', 'a', 0};
    const auto list = MakeList({payload});

    STRRET offset{};
    offset.uType = STRRET_OFFSET;
    offset.uOffset = 3;
    EXPECT_EQ(StrRetToText(offset, AsList(list)), L"Data");

    STRRET ansi{};
    ansi.uType = STRRET_CSTR;
    std::strcpy(ansi.cStr, "Data");
    EXPECT_EQ(StrRetToText(ansi, AsList(list)), L"Data");

    STRRET wide{};
    wide.uType = STRRET_WSTR;
    wide.pOleStr = static_cast<LPWSTR>(ShellMalloc()->Alloc(sizeof(L"Data")));
    std::memcpy(wide.pOleStr, L"Data", sizeof(L"Data"));
    EXPECT_EQ(StrRetToText(wide, AsList(list)), L"Data");
    EXPECT_EQ(wide.pOleStr, nullptr); // freed with the shell allocator
}

TEST(StrRetTest, OffsetTextIsBoundedByTheItem)
{
    // No zero byte inside the item: the text ends with the item, not in the next one.
    std::vector<BYTE> payload = {'a', 'b', 'c'};
    const auto list = MakeList({payload, {'X', 'Y', 0}});
    struct Case {
        UINT offset;
        std::wstring text;
    };
    const Case cases[] = {
        {2, L"abc"},
        {4, L"c"},
        {5, L""},   // the item's end
        {200, L""}, // far outside
    };
    for (const auto& c : cases) {
        STRRET strRet{};
        strRet.uType = STRRET_OFFSET;
        strRet.uOffset = c.offset;
        EXPECT_EQ(StrRetToText(strRet, AsList(list)), c.text) << c.offset;
    }
    STRRET strRet{};
    strRet.uType = STRRET_OFFSET;
    strRet.uOffset = 2;
    EXPECT_EQ(StrRetToText(strRet, nullptr), L"");
}

TEST(StrRetTest, AnsiTextWithoutZeroStopsAtTheBuffer)
{
    STRRET strRet{};
    strRet.uType = STRRET_CSTR;
    std::memset(strRet.cStr, 'z', sizeof(strRet.cStr));
    EXPECT_EQ(StrRetToText(strRet, nullptr), std::wstring(MAX_PATH, L'z'));
}

} // namespace
