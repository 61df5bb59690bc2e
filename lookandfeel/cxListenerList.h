// A list of listeners that may be walked while a handler adds or removes entries (itself
// or others, up to freeing them): the walk calls only entries that are still listed and
// were listed when it began, each at most once.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

template <typename T> class TcxListenerList {
public:
    bool Contains(const T* item) const
    {
        return std::any_of(m_items.begin(), m_items.end(), [&](const Entry& e) { return e.item == item; });
    }
    // Appends unless already listed; answers whether it was appended.
    bool Add(T* item)
    {
        if (!item || Contains(item))
            return false;
        m_items.push_back(Entry{item, ++m_serial});
        return true;
    }
    bool Remove(const T* item)
    {
        auto it =
            std::find_if(m_items.begin(), m_items.end(), [&](const Entry& e) { return e.item == item; });
        if (it == m_items.end())
            return false;
        m_items.erase(it);
        return true;
    }
    int Count() const { return static_cast<int>(m_items.size()); }
    bool Empty() const { return m_items.empty(); }
    T* operator[](int index) const { return m_items[static_cast<size_t>(index)].item; }
    void Clear() { m_items.clear(); }

    // Calls fn for the entries listed now, in list order (or from the last to the first).
    template <typename Fn> void ForEach(Fn&& fn, bool backwards = false) const
    {
        std::vector<Entry> snapshot = m_items;
        if (backwards)
            std::reverse(snapshot.begin(), snapshot.end());
        for (const Entry& e : snapshot) {
            // An entry removed (or removed and listed again, or freed and replaced by a
            // new object at the same address) since the walk began is skipped.
            bool live = std::any_of(m_items.begin(), m_items.end(), [&](const Entry& cur) {
                return cur.item == e.item && cur.serial == e.serial;
            });
            if (live)
                fn(e.item);
        }
    }

private:
    struct Entry {
        T* item;
        std::uint64_t serial;
    };
    std::vector<Entry> m_items;
    std::uint64_t m_serial = 0;
};
