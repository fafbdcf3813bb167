#!/usr/bin/env bash
# The speed benchmark of the toolkit: builds the reference (C stdio, plain
# correlation loop: -DRUGOSITE_STDIO_REFERENCE=ON -DRUGOSITE_PLAIN_CORRELATION=ON),
# the fast build, and the plain C programs of tools/bench/baseline (C17, -O2, one fscanf or fprintf per
# line: what a user would write instead) side by side, then in one run
#   - times the whole photogrammetric road (plyunpack, markerpick, framefit,
#     delimiter, echantillonnage, reliefstat) on a generated cloud of 5 million
#     vertices, in the three builds, changing which goes first (the plain C
#     road borrows framefit from the fast build);
#   - times reliefstat on generated 201 x 201 and 1001 x 1001 grids;
#   - with --plyunpack, times plyunpack alone on the three layouts of a cloud
#     (the classic ASCII one, ASCII with a comment and a quality value, binary
#     little-endian), checking that they give the same files;
#   - checks after each program that the three builds wrote the same bytes:
#     every file, the standard output and error, the exit status (the timestamp
#     lines of log.txt aside, which tell the time of the run);
#   - measures the peak memory (resident set size) of the streaming programs
#     of the fast build on clouds of 1 and 20 million vertices;
#   - measures the machine's peak rate of double additions and multiplications
#     (tools/bench/puissance_crete.c), the yardstick of reliefstat's sums.
# Prints a markdown table (also written to the --tableau file) with the machine
# it ran on, and ends with status 1 when some output differs. Not a test: the
# times depend on the machine and on what else it is doing, which is why each
# time is the best of several runs.
#
# usage: bash tools/bench/benchmark.sh [--points N] [--repetitions K]
#          [--memoire N1,N2 | --sans-memoire] [--generateur PROGRAMME]
#          [--travail REPERTOIRE] [--tableau FICHIER]
#          [--parties route,reliefstat,plyunpack,memoire | --plyunpack | --reliefstat]
set -euo pipefail
if [[ $# == 1 && ( $1 == --aide || $1 == -h || $1 == --help ) ]]; then
    cat <<'AIDE'
usage : bash tools/bench/benchmark.sh [--points N] [--repetitions K]
         [--memoire N1,N2 | --sans-memoire] [--generateur PROGRAMME]
         [--travail REPERTOIRE] [--tableau FICHIER]
         [--parties route,reliefstat,plyunpack,memoire | --plyunpack | --reliefstat]
Banc d'essai de vitesse : construit build/bench/reference et build/bench/rapide,
chronometre toute la voie sur un nuage genere (5 millions de sommets), et
reliefstat sur des grilles 201 x 201 et 1001 x 1001, verifie que les versions
ecrivent les memes octets, et mesure la memoire de pointe.
Parties (par defaut route,reliefstat,memoire) :
  route       la voie complete dans les trois versions
  reliefstat  reliefstat seul sur les deux grilles (--reliefstat : cette partie seule)
  plyunpack   plyunpack seul sur trois dispositions du nuage : ASCII classique,
              ASCII avec commentaire et qualite, binaire (--plyunpack : seule)
  memoire     memoire de pointe des programmes en flux sur de plus grands nuages
Fichiers : build/bench (jusqu'a 8 Go), le tableau dans build/bench/resultats.md.
Duree : environ 12 minutes sur deux coeurs libres.
Statut de sortie : 0 fait ; 1 une sortie differe ; 2 option inconnue ou outil absent.
AIDE
    exit 0
fi
cd "$(dirname "$0")/../.."
racine=$(pwd)

points=5000000
repetitions=3
memoire=1000000,20000000
generateur=
travail=$racine/build/bench/travail
tableau=$racine/build/bench/resultats.md
parties=route,reliefstat,memoire
while (($# > 0)); do
  case $1 in
    --points) points=$2; shift 2 ;;
    --repetitions) repetitions=$2; shift 2 ;;
    --memoire) memoire=$2; shift 2 ;;
    --sans-memoire) memoire=; shift ;;
    --generateur) generateur=$(realpath "$2"); shift 2 ;;
    --travail) travail=$(realpath -m "$2"); shift 2 ;;
    --tableau) tableau=$(realpath -m "$2"); shift 2 ;;
    --parties) parties=$2; shift 2 ;;
    --plyunpack | --reliefstat) parties=${1#--}; shift ;;
    *) echo "benchmark : option inconnue : $1" >&2; exit 2 ;;
  esac
