#!/usr/bin/env bash
# The accuracy and coverage study of rugosite-rapport: on generated surfaces of
# known sigma and L (circulant embedding, a small random tilt, plane
# levelling), the median of the reported (bias-corrected) sigma and L over the
# truth, and how often the 95 % intervals hold the truth, with the misses on
# each side. One table line per grid, L and model; the table goes into
# docs/guide.md (section 10, intervals). Trials run two at a time, niced.
# Then, on the grids some 5 L wide, where the corrected L's median over the
# trials strays too far to be read, that median read at the median of L̂ of
# many fits without bootstrap (rugosite-rapport-etude --bruts).
#
# usage: tools/rapport/etude-precision.sh [build dir] [trials] [K] [--court|--medianes]
# (build/release, 200 trials, K = 100 by default as in the report; --court: the
# grids up to 201 x 201 only, about 40 minutes on two free cores; the two
# 401 x 401 rows add 27 minutes of CPU, about 15 minutes on two free cores;
# --medianes: the second table alone, 50 minutes on two free cores, 93 of CPU.)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
essais=${2:-200}
K=${3:-100}
mode=${4:-}
etude=$build/bin/rugosite-rapport-etude
if [ ! -x "$etude" ]; then
  echo "construire d'abord : cmake --build $build --target rugosite-rapport-etude" >&2
  exit 1
fi
ligne() { # rows columns L(steps) model seed [trials]
  nice -n 10 "$etude" --lignes "$1" --colonnes "$2" --pas 1 --sigma 1 --L "$3" --modele "$4" --essais "${6:-$essais}" \
    --tirages "$K" --graine "$5" --fils 2 | grep '^|'
}
mediane() { # rows columns L(steps) model seed fits bootstraps
  nice -n 10 "$etude" --lignes "$1" --colonnes "$2" --pas 1 --sigma 1 --L "$3" --modele "$4" --essais 0 \
    --bruts "$6" --amorcages "$7" --tirages "$K" --graine "$5" --fils 2 | grep '^|'
}
medianes() {
  echo "| grille | L (pas) | modele | L mesuree / L vraie : ajustements, mediane [95 %] | L corrigee / L vraie au L mesure median : amorcages, mediane [aux bornes] |"
  echo "|---|---|---|---|---|"
  mediane 40 25 5 exponentiel 12 48000 400
  mediane 101 101 20 exponentiel 16 48000 400
  mediane 201 201 40 exponentiel 19 24000 200
  mediane 401 401 80 exponentiel 22 8000 100
}
if [[ $mode == --medianes ]]; then
  medianes
  exit 0
fi
echo "| grille | L (pas) | modele | essais (sans ajustement, non resolus) | sigma/sigma vrai : mediane corrigee (brute) | L/L vrai : mediane corrigee (brute) | couverture sigma | sigma manquee dessous / dessus | couverture L | L manquee dessous / dessus | borne haute de L / L vraie : mediane (au-dela de 10) |"
echo "|---|---|---|---|---|---|---|---|---|---|---|"
# Manual road: 40 points per line, 25 lines; L up to a fifth of the shorter side.
ligne 40 25 2 exponentiel 11
ligne 40 25 5 exponentiel 12
ligne 101 101 2 exponentiel 13
ligne 101 101 5 exponentiel 14
ligne 101 101 10 exponentiel 15
ligne 101 101 20 exponentiel 16
# The demonstration's geometry, and a grid only 5 L wide.
ligne 201 201 20 exponentiel 17
ligne 201 201 20 gaussien 18
ligne 201 201 40 exponentiel 19
ligne 201 201 5 exponentiel 20
[[ $mode == --court ]] && exit 0
# The largest grid (each trial costs 16 times a 101 x 101 one).
ligne 401 401 10 exponentiel 21
ligne 401 401 80 exponentiel 22
echo
medianes
