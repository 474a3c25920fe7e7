#!/usr/bin/env bash
# Makes the diallel example once: Tamsin.exe simulates three F2 families of
# the three crosses between three founder lines, and this script writes its
# files as the three tables marrow-import reads (founders.csv, families.csv,
# progeny.csv). The simulation's log, which says where the QTL is, is kept as
# simuAl_log.txt.
#
#   examples/diallel/make_data.sh [BIN]      BIN: where Tamsin.exe is
#                                             (default build/bin)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
bin="${1:-$root/build/bin}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Three chromosomes of 100 cM with 11 markers each; one QTL at 42 cM on
# chromosome 2, three alleles (each founder its own), a QTL variance of 0.4
# (45% of the trait's variance in the data drawn).
cat > "$work/simuAl_in.txt" <<'PARAMETERS'
Genome_infomation_file          genome.txt
F1_marker_genotype_file         f1.txt
Progeny_marker_file             markers.txt
Progeny_trait__file             pheno.txt
Pedigree_structure_file         pedigree.txt

Sample_alleles_for_parents?     n
Input_Allele_value_from_file?   n
Input_Allele_conf_from_file?    n
Save_simulaiton_log_files?      y

Random_number_generator_seed    20240
Residual_phenotypic_variance    0.6

Number_Of__Chromosomes          3
Length_of__Chromosomes         100   100   100
Number_of_mrks_per_chr          11    11    11
Number_of_QTLs_per_chr           0     1     0
Chromo_position_of_QTL          42
Number_of_alleles_at_QTL         3
Additive_variance_of_QTL       0.4
PARAMETERS

cat > "$work/pedigree.txt" <<'PEDIGREE'
Type_of_inbred_cross          F2

Number_Of_mapping_families    3
Number_Of_founder_pParents    3

Family_1_structures        1     2    80
Family_2_structures        1     3    80
Family_3_structures        2     3    80
PEDIGREE

# Marker codes drawn from four alleles, so that founders share some; 2% of
# the progeny's genotypes missing.
"$bin/Tamsin.exe" --quiet --dir "$work" --marker-alleles 4 --missing-rate 0.02

# Codes 1..4 become the nucleotides A, C, G, T; founders are Ash, Birch and
# Cedar; the trait, a weight in grams, is 50 + 5 times the simulated value.
awk -v founders="$here/founders.csv" -v families="$here/families.csv" \
    -v progeny="$here/progeny.csv" '
function word(code) { return code == 0 ? "" : substr("ACGT", code, 1) }
function founderCell(x, y) {
    if (x == 0) return "-"
    return x == y ? word(x) : word(x) "/" word(y)
}
function progenyCell(x, y) {
    if (x == 0 && y == 0) return "NA"
    if (y == 0) return word(x) "/-"
    return x == y ? word(x) : word(x) "/" word(y)
}
BEGIN {
    split("Ash Birch Cedar", name, " ")
    split("AB AC BC", familyName, " ")
    split("1 1 2", familyA, " ")
    split("2 3 3", familyB, " ")
}
FILENAME ~ /genome.txt$/ {
    if ($1 < 0) next
    markers++
    marker[markers] = $3; chromosome[markers] = $2; position[markers] = $4
    next
}
FILENAME ~ /f1.txt$/ {
    if (FNR <= 2) next
    f++
    for (m = 1; m <= markers; m++) allele[f, m] = founderCell($(2 * m), $(2 * m + 1))
    next
}
FILENAME ~ /pheno.txt$/ {
    if (FNR <= 1) next
    weight[$2] = $3 == "NA" ? "NA" : sprintf("%.2f", 50 + 5 * $3)
    next
}
FILENAME ~ /markers.txt$/ {
    if (FNR == 1) {
        printf "family,founder_a,founder_b\n" > families
        for (k = 1; k <= 3; k++)
            printf "%s,%s,%s\n", familyName[k], name[familyA[k]], name[familyB[k]] > families
        printf "marker,chromosome,position,%s,%s,%s\n", name[1], name[2], name[3] > founders
        for (m = 1; m <= markers; m++) {
            printf "%s,%s,%s", marker[m], chromosome[m], position[m] > founders
            for (k = 1; k <= 3; k++) printf ",%s", allele[k, m] > founders
            printf "\n" > founders
        }
        printf "id,family,weight" > progeny
        for (m = 1; m <= markers; m++) printf ",%s", marker[m] > progeny
        printf "\n" > progeny
    }
    if (FNR <= 2) next
    inFamily[$1]++
    printf "%s%03d,%s,%s", familyName[$1], inFamily[$1], familyName[$1], weight[$2] > progeny
    for (m = 1; m <= markers; m++) printf ",%s", progenyCell($(2 * m + 1), $(2 * m + 2)) > progeny
    printf "\n" > progeny
}
' "$work/genome.txt" "$work/f1.txt" "$work/pheno.txt" "$work/markers.txt"

cp "$work/simuAl_log.txt" "$here/simuAl_log.txt"
echo "Wrote founders.csv, families.csv, progeny.csv and simuAl_log.txt in $here"
