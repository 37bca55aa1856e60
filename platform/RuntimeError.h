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

// The program's one current-error record: the last error raised or recorded.
ErrorRecord& currentError();

// Thrown by raiseError; carries a copy of the record it was raised from.
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

// Fills the current-error record without raising.
void setError(std::int32_t number, std::string description, std::string source);
// Fills the current-error record and throws it.
[[noreturn]] void raiseError(std::int32_t number, std::string description, std::string source);
// Throws the current-error record as it stands.
[[noreturn]] void raiseCurrentError();
// Raises the same error again with a new source, keeping number and description.
[[noreturn]] void reraiseWithSource(const RuntimeError& error, std::string source);

// counter += amount, or the overflow error (6) with the given source when the
// result would leave the signed 32-bit range; the counter is then unchanged.
void addChecked(std::int32_t& counter, std::int64_t amount, const std::string& source);
