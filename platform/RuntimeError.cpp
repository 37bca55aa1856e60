#include "RuntimeError.h"

#include <limits>
#include <utility>

ErrorRecord& currentError() {
    static ErrorRecord record;
    return record;
}

RuntimeError::RuntimeError(ErrorRecord record) : m_record(std::move(record)) {}

void setError(std::int32_t number, std::string description, std::string source) {
    currentError() = ErrorRecord{number, std::move(description), std::move(source)};
}

void raiseError(std::int32_t number, std::string description, std::string source) {
    setError(number, std::move(description), std::move(source));
    throw RuntimeError(currentError());
}

void raiseCurrentError() {
    throw RuntimeError(currentError());
}

void reraiseWithSource(const RuntimeError& error, std::string source) {
    raiseError(error.number(), error.description(), std::move(source));
}

void addChecked(std::int32_t& counter, std::int64_t amount, const std::string& source) {
    const std::int64_t sum = static_cast<std::int64_t>(counter) + amount;
    if (sum > std::numeric_limits<std::int32_t>::max() || sum < std::numeric_limits<std::int32_t>::min()) {
        raiseError(kOverflowError, kOverflowDescription, source);
    }
    counter = static_cast<std::int32_t>(sum);
}
