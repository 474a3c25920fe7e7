#!/bin/bash
# What Tamsin.exe makes of a few small designs over many seeds: whether
# sampled QTL segregate and use every allele, how large the drawn effects
# get, whether --missing-rate leaves the rest of the data alone, how traits
# are written, and how oversized designs end.
#
#   bench/tamsin_examples.sh [TAMSIN]     TAMSIN: default build/bin/Tamsin.exe
#
# Runs about 1000 small simulations in a temporary folder (a few minutes).
T=${1:-build/bin/Tamsin.exe}
T=$(cd "$(dirname "$T")" && pwd)/$(basename "$T")
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
par() { # conf(y/n) alleles variance
cat <<P
Genome_infomation_file          genome.txt
F1_marker_genotype_file         f1.txt
Progeny_marker_file             markers.txt
Progeny_trait__file             pheno.txt
Pedigree_structure_file         pedigree.txt

Sample_alleles_for_parents?     y
Input_Allele_value_from_file?   n
Input_Allele_conf_from_file?    $1
$( [ "$1" = y ] && echo "__IF'y'=>Allele_Config_file:    conf.txt" )
Save_simulaiton_log_files?      y

Random_number_generator_seed    949043
Residual_phenotypic_variance    0.7

Number_Of__Chromosomes          1
Length_of__Chromosomes        100
Number_of_mrks_per_chr         11
Number_of_QTLs_per_chr          1
Chromo_position_of_QTL         35
Number_of_alleles_at_QTL        $2
Additive_variance_of_QTL      $3
P
}
ped() { # founders then families "a b n"...
  echo "Type_of_inbred_cross          F2"; echo; echo "Number_Of_mapping_families    $(( ($#-1)/3 ))"
  echo "Number_Of_founder_pParents    $1"; echo; shift; f=1
  while [ $# -gt 0 ]; do echo "Family_${f}_structures  $1 $2 $3"; shift 3; f=$((f+1)); done
}
run() { "$T" --quiet --dir "$W" --seed $1 "${@:2}" 2>"$W/err"; echo $?; }
constant() { awk 'NR>1{v[$3]=1} END{print (length(v)==1)?1:0}' "$W/pheno.txt"; }
maxeff() { awk '/Allele_values/{for(i=2;i<=NF;i++){x=$i<0?-$i:$i; if(x>m)m=x}} END{print m+0}' "$W/simuAl_log.txt"; }
mean() { awk 'NR>1{s+=$3;n++} END{m=s/n; print (m<0?-m:m)}' "$W/pheno.txt"; }

echo "== one F2 family of 2 founders (100 progeny), QTL of 2 alleles, variance 0.3, 200 seeds"
par n 2 0.3 > $W/simuAl_in.txt; ped 2 1 2 100 > $W/pedigree.txt
same=0; const=0; fail=0; bigeff=0; bigmean=0; maxe=0; maxm=0
for s in $(seq 1 200); do
  rc=$(run $s); if [ $rc != 0 ]; then fail=$((fail+1)); continue; fi
  a=$(awk '/Founders._alleles/{print ($2==$3)}' $W/simuAl_log.txt); same=$((same+a))
  const=$((const+$(constant)))
  e=$(maxeff); m=$(mean)
  maxe=$(awk -v a=$maxe -v b=$e 'BEGIN{print (b>a)?b:a}'); maxm=$(awk -v a=$maxm -v b=$m 'BEGIN{print (b>a)?b:a}')
  bigeff=$((bigeff+$(awk -v e=$e 'BEGIN{print (e>10)?1:0}')))
done
echo "runs refused: $fail; founders share the allele: $same; constant trait written: $const; runs with an effect above 10: $bigeff; largest |effect| $maxe; largest |trait mean| $maxm"

echo "== one allele among four founders (families 1x2, 3x4), variance 0.3, seed 3"
par n 1 0.3 > $W/simuAl_in.txt; ped 4 1 2 100 3 4 100 > $W/pedigree.txt
rc=$(run 3); echo "exit $rc; $(cat $W/err | head -1); constant trait: $([ $rc = 0 ] && constant)"

echo "== families 1x2 and 3x4 of 100, QTL of 2 alleles sampled, variance 0.3, 200 seeds"
par n 2 0.3 > $W/simuAl_in.txt; ped 4 1 2 100 3 4 100 > $W/pedigree.txt
ok=0; noseg=0; refused=0
for s in $(seq 1 200); do
  rc=$(run $s); if [ $rc != 0 ]; then refused=$((refused+1)); continue; fi
  ok=$((ok+1)); noseg=$((noseg+$(awk '/Founders._alleles/{print ($2==$3 && $4==$5)?1:0}' $W/simuAl_log.txt)))
done
echo "written: $ok (of which segregating in neither family: $noseg); refused: $refused"

echo "== four founders (families 1x2, 2x3, 3x4 of 100), QTL of 4 alleles, 200 seeds: number of distinct alleles"
par n 4 0.3 > $W/simuAl_in.txt; ped 4 1 2 100 2 3 100 3 4 100 > $W/pedigree.txt
for s in $(seq 1 200); do run $s >/dev/null; awk '/Founders._alleles/{delete u; for(i=2;i<=NF;i++)u[$i]=1; print length(u)}' $W/simuAl_log.txt; done | sort | uniq -c

echo "== families 1x2 and 3x4, alleles 2 2 1 1 from a file, variance 0.3"
par y 2 0.3 > $W/simuAl_in.txt; ped 4 1 2 100 3 4 100 > $W/pedigree.txt; echo "QTL_1 2 2 1 1" > $W/conf.txt
rc=$(run 1); echo "exit $rc; $(head -1 $W/err)"; [ $rc = 0 ] && grep -i "share\|Genetic_variance" $W/simuAl_log.txt
rm -f $W/conf.txt

echo "== --missing-rate 0.2 against none, same seed (demo-like: 4 founders, 3 families)"
par n 4 0.3 > $W/simuAl_in.txt; ped 4 1 2 100 2 3 100 3 4 100 > $W/pedigree.txt
run 7 >/dev/null; cp $W/markers.txt $W/m0; cp $W/pheno.txt $W/p0
run 7 --missing-rate 0.2 >/dev/null
paste -d'|' <(tail -n +3 $W/m0) <(tail -n +3 $W/markers.txt) | awk -F'|' '{
  n = split($1, a, /[ \t]+/); split($2, b, /[ \t]+/)
  for (i = 3; i <= n; i++) if (b[i] != 0) { k++; if (a[i] == b[i]) same++ } }
  END { printf "allele codes kept that agree with the run without missing data: %.1f%% of %d\n", 100 * same / k, k }'
