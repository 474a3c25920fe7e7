// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CommandLine.h"
#include "model/FileError.h"
#include "model/TextFiles.h"
#include "support/TempDir.h"
#include "tamsin/Tamsin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

SimulationDesign design() {
    SimulationDesign d;
    d.cross = ProgenyType::F2;
    d.founderCount = 3;
    d.families = {{1, 2, 20}, {2, 3, 15}};
    d.chromosomes = {{150, 16}, {80, 5}};
    d.qtl = {{1, 75, 3, 0.4}, {2, 10, 2, 0.1}};
    d.residualVariance = 0.5;
    d.seed = 949043;
    d.saveLogFiles = true;
    return d;
}

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(TamsinProgram, SameSeedGivesTheSameBytes) {
    TempDir first;
    TempDir second;
    TempDir third;
    std::ostringstream err;
    const auto names = runSimulation(design(), first.path(), true, err);
    runSimulation(design(), second.path(), true, err);
    SimulationDesign reseeded = design();
    reseeded.seed = 949044;
    runSimulation(reseeded, third.path(), true, err);
    EXPECT_EQ(names, (std::vector<std::string>{"genome.txt", "f1.txt", "markers.txt", "pheno.txt",
                                               "simuAl_log.txt", "simuAl_qtl.txt"}));
    EXPECT_TRUE(err.str().empty());
    for (const auto& name : names) {
        const auto bytes = readWholeFile(first / name);
        ASSERT_TRUE(bytes) << name;
        EXPECT_EQ(bytes, readWholeFile(second / name)) << name;
        if (name != "genome.txt" && name != "f1.txt") {
            EXPECT_NE(bytes, readWholeFile(third / name)) << name;
        }
    }
    EXPECT_EQ(filesIn(first.path()).size(), names.size());
}

TEST(TamsinProgram, BadDesignsAreRefusedAndWriteNothing) {
    struct Case {
        const char* name;
        std::function<void(SimulationDesign&)> spoil;
        const char* message;
        bool inDesignTable = false; // of docs/bad-input.md
    };
    const Case cases[] = {
        {"founder above P", [](auto& d) { d.families[1].founderB = 4; },
         "pedigree.txt: family 2: founder 4 is not a founder parent (1 to 3)"},
        {"founder 0", [](auto& d) { d.families[0].founderA = 0; },
         "pedigree.txt: family 1: founder 0 is not a founder parent (1 to 3)"},
        {"selfed F1", [](auto& d) { d.families[0].founderB = 1; },
         "pedigree.txt: family 1: both parents of the F1 are founder 1"},
        {"no progeny", [](auto& d) { d.families[1].progenyCount = 0; },
         "pedigree.txt: family 2: the number of progeny is 0; at least 1 is needed"},
        {"one founder", [](auto& d) { d.founderCount = 1; },
         "pedigree.txt: the number of founder parents is 1; a cross needs at least 2"},
        {"QTL beyond its chromosome", [](auto& d) { d.qtl[1].position = 80.5; },
         "simuAl_in.txt: QTL 2: position 80.5 cM is beyond chromosome 2 (0 to 80 cM)"},
        {"negative QTL position", [](auto& d) { d.qtl[0].position = -1; },
         "simuAl_in.txt: QTL 1: position -1 cM is beyond chromosome 1 (0 to 150 cM)"},
        {"chromosome without markers", [](auto& d) { d.chromosomes[0].markerCount = 0; },
         "simuAl_in.txt: chromosome 1: it carries no markers"},
        {"one allele with variance", [](auto& d) { d.qtl[0].alleleCount = 1; },
         "simuAl_in.txt: QTL 1: its variance 0.4 cannot be reached: no family's founders carry "
         "different alleles",
         true},
        {"configuration without segregation",
         [](auto& d) {
             d.configuration = AlleleConfiguration{{{1, 1, 1}, {1, 2, 1}}};
         },
         "simuAl_in.txt: QTL 1: its variance 0.4 cannot be reached: no family's founders carry "
         "different alleles",
         true},
        {"fixed alleles that segregate nowhere",
         [](auto& d) {
             d.sampleAlleles = false;
             d.families = {{1, 3, 20}};
         },
         "simuAl_in.txt: QTL 2: its variance 0.1 cannot be reached: no family's founders carry "
         "different alleles",
         true},
        {"negative residual", [](auto& d) { d.residualVariance = -0.1; },
         "simuAl_in.txt: the residual variance -0.1 is negative"},
        {"chromosome longer than the analysis takes",
         [](auto& d) { d.chromosomes[0].length = 1e12; },
         "simuAl_in.txt: chromosome 1: its length 1e+12 cM is beyond 10000 cM, the longest the "
         "analysis takes",
         true},
        {"too many markers", [](auto& d) { d.chromosomes[0].markerCount = 100000000; },
         "simuAl_in.txt: the chromosomes carry 100000005 markers in all; at most 1000000 can be "
         "simulated",
         true},
        {"too many progeny", [](auto& d) { d.families[0].progenyCount = 2000000000; },
         "pedigree.txt: the families have 2000000015 progeny in all; at most 1000000 can be "
         "simulated",
         true},
        {"too many genotypes",
         [](auto& d) {
             d.chromosomes[0].markerCount = 999995;
             d.families[0].progenyCount = 300;
         },
         "simuAl_in.txt: 1000000 markers in 318 founders and progeny make 318000000 genotypes; at "
         "most 200000000 can be simulated",
         true},
        {"families too small to vary",
         [](auto& d) {
             d.families[0].progenyCount = 1;
             d.families[1].progenyCount = 1;
         },
         "simuAl_in.txt: QTL 1: no two progeny of one family differ at this QTL, so its "
         "within-family variance 0.4 cannot be reached (give the families more progeny, or try "
         "another seed)",
         true},
        {"too many founders", [](auto& d) { d.founderCount = 5000; },
         "pedigree.txt: the number of founder parents is 5000; at most 1000 can be simulated",
         true},
    };
    const auto documented = readWholeFile(fs::path(MARROW_SOURCE_DIR) / "docs/bad-input.md");
    ASSERT_TRUE(documented);
    for (const auto& c : cases) {
        TempDir folder;
        SimulationDesign d = design();
        c.spoil(d);
        std::ostringstream err;
        std::string message = "no error";
        try {
            runSimulation(d, folder.path(), false, err);
        } catch (const FileError& error) {
            message = error.what();
        }
        EXPECT_EQ(message, c.message) << c.name;
        EXPECT_TRUE(filesIn(folder.path()).empty()) << c.name;
        if (c.inDesignTable) {
            EXPECT_NE(documented->find(std::string("`") + c.message + "`"), std::string::npos)
                << c.name << " is missing from docs/bad-input.md";
        }
    }
}

