// Typed texts of every kind in the four fields, many times over, each on a fresh small fixture
// of real folders: every input ends in a finished run or in an error that the error box can
// show, never in a crash, a hang or a lost file. The seed and the number of inputs are fixed
// for the test run; CORVANE_BATCH_SEED and CORVANE_BATCH_INPUTS set others for long runs.
#include "FakeBatchHost.h"
#include "TempFolder.h"
#include "app/PathRules.h"
#include "runtime/rtExceptions.h"
#include "tests/common/RemoveTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string_view>
#include <thread>

namespace {

// The fixture's folders below its root. Relative texts resolve against the source folder (or
// the listed folder), which lies five levels down, so that ".." has room to climb and still
// stay inside.
constexpr const wchar_t* kFolders[] = {
    L"",
    L"z1",
    L"z1\\z2",
    L"z1\\z2\\z3",
    L"z1\\z2\\z3\\z4",
    L"z1\\z2\\z3\\z4\\src",
    L"z1\\z2\\z3\\z4\\src\\sub",
    L"z1\\z2\\z3\\z4\\out",
    L"out2",
};
constexpr int kSourceDepth = 5;
constexpr wchar_t kSourceFolder[] = L"z1\\z2\\z3\\z4\\src";
constexpr const wchar_t* kFiles[] = {
    L"z1\\z2\\z3\\z4\\src\\p.tbi",      L"z1\\z2\\z3\\z4\\src\\Q.tbi", L"z1\\z2\\z3\\z4\\src\\r.txt",
    L"z1\\z2\\z3\\z4\\src\\s",          L"z1\\z2\\z3\\z4\\src\\t.jpg", L"z1\\z2\\z3\\z4\\src\\😀.tbi",
    L"z1\\z2\\z3\\z4\\src\\sub\\u.tbi", L"z1\\z2\\z3\\z4\\out\\p.jpg",
};

// One typed input for the four fields.
struct Input {
    std::wstring sourceFolder;
    std::wstring sourceSuffix;
    std::wstring newSuffix;
    std::wstring exportFolder;
};

// The text with control characters and anything beyond ASCII written out, for messages.
std::string Shown(const std::wstring& text)
{
    std::string shown = "\"";
    for (wchar_t c : text) {
        if (c >= 32 && c < 127 && c != L'"' && c != L'\\') {
            shown += static_cast<char>(c);
        } else {
            char code[16];
            std::snprintf(code, sizeof code, c == L'\\' ? "\\\\" : c == L'"' ? "\\\"" : "\\u%04X", c);
            shown += code;
        }
    }
    return shown + "\"";
}

std::string Shown(const Input& input)
{
    return "source folder " + Shown(input.sourceFolder) + ", source suffix " + Shown(input.sourceSuffix) +
           ", new suffix " + Shown(input.newSuffix) + ", export folder " + Shown(input.exportFolder);
}

// How one path part can move a path through the folder levels, as the platform reads it:
// "." stays, a name goes down, and a part of dots and blanks may go up (counted as up, so the
// level worked out from it is never deeper than the real one).
int LevelChange(std::wstring_view part)
{
    if (part.empty() || part == L".")
        return 0;
    int dots = 0;
    for (wchar_t c : part) {
        if (c == L'.')
            ++dots;
        else if (c > L' ')
            return 1;
    }
    return dots == 0 ? 0 : -1;
}

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// The shallowest level that the parts of rest can reach from the level start.
int ShallowestLevel(std::wstring_view rest, int start)
{
    int level = start;
    int shallowest = start;
    size_t from = 0;
    while (from <= rest.size()) {
        size_t end = from;
        while (end < rest.size() && !IsSeparator(rest[end]))
            ++end;
        level += LevelChange(rest.substr(from, end - from));
        shallowest = std::min(shallowest, level);
        from = end + 1;
    }
    return shallowest;
}

// Where a path text can lead when the current folder lies at level current of the fixture
// (none when the current folder is not known to lie in it): a network path never reaches a
// local folder; otherwise the shallowest fixture level it can reach, or none when it may lead
// out of the fixture.
struct Reach {
    bool network = false;
    std::optional<int> shallowest;
    bool Safe() const { return network || (shallowest && *shallowest >= 0); }
};

Reach WhereItLeads(std::wstring_view text, std::optional<int> current, const std::wstring& root)
{
    auto underRoot = [](std::wstring_view path, std::wstring_view top) -> Reach {
        if (path.size() < top.size() ||
            !SameFileName(std::wstring(path.substr(0, top.size())), std::wstring(top)))
            return {};
        path.remove_prefix(top.size());
        if (!path.empty() && !IsSeparator(path[0]))
            return {};
        return {false, ShallowestLevel(path, 0)};
    };
    if (text.starts_with(L"\\\\?\\UNC\\"))
        return {true, std::nullopt};
    if (text.starts_with(L"\\\\?\\") || text.starts_with(L"\\\\.\\"))
        return underRoot(text.substr(4), root);
    if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
        // A server name must follow; anything else is no plain network path.
        if (text.size() > 2 && !IsSeparator(text[2]) && text[2] != L'.' && text[2] != L'?')
            return {true, std::nullopt};
        return {};
    }
    if (text.size() >= 2 && text[1] == L':') {
        if (!SameFileName(std::wstring(text.substr(0, 2)), root.substr(0, 2)))
            return {};
        if (text.size() >= 3 && IsSeparator(text[2]))
            return underRoot(text, root);
        if (!current)
            return {};
        return {false, ShallowestLevel(text.substr(2), *current)};
    }
    if (!text.empty() && IsSeparator(text[0]))
        return underRoot(text, std::wstring_view(root).substr(2));
    if (!current)
        return {};
    return {false, ShallowestLevel(text, *current)};
}

