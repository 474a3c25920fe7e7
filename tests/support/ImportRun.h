// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "import/ImportTool.h"

#include <sstream>
#include <string>
#include <vector>

// marrow-import run in the test's own process, as its command line would
// run it, with what it printed kept apart from its exit status.

namespace testing_support {

struct ToolRun {
    int status = 0;
    std::string out;
    std::string err;
};

inline ToolRun runTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = runImport(args, out, err);
    return {status, out.str(), err.str()};
}

} // namespace testing_support
