// codeOf: runs an action and returns the code of the CMyException it raised, or 0 when it
// raised none; for the engine tests that check which failure code a stage reports.
#pragma once

#include "engine/CMyException.h"

#include <cstdint>
#include <functional>

namespace zentar::test {

inline int32_t codeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CMyException& error) {
        return error.code();
    }
    return 0;
}

} // namespace zentar::test