TEST(TamsinProgram, AFailedAllocationEndsInOneLine) {
    for (const auto& fail : std::vector<std::function<int()>>{
             []() -> int { throw std::bad_alloc(); },
             []() -> int { throw std::length_error("vector::reserve"); }}) {
        std::ostringstream err;
        EXPECT_EQ(exitStatusOf(programName, err, fail), 1);
        EXPECT_EQ(err.str(), "Tamsin.exe: not enough memory for this run; make it smaller\n");
    }
}

TEST(TamsinProgram, OptionsAreReadOrRefusedByName) {
    const auto options = parseTamsinOptions({"--quiet", "--seed", "12", "--dir", "out",
                                             "--marker-alleles", "5", "--missing-rate", "0.1"});
    EXPECT_TRUE(options.quiet);
    EXPECT_EQ(options.seed, 12u);
    EXPECT_EQ(options.folder, fs::path("out"));
    EXPECT_EQ(options.markerAlleles, 5);
    EXPECT_DOUBLE_EQ(options.missingRate, 0.1);

    const std::pair<std::vector<std::string>, const char*> bad[] = {
        {{"--seed"}, "Tamsin.exe: --seed needs a value\n"},
        {{"--seed", "-3"}, "Tamsin.exe: --seed \"-3\" is not a whole number of 0 or more\n"},
        {{"--marker-alleles", "0"},
         "Tamsin.exe: --marker-alleles \"0\" is not a whole number of 1 or more\n"},
        {{"--missing-rate", "1"},
         "Tamsin.exe: --missing-rate \"1\" is not a number from 0 up to (not including) 1\n"},
        {{"--fast"}, "Tamsin.exe: unknown option \"--fast\" (see --help)\n"},
    };
    for (const auto& [args, message] : bad) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runTamsin(args, out, err), 1) << message;
        EXPECT_EQ(err.str(), message);
    }
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runTamsin({"--help"}, out, err), 0);
    EXPECT_NE(out.str().find("--missing-rate"), std::string::npos);
}