done
for partie in ${parties//,/ }; do
  case $partie in
    route | reliefstat | plyunpack | memoire) ;;
    *) echo "benchmark : partie inconnue : $partie (route, reliefstat, plyunpack, memoire)" >&2; exit 2 ;;
  esac
done
partie() { [[ ,$parties, == *,$1,* ]]; }
partie memoire || memoire=
[ -x /usr/bin/time ] || { echo "benchmark : /usr/bin/time est necessaire (paquet time)" >&2; exit 2; }

programmes=(plyunpack markerpick framefit delimiter echantillonnage reliefstat)
flux=(plyunpack markerpick delimiter echantillonnage) # the streaming programs
# The files each program reads: with those it writes, the bytes it moves.
declare -A entrees=([plyunpack]="option-0000.ply" [markerpick]="f_x.txt f_y.txt f_z.txt f_color.txt"
  [framefit]="coin_O.txt coin_X.txt coin_Y.txt" [delimiter]="base.txt f_x.txt f_y.txt f_z.txt f_color.txt"
  [echantillonnage]="cloud.txt" [reliefstat]="grille.txt")

# --- the two builds ----------------------------------------------------------
construire() { # directory, cmake options...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUGOSITE_TESTS=OFF "$@" >/dev/null
  local cibles=("${programmes[@]}" rugosite-synthese)
  cmake --build "$dir" -j "$(nproc)" --target "${cibles[@]}" >/dev/null
}
echo "== construction : reference (stdio, boucle simple), rapide et C simple" >&2
construire build/bench/reference -DRUGOSITE_STDIO_REFERENCE=ON -DRUGOSITE_PLAIN_CORRELATION=ON
construire build/bench/rapide -DRUGOSITE_STDIO_REFERENCE=OFF
bin_ref=$racine/build/bench/reference/bin
bin_rap=$racine/build/bench/rapide/bin
bin_c=$racine/build/bench/c-simple/bin
mkdir -p "$bin_c"
for programme in "${programmes[@]}"; do
  if [ -f "tools/bench/baseline/$programme.c" ]; then
    cc -std=c17 -O2 -o "$bin_c/$programme" "tools/bench/baseline/$programme.c" -lm
  else
    ln -sf "$bin_rap/$programme" "$bin_c/$programme"
  fi
done
cc -std=gnu17 -O2 -pthread -o "$bin_c/puissance_crete" tools/bench/puissance_crete.c
if [ -z "$generateur" ]; then
  generateur=$bin_rap/rugosite-synthese
fi
[ -x "$generateur" ] || { echo "benchmark : generateur introuvable ($generateur) : --generateur" >&2; exit 2; }

rm -rf "$travail"
mkdir -p "$travail" "$(dirname "$tableau")"

# --- inputs --------------------------------------------------------------------
nuage() { # vertices, directory
  mkdir -p "$2"
  (cd "$2" && "$generateur" nuage --points "$1" --graine 1 >/dev/null)
}
grille() { # directory, header, correlation length
  mkdir -p "$1"
  (cd "$1" && "$generateur" grille --entete "$2" --rms 1 --longueur "$3" --graine 1 >/dev/null && rm parametres_vrais.txt)
}
if partie route; then
  echo "== generation d'un nuage de $points sommets" >&2
  nuage "$points" "$travail/nuage"
  # The machine's rate of reading a file from the page cache (the copy of
  # its pages to the program), the best of three reads of the cloud: the
  # floor of a program's time is the bytes it reads and writes at this rate.
  copie=0
  for _ in 1 2 3; do
    debut=$(date +%s%N)
    dd if="$travail/nuage/option-0000.ply" of=/dev/null bs=1M status=none
    fin=$(date +%s%N)
    copie=$(awk -v o="$(stat -c %s "$travail/nuage/option-0000.ply")" -v ns=$((fin - debut)) -v m="$copie" \
      'BEGIN { r = o / (ns / 1e9) / 1e6; printf "%.0f", (r > m ? r : m) }')
  done
fi
if partie reliefstat; then
  grille "$travail/grille201" 200x200x0.5 5
  grille "$travail/grille1001" 1000x1000x0.1 2
  # Every twentieth height of the larger grid becomes the empty-cell marker.
  awk 'NR > 1 && NR % 20 == 0 { print "10000.000000"; next } { print }' "$travail/grille1001/grille.txt" \
    >"$travail/grille1001/grille.tmp"
  mv "$travail/grille1001/grille.tmp" "$travail/grille1001/grille.txt"
