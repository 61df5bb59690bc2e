#include "rtExceptions.h"

#include <windows.h>

const char* Exception::what() const noexcept
{
    try {
        if (m_narrow.empty())
            m_narrow = ToUtf8(m_message);
        return m_narrow.c_str();
    } catch (...) {
        return "Exception";
    }
}

std::wstring InOutErrorMessage(std::uint32_t errorCode)
{
    switch (errorCode) {
    case 2: return L"File not found";
    case 3: return L"Invalid filename";
    case 4: return L"Too many open files";
    case 5: return L"File access denied";
    default: return L"I/O error " + std::to_wstring(errorCode);
    }
}

EInOutError::EInOutError(std::uint32_t errorCode)
    : Exception(InOutErrorMessage(errorCode)), m_errorCode(errorCode)
{
}

void Abort()
{
    throw EAbort();
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}
