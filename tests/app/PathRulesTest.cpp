#include "app/PathRules.h"

#include "TempFolder.h"
#include "runtime/rtExceptions.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const wchar_t* input;
    const wchar_t* expected;
};

TEST(PathRulesTest, TrimRemovesEveryControlCharacterAndBlankFromBothEndsOnly)
{
    const TextCase cases[] = {
        {L"", L""},
        {L"   ", L""},
        {L"  C:\\a b\\c  ", L"C:\\a b\\c"},
        {L"\t\r\n\x01.tbi\x1f\x20", L".tbi"},
        {L"!x!", L"!x!"},                           // 33 is kept
        {L"\x3000图片\x3000", L"\x3000图片\x3000"}, // the ideographic space is a character, not a blank
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(TrimText(c.input), c.expected) << Utf8(c.input);
}

TEST(PathRulesTest, ExtensionIsTheLastDotAfterTheLastDelimiter)
{
    const TextCase cases[] = {
        {L"C:\\a\\b.x.tbi", L".tbi"},
        {L"C:\\a.d\\b", L""},
        {L"C:b.tbi", L".tbi"},
        {L"a.b:c", L""},
        {L"a.", L"."},
        {L".tbi", L".tbi"},
        {L"C:\\a\\图片.TBI", L".TBI"},
        {L"noext", L""},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(ExtractFileExt(c.input), c.expected) << Utf8(c.input);
}

TEST(PathRulesTest, NameAndParentPartSplitAtTheLastBackslashOrColon)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* name;
        const wchar_t* parent;
    };
    const Case cases[] = {
        {L"C:\\a\\b.tbi", L"b.tbi", L"C:\\a\\"},
        {L"C:b", L"b", L"C:"},
        {L"b", L"b", L""},
        {L"C:\\a\\", L"", L"C:\\a\\"},
        {L"\\\\srv\\share", L"share", L"\\\\srv\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFileName(c.path), c.name) << Utf8(c.path);
        EXPECT_EQ(ExtractFilePath(c.path), c.parent) << Utf8(c.path);
    }
}

TEST(PathRulesTest, ChangeExtensionReplacesTheExtensionOrAppendsTheSuffixAsTyped)
{
    struct Case {
        const wchar_t* name;
        const wchar_t* ext;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"a.tbi", L".jpg", L"a.jpg"},       {L"a.tbi", L"jpg", L"ajpg"},
        {L"a", L".jpg", L"a.jpg"},           {L"a.b.tbi", L"", L"a.b"},
        {L"x.d\\a", L".jpg", L"x.d\\a.jpg"}, {L"照片.tbi", L".jpg", L"照片.jpg"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChangeFileExt(c.name, c.ext), c.expected) << Utf8(c.name);
}

TEST(PathRulesTest, RootPartIsTheDriveOrTheServerAndShare)
{
    const TextCase cases[] = {
        {L"C:\\a\\b", L"C:"},
        {L"D:", L"D:"},
        {L"\\\\server\\share\\folder\\x", L"\\\\server\\share"},
        {L"\\\\server\\share", L"\\\\server\\share"},
        {L"\\a\\b", L""},
        {L"a\\b", L""},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(ExtractRootPart(c.input), c.expected) << Utf8(c.input);
}

TEST(PathRulesTest, OnlyDriveRootedAndDoubleBackslashPathsAreFullyQualified)
{
    for (const wchar_t* path : {L"C:\\", L"C:\\a\\b", L"\\\\server\\share", L"\\\\?\\C:\\a"})
        EXPECT_TRUE(IsFullyQualified(path)) << Utf8(path);
    for (const wchar_t* path : {L"", L"C:", L"C:a\\b", L"\\a", L"a\\b", L".", L"\\"})
        EXPECT_FALSE(IsFullyQualified(path)) << Utf8(path);
}

TEST(PathRulesTest, SameFileNameFoldsOnlyTheLettersAToZ)
{
    EXPECT_TRUE(SameFileName(L"C:\\Dir\\A.tbi", L"c:\\dIR\\a.TBI"));
    EXPECT_FALSE(SameFileName(L"C:\\Dir", L"C:\\Dir\\"));
    EXPECT_FALSE(SameFileName(L"É", L"é"));
    EXPECT_TRUE(SameFileName(L"图片", L"图片"));
}

class ForceDirectoriesTest : public testing::Test {
protected:
    TempFolder temp;
};

TEST_F(ForceDirectoriesTest, CreatesMissingLevelsFromTheTopDown)
{
    const std::wstring deep = temp / L"one\\two\\three";
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(temp / L"one"));
    EXPECT_TRUE(DirectoryExists(temp / L"one\\two"));
    EXPECT_TRUE(DirectoryExists(deep));
    // Existing folders and a trailing "\" succeed without doing anything else.
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(ForceDirectories(temp / L"four\\"));
    EXPECT_TRUE(DirectoryExists(temp / L"four"));
    EXPECT_TRUE(ForceDirectories(L"C:\\"));
}

TEST_F(ForceDirectoriesTest, FailsWhereALevelCannotBeCreated)
{
    temp.MakeFile(L"file");
    EXPECT_FALSE(ForceDirectories(temp / L"file\\sub"));
    EXPECT_FALSE(PathExists(temp / L"file\\sub"));
}

TEST_F(ForceDirectoriesTest, EmptyTextAndUnrootedMissingFirstLevelRaiseUnableToCreateDirectory)
{
    ASSERT_TRUE(SetCurrentDirectoryW(temp.Path().c_str()));
    for (const wchar_t* text : {L"", L"missing", L"missing\\sub"}) {
        try {
            ForceDirectories(text);
            ADD_FAILURE() << "no error for " << Utf8(text);
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), L"Unable to create directory");
        }
    }
    EXPECT_TRUE(NamesIn(temp.Path()).empty());

    // A relative text whose first level exists is created below the current folder.
    temp.MakeFolder(L"present");
    EXPECT_TRUE(ForceDirectories(L"present\\sub\\deeper"));
    EXPECT_TRUE(DirectoryExists(temp / L"present\\sub\\deeper"));
}