fi
# The three layouts of one cloud for plyunpack alone; the coordinates are
# multiples of powers of two, the same in float and in decimal.
if partie plyunpack; then
  echo "== generation de trois dispositions d'un nuage de $points sommets" >&2
  python3 - "$travail" "$points" <<'PY'
import struct, sys
work, n = sys.argv[1], int(sys.argv[2])
props = "".join(f"property float {p}\n" for p in ("x", "y", "z", "nx", "ny", "nz"))
props += "".join(f"property uchar {p}\n" for p in ("red", "green", "blue"))
def header(fmt, extra="", more=""):
    return f"ply\nformat {fmt} 1.0\n{extra}element vertex {n}\n{props}{more}end_header\n".encode()
vertices = [((i % 1000) / 8, (i % 777) / 4, -(i % 555) / 16, 0, 0, 1, i % 256, (i * 7) % 256, (i * 13) % 256)
            for i in range(min(n, 65536))]
reps, rest = divmod(n, len(vertices))
def each(make):
    block = b"".join(make(v) for v in vertices)
    return block * reps + b"".join(make(v) for v in vertices[:rest])
text = lambda v: ("%r %r %r %d %d %d %d %d %d\n" % v).encode()
layouts = {
    "classique": header("ascii") + each(text),
    "qualite": header("ascii", "comment bench\n", "property float quality\n") + each(lambda v: text(v)[:-1] + b" 0.5\n"),
    "binaire": header("binary_little_endian") + each(lambda v: struct.pack("<6f3B", *v)),
}
for name, data in layouts.items():
    with open(f"{work}/ply-{name}.ply", "wb") as f:
        f.write(data)
PY
fi

# --- runs ----------------------------------------------------------------------
declare -A meilleur memoire_max octets
differences=()
horodatage='s#\[[0-9]+/[0-9]+/[0-9]+  [0-9]+:[0-9]+:[0-9]+\]#[T]#g'

# One program in the directory; its time (elapsed, user + system) and peak RSS
# go to the tables, its output streams and status beside the directory.
lancer() { # build (ref|rap|c), bin dir, run dir, key, program
  local build=$1 bin=$2 dir=$3 cle=$4 programme=$5 mesure statut=0
  mesure=$(mktemp)
  touch "$dir.debut"
  (cd "$dir" && /usr/bin/time -o "$mesure" -f "%e %U %S %M" "$bin/$programme" \
    >"$dir.sortie.$programme" 2>"$dir.erreur.$programme" </dev/null) || statut=$?
  echo "$statut" >"$dir.statut.$programme"
  read -r ecoule utilisateur systeme kio <"$mesure"
  rm -f "$mesure"
  local k="$build,$cle"
  if [ -z "${meilleur[$k]:-}" ] || awk -v a="$ecoule" -v b="${meilleur[$k]}" 'BEGIN { exit !(a < b) }'; then
    meilleur[$k]=$ecoule
    meilleur[$k,cpu]=$(awk -v u="$utilisateur" -v s="$systeme" 'BEGIN { printf "%.2f", u + s }')
  fi
  if [ -z "${memoire_max[$k]:-}" ] || ((kio > ${memoire_max[$k]})); then memoire_max[$k]=$kio; fi
  # Bytes read (its input files) and written (the files it changed).
  octets[$k]=$( (cd "$dir" && stat -c %s ${entrees[$programme]} 2>/dev/null
    find . -maxdepth 1 -type f -newer "$dir.debut" -printf '%s\n') | awk '{ s += $1 } END { print s + 0 }')
  rm -f "$dir.debut"
}

# Both builds wrote the same: every file, the streams and the status.
comparer() { # reference dir, fast dir, what
  local a=$1 b=$2 quoi=$3 f
  for f in $(cd "$a" && ls) $(cd "$b" && ls); do
    if [ "$f" = log.txt ]; then
      # A timestamp may also follow a message written without a line end.
      cmp -s <(sed -E "$horodatage" "$a/$f") <(sed -E "$horodatage" "$b/$f") || differences+=("$quoi : $f")
    else
      cmp -s "$a/$f" "$b/$f" || differences+=("$quoi : $f")
    fi
  done
  for f in "$a".sortie.* "$a".erreur.* "$a".statut.*; do
    cmp -s "$f" "$b${f#"$a"}" || differences+=("$quoi : ${f##*/}")
  done
}

