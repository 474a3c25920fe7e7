// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pellarin {

/// The program's name in every message it prints.
inline constexpr const char* programName = "Pellarin.exe";

/// The whole of Pellarin.exe, for `main` and for tests that run it in
/// process: reads and checks multAl_in.txt and the files it names, runs the
/// chains and writes the posterior files, qtlnum.txt, the QTL table
/// (qtl_summary.csv and .txt), the chain files and Pellarin.log, all of
/// them or none. `args` are the arguments after the
/// program's name. Returns the exit status: 0 done, 1 any problem, with one
/// line `Pellarin.exe: <problem>` on `err`. Help, the version and the
/// closing summary with the QTL table go to `out` (not with --quiet); the
/// progress bar to `err`.
int runPellarin(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace pellarin