// Makes the inputs. A folder text is built from a base (empty, an absolute folder of the
// fixture in several spellings, relative, drive-relative, bracketed, network) and a few parts
// of every kind; it is kept only when no reading of it can lead out of the fixture, because a
// lost file must be found in the fixture and nothing outside it may be touched.
class InputMaker {
public:
    InputMaker(unsigned seed, std::wstring root) : m_random(seed), m_root(std::move(root)) {}

    Input Next()
    {
        Input input;
        // The shallowest level the listed folder can lie at; none when the source folder is a
        // network path, and then the export folder text may not be relative.
        std::optional<int> listed;
        for (;;) {
            // Half of the inputs name the source folder plainly, so that files are moved under
            // the other fields' odd texts.
            input.sourceFolder = OneIn(2) ? PlainSourceText() : MakeFolderText();
            std::wstring typed = TrimText(input.sourceFolder);
            if (typed.empty()) {
                listed = kSourceDepth;
                break;
            }
            // A bracketed text names the folder between the brackets.
            if (typed.size() >= 2 && typed.front() == L'[' && typed.back() == L']')
                typed = typed.substr(1, typed.size() - 2);
            const Reach reach = WhereItLeads(typed, kSourceDepth, m_root);
            if (reach.Safe()) {
                listed = reach.shallowest;
                break;
            }
        }
        input.sourceSuffix = Decorated(MakeSourceSuffix());
        for (;;) {
            input.exportFolder = MakeFolderText();
            input.newSuffix = MakeNewSuffix();
            // The run forces the export folder and moves to it + "\" + base name + new suffix.
            const std::wstring forced = TrimText(input.exportFolder);
            const std::wstring target = TrimText(forced + L"\\p" + TrimText(input.newSuffix));
            if (forced.empty() ||
                (WhereItLeads(forced, listed, m_root).Safe() && WhereItLeads(target, listed, m_root).Safe()))
                break;
        }
        return input;
    }

private:
    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }
    bool OneIn(size_t n) { return Below(n) == 0; }
    template <size_t N> std::wstring PickFrom(const wchar_t* const (&texts)[N]) { return texts[Below(N)]; }

    // Blanks, tabs and control characters around a text, which the run trims away.
    std::wstring Decorated(std::wstring text)
    {
        static constexpr const wchar_t* kPadding[] = {L" ", L"  ", L"\t", L" \t ", L"\x01", L"\x1f "};
        if (OneIn(6))
            text = PickFrom(kPadding) + text;
        if (OneIn(6))
            text += PickFrom(kPadding);
        return text;
    }

    std::wstring Junk()
    {
        static constexpr wchar_t kChars[] = L"abcXYZ019 .-_*?;<>|\"~#%&'()[]{}+,=@^`\t\x01\x7f";
        std::wstring text;
        const size_t length = 1 + Below(8);
        for (size_t i = 0; i < length; ++i) {
            if (OneIn(10))
                text += L"😀";
            else
                text += kChars[Below(std::size(kChars) - 1)];
        }
        return text;
    }

    // One path part: names of every kind, dots, patterns and lists, device names, invalid
    // characters, very long names and names outside the basic plane.
    std::wstring Part(bool first)
    {
        static constexpr const wchar_t* kParts[] = {
            L"sub",     L"out",    L"new",   L"x y",  L"😀",      L"图片", L"𠀀z",   L"src",   L"z4",
            L"p.tbi",   L"Q.TBI",  L"r.txt", L"s",    L"CON",    L"nul",  L"AUX",   L"COM1",  L"LPT1",
            L"con.txt", L"PRN ",   L"new.",  L"new ", L"new. .", L"*",    L"s?b",   L"*.tbi", L"*.tbi;*.txt",
            L";",       L"*.tbi;", L"a;b",   L"<",    L">",      L"|",    L"\"q\"", L"a\tb",  L"\x01",
            L".",       L"..",     L"..",    L"..",   L"...",    L". .",  L".. ",   L" ..",
        };
        static constexpr const wchar_t* kColonParts[] = {L"a:b", L":", L"p.tbi:x", L"new:"};
        switch (Below(10)) {
        case 0: return Junk();
        case 1: return std::wstring(OneIn(2) ? 300 : 120, L'n');
        case 2:
            if (!first)
                return PickFrom(kColonParts);
            [[fallthrough]];
        default: return PickFrom(kParts);
        }
    }

    // A few parts, each after a "\", "/" or doubled "\" unless it starts a relative text.
    std::wstring Parts(size_t count, bool startsRelative)
    {
        static constexpr const wchar_t* kSeparators[] = {L"\\", L"\\", L"\\", L"/", L"\\\\"};
        std::wstring parts;
        for (size_t i = 0; i < count; ++i) {
            const bool first = startsRelative && i == 0;
            if (!first)
                parts += PickFrom(kSeparators);
            parts += Part(first);
        }
        if (OneIn(5))
            parts += L"\\";
        return parts;
    }

    std::wstring MakeFolderText()
    {
        static constexpr const wchar_t* kEmpty[] = {L"", L"   ", L"\t"};
        static constexpr const wchar_t* kNetwork[] = {
            L"\\\\srv\\share", L"\\\\srv", L"\\\\?\\UNC\\srv\\share", L"\\\\srv\\😀", L"//srv/share"};
        const std::wstring base = PickFrom(kFolders);
        const std::wstring absolute = base.empty() ? m_root : m_root + L"\\" + base;
        std::wstring text;
        switch (Below(11)) {
        case 0: return PickFrom(kEmpty);
        case 1:
        case 2: text = absolute + Parts(Below(4), false); break;
        case 3: // rooted on the current drive
            text = absolute.substr(2) + Parts(Below(4), false);
            break;
        case 4: // the long-path and device spellings of an absolute folder
            text = (OneIn(2) ? L"\\\\?\\" : L"\\\\.\\") + absolute + Parts(Below(4), false);
            break;
        case 5:
        case 6: text = Parts(1 + Below(4), true); break;
        case 7: // drive-relative, on the fixture's own drive
            text = m_root.substr(0, 2) + (OneIn(4) ? std::wstring() : Parts(1 + Below(4), true));
            break;
        case 8: text = L"[" + Parts(1 + Below(3), true) + L"]"; break;
        case 9: text = PickFrom(kNetwork) + Parts(Below(3), false); break;
        default: // a long text of many parts
            text = absolute + Parts(Below(3), false);
            while (text.size() < 300)
                text += L"\\sub\\..";
            break;
        }
        return Decorated(text);
    }

    std::wstring PlainSourceText()
    {
        const std::wstring source = m_root + L"\\" + kSourceFolder;
        const std::wstring texts[] = {
            source,
            source + L"\\",
            L"",
            m_root.substr(0, 2),
            L".",
            L"..\\src",
            source + L"\\*.tbi;*.txt",
            source + L"\\p.tbi",
            L"[.]",
        };
        return Decorated(texts[Below(std::size(texts))]);
    }

    std::wstring MakeSourceSuffix()
    {
        if (OneIn(2))
            return L".tbi";
        static constexpr const wchar_t* kSuffixes[] = {
            L".tbi", L".tbi", L".tbi", L".TBI", L"tbi",       L"",   L"  ",  L".txt", L".",
            L"..",   L"*",    L".t?i", L";",    L".tbi;.txt", L".😀", L"CON", L".jpg",
        };
        switch (Below(8)) {
        case 0: return Junk();
        case 1: return std::wstring(300, L'x');
        default: return PickFrom(kSuffixes);
        }
    }

    std::wstring MakeNewSuffix()
    {
        static constexpr const wchar_t* kSuffixes[] = {
            L".jpg",
            L".jpg",
            L".jpg",
            L"",
            L"jpg",
            L".",
            L"..",
            L"...",
            L" . ",
            L".tbi",
            L".TBI",
            L"*",
            L"?",
            L"<",
            L"|",
            L"\"",
            L":x",
            L".jpg:x",
            L".CON",
            L"\\CON",
            L"\\..\\NUL",
            L".jpg\\..\\..\\AUX",
            L"\\..\\x.jpg",
            L"\\sub",
            L"/x",
            L"\\\\srv",
            L"😀",
            L".图片",
            L"\\..\\..\\..\\z.jpg",
            L";.jpg",
            L"a\tb",
            L"\\..",
            L"\\..\\p.tbi",
            L"\\.\\COM1",
            L"\\..\\con.jpg",
            L"\\..\\src\\Q.tbi",
        };
        switch (Below(8)) {
        case 0: return Decorated(Junk());
        case 1: return std::wstring(300, L'y');
        case 2: return Decorated(PickFrom(kSuffixes) + PickFrom(kSuffixes));
        default: return Decorated(PickFrom(kSuffixes));
        }
    }

    std::mt19937 m_random;
    std::wstring m_root;
};

