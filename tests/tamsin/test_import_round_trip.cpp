// SPDX-License-Identifier: GPL-3.0-or-later
// Tamsin's data of four founders and three families, written as the three
// tables marrow-import reads and imported again, come back file by file, up
// to the numbering of each marker's allele codes; parental calls give the
// same files as allele words.
#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/TraitFile.h"
#include "import/ImportTool.h"
#include "model/TextFiles.h"
#include "support/PopulationTables.h"
#include "support/TempDir.h"
#include "tamsin/Tamsin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

SimulationDesign fourFounders() {
    SimulationDesign d;
    d.cross = ProgenyType::F2;
    d.founderCount = 4;
    d.families = {{1, 2, 25}, {1, 3, 20}, {2, 4, 22}};
    d.chromosomes = {{120, 9}, {60, 5}, {90.5, 7}};
    d.qtl = {{1, 40, 4, 0.3}};
    d.residualVariance = 0.7;
    d.seed = 271828;
    // Codes drawn from 1..3: founders share alleles, so the import numbers
    // them anew by first appearance.
    d.markerAlleles = 3;
    d.missingRate = 0.05;
    return d;
}

Pedigree pedigreeOf(const SimulationDesign& design) {
    Pedigree pedigree;
    pedigree.head = {std::string(progenyTypeName(design.cross)),
                     static_cast<int>(design.families.size()), design.founderCount};
    for (const SimulatedFamily& family : design.families)
        pedigree.families.push_back({family.founderA, family.founderB, family.progenyCount});
    return pedigree;
}

template <class Data, class Reader> Data readFile(const fs::path& path, Reader read) {
    std::ifstream in(path);
    return read(in, path.filename().string());
}

struct DataSet {
    GenomeData genome;
    FounderMarkers founders;
    ProgenyMarkers progeny;
    TraitData traits;
    Pedigree pedigree;
};

DataSet readDataSet(const fs::path& folder) {
    DataSet data;
    data.genome =
        readFile<GenomeData>(folder / "genome.txt", [](std::istream& in, const std::string& name) {
            return readGenomeData(in, name);
        });
    data.founders = readFile<FounderMarkers>(folder / "f1.txt", readFounderMarkers);
    data.progeny = readFile<ProgenyMarkers>(folder / "markers.txt", readProgenyMarkers);
    data.traits = readFile<TraitData>(folder / "pheno.txt", readTraitData);
    data.pedigree = readPedigreeFile(folder / "pedigree.txt");
    return data;
}

// For each marker, the code the import gave each of Tamsin's codes: it must
// be one code for one, the same for founders and progeny, 0 for 0.
class CodeMatch {
public:
    explicit CodeMatch(int markers) : m_forward(markers), m_backward(markers) {}

    bool same(int marker, AlleleCode original, AlleleCode imported) {
        if (original == missingAllele || imported == missingAllele)
            return original == imported;
        auto& forward = m_forward[static_cast<std::size_t>(marker)];
        auto& backward = m_backward[static_cast<std::size_t>(marker)];
        const auto [to, freshTo] = forward.emplace(original, imported);
        const auto [from, freshFrom] = backward.emplace(imported, original);
        return to->second == imported && from->second == original;
    }

private:
    std::vector<std::map<AlleleCode, AlleleCode>> m_forward, m_backward;
};

