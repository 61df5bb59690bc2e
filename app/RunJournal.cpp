#include "RunJournal.h"

#include "PathRules.h"

#include "runtime/rtExceptions.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr char kHeader[] = "record\tsource\ttarget\tmove\tbackup\tundo";
// Outcome fields are this wide, padded with blanks, so that they can be overwritten in place.
constexpr size_t kFieldWidth = 10;
constexpr char kNewLine[] = "\r\n";

struct TUndoMarkText {
    TUndoMark mark;
    const char* text;
};
constexpr TUndoMarkText kUndoMarks[] = {
    {TUndoMark::None, "-"},          {TUndoMark::Returned, "returned"},
    {TUndoMark::Removed, "removed"}, {TUndoMark::Conflict, "conflict"},
    {TUndoMark::Nothing, "nothing"}, {TUndoMark::Missing, "missing"},
};

std::string Padded(std::string text)
{
    text.resize(kFieldWidth, ' ');
    return text;
}

std::string OutcomeText(const TStepOutcome& outcome)
{
    switch (outcome.state) {
    case TStepOutcome::Pending: return "pending";
    case TStepOutcome::Done: return "done";
    case TStepOutcome::Failed: return std::to_string(outcome.code);
    case TStepOutcome::None: break;
    }
    return "-";
}

std::optional<TStepOutcome> ParseOutcome(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text == "pending")
        return TStepOutcome{TStepOutcome::Pending, 0};
    if (text == "done")
        return TStepOutcome{TStepOutcome::Done, 0};
    if (text == "-")
        return TStepOutcome{TStepOutcome::None, 0};
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const unsigned long long code = std::stoull(text);
    if (code > 0xFFFFFFFFull)
        return std::nullopt;
    return TStepOutcome{TStepOutcome::Failed, static_cast<DWORD>(code)};
}

const char* UndoMarkText(TUndoMark mark)
{
    for (const TUndoMarkText& m : kUndoMarks)
        if (m.mark == mark)
            return m.text;
    return "-";
}

std::optional<TUndoMark> ParseUndoMark(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    for (const TUndoMarkText& m : kUndoMarks)
        if (text == m.text)
            return m.mark;
    return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The value of count hexadecimal digits at text[at], or -1.
long HexValue(const std::string& text, size_t at, size_t count)
{
    if (at + count > text.size())
        return -1;
    long value = 0;
    for (size_t i = 0; i < count; ++i) {
        const int d = HexDigit(text[at + i]);
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

void AppendWide(std::wstring& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<wchar_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    }
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return parts;
        start = tab + 1;
    }
}

HANDLE OpenForUpdate(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Moves the file pointer and writes: on the platform we test on, a write that carries its
// offset in an OVERLAPPED costs ten times a move of the pointer and a plain write. Callers hold
// the handle alone (the journal's lock).
bool WriteAtOffset(HANDLE file, uint64_t offset, const std::string& bytes)
{
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) &&
           WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::wstring JournalName(const SYSTEMTIME& t, int sequence)
{
    wchar_t name[64];
    // "_" sorts after ".", so a second journal of the same millisecond sorts after the first.
    if (sequence == 0)
        swprintf(name, 64, L"%04u%02u%02u-%02u%02u%02u-%03u.tsv", t.wYear, t.wMonth, t.wDay, t.wHour,
                 t.wMinute, t.wSecond, t.wMilliseconds);
    else
        swprintf(name, 64, L"%04u%02u%02u-%02u%02u%02u-%03u_%02d.tsv", t.wYear, t.wMonth, t.wDay, t.wHour,
                 t.wMinute, t.wSecond, t.wMilliseconds, sequence);
    return name;
}

bool MakeFolder(const std::wstring& folder)
{
    try {
        return ForceDirectories(folder) && DirectoryExists(folder);
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

std::string EncodeJournalText(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        char escape[8];
        if (c < 0x20 || c == L'%') {
            snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned>(c));
            out += escape;
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            snprintf(escape, sizeof escape, "%%u%04X", static_cast<unsigned>(c));
            out += escape;
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::wstring DecodeJournalText(const std::string& text)
{
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '%') {
            if (i + 1 < text.size() && text[i + 1] == 'u') {
                const long v = HexValue(text, i + 2, 4);
                if (v >= 0) {
                    out += static_cast<wchar_t>(v);
                    i += 6;
                    continue;
                }
            }
            const long v = HexValue(text, i + 1, 2);
            if (v >= 0) {
                out += static_cast<wchar_t>(v);
                i += 3;
                continue;
            }
            out += L'%';
            ++i;
            continue;
        }
        int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) {
            out += L'\xFFFD';
            ++i;
            continue;
        }
        char32_t value = length == 1 ? c : c & (0x7F >> length);
        bool valid = true;
        for (int k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            valid = valid && (next & 0xC0) == 0x80;
            value = (value << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += L'\xFFFD';
            ++i;
            continue;
        }
        AppendWide(out, value);
        i += length;
    }
    return out;
}

std::wstring DefaultJournalFolder()
{
    std::wstring base(32768, L'\0');
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", base.data(), static_cast<DWORD>(base.size()));
    if (n > 0 && n < base.size()) {
        base.resize(n);
    } else {
        base.clear();
        PWSTR known = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known)) && known)
            base = known;
        CoTaskMemFree(known);
    }
    while (!base.empty() && base.back() == L'\\')
        base.pop_back();
    return base.empty() ? std::wstring() : base + L"\\Corvane\\runs";
}

