// What the fuzz targets share: turning the fuzzer's bytes into the inputs of the code under
// test, and stopping at the first broken expectation so that libFuzzer keeps the input.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

namespace quarry::fuzz {

// An expectation about the output; a failed one is a finding like a crash.
inline void Expect(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "expectation failed: %s\n", what);
    std::abort();
}

// Text as the system hands it over: any 16-bit units, zeros included, two bytes a unit.
inline std::u16string ConsumeUnits(FuzzedDataProvider& input, std::size_t maxUnits) {
    const std::string bytes = input.ConsumeRandomLengthString(maxUnits * 2);
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return units;
}

}  // namespace quarry::fuzz
