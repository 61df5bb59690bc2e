// What a library control answers when asked for its window text from outside (a screen
// reader): the text it shows, which the control keeps itself rather than in the window.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

// Answers WM_GETTEXT: copies text into the caller's buffer of size characters.
inline LRESULT CopyWindowText(const std::wstring& text, WPARAM size, LPARAM buffer)
{
    if (size == 0 || buffer == 0)
        return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    auto* out = reinterpret_cast<wchar_t*>(buffer);
    std::copy_n(text.data(), n, out);
    out[n] = L'\0';
    return static_cast<LRESULT>(n);
}
