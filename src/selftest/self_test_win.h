#pragma once

#include <functional>
#include <string>

namespace vesko {

// How the outcome reaches the user: the real program shows a message box; tests record it.
struct SelfTestMessage {
    std::wstring caption;
    std::wstring text;
    bool passed = false;
};
using SelfTestPresenter = std::function<void(const SelfTestMessage&)>;

// Runs the offline checks, writes Vesko_self_test.json beside the executable, tells the
// user, and returns the exit code (0 when every check passed, 1 otherwise). Failing to
// write the report throws the file error to the caller.
int runSelfTest();
int runSelfTest(const SelfTestPresenter& present);

}  // namespace vesko
