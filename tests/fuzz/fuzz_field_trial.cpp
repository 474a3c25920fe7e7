// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-import's field trial: the plots reader and the least squares on
// whatever it accepts. Plots and checks are the input's two parts, split at
// a form feed. A table read must give one value per genotyped line, a
// number or NA, and every refusal is a FileError.
#include "formats/PlotTable.h"
#include "import/FieldTrial.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::text(data, size);
    const auto parts = fuzz::formFeedParts(bytes, 1);
    if (!parts)
        return 0;
    const PlotColumns columns{"strain", "environ", "set"};
    try {
        const PlotTable plots = readPlotTable((*parts)[0], columns, {"y", "z"});
        const PlotTable checks = readPlotTable((*parts)[1], columns, {"y", "z"});
        fuzz::require(plots.values.size() == plots.traits.size() * plots.plots.size(),
                      "a value per trait and plot");
        TrialData trial;
        trial.plots = &plots;
        trial.checks = &checks;
        trial.blocks = true;
        trial.ids = {"a", "b", "c", "d"};
        trial.family = {0, 0, 1, 1};
        trial.familyNames = {"F1", "F2"};
        for (const std::string& trait : plots.traits) {
            try {
                const TraitLineValues values = traitLineValues(trial, trait, true);
                fuzz::require(values.values.size() == trial.ids.size(), "a value per line");
                for (const double value : values.values)
                    fuzz::require(std::isnan(value) || std::isfinite(value),
                                  "a value is a number or NA");
            } catch (const FileError&) {
            }
        }
    } catch (const FileError&) {
    }
    return 0;
}
