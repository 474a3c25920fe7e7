#pragma once

#include "pellarin/Chain.h"
#include "pellarin/Model.h"

#include <string>
#include <vector>

namespace pellarin {

enum class PosteriorValue { Intensity, Variance };

/// A posterior file's text for one chromosome: a heading word, a heading
/// word per bin (its centre in cM), then per meta-run its number and one
/// value per bin.
std::string posteriorText(const std::vector<ChainResult>& results, int chromosome,
                          const BinLayout& bins, PosteriorValue value);

/// The chain file of one meta-run: mix_RRM1.txt.
std::string chainFileName(int run);

/// What the run report says about the data.
std::string dataSummary(const Population& population, const ModelSettings& settings);

/// The run report's part on the chains: acceptance rates and, per meta-run
/// and chromosome, where the intensity peaks.
std::string chainSummary(const AnalysisData& data, const std::vector<ChainResult>& results);

} // namespace pellarin
