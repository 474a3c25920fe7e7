// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engines/EngineStart.h"

#include <QString>

#include <vector>

// What the status bar says about an engine run, from its start to its end.
// A run that fails has to say so where the user looks: the engine's own
// last line is the reason, in the user's own words of the files.

/// "Pellarin.exe is running in FOLDER".
QString runningText(const EngineRun& run);

/// How `end` went, in one line:
///   "Pellarin.exe finished: N regions (QTL analysis > QTL table)",
///   "Tamsin.exe finished: the data files are written",
///   "Pellarin.exe stopped: <its last error line>".
/// The regions are counted in the qtl_summary.csv the run wrote in its
/// folder; a table older than the run is not the run's.
QString runEndText(const EngineRunEnd& end);

/// The question before a second run of the same engine in the same folder.
QString secondRunQuestion(const EngineProgram& engine, const QString& folder);

/// The question before Marrow closes while runs it started still go on
/// (`runs` not empty): that each run goes on and leaves its results in its
/// folder, whose name it gives, and that `waitingTraits` traits of All
/// traits that wait for their turn are not run. No is the safe answer.
QString closeWhileRunningQuestion(const std::vector<EngineRun>& runs, int waitingTraits = 0);
