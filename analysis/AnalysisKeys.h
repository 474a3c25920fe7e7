#pragma once

#include <string_view>

// The key texts of multAl_in.txt and multAl_in.def, exactly as the engine
// and the viewers expect them. The writer and the reader both take them from
// here, so the two cannot drift apart.
namespace analysisKey {

inline constexpr std::string_view genomeFile = "genome_File";
inline constexpr std::string_view f1MarkerFile = "f1_marker_File";
inline constexpr std::string_view progenyMarkerFile = "DH_marker_File";
inline constexpr std::string_view traitFile = "DH_trait_File";
inline constexpr std::string_view pedigreeFile = "pedigree_File";
inline constexpr std::string_view progenyCode = "Type_of_inbred_crosses";
inline constexpr std::string_view mcmcType = "Type_of_MCMC(1_M-H/2_Gibbs_sampling)";
inline constexpr std::string_view alleleEffectRadius = "__if'1'_Chng_rad_of_allele_values";
inline constexpr std::string_view maxFamilyMean = "__if'1'_Max_bound_of_family_means";
inline constexpr std::string_view familyMeanRadius = "__if'1'_Chng_rad_of_family_means";
inline constexpr std::string_view maxFamilyVariance = "__if'1'_Max_bound_of_family_vars";
inline constexpr std::string_view familyVarianceRadius = "__if'1'_Chng_radius_of_family_vars";
inline constexpr std::string_view qtlModel = "QTL_model_(r/f:_random_Vs_fixed)";
inline constexpr std::string_view maxQtlVariance = "__if'random'_Maximum_QTL_Variance";
inline constexpr std::string_view qtlVarianceRadius = "__if'random'_Change_rad_of_QTL_Var";
/// The defaults file writes "qtl" in lower case here.
inline constexpr std::string_view variableQtlNumber = "Variable_QTL_number_(y/n)";
inline constexpr std::string_view variableQtlNumberDefaults = "Variable_qtl_number_(y/n)";
/// Shared by the QTL-number and the allele-number sections.
inline constexpr std::string_view priorType = "__if'y'_Prior_type_(p=Pois/u=Unif)";
inline constexpr std::string_view poissonMean = "__if'Poisson'_Give_Poisson_mean";
inline constexpr std::string_view variableAlleleNumber = "Variable_Allele_number_(y/n)";
inline constexpr std::string_view chromosomeCount = "Number_Of_Chromosomes";
inline constexpr std::string_view chromosomeLengths = "__Length_of__Chromosomes";
inline constexpr std::string_view markerCounts = "__Number_of_mrks_per_chr";
inline constexpr std::string_view qtlCounts = "__Putative_QTLs_on_each_chr";
inline constexpr std::string_view qtlPositions = "__Priors_for_QTL_Position";
inline constexpr std::string_view alleleNumbers = "__Priors_for_allele_number";
inline constexpr std::string_view additiveVariances = "__Priors_for_Additive_variance";
/// Defaults file only.
inline constexpr std::string_view qtlChromosomes = "__Which_chromosome_it_is_on";
inline constexpr std::string_view overdisperseStart = "Overdisperse_starting_MCMC(y/n)";
inline constexpr std::string_view singleResidualVariance = "Single_family_variance_(y/n)";
inline constexpr std::string_view updateMissingMarkers = "Missing_markers_gtypes_(y/n)";
inline constexpr std::string_view saveChainValues = "Save_Markov_chain_values->MixFile(y/n)";
inline constexpr std::string_view saveHundredthMeans = "Save_100th_MCMC_means->MCerrFile(y/n)";
inline constexpr std::string_view analysisType = "Type_of_analysis_(e_g___1_1_0)";
inline constexpr std::string_view metaRuns = "Number_of_meta_iterations";
inline constexpr std::string_view burnInIterations = "Number_of_burnIn_iterations";
inline constexpr std::string_view totalIterations = "Number_of_total_iterations";
inline constexpr std::string_view iterationsPerSave = "Number_Of_iterations_per_Save";
inline constexpr std::string_view qtlPositionRadius = "Change_radius_of_QTL_positions";
inline constexpr std::string_view binLength = "Map_resolution_(bin_in_cM)";
inline constexpr std::string_view randomSeed = "Seed_for_generating_random_numbers";

} // namespace analysisKey