namespace {

const char* parameterText = "Genome_infomation_file          genome.txt\n"
                            "F1_marker_genotype_file         f1.txt\n"
                            "Progeny_marker_file             markers.txt\n"
                            "Progeny_trait__file             pheno.txt\n"
                            "Pedigree_structure_file         pedigree.txt\n"
                            "\n"
                            "Sample_alleles_for_parents?     y\n"
                            "Input_Allele_value_from_file?   n\n"
                            "Input_Allele_conf_from_file?    y\n"
                            "__IF'y'=>Allele_Config_file:    conf.txt\n"
                            "Save_simulaiton_log_files?      y\n"
                            "\n"
                            "Random_number_generator_seed    949043\n"
                            "Residual_phenotypic_variance    0.4\n"
                            "\n"
                            "Number_Of__Chromosomes          2\n"
                            "Length_of__Chromosomes        150    80\n"
                            "Number_of_mrks_per_chr         16     5\n"
                            "Number_of_QTLs_per_chr          1     1\n"
                            "Chromo_position_of_QTL         75    10\n"
                            "Number_of_alleles_at_QTL        3     2\n"
                            "Additive_variance_of_QTL      0.4   0.2\n";

const char* pedigreeText = "Type_of_inbred_cross          F2\n\n"
                           "Number_Of_mapping_families    2\n"
                           "Number_Of_founder_pParents    3\n\n"
                           "Family_1_structures            1     2    20\n"
                           "Family_2_structures            2     3    15\n";

const char* configurationText = "QTL_1  1 2 3\nQTL_2  1 2 2\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

// The three input files of the small design above, in `folder`.
void writeInputs(const TempDir& folder) {
    writeFileAtomically(folder / "simuAl_in.txt", parameterText);
    writeFileAtomically(folder / "pedigree.txt", pedigreeText);
    writeFileAtomically(folder / "conf.txt", configurationText);
}

} // namespace

TEST(TamsinProgram, ReadsItsFilesAndWritesTheDataSet) {
    TempDir folder;
    writeInputs(folder);
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(runTamsin({"--dir", folder.path().string(), "--seed", "5"}, out, err), 0)
        << err.str();
    EXPECT_NE(err.str().find("Tamsin.exe: simulated 35 progeny in 2 families at 21 markers and 2 "
                             "QTL (seed 5)"),
              std::string::npos);
    const auto log = readWholeFile(folder / "simuAl_log.txt");
    ASSERT_TRUE(log);
    EXPECT_NE(log->find("Random_number_generator_seed    5\n"), std::string::npos);
    EXPECT_NE(log->find("  Founders'_alleles             1     2     3\n"), std::string::npos);
    EXPECT_EQ(filesIn(folder.path()),
              (std::vector<std::string>{"conf.txt", "f1.txt", "genome.txt", "markers.txt",
                                        "pedigree.txt", "pheno.txt", "simuAl_in.txt",
                                        "simuAl_log.txt", "simuAl_qtl.txt"}));
}

// A folder where the last of the data set's files goes stops a second run
// before any file is replaced: the first run's data set stays whole, never
// half of one seed's data and half of another's.
TEST(TamsinProgram, AFolderInPlaceOfOneOutputLeavesTheEarlierDataSetWhole) {
    TempDir folder;
    writeInputs(folder);
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(runTamsin({"--dir", folder.path().string(), "--seed", "5"}, out, err), 0)
        << err.str();
    fs::remove(folder / "simuAl_qtl.txt");
    fs::create_directory(folder / "simuAl_qtl.txt");
    std::map<std::string, std::optional<std::string>> before;
    for (const std::string& name : filesIn(folder.path()))
        before[name] = readWholeFile(folder / name);

    std::ostringstream failedErr;
    EXPECT_EQ(
        runTamsin({"--dir", folder.path().string(), "--seed", "6", "--quiet"}, out, failedErr), 1);
    EXPECT_EQ(failedErr.str(),
              "Tamsin.exe: simuAl_qtl.txt: cannot be replaced: a folder of that name stands in " +
                  folder.path().string() + "; no file was changed\n");
    std::map<std::string, std::optional<std::string>> after;
    for (const std::string& name : filesIn(folder.path()))
        after[name] = readWholeFile(folder / name);
    EXPECT_EQ(after, before);
}