// The input being run, for the crash report below; a crash ends the program before any
// test output could name it.
char g_crashInput[4096];

LONG WINAPI ReportCrashInput(EXCEPTION_POINTERS* info)
{
    std::fprintf(stderr, "crash (exception 0x%08lx) for %s\n", info->ExceptionRecord->ExceptionCode,
                 g_crashInput);
    std::fflush(stderr);
    // Ends the program at once, without waiting on a debugger that nobody will attach.
    return EXCEPTION_EXECUTE_HANDLER;
}

// Ends the test program with the input that hangs, when one input takes longer than the
// bound; a hang would otherwise only show as the test runner's time-out, without the input.
class HangWatch {
public:
    explicit HangWatch(DWORD boundMs)
        : m_beat(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          m_thread([this, boundMs](std::stop_token stop) {
              try {
                  while (!stop.stop_requested()) {
                      if (WaitForSingleObject(m_beat, boundMs) == WAIT_TIMEOUT && !stop.stop_requested()) {
                          std::lock_guard<std::mutex> lock(m_mutex);
                          std::fprintf(stderr, "hang: no end after %lu ms for input %s\n", boundMs,
                                       m_current.c_str());
                          std::fflush(stderr);
                          TerminateProcess(GetCurrentProcess(), 3);
                      }
                  }
              } catch (...) {
                  TerminateProcess(GetCurrentProcess(), 4);
              }
          })
    {
    }
    HangWatch(const HangWatch&) = delete;
    HangWatch& operator=(const HangWatch&) = delete;
    ~HangWatch()
    {
        m_thread.request_stop();
        SetEvent(m_beat);
        m_thread.join();
        CloseHandle(m_beat);
    }

    void Beat(const std::string& current)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_current = current;
        }
        SetEvent(m_beat);
    }

