// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ImportToolOptions.h"

#include "model/CommandLine.h"
#include "model/FileError.h"

const char* const importUsage =
    "Usage: marrow-import --cross CROSS [--format csv|csvr] [OPTION]... cross.csv OUTDIR\n"
    "  or:  marrow-import --cross CROSS --format csvs|csvsr --genotypes FILE --phenotypes FILE "
    "[OPTION]... OUTDIR\n"
    "  or:  marrow-import --cross CROSS --founders FILE --families FILE [OPTION]... progeny.csv "
    "OUTDIR\n"
    "  or:  marrow-import --cross CROSS --vcf FILE (--map FILE | --cm-per-mb RATE) --families "
    "FILE\n"
    "                     --samples FILE [--thin CM] [OPTION]... OUTDIR\n"
    "\n"
    "OPTION is one of --codes, --phenotype or --traits, --write-input, --force\n"
    "and, for families, --calls; with --vcf, all but --codes and --calls;\n"
    "in every layout also the field trial's --plots and its options.\n"
    "\n"
    "Converts a cross, or families bred from shared founders, kept in\n"
    "comma-separated tables or in a VCF file into Marrow's data files in\n"
    "OUTDIR, with multAl_in.def: an analysis set up for the data.\n"
    "\n"
    "One cross of two founders, in R/qtl's layouts:\n"
    "  --format       csv (default): a row of phenotype and marker names, a row\n"
    "                 of chromosomes, a row of positions in cM, a row per\n"
    "                 individual; csvr: the same rotated; csvs and csvsr:\n"
    "                 genotypes and phenotypes in two files matched by id\n"
    "  --genotypes    the genotype file of csvs and csvsr (with the other\n"
    "                 layouts: the same as --codes)\n"
    "  --phenotypes   the phenotype file of csvs and csvsr\n"
    "  --cross        bc: backcross to founder 1; f2; dh: doubled haploids;\n"
    "                 riself: recombinant inbred lines by selfing\n"
    "\n"
    "Families from shared founders:\n"
    "  --founders     founders.csv: marker, chromosome, position, then one\n"
    "                 column of alleles per founder\n"
    "  --families     families.csv: family, founder_a, founder_b\n"
    "  --calls        alleles (default): x/y, x, x/-; parental: A, H, B, D, C\n"
    "                 of the family's founder_a and founder_b\n"
    "  --cross        bc1 (backcross to founder_a), bc2 (to founder_b), f2,\n"
    "                 dhl (or dh), ril (or riself)\n"
    "\n"
    "Families in a VCF or BCF file (plain, bgzipped or gzipped):\n"
    "  --vcf          the calls; founders and progeny are its samples. Biallelic\n"
    "                 SNPs are read from GT, phased or not; multiallelic\n"
    "                 records, other than SNPs, records without GT, markers not\n"
    "                 on the map and markers monomorphic among the founders\n"
    "                 are left out and counted\n"
    "  --families     families.csv: family, founder_a, founder_b (VCF samples)\n"
    "  --samples      samples.csv: id (a VCF sample), family, then the traits\n"
    "  --map          map.csv: marker (the VCF's ID), chromosome, position in cM\n"
    "  --cm-per-mb    instead of --map: cM per Mb of POS, chromosomes from CHROM\n"
    "                 (an approximation)\n"
    "  --thin         at most one marker in each CM-long bin of a chromosome,\n"
    "                 from 0 cM: the one telling the most pairs of founders\n"
    "                 apart, then with the fewest missing calls, then the first\n"
    "  --cross        bc1, bc2, f2, dhl or ril, as for families\n"
    "\n"
    "Both:\n"
    "  --codes        the words for founder 1 (a), heterozygous, founder 2 (b)\n"
    "                 and, optionally, not founder 2 and not founder 1\n"
    "                 (default A,H,B,D,C; - and NA are missing)\n"
    "  --phenotype    the phenotype or trait column to use (default: the first;\n"
    "                 in R/qtl's layouts the first that is not the id column)\n"
    "  --traits       all, or NAME,NAME,...: many traits in place of --phenotype,\n"
    "                 one analysis folder per trait in OUTDIR, named after it,\n"
    "                 each with its pheno.txt and multAl_in.def; genome.txt,\n"
    "                 f1.txt, markers.txt and pedigree.txt are written once and\n"
    "                 hard-linked into every folder (copied where the file system\n"
    "                 cannot link). examples/cluster/traits.sh runs them all\n"
    "  --write-input  also write multAl_in.txt, what \"Use default\" and \"Ok\" in\n"
    "                 the analysis dialog would write: Pellarin.exe can run at once\n"
    "  --force        replace files of the same names in OUTDIR (with --traits: in\n"
    "                 trait folders already there), and remove a multAl_in.def or\n"
    "                 trait_units.txt there when the data get none\n"
    "  --help         show this text and stop\n"
    "  --version      show the version and stop\n"
    "\n"
    "Field trials (any layout, with --traits; one cross needs its id column):\n"
    "  --plots        plots.csv: one row per plot, its line (a progeny id or VCF\n"
    "                 sample), environment, block and traits; a trait that\n"
    "                 --traits names and the plots hold is taken from them: each\n"
    "                 line's value is its effect in a least-squares fit of\n"
    "                 line + block within environment over every plot\n"
    "  --line-column, --environment-column\n"
    "                 the plots' columns of the line and the environment\n"
    "  --block-column the plots' column of the block within its environment\n"
    "                 (default: each environment is one block)\n"
    "  --checks       checks.csv: plots of checks and parents in the same layout,\n"
    "                 which tie the blocks together; their values are not written\n"
    "  --by-environment\n"
    "                 also one trait folder per trait and environment, TRAIT@ENV,\n"
    "                 holding that environment's block-adjusted line values\n"
    "\n"
    "A trait whose variance within families the analysis dialog's bounds cannot\n"
    "hold (or too small for readable bounds) is written in units shifted by a\n"
    "power of ten, recorded in trait_units.txt; Pellarin.exe then gives the\n"
    "effects in your units.\n";

