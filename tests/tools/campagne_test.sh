#!/usr/bin/env bash
# Whole campaigns over the real programs, on generated folders: both roads, a
# broken frame, a folder without its cloud, a folder with its own reglages.txt.
# - each folder's results and table row equal those of the chain and the
#   report run by hand in a copy of that folder;
# - a rerun works nothing and writes nothing in the folders;
# - a campaign interrupted by SIGINT, then one killed with SIGKILL, each rerun,
#   and GNU parallel over --commandes then --rassembler, give the same tables;
# - list files, a folder named "-x", a folder named twice, a busy folder;
# - a full disk and a read-only folder give the system's reason (on a small
#   tmpfs; skipped with a NOTICE where it cannot be mounted);
# - the installed campaign finds its helper off the PATH; refused settings
#   start nothing.
#   usage: campagne_test.sh BIN_DIR
set -u
bin=$1
work=$(mktemp -d)
monte=
trap '[[ -n $monte ]] && umount "$monte"; rm -rf "$work"' EXIT
failures=0
fail() { echo "ECHEC : $*"; failures=$((failures + 1)); }
contient() { grep -q -- "$2" <<<"$1" || fail "$3 : $1"; } # text, pattern, what failed
campagne=$bin/rugosite-campagne
reglages="-- 50 0.25"
rapport="--tirages 20 --fils 1"

# --- the folders -------------------------------------------------------------
modele=$work/modele
noms=()
for i in $(seq -w 1 13); do
    mkdir -p "$modele/p$i"
    (cd "$modele/p$i" && "$bin/rugosite-synthese" nuage --points $((20000 + 1500 * 10#$i)) --graine "$i" \
        --longueur 8 >/dev/null) || fail "generation de p$i"
    noms+=("p$i")
done
echo "230,110,30 155,25,50 180,180,105 12 -- 40 0.3" >"$modele/p03/reglages.txt"
echo "-- 30 0.4" >"$modele/p07/reglages.txt"
for i in 1 2 3 4; do
    mkdir "$modele/m$i"
    (cd "$modele/m$i" && "$bin/rugosite-synthese" grille --entete 39x24x2.0 --graine "$((40 + i))" >/dev/null)
    noms+=("m$i")
done
mkdir "$modele/cadre-casse" "$modele/sans-nuage"
(cd "$modele/cadre-casse" && "$bin/rugosite-synthese" nuage --points 20000 --graine 60 --angle-cadre 75 >/dev/null)
(cd "$modele/sans-nuage" && "$bin/rugosite-synthese" nuage --points 20000 --graine 61 >/dev/null && rm option-0000.ply)
noms+=(cadre-casse sans-nuage)
printf '%s\n' "${noms[@]}" "# une ligne de commentaire" >"$modele/dossiers.txt"
for copie in seul a parallele coupe; do cp -a "$modele" "$work/$copie"; done
lancer() { # folder, arguments...: a campaign with the settings of the test
    (cd "$1" && shift && "$campagne" --reglages "$reglages" --rapport "$rapport" "$@")
}

# --- the campaign on this machine ---------------------------------------------
sortie=$(lancer "$work/a" -j 2 -l dossiers.txt 2>&1)
(($? == 2)) || fail "campagne : statut au lieu de 2 (deux mesures en echec) : $sortie"
contient "$sortie" ' 19 dossiers : 17 reussis, 2 en echec, 0 deja a jour (dont 0 en echec), 0 sans resultat' campagne
[[ $(grep -c '<img alt=".*data:image/svg+xml;base64,' "$work/a/campagne.html") -ge 4 ]] ||
    fail "campagne.html : il faut sigma et L pour chaque unite (cm et % du cote)"

# A column of a CSV table for a folder (no quoted field before the message here).
colonne() { # csv, folder (empty: the first row), column name
    awk -F, -v d="$2" -v c="$3" 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == c) k = i; next }
        d == "" || $1 == d { print $k }' "$1"
}

