#include "Variant.h"

#include <array>
#include <cstring>
#include <functional>
#include <type_traits>

namespace {

template <typename T> std::string littleEndianBytes(T value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::string bytes(sizeof(T), '\0');
    std::memcpy(bytes.data(), &value, sizeof(T)); // the host is little-endian (x86-64, arm64)
    return bytes;
}

template <typename T> bool readLittleEndian(const std::string& bytes, T& number) {
    if (bytes.size() < sizeof(T)) {
        return false;
    }
    std::memcpy(&number, bytes.data(), sizeof(T));
    return true;
}

// Reads a T and stores it as the Held kind; the value is left alone when bytes are short.
template <typename T, typename Held = T, typename Convert = std::identity>
bool readInto(const std::string& bytes, Variant& value, Convert convert = {}) {
    T number{};
    if (!readLittleEndian(bytes, number)) {
        return false;
    }
    value = Held(convert(number));
    return true;
}

} // namespace

std::int32_t VarType(const Variant& value) {
    // One code per alternative, in the order Variant lists them.
    static constexpr std::array<std::int32_t, std::variant_size_v<Variant>> kCodes = {
        VariantType::kEmpty,   VariantType::kInteger,  VariantType::kLong,     VariantType::kSingle,
        VariantType::kDouble,  VariantType::kCurrency, VariantType::kDate,     VariantType::kString,
        VariantType::kBoolean, VariantType::kByte,     VariantType::kByteArray};
    return kCodes[value.index()];
}

std::string VariantToBytes(const Variant& value) {
    return std::visit(
        [](const auto& held) -> std::string {
            using T = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return {};
            else if constexpr (std::is_same_v<T, std::string>)
                return held;
            else if constexpr (std::is_same_v<T, ByteArray>)
                return std::string(held.begin(), held.end());
            else if constexpr (std::is_same_v<T, bool>)
                return littleEndianBytes<std::int16_t>(held ? -1 : 0);
            else if constexpr (std::is_same_v<T, Currency>)
                return littleEndianBytes(held.scaled);
            else if constexpr (std::is_same_v<T, Date>)
                return littleEndianBytes(held.days);
            else
                return littleEndianBytes(held);
        },
        value);
}

bool VariantFromBytes(const std::string& bytes, std::int32_t varType, Variant& value) {
    switch (varType) {
    case VariantType::kString: value = bytes; return true;
    case VariantType::kByteArray: value = ByteArray(bytes.begin(), bytes.end()); return true;
    case VariantType::kByte: return readInto<std::uint8_t>(bytes, value);
    case VariantType::kInteger: return readInto<std::int16_t>(bytes, value);
    case VariantType::kLong: return readInto<std::int32_t>(bytes, value);
    case VariantType::kSingle: return readInto<float>(bytes, value);
    case VariantType::kDouble: return readInto<double>(bytes, value);
    case VariantType::kBoolean:
        return readInto<std::int16_t, bool>(bytes, value, [](std::int16_t raw) { return raw != 0; });
    case VariantType::kCurrency:
        return readInto<std::int64_t, Currency>(bytes, value, [](std::int64_t raw) { return Currency{raw}; });
    case VariantType::kDate: return readInto<double, Date>(bytes, value, [](double raw) { return Date{raw}; });
    default: return false;
    }
}
