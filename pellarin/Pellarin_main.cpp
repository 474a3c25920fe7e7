// SPDX-License-Identifier: GPL-3.0-or-later
// Pellarin.exe: the Bayesian analysis engine. Marrow starts it without
// arguments in the working folder; the options are for people and scripts.

#include "pellarin/Pellarin.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return pellarin::runPellarin(args, std::cout, std::cerr);
}