route() { # build, bin dir, run dir, cloud dir
  rm -rf "$3" "$3".*
  mkdir -p "$3"
  cp "$4/option-0000.ply" "$3/"
  for programme in "${programmes[@]}"; do
    lancer "$1" "$2" "$3" "route,$programme" "$programme"
  done
}

declare -A bin=([ref]=$bin_ref [rap]=$bin_rap [c]=$bin_c)
for ((n = 1; n <= repetitions; n++)); do
  echo "== route complete, passage $n sur $repetitions" >&2
  ordres=("ref rap c" "rap c ref" "c ref rap")
  read -r -a ordre <<<"${ordres[$(((n - 1) % 3))]}"
  if partie route; then
    for b in "${ordre[@]}"; do
      route "$b" "${bin[$b]}" "$travail/$b" "$travail/nuage"
    done
    comparer "$travail/ref" "$travail/rap" "route, reference et rapide"
    comparer "$travail/c" "$travail/rap" "route, C simple et rapide"
  fi
  for taille in 201 1001; do
    partie reliefstat || break
    for b in "${ordre[@]}"; do
      dir=$travail/$b$taille
      rm -rf "$dir" "$dir".*
      mkdir -p "$dir"
      cp "$travail/grille$taille/grille.txt" "$dir/"
      lancer "$b" "${bin[$b]}" "$dir" "grille$taille" reliefstat
    done
    comparer "$travail/ref$taille" "$travail/rap$taille" "reliefstat $taille x $taille, reference et rapide"
    comparer "$travail/c$taille" "$travail/rap$taille" "reliefstat $taille x $taille, C simple et rapide"
  done
  # plyunpack alone: the reference and fast builds (the plain C one reads
  # the classic layout only); every layout gives the files of the classic one.
  for disposition in classique qualite binaire; do
    partie plyunpack || break
    for b in ref rap; do
      dir=$travail/$b-$disposition
      rm -rf "$dir" "$dir".*
      mkdir -p "$dir"
      cp "$travail/ply-$disposition.ply" "$dir/option-0000.ply"
      lancer "$b" "${bin[$b]}" "$dir" "ply,$disposition" plyunpack
      rm "$dir/option-0000.ply"
    done
    comparer "$travail/ref-$disposition" "$travail/rap-$disposition" "plyunpack $disposition, reference et rapide"
    for f in f_x.txt f_y.txt f_z.txt f_color.txt; do
      cmp -s "$travail/rap-classique/$f" "$travail/rap-$disposition/$f" ||
        differences+=("plyunpack $disposition et classique : $f")
    done
  done
done
rm -rf "$travail"/ref "$travail"/rap "$travail"/c "$travail"/ref-* "$travail"/rap-*

# Peak memory of the streaming programs of the fast build, on larger clouds.
tailles=()
IFS=, read -r -a tailles <<<"$memoire"
for t in "${tailles[@]}"; do
  echo "== memoire : nuage de $t sommets" >&2
  nuage "$t" "$travail/nuage$t"
  route "memoire$t" "$bin_rap" "$travail/memoire$t" "$travail/nuage$t"
  rm -rf "$travail/nuage$t" "$travail/memoire$t" "$travail/memoire$t".*
done

# The machine's peak of additions and multiplications, for the correlation sums.
echo "== puissance de crete" >&2
crete=$("$bin_c/puissance_crete" 2>/dev/null)

