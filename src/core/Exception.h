#pragma once
#include <exception>
#include <string>

namespace cs {

// Every run-time failure of the program is one of these. They are not caught where they arise:
// the framework catches them at the edge of each message, timer and menu dispatch and hands them
// to the application's default error handler, which shows Message().
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : m_message(std::move(message)) {}
    const std::string& Message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

// Text that is not a number, values that form no real date or time.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A registry key or value that cannot be opened, written or read.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

}  // namespace cs
