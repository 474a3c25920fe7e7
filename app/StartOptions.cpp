// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartOptions.h"

#include <algorithm>

std::string marrowUsage() {
    return "Usage: Marrow [FILE]\n"
           "  or:  Marrow --screenshot PNG\n"
           "  or:  Marrow --screenshot-dialog NAME PNG\n"
           "  or:  Marrow --help | --version\n";
}

std::string marrowHelp() {
    return marrowUsage() +
           "\n"
           "Sets up and checks a Bayesian MCMC analysis of QTL in interconnected\n"
           "inbred-line crosses (run by Pellarin.exe) or a simulation of their marker\n"
           "and trait data (run by Tamsin.exe), writes the parameters as plain-text\n"
           "files into the working folder, starts the engine there and draws the\n"
           "posterior QTL intensity and variance along every chromosome, with a table\n"
           "of the QTL found. The working folder is the folder Marrow starts in, until\n"
           "File > Set working folder... chooses another. FILE, when given, is shown in\n"
           "the main window. The engines are looked for beside Marrow, in the current\n"
           "directory, then on PATH. Help > Users' Guide shows the road of a first run.\n"
           "Without a display, marrow-demo takes the same road in batch.\n"
           "\n"
           "Options:\n"
           "  --screenshot PNG              draw the main window offscreen into PNG\n"
           "  --screenshot-dialog NAME PNG  draw the dialog NAME offscreen into PNG\n"
           "  -h, --help                    show this text and stop\n"
           "  --version                     show the version and stop\n"
           "Qt's own options, such as -platform offscreen, are taken as well.\n";
}

std::optional<int> answerWithoutWindow(const std::vector<std::string>& args,
                                       std::string_view version, std::ostream& out) {
    const auto given = [&args](std::string_view option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    if (given("--help") || given("-h")) {
        out << marrowHelp();
        return 0;
    }
    if (given("--version")) {
        out << "Marrow " << version << '\n';
        return 0;
    }
    return std::nullopt;
}
