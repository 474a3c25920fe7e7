// SPDX-License-Identifier: GPL-3.0-or-later
// marrow-import --vcf at the scale of a nested association panel: 26
// founders, 25 F2 families of 200 (founder 0 crossed with each other one),
// 10,000 SNPs on 10 chromosomes, written once as a bgzipped VCF (about
// 140 MB, calls with quality and depth) with its map and tables. The
// benchmark times the whole import: reading, converting and writing the
// data files.

#include "import/ImportTool.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <htslib/bgzf.h>
#include <sys/resource.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int founderCount = 26;
constexpr int familySize = 200;
constexpr int familyCount = founderCount - 1;
constexpr int progenyCount = familyCount * familySize;
constexpr int markerCount = 10000;
constexpr int chromosomeCount = 10;

// A small generator of our own (splitmix64): the same file on every
// machine, which the standard distributions do not promise.
class Bits {
public:
    explicit Bits(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    /// True with probability `share`.
    bool chance(double share) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < share; }

private:
    std::uint64_t m_state;
};

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// One record: founders homozygous for a random allele (1 in 20 records
// monomorphic among them), F2 progeny drawing one allele from each founder
// of their family, 2% of calls missing, half the records phased.
std::string recordLine(int marker, Bits& bits) {
    const int chromosome = marker * chromosomeCount / markerCount + 1;
    const long long pos = 1000 + 15000LL * (marker % (markerCount / chromosomeCount));
    std::string line = std::to_string(chromosome) + "\t" + std::to_string(pos) + "\tsnp" +
                       std::to_string(marker + 1) + "\tA\tG\t.\tPASS\t.\tGT:GQ:DP";
    int founders[founderCount];
    const bool monomorphic = bits.chance(0.05);
    for (int& allele : founders)
        allele = monomorphic ? 0 : static_cast<int>(bits.next() & 1);
    // Sequencing calls come with their quality and depth, which make up
    // most of a real file's bytes; the import reads past them.
    const auto quality = [&bits](std::string& text) {
        const std::uint64_t draw = bits.next();
        text += ':' + std::to_string(draw % 99) + ':' + std::to_string((draw >> 8) % 60);
    };
    for (const int allele : founders) {
        line += allele == 0 ? "\t0/0" : "\t1/1";
        quality(line);
    }
    const char separator = marker % 2 == 0 ? '|' : '/';
    for (int p = 0; p < progenyCount; ++p) {
        const int mother = founders[0];
        const int father = founders[1 + p / familySize];
        const std::uint64_t draw = bits.next();
        if (draw % 50 == 0) {
            line += "\t./.:0:0";
            continue;
        }
        line += '\t';
        line += static_cast<char>('0' + ((draw >> 8) & 1 ? mother : father));
        line += separator;
        line += static_cast<char>('0' + ((draw >> 9) & 1 ? mother : father));
        quality(line);
    }
    return line + "\n";
}

// Writes calls.vcf.gz, map.csv, families.csv and samples.csv into `folder`.
void writePanel(const fs::path& folder) {
    Bits bits(2611);
    BGZF* out = bgzf_open((folder / "calls.vcf.gz").c_str(), "w");
    if (!out)
        throw std::runtime_error("cannot write calls.vcf.gz");
    std::string heading = "##fileformat=VCFv4.2\n"
                          "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
                          "##FORMAT=<ID=GQ,Number=1,Type=Integer,Description=\"Quality\">\n"
                          "##FORMAT=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n";
    for (int c = 1; c <= chromosomeCount; ++c)
        heading += "##contig=<ID=" + std::to_string(c) + ">\n";
    heading += "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
    for (int f = 0; f < founderCount; ++f)
        heading += "\tfounder" + std::to_string(f + 1);
    for (int p = 0; p < progenyCount; ++p)
        heading += "\tp" + std::to_string(p + 1);
    heading += "\n";
    bool written = bgzf_write(out, heading.data(), heading.size()) >= 0;
    std::string map = "marker,chromosome,position\n";
    for (int m = 0; m < markerCount && written; ++m) {
        const std::string line = recordLine(m, bits);
        written = bgzf_write(out, line.data(), line.size()) >= 0;
        map += "snp" + std::to_string(m + 1) + "," +
               std::to_string(m * chromosomeCount / markerCount + 1) + "," +
               std::to_string(0.015 * (m % (markerCount / chromosomeCount))) + "\n";
    }
    if (bgzf_close(out) != 0 || !written)
        throw std::runtime_error("cannot write calls.vcf.gz");
    writeText(folder / "map.csv", map);
    std::string families = "family,founder_a,founder_b\n";
    for (int f = 1; f <= familyCount; ++f)
        families += "F" + std::to_string(f) + ",founder1,founder" + std::to_string(f + 1) + "\n";
    writeText(folder / "families.csv", families);
    std::string samples = "id,family,yield\n";
    for (int p = 0; p < progenyCount; ++p)
        samples += "p" + std::to_string(p + 1) + ",F" + std::to_string(p / familySize + 1) + "," +
                   std::to_string(50 + static_cast<int>(bits.next() % 100) / 10.0) + "\n";
    writeText(folder / "samples.csv", samples);
}

// The panel, written at the first use and kept for the program's life.
const TempDir& panel() {
    static const TempDir folder;
    static const bool written = (writePanel(folder.path()), true);
    (void)written;
    return folder;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void VcfImport(benchmark::State& state) {
    const TempDir& folder = panel();
    const double before = peakMegabytes();
    ImportRequest request;
    request.layout = ImportLayout::Vcf;
    request.cross = ProgenyType::F2;
    request.vcf = (folder / "calls.vcf.gz").string();
    request.map = (folder / "map.csv").string();
    request.families = (folder / "families.csv").string();
    request.samples = (folder / "samples.csv").string();
    request.folder = folder / "out";
    request.force = true;
    if (state.range(0) > 0)
        request.thin = static_cast<double>(state.range(0));
    std::size_t markers = 0;
    for (auto _ : state) {
        const ImportResult result = importData(request);
        markers = result.summary.size();
    }
    benchmark::DoNotOptimize(markers);
    std::error_code ignored;
    state.counters["vcf_mb"] =
        static_cast<double>(fs::file_size(folder / "calls.vcf.gz", ignored)) / 1e6;
    state.counters["markers_txt_mb"] =
        static_cast<double>(fs::file_size(folder / "out" / "markers.txt", ignored)) / 1e6;
    state.counters["peak_rss_mb"] = peakMegabytes();
    state.counters["peak_before_mb"] = before;
}

} // namespace

BENCHMARK(VcfImport)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