TRunJournal::TRunJournal(const std::wstring& folder, const TRunFields& fields)
{
    if (folder.empty() || !MakeFolder(folder)) {
        m_failed = true;
        return;
    }
    SYSTEMTIME now;
    GetSystemTime(&now);
    for (int sequence = 0; sequence < 100 && m_file == INVALID_HANDLE_VALUE; ++sequence) {
        const std::wstring path = folder + L"\\" + JournalName(now, sequence);
        // No write-through to the disk: a record handed to the platform survives the
        // process being killed, and flushing each one would cost more than the move itself.
        m_file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_file != INVALID_HANDLE_VALUE)
            m_path = path;
        else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (m_file == INVALID_HANDLE_VALUE) {
        m_failed = true;
        return;
    }
    std::string head = std::string(kHeader) + kNewLine;
    head += "fields\t" + EncodeJournalText(fields.sourceFolder) + "\t" +
            EncodeJournalText(fields.exportFolder) + "\t" + EncodeJournalText(fields.sourceSuffix) + "\t" +
            EncodeJournalText(fields.newSuffix) + kNewLine;
    std::lock_guard guard(m_lock);
    Append(head);
}

TRunJournal::~TRunJournal()
{
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
}

bool TRunJournal::Kept() const noexcept
{
    std::lock_guard guard(m_lock);
    return !m_failed;
}

bool TRunJournal::WriteAt(uint64_t offset, const std::string& bytes)
{
    if (m_failed || m_file == INVALID_HANDLE_VALUE)
        return false;
    if (!WriteAtOffset(m_file, offset, bytes))
        m_failed = true;
    return !m_failed;
}

std::optional<uint64_t> TRunJournal::Append(const std::string& line)
{
    if (!WriteAt(m_size, line))
        return std::nullopt;
    const uint64_t start = m_size;
    m_size += line.size();
    return start;
}

TRunJournal::TRecordId TRunJournal::AppendRecord(const std::string& prefix, const std::string& line)
{
    std::lock_guard guard(m_lock);
    const std::optional<uint64_t> start = Append(line);
    m_fieldOffsets.push_back(start ? *start + prefix.size() : UINT64_MAX);
    return m_fieldOffsets.size() - 1;
}

TRunJournal::TRecordId TRunJournal::BeginEntry(const std::wstring& source, const std::wstring& target)
{
    const std::string prefix =
        "entry\t" + EncodeJournalText(source) + "\t" + EncodeJournalText(target) + "\t";
    const std::string pending = Padded("pending");
    return AppendRecord(prefix, prefix + pending + "\t" + pending + "\t" + Padded("-") + kNewLine);
}

TRunJournal::TRecordId TRunJournal::BeginFolder(const std::wstring& folder)
{
    const std::string prefix = "folder\t\t" + EncodeJournalText(folder) + "\t";
    return AppendRecord(prefix,
                        prefix + Padded("pending") + "\t" + Padded("-") + "\t" + Padded("-") + kNewLine);
}