# --- each folder as the chain and the report give it alone --------------------
table=$work/a/campagne.csv
for d in "${noms[@]}"; do
    seul=$work/seul/$d
    mots=($reglages)
    [[ -f $seul/reglages.txt ]] && mots=($(<"$seul/reglages.txt"))
    if [[ -f $seul/option-0000.ply ]]; then
        err=$(cd "$seul" && "$bin/rugosite-chaine" --sans-rapport "${mots[@]}" 2>&1 >/dev/null)
        s=$? programme=$(sed -n 's/.*arret apres \([^,]*\),.*/\1/p' <<<"$err")
    elif [[ -f $seul/grille.txt ]]; then
        (cd "$seul" && "$bin/reliefstat" >/dev/null 2>&1)
        s=$? programme=
    else
        s=1 programme=rugosite-campagne
    fi
    [[ $(colonne "$table" "$d" statut),$(colonne "$table" "$d" programme) == "$s,$programme" ]] ||
        fail "$d : statut et programme attendus : $s,$programme"
    ((s == 0)) || continue
    # shellcheck disable=SC2086
    (cd "$seul" && "$bin/rugosite-rapport" $rapport >/dev/null 2>&1) || fail "$d : rugosite-rapport seul echoue"
    cmp -s "$seul/rapport.json" "$work/a/$d/rapport.json" || fail "$d : rapport.json differe du rapport seul"
    # The table's figures are the report's.
    for c in sigma_exp L_exp L_bas_exp L_haut_exp sigma_haut_gau L_gau anisotropie Sq; do
        a=$(colonne "$seul/rapport.csv" "" "$c") b=$(colonne "$table" "$d" "$c")
        awk -v a="$a" -v b="$b" 'BEGIN { d = a - b; exit !(b != "" && d * d <= (1e-8 * a + 1e-12) ^ 2) }' ||
            fail "$d : $c vaut $b dans le tableau et $a dans rapport.csv"
    done
done
[[ $(colonne "$table" p07 source_reglages) == reglages.txt+ligne-de-commande ]] ||
    fail "p07 : la source des reglages n'est pas dite"

# --- a rerun works nothing ----------------------------------------------------
touch "$work/repere"
sleep 0.05
sortie=$(lancer "$work/a" -j 2 -l dossiers.txt 2>&1)
contient "$sortie" '^\[.*\] cadre-casse : deja a jour (echec enregistre de framefit, statut 20)$' relance
contient "$sortie" ' 19 dossiers : 0 reussis, 0 en echec, 19 deja a jour (dont 2 en echec), 0 sans resultat' relance
ecrits=$(cd "$work/a" && find . -mindepth 2 -newer "$work/repere")
[[ -z $ecrits ]] || fail "relance : fichiers ecrits : $ecrits"
# A grid newer than its marker is redone, and only it.
touch "$work/a/m1/grille.txt"
sortie=$(lancer "$work/a" p01 m1 2>&1) || fail "p01 et m1 reussis : statut non nul"
contient "$sortie" "m1 : reussi" "grille.txt plus recente : m1 doit etre refait"
contient "$sortie" "p01 : deja a jour" "grille.txt plus recente : p01 ne doit pas etre refait"
lancer "$work/a" -j 2 -l dossiers.txt >/dev/null 2>&1