cmp -s $W/p0 $W/pheno.txt && echo "traits identical" || echo "traits differ"

echo "== trait digits"; sed -n 2,3p $W/pheno.txt

echo "== oversized inputs (memory capped at 3 GB, so that a run that tries to hold them fails fast)"
ulimit -v 3000000
par n 2 0.3 | sed 's/^Number_of_mrks_per_chr.*/Number_of_mrks_per_chr  100000000/' > $W/simuAl_in.txt; ped 2 1 2 100 > $W/pedigree.txt
rc=$(run 1); echo "1e8 markers: exit $rc; $(head -c 200 $W/err | head -2 | tr '\n' ' ')"
par n 2 0.3 > $W/simuAl_in.txt; ped 2 1 2 2000000000 > $W/pedigree.txt
rc=$(run 1); echo "2e9 progeny: exit $rc; $(head -c 200 $W/err | head -2 | tr '\n' ' ')"
par n 2 0.3 | sed 's/^Length_of__Chromosomes.*/Length_of__Chromosomes  1e12/' > $W/simuAl_in.txt; ped 2 1 2 100 > $W/pedigree.txt
rc=$(timeout 120 "$T" --quiet --dir "$W" --seed 1 2>"$W/err"; echo $?); echo "1e12 cM: exit $rc; $(head -c 200 $W/err | head -2 | tr '\n' ' ')"
