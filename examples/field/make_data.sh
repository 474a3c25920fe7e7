#!/usr/bin/env bash
# Makes the field trial example once. Tamsin.exe simulates four RIL families
# bred from one common founder line crossed with four others, their markers
# and each line's true value, with one QTL (chromosome 1 at 30 cM) that acts
# everywhere. This script then grows the lines in a trial: six environments,
# each family's lines in three sets (field blocks) per environment with a
# check variety in every set, environment and block effects, plot noise,
# and a second QTL (chromosome 3 at 60 cM, the marker there) that acts in
# three of the six environments only. It writes the genotypes as the three
# tables of families (founders.csv, families.csv, progeny.csv, whose trait
# column is each line's plain mean over its plots), the plots (plots.csv)
# and the check's plots (checks.csv), in SoyNAM's layout. The simulation's
# log is kept as simuAl_log.txt.
#
#   examples/field/make_data.sh [BIN]      BIN: where Tamsin.exe is
#                                           (default build/bin)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
bin="${1:-$root/build/bin}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Three chromosomes of 100 cM with 21 markers each (one every 5 cM); the
# QTL of all environments at 30 cM on chromosome 1, two alleles, variance
# 0.4 within families beside a residual of 0.3.
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

Random_number_generator_seed    20262
Residual_phenotypic_variance    0.3

Number_Of__Chromosomes          3
Length_of__Chromosomes         100   100   100
Number_of_mrks_per_chr          21    21    21
Number_of_QTLs_per_chr           1     0     0
Chromo_position_of_QTL          30
Number_of_alleles_at_QTL         2
Additive_variance_of_QTL       0.4
PARAMETERS

cat > "$work/pedigree.txt" <<'PEDIGREE'
Type_of_inbred_cross          RIL

Number_Of_mapping_families    4
Number_Of_founder_pParents    5

Family_1_structures        1     2    60
Family_2_structures        1     3    60
Family_3_structures        1     4    60
Family_4_structures        1     5    60
PEDIGREE

# Founder p carries marker code p everywhere, so every marker tells the
# common founder from the other.
"$bin/Tamsin.exe" --quiet --dir "$work"

# The trial. A line's plot: 50 + 5 x (true value + the second QTL's effect
# where it acts + environment + block + noise). The second QTL adds 0.6 for
# the common founder's allele at marker C3M13 (60 cM) and takes 0.6 for the
# other's, in North_2021, North_2022 and West_2021. awk's generator is
# seeded, so the files come out the same every time.
awk -v founders="$here/founders.csv" -v families="$here/families.csv" \
    -v progeny="$here/progeny.csv" -v plots="$here/plots.csv" -v checks="$here/checks.csv" '
function normal() { return sqrt(-2 * log(1 - rand())) * cos(6.283185307179586 * rand()) }
function word(code) { return code == 1 ? "A" : "G" }
BEGIN {
    srand(20263)
    split("Ames Bell Clay Dale Eden", name, " ")
    split("AB AC AD AE", familyName, " ")
    environments = 6
    split("North_2021 North_2022 South_2021 South_2022 West_2021 West_2022", place, " ")
    split("1 1 0 0 1 0", acts, " ")
    split("0 1.2 -0.8 0.4 1.6 -1.4", placeEffect, " ")
}
FILENAME ~ /genome.txt$/ {
    if ($1 < 0) next
    markers++
    marker[markers] = $3; chromosome[markers] = $2; position[markers] = $4
    if ($2 == 3 && $4 == 60) bound = markers
    next
}
FILENAME ~ /pheno.txt$/ {
    if (FNR <= 1) next
    truth[$2] = $3
    next
}
FILENAME ~ /markers.txt$/ {
    if (FNR <= 2) next
    n++
    family[n] = $1
    for (m = 1; m <= markers; m++) code[n, m] = $(2 * m + 1)
    id[n] = sprintf("%s%03d", familyName[$1], ++inFamily[$1])
    next
}
END {
    printf "family,founder_a,founder_b\n" > families
    for (k = 1; k <= 4; k++) printf "%s,%s,%s\n", familyName[k], name[1], name[k + 1] > families
    printf "marker,chromosome,position,%s,%s,%s,%s,%s\n", name[1], name[2], name[3], name[4],
        name[5] > founders
    for (m = 1; m <= markers; m++) {
        printf "%s,%s,%s", marker[m], chromosome[m], position[m] > founders
        for (p = 1; p <= 5; p++) printf ",%s", word(p) > founders
        printf "\n" > founders
    }
    header = "environ,strain,family,set,yield"
    print header > plots
    print header > checks
    for (e = 1; e <= environments; e++) {
        for (k = 1; k <= 4; k++) {
            # The lines of the family in a new order each environment, dealt
            # into three sets of 20.
            count = 0
            for (i = 1; i <= n; i++) if (family[i] == k) order[++count] = i
            for (i = count; i > 1; i--) {
                j = 1 + int(rand() * i); t = order[i]; order[i] = order[j]; order[j] = t
            }
            for (s = 1; s <= 3; s++) {
                set = sprintf("%s-%d", familyName[k], s)
                block = 0.5 * normal()
                value = 0.3 * normal()
                printf "%s,Check,%s,%s,%.3f\n", place[e], familyName[k], set,
                    50 + 5 * (value + placeEffect[e] + block + 0.3 * normal()) > checks
                for (r = (s - 1) * 20 + 1; r <= s * 20; r++) {
                    i = order[r]
                    # One plot in twenty is lost.
                    if (rand() < 0.05) continue
                    second = acts[e] ? (code[i, bound] == 1 ? 0.6 : -0.6) : 0
                    y = 50 + 5 * (truth[i] + second + placeEffect[e] + block + 0.3 * normal())
                    printf "%s,%s,%s,%s,%.3f\n", place[e], id[i], familyName[k], set, y > plots
                    sum[i] += y; plotted[i]++
                }
            }
        }
    }
    printf "id,family,plain_mean" > progeny
    for (m = 1; m <= markers; m++) printf ",%s", marker[m] > progeny
    printf "\n" > progeny
    for (i = 1; i <= n; i++) {
        printf "%s,%s,%s", id[i], familyName[family[i]],
            plotted[i] ? sprintf("%.3f", sum[i] / plotted[i]) : "NA" > progeny
        for (m = 1; m <= markers; m++)
            printf ",%s", code[i, m] == 0 ? "NA" : word(code[i, m]) > progeny
        printf "\n" > progeny
    }
}
' "$work/genome.txt" "$work/pheno.txt" "$work/markers.txt"

cp "$work/simuAl_log.txt" "$here/simuAl_log.txt"
echo "Wrote founders.csv, families.csv, progeny.csv, plots.csv, checks.csv and simuAl_log.txt in $here"
