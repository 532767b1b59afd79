#include "line_input.h"

namespace vesko::tool {

bool readLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    // getline stops at eof without a line feed; only a terminated line loses its CR.
    if (!in.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace vesko::tool
