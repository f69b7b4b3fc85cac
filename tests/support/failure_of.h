#pragma once
// What a refusal says, for tests that check its words.

#include <functional>
#include <string>

#include "base/failure.h"

namespace vorlix::test {

// The message of the Failure `run` throws; "" when it throws none.
inline std::string FailureOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const Failure& f) {
        return f.what();
    }
    return "";
}

}  // namespace vorlix::test