private:
    HANDLE m_beat;
    std::mutex m_mutex;
    std::string m_current;
    std::jthread m_thread;
};

unsigned EnvironmentNumber(const wchar_t* name, unsigned fallback)
{
    wchar_t text[32];
    const DWORD n = GetEnvironmentVariableW(name, text, static_cast<DWORD>(std::size(text)));
    if (n == 0 || n >= std::size(text))
        return fallback;
    return static_cast<unsigned>(std::wcstoul(text, nullptr, 10));
}

// Every file's content in and below folder, each as often as it occurs.
void CollectContents(const std::wstring& folder, std::multiset<std::string>& contents)
{
    for (const std::wstring& name : NamesIn(folder)) {
        const std::wstring path = folder + L"\\" + name;
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            CollectContents(path, contents);
        else
            contents.insert(ReadFileContent(path));
    }
}

// The messages the error box may show for a run that ends early.
bool IsRunError(const std::wstring& message, const Input& input)
{
    static constexpr const wchar_t* kMessages[] = {
        L"Unable to create directory", L"File not found",     L"Invalid filename",
        L"Too many open files",        L"File access denied",
    };
    for (const wchar_t* m : kMessages) {
        if (message == m)
            return true;
    }
    if (message.starts_with(L"I/O error ") && message.size() > 10 &&
        message.find_first_not_of(L"0123456789", 10) == std::wstring::npos)
        return true;
    return message == L"Invalid file name - " + TrimText(input.sourceFolder);
}

