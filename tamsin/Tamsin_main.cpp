// SPDX-License-Identifier: GPL-3.0-or-later
#include "tamsin/Tamsin.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return runTamsin(args, std::cout, std::cerr);
}