void TRunJournal::WriteField(TRecordId record, int field, const TStepOutcome& outcome)
{
    std::lock_guard guard(m_lock);
    if (record >= m_fieldOffsets.size() || m_fieldOffsets[record] == UINT64_MAX)
        return;
    WriteAt(m_fieldOffsets[record] + field * (kFieldWidth + 1), Padded(OutcomeText(outcome)));
}

void TRunJournal::SetMove(TRecordId record, std::optional<DWORD> error)
{
    WriteField(record, 0, TStepOutcome::Of(error));
}

void TRunJournal::SetBackup(TRecordId record, std::optional<DWORD> error)
{
    WriteField(record, 1, TStepOutcome::Of(error));
}

void TRunJournal::SetFolderMade(TRecordId record, std::optional<DWORD> error)
{
    WriteField(record, 0, TStepOutcome::Of(error));
}

void TRunJournal::End(const TRunCounts& counts, const std::wstring& stoppedBy)
{
    std::string line = "end\tmatching " + std::to_string(counts.matching) + "\tmoved " +
                       std::to_string(counts.moved) + "\tbacked up " + std::to_string(counts.backedUp) +
                       "\tfailed " + std::to_string(counts.failed);
    if (!stoppedBy.empty())
        line += "\tstopped: " + EncodeJournalText(stoppedBy);
    line += kNewLine;
    std::lock_guard guard(m_lock);
    Append(line);
}

std::optional<TJournalContents> ReadJournal(const std::wstring& path)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr) != FALSE) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    if (!ok)
        return std::nullopt;

    TJournalContents contents;
    size_t start = 0;
    bool first = true;
    // Only whole lines count: a line cut short by a kill is one whose step never began.
    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (first) {
            if (line != kHeader)
                return std::nullopt;
            first = false;
            continue;
        }
        const std::vector<std::string> parts = SplitTabs(line);
        const std::string& kind = parts[0];
        if (kind == "fields" && parts.size() >= 5) {
            contents.fields = {DecodeJournalText(parts[1]), DecodeJournalText(parts[3]),
                               DecodeJournalText(parts[4]), DecodeJournalText(parts[2])};
        } else if ((kind == "entry" || kind == "folder") && parts.size() == 6) {
            const auto move = ParseOutcome(parts[3]);
            const auto backup = ParseOutcome(parts[4]);
            const auto undo = ParseUndoMark(parts[5]);
            if (!move || !backup || !undo)
                continue;
            TJournalRecord record;
            record.kind = kind == "entry" ? TJournalRecord::Entry : TJournalRecord::Folder;
            record.source = DecodeJournalText(parts[1]);
            record.target = DecodeJournalText(parts[2]);
            record.move = *move;
            record.backup = *backup;
            record.undo = *undo;
            record.undoOffset = start + parts[0].size() + parts[1].size() + parts[2].size() +
                                parts[3].size() + parts[4].size() + 5;
            contents.records.push_back(std::move(record));
        } else if (kind == "end") {
            contents.ended = true;
        } else if (kind == "undone") {
            contents.undone = true;
        }
    }
    if (first)
        return std::nullopt;
    return contents;
}

void WriteUndoMark(const std::wstring& path, const TJournalRecord& record, TUndoMark mark)
{
    HANDLE file = OpenForUpdate(path);
    if (file == INVALID_HANDLE_VALUE)
        throw EInOutError(GetLastError());
    const bool written = WriteAtOffset(file, record.undoOffset, Padded(UndoMarkText(mark)));
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!written)
        throw EInOutError(error);
}

void AppendUndoneRecord(const std::wstring& path, int returned, int conflicts)
{
    HANDLE file = OpenForUpdate(path);
    if (file == INVALID_HANDLE_VALUE)
        throw EInOutError(GetLastError());
    LARGE_INTEGER size{};
    bool written = GetFileSizeEx(file, &size) != FALSE;
    const std::string line = "undone\treturned " + std::to_string(returned) + "\tconflicts " +
                             std::to_string(conflicts) + kNewLine;
    written = written && WriteAtOffset(file, static_cast<uint64_t>(size.QuadPart), line);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!written)
        throw EInOutError(error);
}

std::vector<std::wstring> JournalFiles(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.tsv").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    for (std::wstring& name : names)
        name = folder + L"\\" + name;
    return names;
}