ImportToolOptions parseImportOptions(const std::vector<std::string>& args) {
    ImportToolOptions options;
    CommandLine line([](const std::string& word) {
        return "unknown option " + inQuotes(word) + " (see --help)";
    });
    line.flag("--help,-h", options.help);
    line.flag("--version", options.version);
    line.flag("--force", options.force);
    line.flag("--write-input", options.writeInput);
    line.option("--traits", options.traits, "--traits needs all or a list of names");
    line.option("--cross", options.cross, "--cross needs a value");
    line.option("--format", options.format, "--format needs a value");
    line.option("--genotypes", options.genotypes, "--genotypes needs a value");
    line.option("--phenotypes", options.phenotypes, "--phenotypes needs a file");
    line.option("--codes", options.codes, "--codes needs a value");
    line.option("--phenotype", options.phenotype, "--phenotype needs a value");
    line.option("--founders", options.founders, "--founders needs a file");
    line.option("--families", options.families, "--families needs a file");
    line.option("--calls", options.calls, "--calls needs a value");
    line.option("--vcf", options.vcf, "--vcf needs a file");
    line.option("--samples", options.samples, "--samples needs a file");
    line.option("--map", options.map, "--map needs a file");
    line.option("--cm-per-mb", options.cmPerMb, "--cm-per-mb needs a value");
    line.option("--thin", options.thin, "--thin needs a value");
    line.option("--plots", options.plots, "--plots needs a file");
    line.option("--checks", options.checks, "--checks needs a file");
    line.option("--line-column", options.lineColumn, "--line-column needs a column name");
    line.option("--environment-column", options.environmentColumn,
                "--environment-column needs a column name");
    line.option("--block-column", options.blockColumn, "--block-column needs a column name");
    line.flag("--by-environment", options.byEnvironment);
    line.words(options.paths);
    line.parse(args);
    options.manyTraits = line.given("--traits");
    return options;
}