TEST(BatchRunInputTest, EveryTypedInputFinishesOrReportsAndLosesNoFile)
{
    const unsigned seed = EnvironmentNumber(L"CORVANE_BATCH_SEED", 20261210);
    const unsigned inputs = EnvironmentNumber(L"CORVANE_BATCH_INPUTS", 300);
    TempFolder temp;
    const std::wstring rootName = L"fx";
    const std::wstring root = temp / rootName;
    InputMaker maker(seed, root);
    HangWatch watch(60000);
    const LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = SetUnhandledExceptionFilter(ReportCrashInput);
    std::map<std::string, int> outcomes;

    for (unsigned i = 0; i < inputs; ++i) {
        const Input input = maker.Next();
        const std::string shown =
            "input " + std::to_string(i) + " of seed " + std::to_string(seed) + ": " + Shown(input);
        SCOPED_TRACE(shown);
        watch.Beat(shown);
        std::snprintf(g_crashInput, sizeof g_crashInput, "%s", shown.c_str());

        std::vector<std::string> originals;
        temp.MakeFolder(rootName);
        for (const wchar_t* f : kFolders) {
            if (f[0])
                temp.MakeFolder(rootName + L"\\" + f);
        }
        for (const wchar_t* f : kFiles) {
            temp.MakeFile(rootName + L"\\" + f);
            originals.push_back(Utf8(rootName + L"\\" + f));
        }
        ASSERT_TRUE(SetCurrentDirectoryW((root + L"\\" + kSourceFolder).c_str()));

        FakeHost host;
        host.sourceFolder = input.sourceFolder;
        host.sourceSuffix = input.sourceSuffix;
        host.newSuffix = input.newSuffix;
        host.exportFolder = input.exportFolder;
        host.answer = false;
        try {
            TBatchRun(host).Execute();
            // A finished run ends with its closing text, the bar at 0 and the closing question.
            EXPECT_FALSE(host.statuses.empty());
            if (!host.statuses.empty()) {
                EXPECT_EQ(host.statuses.back(), L"处理完毕！ ");
            }
            EXPECT_FALSE(host.positions.empty());
            if (!host.positions.empty()) {
                EXPECT_EQ(host.positions.back(), 0);
            }
            EXPECT_EQ(host.questions.size(), 1u);
            ++outcomes[host.statuses.size() > 1 ? "finished, files tried" : "finished, nothing matched"];
        } catch (const Exception& e) {
            EXPECT_TRUE(IsRunError(e.Message(), input)) << Utf8(e.Message());
            ++outcomes["error: " + Utf8(e.Message()).substr(0, 26)];
        } catch (const std::exception& e) {
            ADD_FAILURE() << "not an error the program reports: " << e.what();
        }

        SetCurrentDirectoryW(temp.Path().c_str());
        std::multiset<std::string> contents;
        CollectContents(root, contents);
        for (const std::string& content : originals)
            EXPECT_GE(contents.count(content), 1u) << "lost: " << content;
        EXPECT_EQ(NamesIn(temp.Path()), Texts{rootName}) << "something was made outside the fixture";
        RemoveTree(root);
        if (HasFailure())
            break;
    }
    SetUnhandledExceptionFilter(previousFilter);
    for (const auto& [outcome, count] : outcomes)
        std::printf("  %4d  %s\n", count, outcome.c_str());
}

} // namespace
