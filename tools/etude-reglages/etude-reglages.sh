#!/usr/bin/env bash
# How the roughness figures depend on the settings of echantillonnage: for
# several synthetic clouds of known roughness, runs the road once up to
# delimiter, then echantillonnage and reliefstat for each number of grid steps
# and capture radius, and fits HR.m in GNU Octave. Prints one line per cloud and
# setting, then a markdown table of the means and spreads:
#   RMS reliefstat / RMS of the surface drawn (in the frame 2..98, as the
#   generator reports it),
#   RMS fitted by HR.m / RMS of the surface drawn,
#   correlation length fitted by HR.m / true length,
#   share of empty nodes.
#
# usage : bash tools/etude-reglages/etude-reglages.sh [options]
#   --bin DIR        where the programs and tools are (build/release/bin)
#   --graines N      number of clouds, seeds 1 to N (5)
#   --points N       points of each cloud (1000000)
#   --longueur L     correlation length, percent of the side (10)
#   --reglages "P:R ..."  grid steps and capture radius pairs
#   --travail DIR    working directory, kept afterwards (a fresh temporary one)
#   --tableau FILE   only prints the table of a results file of an earlier run
set -euo pipefail
if [[ $# == 1 && ( $1 == --aide || $1 == -h || $1 == --help ) ]]; then
    cat <<'AIDE'
usage : bash tools/etude-reglages/etude-reglages.sh [options]
Etudie l'effet des reglages d'echantillonnage sur des nuages synthetiques de
rugosite connue : la voie jusqu'a delimiter pour chaque nuage, puis
echantillonnage et reliefstat pour chaque reglage, et HR.m dans GNU Octave.
Affiche une ligne par nuage et reglage, puis un tableau markdown.
  --bin DIR             programmes et outils (build/release/bin)
  --graines N           nombre de nuages, graines 1 a N (5)
  --points N            points de chaque nuage (1000000)
  --longueur L          longueur de correlation, en % du cote (10)
  --reglages "P:R ..."  couples nombre de pas : rayon de capture
  --travail DIR         repertoire de travail, garde ensuite (sinon temporaire)
  --tableau FICHIER     affiche seulement le tableau d'un fichier de resultats
Fichiers : ecrit seulement dans le repertoire de travail.
Duree : environ 6 minutes par nuage sur deux coeurs (une demi-heure pour 5).
Statut de sortie : 0 fait ; 1 option inconnue ou echec d'un programme.
AIDE
    exit 0
fi
racine=$(cd "$(dirname "$0")/.." && pwd)
bin=$racine/build/release/bin
graines=5
points=1000000
longueur=10
reglages="50:0.2 50:0.5 100:0.2 100:0.35 100:0.5 200:0.1 200:0.2 200:0.35 200:0.5 400:0.2 400:0.5"
travail=
tableau=
while (($# > 0)); do
    case $1 in
    --bin) bin=$(cd "$2" && pwd); shift 2 ;;
    --graines) graines=$2; shift 2 ;;
    --points) points=$2; shift 2 ;;
    --longueur) longueur=$2; shift 2 ;;
    --reglages) reglages=$2; shift 2 ;;
    --travail) travail=$2; shift 2 ;;
    --tableau) tableau=$2; shift 2 ;;
    *) echo "option inconnue : $1" >&2; exit 1 ;;
    esac
done
print_table() { # results file
    echo "| grid steps (nbr_pas) | capture radius r (steps) | RMS reliefstat / RMS drawn | RMS_fit HR.m / RMS drawn | length HR.m / true length: median (min to max) | empty nodes |"
    echo "|---|---|---|---|---|---|"
    awk -v L="$longueur" '
        function cell(s, q, n) { m = s / n; v = q / n - m * m; return sprintf("%.3f ± %.3f", m, sqrt(v > 0 ? v : 0)) }
        function median(k,   i, j, t, a, n) {
            n = count_of[k]; for (i = 1; i <= n; i++) a[i] = value[k, i]
            for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
            return sprintf("%.2f (%.2f to %.2f)", n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2, a[1], a[n]) }
        { key = $2 " " $3; if (!(key in count_of)) order[++count] = key; count_of[key]++
          a = $5 / $4; b = $6 / $4; value[key, count_of[key]] = $7 / L
          sa[key] += a; qa[key] += a * a; sb[key] += b; qb[key] += b * b; sv[key] += $8 }
        END { for (i = 1; i <= count; i++) { k = order[i]; split(k, p, " "); n = count_of[k]
                printf "| %d (step %.2f) | %s | %s | %s | %s | %.1f %% |\n", p[1], 100 / p[1], p[2],
                       cell(sa[k], qa[k], n), cell(sb[k], qb[k], n), median(k), sv[k] / n } }
    ' "$1"
}

