// Writes exeDirectory() as UTF-8 into the file named by its only argument, so a test can
// start it from places such as the root of a drive.
#include <windows.h>

#include <fstream>

#include "base/files.h"
#include "base/wide_text_win.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    try {
        std::ofstream(argv[1], std::ios::binary) << vesko::toUtf8(vesko::exeDirectory().wstring());
        return 0;
    } catch (...) {
        return 1;
    }
}
