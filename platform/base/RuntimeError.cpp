#include "RuntimeError.h"

#include <limits>
#include <new>
#include <utility>

RuntimeError::RuntimeError(ErrorRecord record) : m_record(std::move(record)) {}

void raiseError(std::int32_t number, std::string description, std::string source) {
    raiseError(ErrorRecord{number, std::move(description), std::move(source)});
}

void raiseError(ErrorRecord record) {
    throw RuntimeError(std::move(record));
}

void reraiseWithSource(const RuntimeError& error, std::string source) {
    raiseError(error.number(), error.description(), std::move(source));
}

ErrorRecord errorFromException(const std::exception& failure, std::string source) {
    if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
        return {kOutOfMemoryError, "Out of memory", std::move(source)};
    }
    return {kInternalError, std::string("Internal error: ") + failure.what(), std::move(source)};
}

void addChecked(std::int32_t& counter, std::int64_t amount, const std::string& source) {
    const std::int64_t sum = static_cast<std::int64_t>(counter) + amount;
    if (sum > std::numeric_limits<std::int32_t>::max() || sum < std::numeric_limits<std::int32_t>::min()) {
        raiseError(kOverflowError, kOverflowDescription, source);
    }
    counter = static_cast<std::int32_t>(sum);
}
