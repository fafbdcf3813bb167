#!/usr/bin/env bash
# Speed of rugosite-rapport (not a test): the report of a 201 x 201 grid with
# K = 200 simulated surfaces per model, and of a 2001 x 2001 grid without the
# bootstrap, each the best of three runs, on grids from rugosite-synthese.
#
# usage: tools/rapport/bench.sh [build dir]   (build/release by default)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build/release}")
for p in rugosite-rapport rugosite-synthese; do
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

mkdir "$travail/p201" "$travail/p2001"
(cd "$travail/p201" && "$build/bin/rugosite-synthese" grille --entete 200x200x0.5 --rms 1 --longueur 5 >/dev/null)
(cd "$travail/p2001" && "$build/bin/rugosite-synthese" grille --entete 2000x2000x0.05 --rms 1 --longueur 5 >/dev/null)
echo "201 x 201, K = 200 (deux modeles, 2 fils) : $(meilleur "$travail/p201" --tirages 200) s"
echo "201 x 201, sans bootstrap              : $(meilleur "$travail/p201" --tirages 0) s"
echo "2001 x 2001, sans bootstrap            : $(meilleur "$travail/p2001" --tirages 0) s"
