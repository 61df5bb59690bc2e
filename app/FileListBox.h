// The listing of a source folder that the batch run walks: the files of one folder that
// match a mask and an attribute filter, in the order of the platform's sorted list (names
// compared without regard to case under the user's locale). It is a plain data structure;
// nothing of it is ever shown.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

enum class TFileAttr { ftReadOnly, ftHidden, ftSystem, ftVolumeID, ftDirectory, ftArchive, ftNormal };

// A set of TFileAttr values.
class TFileType {
public:
    constexpr TFileType() = default;
    constexpr TFileType(std::initializer_list<TFileAttr> attrs)
    {
        for (TFileAttr a : attrs)
            m_bits |= Bit(a);
    }
    constexpr bool Contains(TFileAttr a) const { return (m_bits & Bit(a)) != 0; }
    constexpr bool operator==(const TFileType&) const = default;

private:
    static constexpr unsigned Bit(TFileAttr a) { return 1u << static_cast<unsigned>(a); }
    unsigned m_bits = 0;
};

// Told when a folder read grows long enough to deserve the hourglass. Restore puts back
// the cursor that was there before; it is called only after ShowBusy.
class IBusyCursor {
public:
    virtual void ShowBusy() = 0;
    virtual void Restore() = 0;

protected:
    ~IBusyCursor() = default;
};

// The platform's wait cursor. No messages are handled during a read, so the cursor set here
// stays until Restore.
class SystemBusyCursor final : public IBusyCursor {
public:
    void ShowBusy() override;
    void Restore() override;

private:
    void* m_previous = nullptr; // HCURSOR, kept opaque so this header needs no platform headers
};

// The entries of a listing, their texts kept end to end in one buffer: a folder of 100,000
// files costs a few allocations instead of one per name.
class TFileListEntries {
public:
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = std::wstring_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::wstring_view;

        const_iterator(const TFileListEntries* entries, size_t index) : m_entries(entries), m_index(index) {}
        std::wstring_view operator*() const { return (*m_entries)[m_index]; }
        const_iterator& operator++()
        {
            ++m_index;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator old = *this;
            ++m_index;
            return old;
        }
        bool operator==(const const_iterator& other) const noexcept { return m_index == other.m_index; }

    private:
        const TFileListEntries* m_entries;
        size_t m_index;
    };

    size_t size() const noexcept { return m_starts.size() - 1; }
    bool empty() const noexcept { return size() == 0; }
    std::wstring_view operator[](size_t i) const noexcept
    {
        return std::wstring_view(m_text).substr(m_starts[i], m_starts[i + 1] - m_starts[i]);
    }
    const_iterator begin() const noexcept { return {this, 0}; }
    const_iterator end() const noexcept { return {this, size()}; }

    void clear() noexcept
    {
        m_text.clear();
        m_starts.assign(1, 0);
    }
    void reserve(size_t entries, size_t characters)
    {
        m_starts.reserve(entries + 1);
        m_text.reserve(characters);
    }
    void push_back(std::wstring_view text)
    {
        m_text.append(text);
        m_starts.push_back(m_text.size());
    }

private:
    std::wstring m_text;
    std::vector<size_t> m_starts{0}; // one past the end of each entry, after the start of the first
};

class TFileListBox {
public:
    // Starts at the process's current folder, mask "*.*" and [ftNormal]; the entries are read
    // when first asked for. busyCursor may be null (no cursor feedback).
    explicit TFileListBox(IBusyCursor* busyCursor = nullptr);

    const std::wstring& Folder() const noexcept { return m_folder; }
    // Takes folder relative to the present Folder; raises EInOutError when it cannot be made
    // current. Afterwards the process's current folder is Folder.
    void SetFolder(const std::wstring& folder);

    const std::wstring& Mask() const noexcept { return m_mask; }
    // One or more patterns separated by ";".
    void SetMask(const std::wstring& mask);

    TFileType FileType() const noexcept { return m_fileType; }
    void SetFileType(TFileType fileType);

    const TFileListEntries& Items();
    int Count();

    // -1 when no entry is selected.
    int ItemIndex();
    // Selects entry index; an index outside the entries selects none.
    void SetItemIndex(int index);

    // Folder + "\" + the selected entry ("\" left out after a drive root); empty when no
    // entry is selected.
    std::wstring SelectedFilePath() const;

    // Turns a typed (already trimmed) text into Folder and possibly Mask: a folder, a drive,
    // a share path, a folder with patterns, or an existing file (which is then selected).
    void ApplyTypedPath(const std::wstring& text);

private:
    void EnsureRead();
    void ReadEntries();

    IBusyCursor* m_busyCursor;
    std::wstring m_folder;
    std::wstring m_mask = L"*.*";
    TFileType m_fileType{TFileAttr::ftNormal};
    TFileListEntries m_items;
    int m_itemIndex = -1;
    bool m_read = false;
};