if [[ -n $tableau ]]; then
    print_table "$tableau"
    exit 0
fi

for program in rugosite-synthese plyunpack markerpick framefit delimiter echantillonnage reliefstat; do
    [[ -x $bin/$program ]] || { echo "$program absent de $bin : construire d'abord" >&2; exit 1; }
done
command -v octave >/dev/null || { echo "octave absent : pas d'ajustement de HR.m" >&2; exit 1; }
[[ -n $travail ]] || travail=$(mktemp -d)
mkdir -p "$travail"
resultats=$travail/resultats.txt
: >"$resultats"
echo "# graine pas r rms_realise rms_reliefstat rms_fit longueur_fit vides_pourcent rayons" >&2

for ((graine = 1; graine <= graines; graine++)); do
    nuage=$travail/nuage-$graine
    rm -rf "$nuage"
    mkdir -p "$nuage"
    (
        cd "$nuage"
        "$bin/rugosite-synthese" nuage --graine "$graine" --points "$points" --longueur "$longueur" >/dev/null
        for program in plyunpack markerpick framefit delimiter; do
            "$bin/$program" >/dev/null || { echo "$program : statut $? (graine $graine)" >&2; exit 1; }
        done
        rm -f f_x.txt f_y.txt f_z.txt f_color.txt cloud.m option-0000.ply
    )
    realise=$(awk '$1 == "rms_realise" { print $2 }' "$nuage/parametres_vrais.txt")
    for reglage in $reglages; do
        pas=${reglage%%:*} rayon=${reglage##*:}
        ici=$nuage/$pas-$rayon
        mkdir -p "$ici"
        ln -sf ../cloud.txt "$ici/cloud.txt"
        (cd "$ici" && "$bin/echantillonnage" "$pas" "$rayon" >echantillonnage.txt && "$bin/reliefstat" >reliefstat.txt) ||
            { echo "echec pour $reglage (graine $graine)" >&2; exit 1; }
    done
    for reglage in $reglages; do
        (
            cd "$nuage/${reglage/:/-}"
            octave --no-gui --no-window-system -q --eval "pkg load optim; evalc('HR');
                f = fopen('ajustement.txt', 'w'); fprintf(f, '%.6f %.6f %d\n', abs(x(1)), x(2), numel(r)); fclose(f);" \
                >/dev/null 2>&1 || true
        )
    done
    for reglage in $reglages; do
        pas=${reglage%%:*} rayon=${reglage##*:}
        ici=$nuage/$pas-$rayon
        rms=$(sed -n 's/.*RMS=\([-0-9.naif]*\) cm.*/\1/p' "$ici/reliefstat.txt")
        vides=$(sed -n 's/^\([0-9.]*\)% de points vides.*/\1/p' "$ici/echantillonnage.txt" | tail -1)
        [[ -n $vides ]] || vides=$(grep -o '[0-9.]*% de points vides' "$ici/echantillonnage.txt" | sed 's/%.*//')
        ajustement=$(cat "$ici/ajustement.txt" 2>/dev/null || echo "nan nan 0")
        ligne="$graine $pas $rayon $realise $rms ${ajustement% *} $vides ${ajustement##* }"
        echo "$ligne" >&2
        echo "$ligne" >>"$resultats"
    done
done

echo
echo "Nuages : $graines graines, $points points, longueur de correlation $longueur, rms 1 (repertoire $travail)"
echo
print_table "$resultats"