TEST(TamsinProgram, BadInputFilesStopTheRunWithOneLineAndWriteNothing) {
    struct Case {
        const char* name;
        const char* file;
        std::string text; // empty: the file is missing
        const char* message;
    };
    const std::string ped = pedigreeText;
    const std::string par = parameterText;
    const Case cases[] = {
        {"no parameter file", "simuAl_in.txt", "", "simuAl_in.txt: cannot be opened"},
        {"no pedigree file", "pedigree.txt", "", "pedigree.txt: cannot be opened"},
        {"no configuration file", "conf.txt", "", "conf.txt: cannot be opened"},
        {"founder outside 1..P", "pedigree.txt", replaced(ped, "2     3    15", "2     4    15"),
         "pedigree.txt: family 2: founder 4 is not a founder parent (1 to 3)"},
        {"family without progeny", "pedigree.txt", replaced(ped, "1     2    20", "1     2     0"),
         "pedigree.txt: family 1: the number of progeny is 0; at least 1 is needed"},
        {"seed not a number", "simuAl_in.txt", replaced(par, "949043", "94904x"),
         "simuAl_in.txt: word 22: the random number seed \"94904x\" is not a whole number"},
        {"QTL beyond its chromosome", "simuAl_in.txt", replaced(par, "75    10", "75    81"),
         "simuAl_in.txt: word 38: the position of QTL 2 lies outside chromosome 2 (0 to 80 cM)"},
        {"allele outside 1..A", "conf.txt", replaced(configurationText, "1 2 2", "1 2 3"),
         "conf.txt: record 2: allele of founder 3 3 is outside 1..2"},
        {"alleles that segregate in no family", "conf.txt",
         replaced(configurationText, "1 2 2", "1 1 1"),
         "simuAl_in.txt: QTL 2: its variance 0.2 cannot be reached: no family's founders carry "
         "different alleles"},
        {"a chromosome of 1e12 cM", "simuAl_in.txt", replaced(par, "150    80", "1e12    80"),
         "simuAl_in.txt: chromosome 1: its length 1e+12 cM is beyond 10000 cM, the longest the "
         "analysis takes"},
        {"1e8 markers", "simuAl_in.txt", replaced(par, "16     5", "100000000     5"),
         "simuAl_in.txt: the chromosomes carry 100000005 markers in all; at most 1000000 can be "
         "simulated"},
        {"2e9 progeny", "pedigree.txt", replaced(ped, "1     2    20", "1     2    2000000000"),
         "pedigree.txt: the families have 2000000015 progeny in all; at most 1000000 can be "
         "simulated"},
    };
    for (const auto& c : cases) {
        TempDir folder;
        writeInputs(folder);
        if (c.text.empty())
            fs::remove(folder / c.file);
        else
            writeFileAtomically(folder / c.file, c.text);
        const auto before = filesIn(folder.path());
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runTamsin({"--dir", folder.path().string()}, out, err), 1) << c.name;
        EXPECT_EQ(err.str(), std::string("Tamsin.exe: ") + c.message + "\n") << c.name;
        EXPECT_EQ(filesIn(folder.path()), before) << c.name;
    }
}

namespace {

// The words after `key` on the first line that starts with it.
std::vector<std::string> logWords(const std::string& log, const std::string& key) {
    const std::size_t at = log.find("\n" + key + ' ');
    if (at == std::string::npos)
        return {};
    const std::size_t begin = at + 1 + key.size();
    std::istringstream line(log.substr(begin, log.find('\n', begin) - begin));
    std::vector<std::string> words;
    for (std::string word; line >> word;)
        words.push_back(word);
    return words;
}

} // namespace

TEST(TamsinProgram, LogGivesTheAllelesInUseAndTheVariancesWithinFamilies) {
    TempDir folder;
    SimulationDesign d = design();
    // Allele 2 of the first QTL is carried by nobody.
    d.configuration = AlleleConfiguration{{{1, 3, 3}, {1, 2, 2}}};
    std::ostringstream err;
    runSimulation(d, folder.path(), true, err);
    const auto log = readWholeFile(folder / "simuAl_log.txt");
    ASSERT_TRUE(log);
    EXPECT_EQ(logWords(*log, "  Founders'_alleles"), (std::vector<std::string>{"1", "3", "3"}));
    EXPECT_EQ(logWords(*log, "  Alleles_in_use"), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(logWords(*log, "  Allele_values").size(), 2u);
    EXPECT_EQ(logWords(*log, "  Requested_variance"), (std::vector<std::string>{"0.4"}));
    EXPECT_EQ(logWords(*log, "  Within_family_variance"), (std::vector<std::string>{"0.4"}));
    for (const char* key : {"Within_family_trait_variance", "Within_family_heritability",
                            "Phenotypic_variance", "Realised_heritability", "  Genetic_variance",
                            "  Realised_variance_share", "  Within_family_share"})
        EXPECT_EQ(logWords(*log, key).size(), 1u) << key;

    // Values from a file are used as given: nothing was requested of them.
    d.values = AllelicValues{{{0.5, 0, -0.5}, {0.25, -0.25}}};
    TempDir given;
    runSimulation(d, given.path(), true, err);
    const auto givenLog = readWholeFile(given / "simuAl_log.txt");
    ASSERT_TRUE(givenLog);
    EXPECT_EQ(logWords(*givenLog, "  Requested_variance"), (std::vector<std::string>{"none"}));
    EXPECT_EQ(logWords(*givenLog, "  Allele_values"), (std::vector<std::string>{"0.5", "-0.5"}));
}