void expectSameUpToNumbering(const DataSet& original, const DataSet& imported) {
    ASSERT_EQ(imported.genome.markers.size(), original.genome.markers.size());
    for (std::size_t m = 0; m < original.genome.markers.size(); ++m) {
        const GenomeMarker& a = original.genome.markers[m];
        const GenomeMarker& b = imported.genome.markers[m];
        EXPECT_EQ(std::tie(a.index, a.chromosome, a.name, a.position),
                  std::tie(b.index, b.chromosome, b.name, b.position));
    }
    EXPECT_EQ(imported.pedigree.head.typeWord, original.pedigree.head.typeWord);
    EXPECT_EQ(imported.pedigree.head.familyCount, original.pedigree.head.familyCount);
    EXPECT_EQ(imported.pedigree.head.founderCount, original.pedigree.head.founderCount);
    EXPECT_EQ(imported.pedigree.families, original.pedigree.families);

    const int markers = original.founders.markerCount;
    ASSERT_EQ(imported.founders.founderCount, original.founders.founderCount);
    ASSERT_EQ(imported.founders.markerCount, markers);
    CodeMatch match(markers);
    for (int f = 0; f < original.founders.founderCount; ++f)
        for (int m = 0; m < markers; ++m)
            for (int copy = 0; copy < 2; ++copy)
                EXPECT_TRUE(match.same(m, original.founders.code(f, m, copy),
                                       imported.founders.code(f, m, copy)))
                    << "founder " << f + 1 << " marker " << m + 1;

    ASSERT_EQ(imported.progeny.progenyCount(), original.progeny.progenyCount());
    EXPECT_EQ(imported.progeny.family, original.progeny.family);
    for (int i = 0; i < original.progeny.progenyCount(); ++i)
        for (int m = 0; m < markers; ++m) {
            // A genotype's two codes are unordered: match them either way.
            const AlleleCode x = original.progeny.code(i, m, 0);
            const AlleleCode y = original.progeny.code(i, m, 1);
            const AlleleCode u = imported.progeny.code(i, m, 0);
            const AlleleCode v = imported.progeny.code(i, m, 1);
            CodeMatch straight = match;
            if (straight.same(m, x, u) && straight.same(m, y, v)) {
                match = straight;
                continue;
            }
            EXPECT_TRUE(match.same(m, x, v) && match.same(m, y, u))
                << "progeny " << i + 1 << " marker " << m + 1;
        }

    EXPECT_EQ(imported.traits.family, original.traits.family);
    ASSERT_EQ(imported.traits.value.size(), original.traits.value.size());
    for (std::size_t i = 0; i < original.traits.value.size(); ++i) {
        if (TraitData::isMissing(original.traits.value[i])) {
            EXPECT_TRUE(TraitData::isMissing(imported.traits.value[i]));
            continue;
        }
        EXPECT_EQ(imported.traits.value[i], original.traits.value[i]) << "progeny " << i + 1;
    }
}

std::string importInto(const fs::path& dir, const char* calls) {
    std::vector<std::string> args{"--cross",
                                  "f2",
                                  "--founders",
                                  (dir / "founders.csv").string(),
                                  "--families",
                                  (dir / "families.csv").string(),
                                  "--calls",
                                  calls,
                                  (dir / "progeny.csv").string(),
                                  (dir / calls).string()};
    std::ostringstream out, err;
    EXPECT_EQ(runImport(args, out, err), 0) << err.str();
    return out.str();
}

} // namespace

TEST(ImportRoundTrip, TamsinDataComeBackFileByFile) {
    TempDir dir;
    const SimulationDesign design = fourFounders();
    std::ostringstream err;
    runSimulation(design, dir.path(), true, err);
    writeFileAtomically(dir / "pedigree.txt", pedigreeText(pedigreeOf(design)));
    const DataSet original = readDataSet(dir.path());

    // Allele words: C, A, G for codes 2, 1, 3, so that the numbering by
    // first appearance differs from Tamsin's codes.
    const auto word = [](AlleleCode code) { return std::string(1, "?CAG"[code]); };
    populationTables(original.genome, original.founders, original.progeny, original.traits,
                     original.pedigree, TableCalls::Alleles, word)
        .writeTo(dir.path());
    const std::string summary = importInto(dir.path(), "alleles");
    EXPECT_EQ(summary.find("Note: "), std::string::npos) << summary;
    const DataSet imported = readDataSet(dir / "alleles");
    expectSameUpToNumbering(original, imported);
    EXPECT_NE(readWholeFile(dir / "alleles" / "f1.txt"), readWholeFile(dir / "f1.txt"))
        << "the test should see the codes renumbered";

    // The same progeny as A, H, B, D, C of each family's founders. Tamsin's
    // founders are inbred, so every call names its alleles.
    populationTables(original.genome, original.founders, original.progeny, original.traits,
                     original.pedigree, TableCalls::Parental, word)
        .writeTo(dir.path());
    importInto(dir.path(), "parental");
    for (const std::string& name : importedFileNames())
        EXPECT_EQ(readWholeFile(dir / "parental" / name), readWholeFile(dir / "alleles" / name))
            << name;
}
