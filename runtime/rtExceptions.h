// The library's exception classes. Errors that escape an event handler end in the
// application's error box; EAbort is the silent one that the box never shows.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message) : m_message(std::move(message)) {}
    const std::wstring& Message() const noexcept { return m_message; }
    // UTF-8 copy for code that only knows std::exception.
    const char* what() const noexcept override;

private:
    std::wstring m_message;
    mutable std::string m_narrow;
};

// Ends the current operation without any message.
class EAbort : public Exception {
public:
    EAbort() : Exception(L"Operation aborted") {}
};

// A file-system failure, carrying the platform's error code.
class EInOutError : public Exception {
public:
    explicit EInOutError(std::uint32_t errorCode);
    std::uint32_t ErrorCode() const noexcept { return m_errorCode; }

private:
    std::uint32_t m_errorCode;
};

class EInvalidCast : public Exception {
public:
    EInvalidCast() : Exception(L"Invalid class typecast") {}
};

class EConvertError : public Exception {
    using Exception::Exception;
};

class EInvalidOperation : public Exception {
    using Exception::Exception;
};

// Raised when a stored form description cannot be read.
class EReadError : public Exception {
    using Exception::Exception;
};

[[noreturn]] void Abort();

// The message of an input/output error for a platform error code.
std::wstring InOutErrorMessage(std::uint32_t errorCode);

// Converts wide text to UTF-8 and back (for messages and test output).
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
