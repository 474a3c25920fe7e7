// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ImportTool.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return runImport(args, std::cout, std::cerr);
}