# --- interrupted campaigns ----------------------------------------------------
# Waits until `n` markers were written after the mark file; false after 120 s.
attendre_marques() { # campaign folder, count
    local t
    for ((t = 0; t < 1200; t++)); do
        (($(find "$1" -name campagne-fait.json -newer "$1/.repere" | wc -l) >= $2)) && return 0
        sleep 0.1
    done
    return 1
}
# SIGINT to the process group, as Ctrl-C on a terminal; then everything killed
# at once, as a crash would: the whole session.
coupe=$work/coupe
for signal in INT KILL; do
    touch "$coupe/.repere"
    (cd "$coupe" && exec setsid "$campagne" -j 2 --refaire --reglages "$reglages" --rapport "$rapport" \
        -l dossiers.txt >sortie 2>err) &
    pid=$!
    attendre_marques "$coupe" 2 || fail "SIG$signal : la campagne n'avance pas"
    session=$(ps -o sid= -p "$pid" | tr -d ' ')
    if [[ $signal == INT ]]; then
        kill -INT -- "-$(ps -o pgid= -p "$pid" | tr -d ' ')" 2>/dev/null
        wait "$pid"
        s=$?
        ((s == 130)) || fail "SIGINT : statut $s au lieu de 130 (la campagne a peut-etre fini avant : $(cat "$coupe/sortie"))"
        [[ -e $coupe/campagne.csv ]] && fail "SIGINT : tableaux ecrits par une campagne interrompue"
        contient "$(<"$coupe/err")" "relancez la meme commande sans --refaire pour reprendre" "SIGINT : le conseil"
        sleep 0.5
        restes=$(ps -eo sid=,pid=,stat=,args= | awk -v s="$session" '$1 == s && $3 !~ /^Z/')
        [[ -z $restes ]] || fail "SIGINT : des processus de la campagne restent : $restes"
        continue
    fi
    # Until none is left: a process the session starts between the listing and
    # the kills (the chain's next program) would live on and hold the folder.
    for _ in $(seq 50); do
        [[ -n $session ]] || break
        vivants=$(ps -eo pid=,sid=,stat= | awk -v s="$session" '$2 == s && $3 !~ /^Z/ { print $1 }')
        [[ -z $vivants ]] && break
        kill -KILL $vivants 2>/dev/null
        sleep 0.1
    done
    wait "$pid" 2>/dev/null
done
sortie=$(lancer "$coupe" -j 2 -l dossiers.txt 2>&1)
contient "$sortie" ' : reussi\| : echec' "SIGKILL : rien n'a ete refait (le test n'a rien coupe ?)"

# --- GNU parallel -------------------------------------------------------------
par=$work/parallele
if command -v parallel >/dev/null; then
    lancer "$par" --commandes -l dossiers.txt | (cd "$par" && parallel --will-cite -j 2 >/dev/null 2>&1)
    (cd "$par" && "$campagne" --rassembler -l dossiers.txt >/dev/null 2>&1)
else
    echo "!! NOTICE: GNU parallel absent : la campagne par parallel n'est pas verifiee"
    par=$work/a
fi
for f in campagne.csv campagne.json campagne.html; do
    cmp -s "$coupe/$f" "$work/a/$f" || fail "campagne coupee puis relancee : $f differe"
    cmp -s "$par/$f" "$work/a/$f" || fail "GNU parallel : $f differe de la campagne de l'outil"
done

# --- list files, folder names ------------------------------------------------
# Entries relative to the list's folder, an indented comment, blanks around a
# name, blank lines, a line end CR LF, a folder named "-x", and m1 and m2 named
# again in other ways.
l=$work/listes
mkdir -p "$l/sous"
cp -a "$modele/m1" "$modele/m2" "$l/" && cp -a "$modele/m3" "$l/-x"
printf '%s\n' "../m1" "   # un commentaire indente" "" "   " $'\t../m2  \r' "../-x" "$l/m1" "../m1/" "./../m2" \
    >"$l/sous/liste.txt"
(cd "$work" && "$campagne" --rapport "$rapport" --sortie listes -l listes/sous/liste.txt >"$l/sortie" 2>"$l/err")
(($? == 0)) || fail "liste : statut : $(cat "$l/err")"
[[ $(grep -c ' : reussi (manuelle)$' "$l/sortie") == 3 ]] || fail "liste : trois dossiers attendus : $(cat "$l/sortie")"
contient "$(<"$l/sortie")" '^\[[1-3]/3\] listes/sous/../m1 : reussi' "liste : nom du dossier"
[[ $(grep -c "est le meme dossier que listes/sous/../m[12] : il n'est traite qu'une fois$" "$l/err") == 3 ]] ||
    fail "liste : avis des doublons : $(cat "$l/err")"
