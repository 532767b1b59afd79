#pragma once

#include <istream>
#include <string>

namespace vesko::tool {

// Reads the next input line into `line`. A final LF or CR LF ends the line and is not
// part of it; every other byte is, including a lone CR and NUL. A last line without LF
// still counts; nothing after a final LF does. Returns false at the end of input.
bool readLine(std::istream& in, std::string& line);

}  // namespace vesko::tool
