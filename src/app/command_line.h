#pragma once

#include <string>
#include <vector>

namespace vesko {

// The self-test runs only for exactly one argument, "--self-test", in exactly that case;
// anything else starts the browser. `arguments` includes the program name first.
bool isSelfTestCommandLine(const std::vector<std::wstring>& arguments);

}  // namespace vesko