TEST_F(ForceDirectoriesTest, CurrentFolderChangeRaisesTheInOutMessageOfThePlatformCode)
{
    try {
        ChangeFolder(temp / L"absent");
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 2u);
        EXPECT_EQ(e.Message(), L"File not found");
    }
    try {
        ChangeFolder(temp / L"absent\\deeper");
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 3u);
        EXPECT_EQ(e.Message(), L"Invalid filename");
    }
}

// Where a browse starts for a field's text: the folder the text means, else the nearest folder
// above it that exists; nothing when no level exists.
TEST(BrowseStartFolderTest, TrimsAndFallsBackToTheNearestExistingFolder)
{
    TempFolder temp;
    const std::wstring folder = temp.MakeFolder(L"pick\\inner");
    temp.MakeFile(L"pick\\inner\\photo.tbi");
    const std::wstring missingDrive = [] {
        for (wchar_t d = L'Z'; d >= L'D'; --d)
            if (GetDriveTypeW((std::wstring(1, d) + L":\\").c_str()) == DRIVE_NO_ROOT_DIR)
                return std::wstring(1, d);
        return std::wstring();
    }();
    ASSERT_FALSE(missingDrive.empty());
    const struct {
        std::wstring typed, expected;
    } cases[] = {
        {L"  " + folder + L" \t", folder},
        {folder + L"\\", folder + L"\\"},
        {folder + L"\\not\\made\\yet", folder},
        {folder + L"\\not\\made\\yet\\", folder},
        {folder + L"\\photo.tbi", folder},
        {L"  " + folder + L"\\photo.tbi\\deeper  ", folder},
        {L"C:\\", L"C:\\"},
        {L"C:\\corvane-not-there-" + std::to_wstring(GetTickCount64()), L"C:\\"},
        {missingDrive + L":\\a\\b", L""},
        {L"\\\\no-server\\no-share\\x", L""},
        {L"   ", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BrowseStartFolder(c.typed), c.expected) << Utf8(c.typed);
}

} // namespace
