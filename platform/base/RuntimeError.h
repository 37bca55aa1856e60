#pragma once

#include <cstdint>
#include <exception>
#include <string>

// A numbered failure: number, description and source travel together.
struct ErrorRecord {
    std::int32_t number = 0;
    std::string description;
    std::string source;
};

// A failure raised to the caller of the operation that met it.
class RuntimeError : public std::exception {
public:
    explicit RuntimeError(ErrorRecord record);
    const ErrorRecord& record() const { return m_record; }
    std::int32_t number() const { return m_record.number; }
    const std::string& description() const { return m_record.description; }
    const std::string& source() const { return m_record.source; }
    const char* what() const noexcept override { return m_record.description.c_str(); }

private:
    ErrorRecord m_record;
};

constexpr std::int32_t kOverflowError = 6;
constexpr const char* kOverflowDescription = "Overflow";
constexpr std::int32_t kOutOfMemoryError = 7;
constexpr std::int32_t kInternalError = 51;

[[noreturn]] void raiseError(std::int32_t number, std::string description, std::string source);
[[noreturn]] void raiseError(ErrorRecord record);
// Raises the same error again with a new source, keeping number and description.
[[noreturn]] void reraiseWithSource(const RuntimeError& error, std::string source);
// A failure of the C++ library (out of memory, a bad length) as a numbered error, so that it
// reaches the log like any other instead of ending the program.
ErrorRecord errorFromException(const std::exception& failure, std::string source);

// counter += amount, or the overflow error (6) with the given source when the
// result would leave the signed 32-bit range; the counter is then unchanged.
void addChecked(std::int32_t& counter, std::int64_t amount, const std::string& source);
