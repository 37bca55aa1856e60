// Received bytes read as each kind of value: no read beyond the bytes, and a value read from
// bytes goes back out as the same bytes (booleans as their normal form).
#include "Variant.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr std::array<std::int32_t, 12> kKinds = {VariantType::kString,  VariantType::kByteArray, VariantType::kByte,
                                                 VariantType::kInteger, VariantType::kLong,      VariantType::kSingle,
                                                 VariantType::kDouble,  VariantType::kCurrency,  VariantType::kDate,
                                                 VariantType::kBoolean, VariantType::kEmpty,     -1};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::int32_t kind = kKinds[data[0] % kKinds.size()];
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    Variant value = std::string("untouched");
    if (!VariantFromBytes(bytes, kind, value)) {
        if (std::get<std::string>(value) != "untouched") {
            std::abort();
        }
        return 0;
    }
    const std::string out = VariantToBytes(value);
    if (out.size() > bytes.size() || VarType(value) != kind) {
        std::abort();
    }
    if (kind != VariantType::kBoolean && bytes.compare(0, out.size(), out) != 0) {
        std::abort();
    }
    return 0;
}
