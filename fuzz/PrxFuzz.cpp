// Fuzz target: the profile-file reader of the writer library. The input is the profile
// text; a first byte of 0xFF hands the rest over as raw UTF-16 (little-endian pairs, so
// byte-order marks, surrogates and big-endian texts are reached), anything else is
// widened byte by byte so that the mutations work on readable XML.
#include "asfbridge/PrxProfileParser.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text;
    if (size > 0 && data[0] == 0xFF) {
        for (size_t i = 1; i + 1 < size; i += 2)
            text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    } else {
        text.assign(data, data + size);
    }
    (void)zentar::asfbridge::parsePrxProfile(text);
    return 0;
}
