// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpus of every fuzz harness from the writers themselves,
// so the fuzzers start from files the system really makes:
//     make_seeds FOLDER   ->   FOLDER/<harness>/seed_N
#include "analysis/AnalysisFiles.h"
#include "formats/AlleleFiles.h"
#include "formats/ChainFile.h"
#include "formats/F1MarkerFile.h"
#include "formats/GenomeFile.h"
#include "formats/PedigreeFile.h"
#include "formats/ProgenyMarkerFile.h"
#include "formats/QtlSummaryFile.h"
#include "formats/RunPartFile.h"
#include "formats/TraitFile.h"
#include "formats/TraitUnitsFile.h"
#include "import/CrossImport.h"
#include "model/TextFiles.h"
#include "simulation/SimulationFiles.h"
#include "support/AnalysisExample.h"
#include "support/RunPartSketch.h"
#include "support/SimulationFixture.h"
#include "viewers/PosteriorRows.h"

#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>

namespace {

using Seeds = std::map<std::string, std::vector<std::string>>;

std::string bytes(std::initializer_list<int> values) {
    std::string text;
    for (const int value : values)
        text += static_cast<char>(value);
    return text;
}

GenomeData smallGenome() {
    GenomeData genome;
    int index = 0;
    for (int chromosome = 1; chromosome <= 2; ++chromosome)
        for (int marker = 1; marker <= 3; ++marker)
            genome.markers.push_back(
                {++index, chromosome, markerName(chromosome, marker), 12.5 * (marker - 1)});
    return genome;
}

void dataFiles(Seeds& seeds) {
    seeds["genome"].push_back(genomeText(smallGenome()));

    FounderMarkers founders{3, 2, {1, 1, 2, 2, 3, 3, 1, 2, 2, 1, 0, 0}};
    ProgenyMarkers progeny{2, {1, 1, 2}, {1, 2, 2, 2, 1, 0, 0, 0, 3, 3, 1, 1}};
    TraitData traits{{1, 1, 2}, {10.25, std::numeric_limits<double>::quiet_NaN(), -3}};
    seeds["marker_files"] = {founderMarkersText(founders), progenyMarkersText(progeny),
                             traitText(traits)};

    const AlleleConfiguration configuration{{{1, 2, 1, 2}, {1, 1, 2, 3}}};
    const AllelicValues values{{{0.5, -0.5}, {0.2, 0, -0.3}}};
    seeds["allele_files"] = {bytes({4, 2, 2, 3}) + alleleConfigurationText(configuration),
                             bytes({4, 2, 2, 3}) + allelicValuesText(values)};
}

void pedigrees(Seeds& seeds) {
    seeds["pedigree"] = {pedigreeText({{"F2", 3, 3}, {{1, 2, 40}, {2, 3, 35}, {1, 3, 20}}}),
                         pedigreeText({{"BC1", 0, 2}, {}})};
}

void analysisFiles(Seeds& seeds) {
    auto& out = seeds["analysis_input"];
    // The third set varies both the QTL and the allele numbers, which the
    // dialog never does but a hand-edited file may.
    for (const int variant : {0, 1, 2}) {
        const bool gibbs = variant == 1;
        AnalysisParameters parameters;
        makeExample(parameters, "F2", {{120, 10}, {95, 8}, {60, 5}});
        setQtls(parameters, {{1, 50, 4, 0.5}, {3, 20, 2, 0.1}, {1, 90, 3, 0.2}});
        if (gibbs) {
            parameters.samplingMethod = SamplingMethod::Gibbs;
            parameters.qtlNumberMode = CountMode::Fixed;
            parameters.alleleNumberMode = CountMode::Variable;
            parameters.additionalRunWithoutQtl = true;
        }
        if (variant == 2)
            parameters.alleleNumberMode = CountMode::Variable;
        countQtlsPerChromosome(parameters);
        for (const auto kind : {AnalysisFileKind::Input, AnalysisFileKind::Defaults})
            out.push_back(formatAnalysisInput(analysisInputContent(parameters, kind), kind));
    }
}

void simulationFiles(Seeds& seeds) {
    auto params = confirmedParams({{100, 11}, {80, 9}}, {{1, 30, 2, 0.2}, {2, 40, 3, 0.1}});
    params->allelicValuesInFile = true;
    params->allelicValuesFile = "values";
    for (const auto kind : {SimulationFileKind::Input, SimulationFileKind::Defaults})
        seeds["simulation_input"].push_back(simulationFileText(*params, kind));
}

void viewerFiles(Seeds& seeds) {
    // Chromosome of 20 cM in bins of 4, three replications.
    const auto centres = binCentres(20, 4);
    std::string posterior = "meta_run";
    for (const int centre : centres)
        posterior += " " + std::to_string(centre);
    posterior += "\n";
    for (int run = 1; run <= 3; ++run) {
        posterior += std::to_string(run);
        for (std::size_t k = 0; k < centres.size(); ++k)
            posterior += " " + std::to_string(0.5 * run + static_cast<double>(k));
        posterior += "\n";
    }
    seeds["posterior"].push_back(bytes({20, 0, 4, 3}) + posterior);

    std::string chain;
    for (const std::string& name : chainHeading(2, 1, 2, 4))
        chain += name + " ";
    chain += "\n1 1 10.5 9.8 0.7 33 NA 0.2 NA 0.4 NA 3 NA 0.1 -0.1 0.2 0\n";
    chain += "\n2 2 10.1 9.9 0.6 35 80 0.25 0.1 0.5 0.3 3 2 0.12 -0.1 0.3 -0.2\n";
    seeds["chain"].push_back(chain);

    QtlSummaryTable summary;
    summary.founders = 3;
    summary.rows = {{1, 1, 0.9985, 31, 24.5, 37.25, 0.2143, 0.15, 0.28, 2, {0.31, -0.2, -0.11}},
                    {3, 1, 0.12, 61, 40, 80, NAN, NAN, NAN, 0, {NAN, NAN, NAN}}};
    seeds["qtl_summary"] = {qtlSummaryCsv(summary), "chromosome,region\n"};

    RunPart part = testing_support::sketchPart();
    const std::string whole = runPartText(part);
    part.chains.resize(2);
    part.chainFiles.clear();
    seeds["run_part"] = {whole, runPartText(part)};

    seeds["trait_units"] = {traitUnitsText({"pheno.txt", std::string(64, 'c'), 3}),
                            traitUnitsText({"pheno.txt", std::string(64, '0'), -6})};
}

void importFiles(Seeds& seeds) {
    seeds["csv_import"] = {
        "id,weight,m1,m2,\"m3\"\n,,1,1,2\n,,0,12.5,3\n7,10.5,A,H,B\n8,NA,B,-,A\n9,\"11\",H,A,D\n",
        "weight,m1,m2\r\n,X,1\r\n,0,4\r\n1,A,B\r\n2,C,H\r\n",
    };
    seeds["field_trial"] = {
        "environ,strain,set,y,z\nE1,a,s1,1,2\nE1,b,s1,2,NA\nE1,c,s2,3,4\nE2,a,s1,2,1\n"
        "E2,d,s2,5,6\nE2,x,s2,1,1\n\fenviron,strain,set,y\nE1,k,s1,0\nE1,k,s2,1\n",
        "strain,environ,set,y\na,E,1,1\nb,E,1,2\nc,E,2,3\nd,E,2,4\n\fstrain,environ,set\n",
    };
    seeds["family_import"] = {
        "marker,chromosome,position,P1,P2,P3\nm1,1,0,A,G,G\nm2,1,10,T/C,C,-\nm3,2,5,1,2,3\n"
        "\ffamily,founder_a,founder_b\nF1,P1,P2\nF2,P2,P3\n"
        "\fid,family,y,m3,m1,m2\np1,F1,1.5,1/2,A/G,T\np2,F2,NA,3,G,C/-\np3,F1,2,2,A,X\n",
        "marker,chromosome,position,a,b\nk1,I,0,x,y\n\ffamily,founder_a,founder_b\nf,a,b\n"
        "\fid,family,t,k1\n1,f,0,A\n2,f,1,H\n3,f,2,D\n",
    };
    // A VCF, families.csv, samples.csv and map.csv; without a map the
    // harness takes positions from POS.
    const std::string vcf =
        "##fileformat=VCFv4.2\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"GT\">\n"
        "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tA\tB\tC\tp1\tp2\tp3\n"
        "1\t100\tm1\tA\tG\t.\t.\t.\tGT\t0/0\t1/1\t0/1\t0/1\t1|1\t./1\n"
        "1\t200\tm2\tA\tG,T\t.\t.\t.\tGT\t0/0\t1/1\t0/0\t0/2\t1/1\t0/0\n"
        "2\t300\t.\tC\tT\t.\t.\t.\tGT\t0\t1\t0/0\t0/1\t1/1\t0/.\n";
    const std::string tables = "\ffamily,founder_a,founder_b\nF1,A,B\nF2,C,B\n"
                               "\fid,family,y,z\np1,F1,1.5,2\np2,F1,NA,1\np3,F2,2,3\n\f";
    seeds["vcf_import"] = {vcf + tables + "marker,chromosome,position\nm1,1,0\nm2,1,5\n",
                           vcf + tables};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_seeds FOLDER\n";
        return 2;
    }
    Seeds seeds;
    dataFiles(seeds);
    pedigrees(seeds);
    analysisFiles(seeds);
    simulationFiles(seeds);
    viewerFiles(seeds);
    importFiles(seeds);
    for (const auto& [harness, files] : seeds) {
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / harness;
        std::filesystem::create_directories(folder);
        for (std::size_t k = 0; k < files.size(); ++k)
            if (!writeFileAtomically(folder / ("seed_" + std::to_string(k + 1)), files[k])) {
                std::cerr << "make_seeds: cannot write into " << folder << "\n";
                return 1;
            }
    }
    return 0;
}
