#!/usr/bin/env bash
# Benchmark of rugosite-campagne (not a test): wall time of a campaign of N
# generated folders with -j 1 and -j 2, and the campaign's own overhead, that is
# everything but the programs and the report: the same N folders worked with
# stand-ins of rugosite-chaine, reliefstat and rugosite-rapport that end at
# once (the stand-ins' own start-up counts as overhead, so the figure is an
# upper bound), then the rerun that finds every folder up to date.
set -u -o pipefail

if [[ $# -ge 1 && ( $1 == --aide || $1 == -h || $1 == --help ) ]]; then
    cat <<'EOF'
usage : tools/campagne/bench.sh [repertoire_des_programmes] [dossiers] [points]
Mesure la duree d'une campagne de N dossiers generes (100 par defaut) de nuages
de P points (200000 par defaut) avec -j 1 puis -j 2, et le cout propre de la
campagne (tout sauf les programmes et le rapport) avec des programmes factices.
Le repertoire des programmes est build/release/bin par defaut.
Fichiers : travaille dans un dossier temporaire (environ 55 Mo par dossier
de 200000 points), efface a la fin ; n'ecrit rien ailleurs.
Statut de sortie : 0 fait ; 1 programme introuvable ou campagne en echec.
EOF
    exit 0
fi

here=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(readlink -f "${1:-$here/build/release/bin}")
n=${2:-100}
points=${3:-200000}
for p in rugosite-campagne rugosite-campagne-outil rugosite-synthese rugosite-chaine rugosite-rapport reliefstat; do
    [[ -x $bin/$p ]] || { echo "bench.sh : $bin/$p introuvable (construisez d'abord)" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/campagne-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

seconds() { # command... : prints the wall time and the processor time (user + system, children included)
    local t0=$EPOCHREALTIME c0 c1 me=$BASHPID
    c0=$(awk '{ print $14 + $15 + $16 + $17 }' "/proc/$me/stat")
    "$@" >/dev/null 2>&1
    local s=$?
    c1=$(awk '{ print $14 + $15 + $16 + $17 }' "/proc/$me/stat")
    awk -v a="$t0" -v b="$EPOCHREALTIME" -v c="$((c1 - c0))" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { printf "%.2f (processeur %.2f)", b - a, c / hz }'
    return $s
}

echo "== $n dossiers de $points points ($(nproc) coeurs, charge : $(cut -d' ' -f1-3 /proc/loadavg))"
mkdir -p "$work/c"
t0=$EPOCHREALTIME
for ((i = 1; i <= n; i++)); do
    d=$(printf '%s/c/d%03d' "$work" "$i")
    mkdir "$d"
    (cd "$d" && "$bin/rugosite-synthese" nuage --points "$points" --graine "$i" >/dev/null) || exit 1
    echo "${d##*/}" >>"$work/c/dossiers.txt"
done
awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "generation des nuages : %.1f s\n", b - a }'

# The campaign's own cost: stand-ins that end at once (the report writes a
# small rapport.json so that the marker has figures to read).
mkdir "$work/factice"
cp "$bin/rugosite-campagne" "$bin/rugosite-campagne-outil" "$work/factice/"
printf '#!/bin/sh\necho "RMS=1.0 cm"\n' >"$work/factice/rugosite-chaine"
cp "$work/factice/rugosite-chaine" "$work/factice/reliefstat"
cat >"$work/factice/rugosite-rapport" <<'EOF'
#!/bin/sh
echo '{"unite":{"longueur":"cm"},"reglages":{"nivellement":"plan","part_vide":0},"hauteurs":{"plan":{"Sq":1}},"ajustements":{"exponentiel":{"sigma":1,"L":5,"intervalle_sigma":[0.9,1.1],"intervalle_L":[4,6]},"gaussien":{"sigma":1,"L":4,"intervalle_sigma":[0.9,1.1],"intervalle_L":[3,5]},"meilleur":"exponentiel"},"directions":{"anisotropie":1}}' >rapport.json
EOF
chmod +x "$work/factice/"*
printf 'cout propre, %d dossiers, -j 1 (programmes factices) : %s s\n' "$n" \
    "$(cd "$work/c" && seconds "$work/factice/rugosite-campagne" -j 1 -l dossiers.txt --sortie .)"
printf 'cout propre, %d dossiers, -j 2 (programmes factices) : %s s\n' "$n" \
    "$(cd "$work/c" && seconds "$work/factice/rugosite-campagne" -j 2 --refaire -l dossiers.txt --sortie .)"
printf 'relance, tout a jour, %d dossiers : %s s\n' "$n" \
    "$(cd "$work/c" && seconds "$work/factice/rugosite-campagne" -j 2 -l dossiers.txt --sortie .)"

status=0
for j in 1 2; do
    t=$(cd "$work/c" && seconds "$bin/rugosite-campagne" -j "$j" --refaire --rapport "--fils 1" -l dossiers.txt) ||
        status=1
    printf 'campagne reelle, %d dossiers, -j %d : %s s\n' "$n" "$j" "$t"
done
ok=$(awk -F, 'NR > 1 && $3 == "0"' "$work/c/campagne.csv" | wc -l)
echo "mesures reussies : $ok sur $n"
((ok == n)) || status=1
exit $status
