#!/usr/bin/env bash
# Times reliefstat on generated 201 x 201 and 1001 x 1001 grids (Gaussian
# heights, 5 % empty cells on the larger one), for comparison between versions.
# Uses hyperfine when it is installed, plain `time` otherwise. Not a test: the
# numbers depend on the machine.
#
# usage: bash tools/bench-reliefstat/bench.sh [build directory, default build/release]
set -euo pipefail
if [[ $# == 1 && ( $1 == --aide || $1 == -h || $1 == --help ) ]]; then
    cat <<'AIDE'
usage : bash tools/bench-reliefstat/bench.sh [repertoire de construction]
Chronometre reliefstat sur des grilles generees de 201 x 201 et 1001 x 1001
(avec hyperfine s'il est installe, sinon time). Construction par defaut :
build/release (construite si besoin).
Fichiers : la construction, un repertoire temporaire efface a la fin.
Duree : moins d'une minute une fois construit.
Statut de sortie : 0 fait ; autre chose si la construction ou un programme echoue.
AIDE
    exit 0
fi
cd "$(dirname "$0")/../.."
build=${1:-build/release}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target reliefstat grille_gaussienne >/dev/null
reliefstat=$(realpath "$build/bin/reliefstat")
generateur=$(realpath "$build/bin/grille_gaussienne")

travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT
mkdir "$travail/201" "$travail/1001"
"$generateur" 201 201 0.5 1 5 1 10 >"$travail/201/grille.txt"
# Every twentieth height becomes the empty-cell marker.
"$generateur" 1001 1001 0.1 1 2 1 10 | awk 'NR > 1 && NR % 20 == 0 { print "10000.000000"; next } { print }' \
  >"$travail/1001/grille.txt"

for taille in 201 1001; do
  cd "$travail/$taille"
  echo "== reliefstat, grille de $taille x $taille"
  if command -v hyperfine >/dev/null; then
    runs=10
    [ "$taille" = 1001 ] && runs=3
    hyperfine --warmup 1 --runs "$runs" --output=null "$reliefstat"
  else
    time "$reliefstat" >/dev/null
  fi
done
