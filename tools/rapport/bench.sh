#!/usr/bin/env bash
# Speed of rugosite-rapport (not a test): the report of a 201 x 201 grid with
# K = 200 simulated surfaces per model, and of a 2001 x 2001 grid without the
# bootstrap, each the best of three runs, on grids from rugosite-synthese.
# With --intervalles: the report with and without its intervals (default K,
# two threads) on 1001 x 1001 and 2001 x 2001 grids, run alternately so that
# both see the same load, wall and processor time and their ratios; then the
# intervals of a 4001 x 4001 grid once, with the memory used.
# With --texture: the surface-texture parameters of a 2001 x 2001 grid,
# without and with 5 % of empty cells (rugosite-rapport-texture: each step's
# wall and processor time, then the whole run's, best of three).
#
# usage: tools/rapport/bench.sh [--texture | --intervalles] [build dir]   (build/release by default)
set -euo pipefail
cd "$(dirname "$0")/../.."
texture=
intervalles=
if [[ ${1-} == --texture ]]; then
  texture=1
  shift
elif [[ ${1-} == --intervalles ]]; then
  intervalles=1
  shift
fi
build=$(realpath "${1:-build/release}")
programmes="rugosite-rapport rugosite-synthese"
[[ -n $texture ]] && programmes="rugosite-rapport-texture rugosite-synthese"
for p in $programmes; do
  if [ ! -x "$build/bin/$p" ]; then
    echo "construire d'abord : cmake --build $build --target $p" >&2
    exit 1
  fi
done
travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT

meilleur() { # directory, arguments...: best wall time of three runs, in seconds
  local dir=$1; shift
  local best=
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N)
    (cd "$dir" && "$build/bin/rugosite-rapport" "$@" >/dev/null)
    t1=$(date +%s.%N)
    best=$(echo "$t0 $t1 ${best:-1e9}" | awk '{d = $2 - $1; print (d < $3 ? d : $3)}')
  done
  printf '%.3f' "$best"
}

if [[ -n $texture ]]; then
  mkdir "$travail/plein" "$travail/vides"
  (cd "$travail/plein" && "$build/bin/rugosite-synthese" grille --entete 2000x2000x0.05 --rms 1 --longueur 5 >/dev/null)
  # One height in twenty becomes the empty-cell marker.
  awk 'NR > 1 && NR % 20 == 7 { print "10000.000000"; next } { print }' "$travail/plein/grille.txt" \
    >"$travail/vides/grille.txt"
  for cas in plein vides; do
    echo "== 2001 x 2001, $cas"
    (cd "$travail/$cas" && "$build/bin/rugosite-rapport-texture" | head -n 13)
    best=
    for _ in 1 2 3; do
      mesure=$(cd "$travail/$cas" && /usr/bin/time -f '%e %U %S %M' "$build/bin/rugosite-rapport-texture" 2>&1 >/dev/null)
      best=$(echo "$mesure ${best:-1e9 0 0 0}" | awk '{print ($1 < $5 ? $1 " " $2 " " $3 " " $4 : $5 " " $6 " " $7 " " $8)}')
    done
    echo "$best" | awk '{printf "tout le programme (deux fois la texture) : %.2f s de mur, %.2f s de processeur, %.0f Mo\n", $1, $2 + $3, $4 / 1024}'
  done
  exit 0
fi
if [[ -n $intervalles ]]; then
  temps() { # directory, arguments...: "wall cpu memory(KB)" of one run
    local dir=$1; shift
    (cd "$dir" && /usr/bin/time -f '%e %U %S %M' "$build/bin/rugosite-rapport" "$@" 2>&1 >/dev/null | tail -n 1 |
      awk '{print $1, $2 + $3, $4}')
  }
  for n in 1001 2001; do
    mkdir "$travail/p$n"
    (cd "$travail/p$n" && "$build/bin/rugosite-synthese" grille --entete $((n - 1))x$((n - 1))x$(echo "scale=6; 100 / ($n - 1)" | bc) \
      --rms 1 --longueur $(echo "scale=6; 500 / ($n - 1)" | bc) >/dev/null)
    best0= best1=
    for _ in 1 2 3; do
      a=$(temps "$travail/p$n" --tirages 0)
      b=$(temps "$travail/p$n")
      best0=$(echo "$a ${best0:-1e9 1e9 0}" | awk '{print ($1 < $4 ? $1 " " $2 " " $3 : $4 " " $5 " " $6)}')
      best1=$(echo "$b ${best1:-1e9 1e9 0}" | awk '{print ($1 < $4 ? $1 " " $2 " " $3 : $4 " " $5 " " $6)}')
    done
    echo "$n $best0 $best1" | awk '{printf "%s x %s (L = 5 pas) : sans intervalles %.2f s de mur, %.2f s de processeur ; avec %.2f s de mur, %.2f s de processeur, %.0f Mo ; rapport %.1f (mur), %.1f (processeur)\n", $1, $1, $2, $3, $5, $6, $7 / 1024, $5 / $2, $6 / $3}'
  done
  mkdir "$travail/p4001"
  (cd "$travail/p4001" && "$build/bin/rugosite-synthese" grille --entete 4000x4000x0.025 --rms 1 --longueur 0.125 >/dev/null)
  echo "4001 x 4001 (L = 5 pas) : $(temps "$travail/p4001" --tirages 0 | awk '{printf "sans intervalles %.1f s de mur, %.1f s de processeur, %.0f Mo", $1, $2, $3 / 1024}') ; $(temps "$travail/p4001" | awk '{printf "avec %.1f s de mur, %.1f s de processeur, %.0f Mo", $1, $2, $3 / 1024}')"
  exit 0
fi
mkdir "$travail/p201" "$travail/p2001"
(cd "$travail/p201" && "$build/bin/rugosite-synthese" grille --entete 200x200x0.5 --rms 1 --longueur 5 >/dev/null)
(cd "$travail/p2001" && "$build/bin/rugosite-synthese" grille --entete 2000x2000x0.05 --rms 1 --longueur 5 >/dev/null)
echo "201 x 201, K = 200 (deux modeles, 2 fils) : $(meilleur "$travail/p201" --tirages 200) s"
echo "201 x 201, sans bootstrap              : $(meilleur "$travail/p201" --tirages 0) s"
echo "2001 x 2001, sans bootstrap            : $(meilleur "$travail/p2001" --tirages 0) s"
