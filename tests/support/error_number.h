#pragma once
// The run-time error number a call raises, or 0 when it raises none.

#include <functional>

#include "platform/runtime/error.h"

namespace testsupport {

inline long errorNumber(const std::function<void()>& call) {
    try {
        call();
    } catch (const runtime::Error& e) {
        return e.number();
    }
    return 0;
}

}  // namespace testsupport
