#pragma once
// The exception classes of the class library and the texts they carry.
#include <exception>
#include <string>

namespace kova {

// printf-style formatting into a byte string (Shift_JIS text stays as it is).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

// The silent exception: ends an event without a message.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidOperation : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };
class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };

class EFOpenError : public EStreamError {
public:
    explicit EFOpenError(const std::string& fileName);
};

class EFCreateError : public EStreamError {
public:
    explicit EFCreateError(const std::string& fileName);
};

class EListError : public Exception {
public:
    explicit EListError(int index);
};

// Raises EAbort.
[[noreturn]] void Abort();

}  // namespace kova
