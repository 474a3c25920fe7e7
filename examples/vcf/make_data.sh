#!/usr/bin/env bash
# Makes the VCF example once: Tamsin.exe simulates three F2 families bred
# from four founder lines three times, with the same seed and so the same
# progeny and markers, each time with its QTL elsewhere: three traits
# measured on one population. This script writes the genotypes as a VCF of
# biallelic SNPs (founders and progeny as samples), the map, the families and
# the samples with their three traits. The simulations' logs, which say
# where each trait's QTL is, are kept as simuAl_log_TRAIT.txt.
#
#   examples/vcf/make_data.sh [BIN]      BIN: where Tamsin.exe is
#                                         (default build/bin)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
bin="${1:-$root/build/bin}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

traits=(height yield flowering)
qtlCounts=("1 0 0" "0 1 0" "0 0 1")
qtlPositions=(30 64 45)

# One simulation per trait: three chromosomes of 100 cM with 21 markers each,
# one QTL of two alleles with a variance of 0.4 within families.
simulate() {
    local folder="$1" counts="$2" position="$3"
    mkdir -p "$folder"
    cat > "$folder/simuAl_in.txt" <<PARAMETERS
Genome_infomation_file          genome.txt
F1_marker_genotype_file         f1.txt
Progeny_marker_file             markers.txt
Progeny_trait__file             pheno.txt
Pedigree_structure_file         pedigree.txt

Sample_alleles_for_parents?     n
Input_Allele_value_from_file?   n
Input_Allele_conf_from_file?    n
Save_simulaiton_log_files?      y

Random_number_generator_seed    20261
Residual_phenotypic_variance    0.6

Number_Of__Chromosomes          3
Length_of__Chromosomes         100   100   100
Number_of_mrks_per_chr          21    21    21
Number_of_QTLs_per_chr          $counts
Chromo_position_of_QTL          $position
Number_of_alleles_at_QTL         2
Additive_variance_of_QTL       0.4
PARAMETERS
    cat > "$folder/pedigree.txt" <<'PEDIGREE'
Type_of_inbred_cross          F2

Number_Of_mapping_families    3
Number_Of_founder_pParents    4

Family_1_structures        1     2    80
Family_2_structures        1     3    80
Family_3_structures        1     4    80
PEDIGREE
    # Two marker alleles, as a SNP has; 2% of the progeny's genotypes missing.
    "$bin/Tamsin.exe" --quiet --dir "$folder" --marker-alleles 2 --missing-rate 0.02
}

for k in 0 1 2; do
    simulate "$work/${traits[$k]}" "${qtlCounts[$k]}" "${qtlPositions[$k]}"
done
# The same seed draws the same meioses whatever the QTL: one population.
for trait in "${traits[@]:1}"; do
    cmp -s "$work/${traits[0]}/markers.txt" "$work/$trait/markers.txt" ||
        { echo "make_data.sh: the simulations drew different progeny" >&2; exit 1; }
done

# Marker allele 1 is the reference base, 2 the alternative; a marker at p cM
# stands at base 1 + 500000 p (2 cM per Mb). Four records that the importer
# leaves out, one of each kind, follow the map's markers: a multiallelic SNP,
# an insertion, a SNP not on the map and one without genotypes. A sample
# outside the families, a check variety, is genotyped too. The traits are
# the simulated values in units of their own: height in cm (120 + 8 x),
# yield in t/ha (6 + 0.5 x) and days to flowering (60 + 3 x).
awk -v vcf="$work/calls.vcf" -v map="$here/map.csv" -v families="$here/families.csv" \
    -v samples="$here/samples.csv" '
