// Accelerator letters of captions: "&x" marks x, "&&" is a plain ampersand.
#pragma once

#include <windows.h>

#include <string>

// Whether key (any case) is the letter the caption marks with an ampersand.
inline bool IsAccelerator(wchar_t key, const std::wstring& caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&')
            continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        wchar_t a[2] = {key, 0}, b[2] = {caption[i + 1], 0};
        CharUpperW(a);
        CharUpperW(b);
        return a[0] == b[0];
    }
    return false;
}

// The caption as read and as drawn when turned: accelerator marks removed ("&&" stays one "&").
inline std::wstring WithoutAccelMarks(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        else if (text[i] == L'&')
            continue;
        out += text[i];
    }
    return out;
}
