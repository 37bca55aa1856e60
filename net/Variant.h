#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// A currency amount, held as the value times 10,000.
struct Currency {
    std::int64_t scaled = 0;
    bool operator==(const Currency&) const = default;
};

// A date as days since 30 December 1899; the fraction is the time of day.
struct Date {
    double days = 0;
    bool operator==(const Date&) const = default;
};

using ByteArray = std::vector<std::uint8_t>;

// The kinds of value a socket object sends and takes. Text is bytes, one byte per
// character. VarType gives each kind's type code by its place in this list.
using Variant = std::variant<std::monostate, std::int16_t, std::int32_t, float, double, Currency, Date, std::string,
                             bool, std::uint8_t, ByteArray>;

namespace VariantType {
constexpr std::int32_t kEmpty = 0;
constexpr std::int32_t kInteger = 2;
constexpr std::int32_t kLong = 3;
constexpr std::int32_t kSingle = 4;
constexpr std::int32_t kDouble = 5;
constexpr std::int32_t kCurrency = 6;
constexpr std::int32_t kDate = 7;
constexpr std::int32_t kString = 8;
constexpr std::int32_t kBoolean = 11;
constexpr std::int32_t kByte = 17;
constexpr std::int32_t kByteArray = 8209;
} // namespace VariantType

// The type code of the value's kind.
std::int32_t VarType(const Variant& value);
// The value's bytes as sent on the network: little-endian numbers, text one byte per
// character, booleans as FF FF / 00 00; an empty value gives no bytes.
std::string VariantToBytes(const Variant& value);
// The value of the given kind read from the front of the bytes; false (and the value
// untouched) when the kind is unknown or needs more bytes than there are.
bool VariantFromBytes(const std::string& bytes, std::int32_t varType, Variant& value);
