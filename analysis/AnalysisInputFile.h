#pragma once

#include "analysis/MultQin.h"
#include "model/FileError.h"

#include <array>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// multAl_in.txt, the analysis engine's parameter file, and multAl_in.def,
// the stored defaults in the same layout. Both are written from the parameter
// set through `AnalysisInput`, the file's content as values, and read back
// into it by one reader that checks every key.

enum class AnalysisFileKind {
    Input,   ///< multAl_in.txt: QTL in chromosome order, no chromosome per QTL
    Defaults ///< multAl_in.def: QTL in number order, each with its chromosome
};

inline constexpr std::string_view analysisInputFileName = "multAl_in.txt";
inline constexpr std::string_view analysisDefaultsFileName = "multAl_in.def";

struct InputChromosome {
    double length = 0; // whole cM
    int markerCount = 0;
    int qtlCount = 0;
    bool operator==(const InputChromosome&) const = default;
};

struct InputQtl {
    double position = 0; // cM
    int alleleCount = 0;
    double variance = 0;
    /// Numbered from 1. In multAl_in.txt it follows from the per-chromosome
    /// counts: the QTL lists go to the chromosomes in runs.
    int chromosome = 1;
    bool operator==(const InputQtl&) const = default;
};

/// Everything one file holds. Values of lines that are written only under a
/// condition keep their start values when the condition does not hold.
struct AnalysisInput {
    // Data file names as written, ".txt" included.
    std::string genomeFile = "genome.txt";
    std::string f1MarkerFile = "f1.txt";
    std::string progenyMarkerFile = "markers.txt";
    std::string traitFile = "pheno.txt";
    std::string pedigreeFile = "pedigree.txt";
    /// 1 DHL, 2 BC1, 3 BC2, 4 F2, 5 RIL.
    int progenyCode = 5;

    SamplingMethod samplingMethod = SamplingMethod::MetropolisHastings;
    // Written with Metropolis-Hastings only.
    double alleleEffectRadius = 0.1;
    double maxFamilyMean = 20;
    double familyMeanRadius = 0.5;
    double maxFamilyVariance = 2;
    double familyVarianceRadius = 0.1;

    QtlEffectModel qtlEffect = QtlEffectModel::Random;
    // Written with a Random effect and Metropolis-Hastings only.
    double maxQtlVariance = 2;
    double qtlVarianceRadius = 0.1;

    CountMode qtlNumberMode = CountMode::Variable;
    bool qtlNumberPoisson = true;    // written when the mode is Variable
    double qtlNumberPoissonMean = 2; // written when Variable and Poisson
    CountMode alleleNumberMode = CountMode::Fixed;
    bool alleleNumberPoisson = true; // written when the mode is Variable
    int alleleNumberPoissonMean = 4; // written when Variable and Poisson

    std::vector<InputChromosome> chromosomes;
    /// In file order.
    std::vector<InputQtl> qtls;

    bool overdisperseStart = true;
    bool singleResidualVariance = true;
    bool updateMissingMarkers = false;
    bool saveChainValues = true;
    bool saveHundredthMeans = false;
    /// "1  1  0" with the additional run without QTL, "0  1  0" without.
    std::array<int, 3> analysisType = {0, 1, 0};

    int metaRuns = 10;
    int burnInIterations = 100;
    int totalIterations = 10000;
    int iterationsPerSave = 10;
    double qtlPositionRadius = 100;
    int binLength = 2;
    int randomSeed = 289186;

    bool additionalRunWithoutQtl() const { return analysisType[0] == 1; }
    bool operator==(const AnalysisInput&) const = default;
};

/// For each chromosome 1..chromosomeCount, counts the QTL 1..qtlCount on it
/// and stores the count in its record; returns the sum, which is below
/// `qtlCount` exactly when some QTL names a chromosome outside the table.
int countQtlsPerChromosome(AnalysisParameters& parameters);

/// The file's content for the parameter set. Needs `chromosomeCount` >= 1
/// and the counts stored by `countQtlsPerChromosome`. For multAl_in.txt the
/// QTL are put in chromosome order, keeping QTL-number order within a
/// chromosome, since that file can only give them to chromosomes in runs.
AnalysisInput analysisInputContent(const AnalysisParameters& parameters, AnalysisFileKind kind);

/// The file's bytes: keys padded to 41 (single values) or 36 (tables),
/// table values in 6-character fields, every line ending in "\n".
std::string formatAnalysisInput(const AnalysisInput& input, AnalysisFileKind kind);

/// Writes multAl_in.txt in the current folder, complete or not at all.
/// False if it could not be written (nothing is reported).
bool writeAnalysisInput(const AnalysisParameters& parameters);

/// Writes multAl_in.def in the current folder, complete or not at all.
bool writeAnalysisDefaults(const AnalysisParameters& parameters);

struct AnalysisInputResult {
    std::optional<AnalysisInput> input;
    FileError error; ///< set when `input` is empty

    explicit operator bool() const { return input.has_value(); }
};

/// Reads a whole file of the given kind, checking every key against the one
/// the writer puts there (conditional lines by their conditions), every
/// number, the counts that size the tables (1 to 100 chromosomes, 1 to 100
/// QTL in all), and that nothing follows the last line. Accepts "\r\n".
/// `fileName` names the file in the error.
AnalysisInputResult readAnalysisInput(std::istream& in,
                                      AnalysisFileKind kind = AnalysisFileKind::Input,
                                      std::string_view fileName = analysisInputFileName);

/// The same for a file on disk; a file that cannot be opened is an error too.
AnalysisInputResult readAnalysisInputFile(const std::filesystem::path& path,
                                          AnalysisFileKind kind = AnalysisFileKind::Input);
