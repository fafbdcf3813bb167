#!/usr/bin/env bash
# The main job on the bundled sample: reliefstat analyses the sample height
# grid in a fresh directory demo/reliefstat of the repository, prints the mean
# plane and the RMS height, and leaves its result files and MATLAB scripts there.
set -euo pipefail
cd "$(dirname "$0")/.."
racine=$(pwd)
build=build/release

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target reliefstat >/dev/null

demo=demo/reliefstat
rm -rf "$demo"
mkdir -p "$demo"
cp tools/sample/grille.txt "$demo/grille.txt"
echo "== reliefstat sur la grille d'exemple (101 x 101 points, pas 1) dans $demo"
status=0
(cd "$demo" && "$racine/$build/bin/reliefstat") || status=$?
echo
echo "== statut de sortie : $status"
echo "== fichiers de resultats et scripts MATLAB (aussi pour GNU Octave) dans $racine/$demo :"
(cd "$demo" && ls -l)
cat <<'FIN'
== pour l'ajustement de la longueur de correlation, dans ce repertoire :
     octave --no-gui --eval "pkg load optim; HR"
   (ou HR.m dans MATLAB) ; visu_grille_initiale.m et visu_grille.m dessinent la grille.
FIN
exit "$status"
