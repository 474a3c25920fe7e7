// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <istream>
#include <string>
#include <vector>

/// The allele configuration file, an input of the simulation: for each
/// simulated QTL, in parameter-file order, a label and one allele (1..A of
/// that QTL) per founder parent.
///
///     QTL_1    1 2 1 2
///     QTL_2    1 1 2 3
///
/// `alleles[q][p]` is the allele of founder p + 1 at QTL q + 1.
struct AlleleConfiguration {
    std::vector<std::vector<int>> alleles;
};

/// The allelic value file, an input of the simulation: for each QTL a label
/// and the A effects of its alleles. `values[q][a]` is the effect of allele
/// a + 1 at QTL q + 1.
///
///     QTL_1    0.5 -0.5
///     QTL_2    0.2 0 -0.3
struct AllelicValues {
    std::vector<std::vector<double>> values;
};

/// Reads an allele configuration for QTL whose allele counts are
/// `alleleCounts` (one entry per QTL) and `founderCount` founders. Labels are
/// skipped; every allele must be a whole number within 1..A of its QTL, and
/// nothing may follow the last QTL. Errors are `FileError`s naming
/// `fileName` and the QTL as the record.
AlleleConfiguration readAlleleConfiguration(std::istream& in, const std::string& fileName,
                                            const std::vector<int>& alleleCounts, int founderCount);

/// Reads allelic values for QTL with `alleleCounts` alleles: A numbers per
/// QTL after its label, nothing after the last QTL.
AllelicValues readAllelicValues(std::istream& in, const std::string& fileName,
                                const std::vector<int>& alleleCounts);

std::string alleleConfigurationText(const AlleleConfiguration& configuration);
std::string allelicValuesText(const AllelicValues& values);
