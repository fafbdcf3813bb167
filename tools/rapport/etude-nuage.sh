#!/usr/bin/env bash
# The accuracy and coverage study of the photogrammetric road: for each seed,
# rugosite-synthese makes a cloud of known sigma and L (exponential covariance,
# spectral modes, turned, tilted, shifted) in a fresh temporary folder; plyunpack,
# markerpick, framefit, delimiter and echantillonnage make its grid, and
# rugosite-rapport measures it with its default settings, its bootstrap seeded
# by the trial's seed: with one seed for all, every trial's intervals would
# share the same simulated surfaces, and so the same error. One Markdown table
# line per case: the median of the reported sigma and L (exponential model) over
# the truth, how often their 95 % intervals hold the truth, with the misses on
# each side, the trials, those unresolved and those where a program failed.
# Trials run two at a time, niced, the report on one thread each (its figures
# do not depend on the thread count). The table goes into docs/guide.md
# (section 10, "voie photogrammetrique").
#
# usage: tools/rapport/etude-nuage.sh [build dir] [trials] [points] [K] [case...]
#        tools/rapport/etude-nuage.sh --tableau FOLDER [case...]
# (build/release, 200 trials, 500000 points, K = 100 simulated surfaces, the
# report's default; cases: demo, pas100, L19, all three when none is given.)
# The trials' figures, one line each, are kept in
# $ETUDE_NUAGE_DOSSIER/etude-nuage-<case>.tsv when that folder is given. --tableau
# prints the table again from such a folder. ETUDE_NUAGE_FILS: trials at a time (2).
# ETUDE_NUAGE_RAPPORT: more options for the report (for example "--pepite nulle").
set -euo pipefail
if [[ $# == 1 && ( $1 == --aide || $1 == -h || $1 == --help ) ]]; then
  cat <<'AIDE'
usage : tools/rapport/etude-nuage.sh [construction] [essais] [points] [K] [cas...]
        tools/rapport/etude-nuage.sh --tableau DOSSIER [cas...]
Etude de precision de la voie photogrammetrique : pour chaque graine, un nuage
de sigma = 1 et L connus (rugosite-synthese nuage) passe par plyunpack,
markerpick, framefit, delimiter, echantillonnage et rugosite-rapport (K tirages)
dans un dossier temporaire ; une ligne de tableau markdown par cas : medianes
de sigma et L rapportees a la verite (corrigees, et brutes entre parentheses),
couverture des intervalles a 95 % et manques de chaque cote.
Parametres : construction build/release, 200 essais, 500000 points, K = 100 ;
cas demo (200 pas, r = 0,35, L = 10), pas100 (100 pas, L = 10), L19 (200 pas,
L = 19) ; les trois sans cas nomme. Deux essais a la fois (ETUDE_NUAGE_FILS).
Fichiers : ecrit seulement dans un dossier temporaire, supprime a la fin ; avec
ETUDE_NUAGE_DOSSIER, garde les chiffres de chaque essai dans
etude-nuage-<cas>.tsv de ce dossier ; --tableau refait le tableau de ces fichiers.
Duree : environ 5 s de processeur par essai de 200 pas avec K = 100 (2 s a 100 pas).
Statut de sortie : 0 fait ; 1 programme non construit ou cas inconnu.
AIDE
  exit 0
fi
tableau=
if [[ ${1-} == --tableau ]]; then
  tableau=$(cd "${2:?dossier}" && pwd)
  shift 2
  set -- build/release 0 0 0 "$@"
fi
cd "$(dirname "$0")/../.."
build=$(cd "${1:-build/release}" 2>/dev/null && pwd || echo "${1:-build/release}")
essais=${2:-200}
points=${3:-500000}
K=${4:-100}
shift $(($# < 4 ? $# : 4))
cas=("$@")
((${#cas[@]} > 0)) || cas=(demo pas100 L19)
bin=$build/bin
for programme in rugosite-synthese plyunpack markerpick framefit delimiter echantillonnage rugosite-rapport; do
  if [[ -z $tableau && ! -x $bin/$programme ]]; then
    echo "construire d'abord : cmake --build $build --target $programme" >&2
    exit 1
  fi
done
travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT
garde=${tableau:-${ETUDE_NUAGE_DOSSIER:-$travail}}
mkdir -p "$garde"

# One trial: seed, L, grid steps, capture radius. Prints
# the exponential model's "seed sigma sigma_low sigma_high L L_low L_high
# resolved sigma_fit L_fit" (the last two before the bias correction; separated
# by tabs, a missing figure empty), or "seed echec program" when a program of
# the road stops.
essai() {
  local graine=$1 longueur=$2 pas=$3 rayon=$4 dossier
  # A study stopped midway removes its folder: its trials still under way must
  # not go on in whatever folder they stand in.
  dossier=$(mktemp -d "$travail/essai.XXXXXX") && cd "$dossier" || return 1
  local etape
  for etape in "rugosite-synthese nuage --graine $graine --points $points --longueur $longueur" plyunpack markerpick \
    framefit delimiter "echantillonnage $pas $rayon" "rugosite-rapport --fils 1 --tirages $K --graine $graine ${ETUDE_NUAGE_RAPPORT:-}"; do
    # shellcheck disable=SC2086 # the words of the step
    if ! nice -n 10 "$bin"/$etape >/dev/null 2>&1 </dev/null; then
      printf '%s\techec\t%s\n' "$graine" "${etape%% *}"
      cd / && rm -rf "$dossier"
      return 0
    fi
  done
  awk -F, -v OFS='\t' -v graine="$graine" '
    NR == 1 { for (i = 1; i <= NF; i++) c[$i] = i }
    NR == 2 { print graine, $c["sigma_exp"], $c["sigma_bas_exp"], $c["sigma_haut_exp"], $c["L_exp"], $c["L_bas_exp"],
              $c["L_haut_exp"], $c["resolu_exp"], brut("sigma_ajuste"), brut("L_ajuste") }
    function brut(cle,   ligne, v) { # in the exponential fit, the first of rapport.json
      while ((getline ligne < "rapport.json") > 0) {
        if (ligne ~ /"gaussien": \{/) break # an unresolved fit has none of its own
        if (ligne ~ "\"" cle "\":") { sub(/.*: */, "", ligne); sub(/,$/, "", ligne); v = ligne; break }
      }
      close("rapport.json")
      return v == "" ? "-" : v
    }' rapport.csv
  cd / && rm -rf "$dossier"
}
export -f essai
export bin points K travail ETUDE_NUAGE_RAPPORT

# The table line of one case from its trials' lines: truth sigma = 1, L.
ligne() { # name L steps radius trials-file
  sort -n "$5" | awk -F '\t' -v nom="$1" -v L="$2" -v pas="$3" -v rayon="$4" '
    function mediane(v, n,   i, j, t) {
      for (i = 2; i <= n; i++) { t = v[i]; for (j = i - 1; j >= 1 && v[j] > t; j--) v[j + 1] = v[j]; v[j + 1] = t }
      return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    function couv(ok, dessous, dessus, n,   p) {
      if (n == 0) return "- | -"
      p = ok / n
      return sprintf("%.1f ± %.1f %% | %.1f / %.1f %%", 100 * p, 196 * sqrt(p * (1 - p) / n), 100 * dessous / n,
                     100 * dessus / n)
    }
    $2 == "echec" { echecs++; next }
    {
      n++; s[n] = $2; l[n] = $5 / L
      # An unresolved fit (in these cases, one whose correction would take L
      # beyond the extent of the grid) counts above every other in the
      # corrected medians, as the grid study counts its corrected figures.
      if ($8 != 1) { s[n] = 1e300; l[n] = 1e300 }
      # Without draws, or unresolved, the raw figures are those of the fit.
      sb[n] = $9 ~ /^-?$/ || $8 != 1 ? $2 : $9; lb[n] = ($10 ~ /^-?$/ || $8 != 1 ? $5 : $10) / L
      if ($8 != 1) nonres++
      # Not resolved, with the ends the grid still gives on one side: the
      # lower ends alone (a grid too short for L) hold the truth or miss
      # above, the upper ends alone (a step too long for L) or miss below.
      if ($8 != 1 && $6 != "" && $7 == "") {
        r++
        if ($3 > 1) sdessus++; else sok++
        if ($6 > L) ldessus++; else lok++
        next
      }
      if ($8 != 1 && $6 == "" && $7 != "") {
        r++
        if ($4 < 1) sdessous++; else sok++
        if ($7 < L) ldessous++; else lok++
        next
      }
      if ($8 != 1 || $6 == "") next
      r++
      if ($4 < 1) sdessous++; else if ($3 > 1) sdessus++; else sok++
      if ($7 < L) ldessous++; else if ($6 > L) ldessus++; else lok++
    }
    END {
      printf "| %s | %d pas, r = %s | %d | %d (%d, %d) | %.3f (%.3f) | %.3f (%.3f) | %s | %s |\n", nom, pas, rayon, L,
        n + echecs, nonres, echecs, mediane(s, n), mediane(sb, n), mediane(l, n), mediane(lb, n),
        couv(sok, sdessous, sdessus, r), couv(lok, ldessous, ldessus, r)
    }'
}

echo "| cas | echantillonnage | L (% du cote) | essais (non resolus, echecs) | sigma/sigma vrai : mediane corrigee (brute) | L/L vrai : mediane corrigee (brute) | couverture sigma | sigma manquee dessous / dessus | couverture L | L manquee dessous / dessus |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for un in "${cas[@]}"; do
  case $un in
  demo) reglage=(10 200 0.35 1000) ;;  # the demonstration: L = 20 steps, grid 10 L wide
  pas100) reglage=(10 100 0.35 2000) ;; # a coarser grid: L = 10 steps
  L19) reglage=(19 200 0.35 3000) ;;    # a grid about 5 L wide: L = 38 steps
  *) echo "cas inconnu : $un (demo, pas100 ou L19)" >&2; exit 1 ;;
  esac
  fichier=$garde/etude-nuage-$un.tsv
  if [[ -n $tableau && ! -f $fichier ]]; then
    echo "pas de $fichier" >&2
    continue
  fi
  [[ -n $tableau ]] || seq "${reglage[3]}" $((reglage[3] + essais - 1)) |
    xargs -P "${ETUDE_NUAGE_FILS:-2}" -I{} bash -c 'essai "$@"' _ {} "${reglage[0]}" "${reglage[1]}" "${reglage[2]}" >"$fichier"
  ligne "$un" "${reglage[0]}" "${reglage[1]}" "${reglage[2]}" "$fichier"
done
