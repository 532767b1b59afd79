#include "app/command_line.h"

namespace vesko {

bool isSelfTestCommandLine(const std::vector<std::wstring>& arguments) {
    return arguments.size() == 2 && arguments[1] == L"--self-test";
}

}  // namespace vesko