function gt(x, y) {
    if (x == 0) return "./."
    return (x - 1) "/" (y == 0 ? "." : y - 1)
}
function trait(value, offset, scale) {
    return value == "NA" ? "NA" : sprintf("%.2f", offset + scale * value)
}
BEGIN {
    split("Alba Brix Corin Dune", founder, " ")
    split("AB AC AD", familyName, " ")
    split("A G C T G A T C", base, " ")
}
FILENAME ~ /height\/genome.txt$/ {
    if ($1 < 0) next
    markers++
    name[markers] = $3; chromosome[markers] = $2; position[markers] = $4
    next
}
FILENAME ~ /height\/f1.txt$/ {
    if (FNR <= 2) next
    f++
    for (m = 1; m <= markers; m++) { fa[f, m] = $(2 * m); fb[f, m] = $(2 * m + 1) }
    next
}
FILENAME ~ /pheno.txt$/ {
    if (FNR <= 1) next
    t = FILENAME ~ /height/ ? 1 : FILENAME ~ /yield/ ? 2 : 3
    value[t, $2] = $3
    next
}
FILENAME ~ /height\/markers.txt$/ {
    if (FNR <= 2) next
    n++
    family[n] = $1
    for (m = 1; m <= markers; m++) { ga[n, m] = $(2 * m + 1); gb[n, m] = $(2 * m + 2) }
    next
}
END {
    printf "marker,chromosome,position\n" > map
    for (m = 1; m <= markers; m++)
        printf "%s,%s,%s\n", name[m], chromosome[m], position[m] > map
    printf "family,founder_a,founder_b\n" > families
    for (k = 1; k <= 3; k++)
        printf "%s,%s,%s\n", familyName[k], founder[1], founder[k + 1] > families
    printf "id,family,height,yield,flowering\n" > samples
    for (i = 1; i <= n; i++) {
        id[i] = sprintf("%s%03d", familyName[family[i]], ++inFamily[family[i]])
        printf "%s,%s,%s,%s,%s\n", id[i], familyName[family[i]], trait(value[1, i], 120, 8),
            trait(value[2, i], 6, 0.5), trait(value[3, i], 60, 3) > samples
    }

    printf "##fileformat=VCFv4.2\n" > vcf
    for (c = 1; c <= 3; c++) printf "##contig=<ID=%d,length=50000001>\n", c > vcf
    printf "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n" > vcf
    printf "##FORMAT=<ID=DP,Number=1,Type=Integer,Description=\"Read depth\">\n" > vcf
    printf "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT" > vcf
    for (p = 1; p <= 4; p++) printf "\t%s", founder[p] > vcf
    for (i = 1; i <= n; i++) printf "\t%s", id[i] > vcf
    printf "\tCheck1\n" > vcf
    for (m = 1; m <= markers; m++) {
        b = 2 * ((m - 1) % 4) + 1
        printf "%d\t%d\t%s\t%s\t%s\t.\tPASS\t.\tGT", chromosome[m], 1 + 500000 * position[m],
            name[m], base[b], base[b + 1] > vcf
        for (p = 1; p <= 4; p++) printf "\t%s", gt(fa[p, m], fb[p, m]) > vcf
        for (i = 1; i <= n; i++) printf "\t%s", gt(ga[i, m], gb[i, m]) > vcf
        printf "\t0/0\n" > vcf
    }
    extra["multi"] = "3\t50000001\tC3X01\tA\tC,G\t.\tPASS\t.\tGT"
    extra["indel"] = "3\t50000002\tC3X02\tA\tAT\t.\tPASS\t.\tGT"
    extra["offmap"] = "3\t50000003\tC3X03\tC\tT\t.\tPASS\t.\tGT"
    extra["nogt"] = "3\t50000004\tC3X04\tG\tA\t.\tPASS\t.\tDP"
    split("multi indel offmap nogt", kinds, " ")
    for (k = 1; k <= 4; k++) {
        printf "%s", extra[kinds[k]] > vcf
        for (s = 1; s <= 4 + n + 1; s++)
            printf "\t%s", kinds[k] == "nogt" ? "12" : kinds[k] == "multi" ? (s % 3) "/" (s % 3) : "0/1" > vcf
        printf "\n" > vcf
    }
}
' "$work/height/genome.txt" "$work/height/f1.txt" "$work/height/pheno.txt" \
    "$work/yield/pheno.txt" "$work/flowering/pheno.txt" "$work/height/markers.txt"

gzip -n -9 -c "$work/calls.vcf" > "$here/calls.vcf.gz"
for trait in "${traits[@]}"; do
    cp "$work/$trait/simuAl_log.txt" "$here/simuAl_log_$trait.txt"
done
echo "Wrote calls.vcf.gz, map.csv, families.csv, samples.csv and the three simuAl_log_TRAIT.txt in $here"