out=$(cd "$l" && "$campagne" --rapport "$rapport" --sortie . -- -x 2>&1)
[[ $? == 0 && $out == "[1/1] -x : deja a jour"$'\n'"rugosite-campagne : 1 dossiers"* ]] || fail "dossier -x : $out"

# A folder where a chain is at work: the campaign's chain is refused there, and
# nothing is recorded.
cp -a "$modele/p02" "$l/occupe"
out=$(cd "$l/occupe" && flock .rugosite-chaine-verrou "$campagne" --rapport "$rapport" --traiter . 2>&1)
[[ $? == 1 && $out == *"une autre rugosite-chaine y travaille : rien n'est enregistre"* ]] || fail "chaine occupee : $out"
[[ -s $l/occupe/campagne-fait.json ]] && fail "chaine occupee : une marque a ete ecrite"

# --- a full disk, a read-only folder -------------------------------------------
plein=$work/plein
mkdir "$plein"
if mount -t tmpfs -o size=256k tmpfs "$plein" 2>/dev/null; then
    monte=$plein
    cp -a "$modele/m4" "$plein/m4" && mkdir "$plein/tableaux"
    head -c 1M /dev/zero >"$plein/remplissage" 2>/dev/null # fills the disk
    out=$(cd "$plein" && LC_ALL=C "$campagne" --rapport "$rapport" --sortie "$work" m4 2>&1)
    contient "$out" "m4 : campagne-fait.json n'a pas pu etre ecrit : impossible d'ecrire campagne-fait.json : No space left on device" "disque plein"
    out=$(cd "$work/listes" && LC_ALL=C "$campagne" --rapport "$rapport" --sortie "$plein/tableaux" m1 2>&1)
    (($? == 1)) || fail "disque plein : tableaux : statut"
    [[ $out == *"rugosite-campagne : les tableaux n'ont pas pu etre ecrits dans $plein/tableaux : impossible d'ecrire $plein/tableaux/campagne.csv : No space left on device" ]] ||
        fail "disque plein : tableaux : $out"
    rm -f "$plein/remplissage" "$plein/m4/.campagne-verrou"
    mount -o remount,ro "$plein"
    out=$(cd "$plein" && LC_ALL=C "$campagne" --rapport "$rapport" --sortie "$work" m4 2>&1)
    contient "$out" "m4 : impossible de creer le verrou .campagne-verrou : Read-only file system" "lecture seule"
    umount "$plein" && monte=
else
    echo "!! NOTICE: pas de tmpfs (il faut root) : le disque plein et la lecture seule ne sont pas verifies"
fi

# --- installed, refusals --------------------------------------------------------
installe=$work/installe
if cmake --install "$bin/.." --prefix "$installe" >"$work/installation" 2>&1; then
    out=$(cd "$work/a" && PATH=/usr/bin:/bin "$installe/bin/rugosite-campagne" --rapport "$rapport" m1 2>&1)
    (($? == 0)) || fail "campagne installee : $out"
else
    echo "!! NOTICE: la construction n'a pas pu etre installee ($(tail -n 1 "$work/installation")) :" \
        "la campagne installee n'est pas verifiee"
fi
mkdir "$work/refus" && cp -a "$modele/p01" "$work/refus/"
out=$(cd "$work/refus" && "$campagne" --reglages "1,2,3 -- 50" p01 2>&1)
(($? == 1)) || fail "reglages refuses : statut"
ecrits=$(find "$work/refus" -newer "$work/repere" -type f)
[[ -z $ecrits ]] || fail "reglages refuses : quelque chose a ete lance : $ecrits"

((failures == 0)) || { echo "$failures echec(s)"; exit 1; }
echo "campagne : tout est conforme"
