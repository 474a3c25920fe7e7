// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

/// The lines that show how Marrow is called: printed after a command line
/// it cannot use, and at the head of `--help`.
std::string marrowUsage();

/// The whole text of `Marrow --help`, from which help2man makes the manual
/// page.
std::string marrowHelp();

/// What Marrow answers before its application exists, so that it needs no
/// display, no window system and no platform plugin: `--help` (or `-h`) and
/// `--version`, found anywhere among `args` (the arguments after the
/// program's name), as GNU programs take them; help wins when both stand.
/// The answer goes to `out` and its exit status, 0, is returned. Any other
/// command line gives nothing: it is for the application, which also takes
/// Qt's own options (`-platform offscreen`) and so checks its words itself.
std::optional<int> answerWithoutWindow(const std::vector<std::string>& args,
                                       std::string_view version, std::ostream& out);
