// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Marrow.h"
#include "app/StartOptions.h"

#include <iostream>

int main(int argc, char* argv[]) {
    // Answered before the application exists: help2man asks them during the
    // build, on machines without a display.
    if (const auto status = answerWithoutWindow(std::vector<std::string>(argv + 1, argv + argc),
                                                MARROW_VERSION, std::cout))
        return *status;
    CMarrowApp::prepareEnvironment(argc, argv);
    CMarrowApp app(argc, argv);
    return app.run();
}
