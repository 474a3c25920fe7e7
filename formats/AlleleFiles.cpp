// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/AlleleFiles.h"

#include "formats/RecordReader.h"
#include "model/NumberFormat.h"

namespace {

template <class Row, class Format>
std::string labelledRows(const std::vector<Row>& rows, Format format) {
    std::string text;
    for (std::size_t q = 0; q < rows.size(); ++q) {
        text += fmt::padKey("QTL_" + std::to_string(q + 1), 8);
        for (const auto& value : rows[q])
            text += fmt::tableField(format(value));
        text += '\n';
    }
    return text;
}

} // namespace

AlleleConfiguration readAlleleConfiguration(std::istream& in, const std::string& fileName,
                                            const std::vector<int>& alleleCounts,
                                            int founderCount) {
    RecordReader reader(in, fileName);
    AlleleConfiguration configuration;
    for (std::size_t q = 0; q < alleleCounts.size(); ++q) {
        reader.startRecord(static_cast<int>(q) + 1);
        reader.word("label of QTL " + std::to_string(q + 1));
        auto& row = configuration.alleles.emplace_back();
        for (int founder = 1; founder <= founderCount; ++founder)
            row.push_back(reader.integerIn("allele of founder " + std::to_string(founder), 1,
                                           alleleCounts[q]));
    }
    reader.expectEnd("last of the " + std::to_string(alleleCounts.size()) + " QTL");
    return configuration;
}

AllelicValues readAllelicValues(std::istream& in, const std::string& fileName,
                                const std::vector<int>& alleleCounts) {
    RecordReader reader(in, fileName);
    AllelicValues values;
    for (std::size_t q = 0; q < alleleCounts.size(); ++q) {
        reader.startRecord(static_cast<int>(q) + 1);
        reader.word("label of QTL " + std::to_string(q + 1));
        auto& row = values.values.emplace_back();
        for (int allele = 1; allele <= alleleCounts[q]; ++allele)
            row.push_back(reader.real("value of allele " + std::to_string(allele)));
    }
    reader.expectEnd("last of the " + std::to_string(alleleCounts.size()) + " QTL");
    return values;
}

std::string alleleConfigurationText(const AlleleConfiguration& configuration) {
    return labelledRows(configuration.alleles, [](int allele) { return fmt::integer(allele); });
}

std::string allelicValuesText(const AllelicValues& values) {
    // Values are written in full so that a file written and read back gives
    // the very effects that were simulated.
    return labelledRows(values.values, [](double value) { return fmt::dialogNumber(value); });
}