# --- the table -------------------------------------------------------------------
mio() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
rapport() { awk -v a="$1" -v b="$2" 'BEGIN { if (a != "" && b > 0) printf "%.1f", a / b; else printf "-" }'; }
# The target is a ratio of the fast build against the plain C programs.
ligne_temps() { # label, key, target ratio (or empty)
  local c=${meilleur[c,$2]:-} r=${meilleur[ref,$2]} f=${meilleur[rap,$2]} cible=$3 etat=""
  local qc qr
  qc=$(rapport "$c" "$f")
  qr=$(rapport "$r" "$f")
  if [ -n "$cible" ]; then
    if awk -v q="$qc" -v c="$cible" 'BEGIN { exit !(q >= c) }'; then etat="oui (>= $cible)"; else etat="NON (< $cible)"; fi
  fi
  local cpu_c=${meilleur[c,$2,cpu]:--} memoire_c=-
  [ -n "$c" ] && memoire_c=$(mio "${memoire_max[c,$2]}")
  # The floor: the bytes moved, copied at the page cache's rate.
  local mo plancher
  mo=$(awk -v o="${octets[rap,$2]}" 'BEGIN { printf "%.0f", o / 1e6 }')
  plancher=$(awk -v m="$mo" -v d="${copie:-0}" 'BEGIN { if (d > 0) printf "%.3f", m / d; else printf "-" }')
  echo "| $1 | ${c:--} | $r | $f | $qc | $qr | $cpu_c / ${meilleur[ref,$2,cpu]} / ${meilleur[rap,$2,cpu]} | $memoire_c / $(mio "${memoire_max[ref,$2]}") / $(mio "${memoire_max[rap,$2]}") | $mo | $plancher | $etat |"
}
machine=$(lscpu | sed -n 's/^Model name: *//p' | head -1)
{
  echo "Machine : $machine, $(nproc) coeurs, $(awk '/MemTotal/ { printf "%.0f Gio", $2 / 1048576 }' /proc/meminfo) de memoire,"
  echo "Linux $(uname -r), $(g++ --version | head -1), le $(date +%Y-%m-%d)."
  echo "Temps : le meilleur de $repetitions passages (secondes ecoulees) ; CPU : utilisateur + systeme du meme passage."
  echo
  echo "C simple : tools/bench/baseline, C17 -O2, un fscanf ou fprintf par ligne (framefit : celui de la version rapide)."
  echo "Rapport C : C simple / rapide (l'objectif) ; rapport ref : reference / rapide."
  echo
  echo "Mo lus et ecrits : les fichiers que le programme lit et ceux qu'il ecrit ; plancher : ces octets au debit du"
  echo "cache de pages (ci-dessous), le temps d'un programme qui ne ferait que les copier."
  echo
  echo "| Programme | C simple (s) | Reference (s) | Rapide (s) | Rapport C | Rapport ref | CPU C / ref / rapide (s) | Memoire C / ref / rapide (Mio) | Mo lus et ecrits | Plancher (s) | Objectif (rapport C) |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|"
  for programme in "${programmes[@]}"; do
    partie route || break
    cible=""
    for p in "${flux[@]}"; do [ "$p" = "$programme" ] && cible=10; done
    ligne_temps "$programme (route, $points sommets)" "route,$programme" "$cible"
  done
  if partie reliefstat; then
    ligne_temps "reliefstat (grille 201 x 201)" "grille201" ""
    ligne_temps "reliefstat (grille 1001 x 1001)" "grille1001" 12
  fi
  if partie plyunpack; then
    ligne_temps "plyunpack seul (ASCII classique, $points sommets)" "ply,classique" ""
    ligne_temps "plyunpack seul (ASCII, commentaire et qualite)" "ply,qualite" ""
    ligne_temps "plyunpack seul (binaire)" "ply,binaire" ""
  fi
  if ((${#tailles[@]} > 0)); then
    echo
    echo -n "| Memoire de pointe, version rapide (Mio) |"
    for t in "${tailles[@]}"; do echo -n " $t sommets |"; done
    echo " Objectif (< 16 Mio, la meme) |"
    echo -n "|---|"
    for t in "${tailles[@]}"; do echo -n "---|"; done
    echo "---|"
    for programme in "${flux[@]}"; do
      echo -n "| $programme |"
      min= max=
      for t in "${tailles[@]}"; do
        k=${memoire_max[memoire$t,route,$programme]}
        echo -n " $(mio "$k") |"
        if [ -z "$min" ] || ((k < min)); then min=$k; fi
        if [ -z "$max" ] || ((k > max)); then max=$k; fi
      done
      # "The same": within 1 MiB, what the kernel and the C library may vary.
      if ((max < 16384 && max - min <= 1024)); then echo " oui |"; else echo " NON |"; fi
    done
  fi
  echo
  if partie route; then
    echo "Lecture d'un fichier depuis le cache de pages (dd, blocs de 1 Mio, le meilleur de 3) : $copie Mo/s."
    echo
  fi
  echo "Puissance de crete mesuree (additions et multiplications de doubles independantes, sans FMA) :"
  echo
  echo "$crete"
  echo
  if ((${#differences[@]} == 0)); then
    echo "Sorties : identiques octet pour octet dans les trois versions (fichiers, sorties standard et d'erreur, statuts)."
  else
    echo "Sorties : DIFFERENCES entre les versions :"
    printf -- '- %s\n' "${differences[@]}" | sort -u
  fi
} | tee "$tableau"
((${#differences[@]} == 0))
