#!/usr/bin/env bash
# The accuracy and coverage study of rugosite-rapport: on generated surfaces of
# known sigma and L (exponential covariance, circulant embedding, a small
# random tilt, empty cells), how close the fitted sigma and L come, and how
# often the bootstrap's 95 % interval holds the true values. One line per road
# size; the table goes into docs/developpement.md.
#
# usage: tools/rapport/etude-precision.sh [build dir] [trials] [K]
# (build/release, 100 trials, K = 200 by default; about 5 minutes on 2 cores)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
essais=${2:-100}
K=${3:-200}
etude=$build/bin/rugosite-rapport-etude
if [ ! -x "$etude" ]; then
  echo "construire d'abord : cmake --build $build --target rugosite-rapport-etude" >&2
  exit 1
fi
echo "| grille | pas | sigma, L vrais | vides | essais (echecs) | rayons ajustes (moyenne) | sigma ajuste : moyenne ± ecart-type | L ajuste : moyenne ± ecart-type | couverture sigma | couverture L |"
echo "|---|---|---|---|---|---|---|---|---|---|"
# Photogrammetric road: 201 x 201 nodes, step 0.5 % of the frame side.
"$etude" --lignes 201 --colonnes 201 --pas 0.5 --sigma 1 --L 5 --vides 0.05 --essais "$essais" --tirages "$K" --graine 1 | grep '^|'
# Manual road: 40 points per line, 25 lines, step 2 cm.
"$etude" --lignes 40 --colonnes 25 --pas 2 --sigma 0.5 --L 6 --vides 0 --essais "$essais" --tirages "$K" --graine 2 | grep '^|'
