#!/usr/bin/env bash
# The mutation check: how many realistic faults the tests catch. Each mutant of
# the table (tools/mutation/mutants.txt) replaces one exact snippet of one
# source file by a faulty one; the check plants the mutants one at a time in
# its own copy of the working tree, rebuilds what changed, runs the tests that
# should catch the fault and restores the file. A mutant is
#   tue           a test failed (or timed out): the fault is caught;
#   survivant     every test passed: a gap in the tests;
#   construction  the faulty code does not build: not counted;
#   inapplicable  the snippet is not in the file exactly once, or the tests
#                 named match no test: the table is stale there.
# The score is tues / (tues + survivants). The developer's files are never
# touched: the copy lives in build/mutation/arbre, built once with ccache
# (warnings are not errors there, so that an unused variable left by a mutant
# does not count as a kill).
set -u -o pipefail
export LC_ALL=C
# The tests include a precompiled header: ccache caches them only with this.
export CCACHE_SLOPPINESS=pch_defines,time_macros

nom=mutation.sh
if [[ $# == 1 && ( $1 == --aide || $1 == -h || $1 == --help ) ]]; then
    cat <<'AIDE'
usage : bash tools/mutation/mutation.sh [options] [MUTANT...]
Plante une faute a la fois dans une copie de l'arbre de travail, reconstruit,
lance les tests qui doivent l'attraper et remet le fichier. MUTANT est un
identifiant de la table ou un motif (par exemple 'reliefstat.*') ; sans
MUTANT, tous les mutants de la table.
options :
  --liste            affiche les mutants choisis (identifiant, fichier, faute) et s'arrete
  --verifier         verifie seulement que chaque extrait est present une fois et une
                     seule dans son fichier (aucune construction)
  --tests DOSSIER    avec --verifier : verifie aussi que les tests nommes existent dans
                     la construction DOSSIER
  --table FICHIER    la table des mutants (tools/mutation/mutants.txt)
  --dossier DOSSIER  le dossier de travail (build/mutation)
  --delai S          duree maximale d'un test, en secondes (120)
  -j N               travaux paralleles de construction et de test (2)
Fichiers : lit la table et les fichiers que git connait (plus les fichiers non
suivis et non ignores) ; ecrit la copie et sa construction dans DOSSIER/arbre,
le compte rendu de chaque mutant dans DOSSIER/journaux et le tableau des
resultats dans DOSSIER/resultats.md. Ne touche a aucun fichier de l'arbre.
Statut de sortie : 0 les mutants ont tourne, quel que soit le score (ou la table
est a jour, avec --verifier) ; 1 erreur d'usage ou de table, arbre qui ne se
construit pas ou dont les tests echouent sans mutant, ou (avec --verifier) un
extrait ou un test introuvable ; 130 interrompu (le fichier du mutant est remis).
AIDE
    exit 0
fi

racine=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
table=$racine/tools/mutation/mutants.txt
dossier=$racine/build/mutation
delai=120
travaux=2
mode=executer
construction_testee=
motifs=()

echec() { # message: a usage or table error, or a tree that can't be built
    echo "$nom : $*" >&2
    exit 1
}

while (($# > 0)); do
    case $1 in
    --liste) mode=liste ;;
    --verifier) mode=verifier ;;
    --tests | --table | --dossier | --delai | -j)
        (($# >= 2)) || echec "l'option $1 attend une valeur (voir --aide)"
        case $1 in
        --tests) construction_testee=$2 ;;
        --table) table=$2 ;;
        --dossier) dossier=$2 ;;
        --delai) delai=$2 ;;
        -j) travaux=$2 ;;
        esac
        shift
        ;;
    -*) echec "option inconnue : $1 (voir --aide)" ;;
    *) motifs+=("$1") ;;
    esac
    shift
done
[[ $delai =~ ^[1-9][0-9]*$ ]] || echec "--delai attend un nombre entier de secondes : $delai"
[[ $travaux =~ ^[1-9][0-9]*$ ]] || echec "-j attend un nombre entier : $travaux"
[[ -n $construction_testee && $mode != verifier ]] && echec "--tests ne va qu'avec --verifier"
[[ -f $table ]] || echec "table introuvable : $table"
[[ $dossier == /* ]] || dossier=$PWD/$dossier

# --- The table ----------------------------------------------------------------
# Groups of tests ("groupe NAME REGEX") and mutants, one block each:
#   [zone.name]
#   fichier : path from the root of the tree
#   tests : @group ... or ctest regexes, joined as alternatives
#   faute : one line saying what goes wrong for the user
#   avant : the exact snippet (several avant lines: a snippet of several lines)
#   apres : its faulty replacement (several lines likewise; empty: deleted)
declare -A groupe=()
ids=() fichiers=() tests=() fautes=() avants=() apres=()

ligne_table=0
erreur_table() { echec "$table, ligne $ligne_table : $*"; }

fermer_bloc() {
    local k=$((${#ids[@]} - 1))
    ((k >= 0)) || return 0
    [[ -n ${fichiers[k]} ]] || erreur_table "le mutant ${ids[k]} n'a pas de ligne fichier"
    [[ -n ${tests[k]} ]] || erreur_table "le mutant ${ids[k]} n'a pas de ligne tests"
    [[ -n ${fautes[k]} ]] || erreur_table "le mutant ${ids[k]} n'a pas de ligne faute"
    [[ -n ${avants[k]} ]] || erreur_table "le mutant ${ids[k]} n'a pas de ligne avant"
    [[ ${avants[k]} != "${apres[k]}" ]] || erreur_table "le mutant ${ids[k]} ne change rien"
    return 0
}

declare -A vu=()
a_apres=()
while IFS= read -r ligne || [[ -n $ligne ]]; do
    ligne_table=$((ligne_table + 1))
    [[ $ligne =~ ^[[:space:]]*(#|$) ]] && continue
    if [[ $ligne =~ ^groupe[[:space:]]+([a-z0-9_-]+)[[:space:]]+(.+)$ ]]; then
        groupe[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}
    elif [[ $ligne =~ ^\[([a-z0-9_-]+\.[a-z0-9_.-]+)\]$ ]]; then
        fermer_bloc
        id=${BASH_REMATCH[1]}
        [[ -z ${vu[$id]-} ]] || erreur_table "identifiant en double : $id"
        vu[$id]=1
        ids+=("$id") fichiers+=("") tests+=("") fautes+=("") avants+=("") apres+=("") a_apres+=("")
    elif [[ $ligne =~ ^(fichier|tests|faute|avant|apres)[[:space:]]*: ]]; then
        k=$((${#ids[@]} - 1))
        ((k >= 0)) || erreur_table "ligne hors de tout mutant : $ligne"
        cle=${BASH_REMATCH[1]}
        valeur=${ligne#*:}
        valeur=${valeur# }
        case $cle in
        fichier) fichiers[k]=$valeur ;;
        tests) tests[k]=$valeur ;;
        faute) fautes[k]=$valeur ;;
        avant) avants[k]=${avants[k]:+${avants[k]}$'\n'}$valeur ;;
        apres)
            apres[k]=${a_apres[k]:+${apres[k]}$'\n'}$valeur
            a_apres[k]=1
            ;;
        esac
    else
        erreur_table "ligne non reconnue : $ligne"
    fi
done <"$table"
fermer_bloc
((${#ids[@]} > 0)) || echec "la table $table ne contient aucun mutant"

# The ctest regex of a mutant: its groups and regexes as alternatives.
regex_de() { # index
    local mot regex=
    for mot in ${tests[$1]}; do
        if [[ $mot == @* ]]; then
            [[ -n ${groupe[${mot#@}]-} ]] || echec "le mutant ${ids[$1]} nomme un groupe inconnu : $mot"
            mot=${groupe[${mot#@}]}
        fi
        regex+=${regex:+|}"($mot)"
    done
    echo "$regex"
}

# The mutants chosen by the patterns (all without one).
choisis=()
for k in "${!ids[@]}"; do
    if ((${#motifs[@]} == 0)); then
        choisis+=("$k")
        continue
    fi
    for motif in "${motifs[@]}"; do
        # shellcheck disable=SC2053 # the pattern is a glob on purpose
        if [[ ${ids[k]} == $motif ]]; then
            choisis+=("$k")
            break
        fi
    done
done
for motif in "${motifs[@]}"; do
    trouve=
    for k in "${choisis[@]}"; do
        # shellcheck disable=SC2053
        [[ ${ids[k]} == $motif ]] && trouve=1
    done
    [[ -n $trouve ]] || echec "aucun mutant ne s'appelle $motif (voir --liste)"
done

if [[ $mode == liste ]]; then
    for k in "${choisis[@]}"; do
        printf '%-34s %-34s %s\n' "${ids[k]}" "${fichiers[k]}" "${fautes[k]}"
    done
    exit 0
fi

# How many times the snippet is in the file (perl: bash's own matching of a
# pattern within a long text takes time that grows with its square).
occurrences() { # file, snippet
    EXTRAIT=$2 perl -0777 -ne 'my $n = () = /\Q$ENV{EXTRAIT}\E/g; print $n' -- "$1"
}

# Replaces the first occurrence of the snippet in the file.
remplacer() { # file, snippet, replacement
    EXTRAIT=$2 REMPLACEMENT=$3 perl -0777 -pi -e 's/\Q$ENV{EXTRAIT}\E/$ENV{REMPLACEMENT}/' -- "$1"
}

# Why the mutant can't be planted in the tree at `arbre`, or nothing.
perime() { # index, tree
    local chemin=$2/${fichiers[$1]}
    [[ -f $chemin ]] || { echo "fichier absent : ${fichiers[$1]}"; return; }
    case $(occurrences "$chemin" "${avants[$1]}") in
    "") echo "fichier illisible : ${fichiers[$1]}" ;;
    0) echo "extrait introuvable dans ${fichiers[$1]}" ;;
    1) ;;
    *) echo "extrait present plusieurs fois dans ${fichiers[$1]}" ;;
    esac
}

# The names of the tests of a build, one a line.
noms_des_tests() { # build dir
    ctest --test-dir "$1" -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: \([^ ]*\).*$/\1/p'
}

if [[ $mode == verifier ]]; then
    perimes=0
    noms=
    if [[ -n $construction_testee ]]; then
        noms=$(noms_des_tests "$construction_testee")
        [[ -n $noms ]] || echec "aucun test dans la construction $construction_testee"
    fi
    for k in "${choisis[@]}"; do
        raison=$(perime "$k" "$racine")
        regex=$(regex_de "$k") || exit 1
        if [[ -z $raison && -n $noms ]] && ! grep -Eq -- "$regex" <<<"$noms"; then
            raison="aucun test ne correspond a : ${tests[k]}"
        fi
        if [[ -n $raison ]]; then
            echo "perime : ${ids[k]} : $raison"
            perimes=$((perimes + 1))
        fi
    done
    if ((perimes > 0)); then
        echo "$nom : $perimes mutant(s) sur ${#choisis[@]} a mettre a jour dans $table" >&2
        exit 1
    fi
    echo "table a jour : ${#choisis[@]} mutants${noms:+, tests trouves}"
    exit 0
fi

# --- The copy of the tree and its build -----------------------------------------
arbre=$dossier/arbre
# Same depth below the copy as build/release below the tree: ccache, which
# rewrites paths relative to the build folder, shares its entries between copies.
construction=$arbre/build/mutants
journaux=$dossier/journaux
resultats=$dossier/resultats.md
mkdir -p "$arbre" "$journaux" || echec "impossible de creer $dossier"

commande_git() { git -C "$racine" "$@"; }
commande_git rev-parse --git-dir >/dev/null 2>&1 || echec "$racine n'est pas un arbre git"

# The files git knows and those it would add: copied where they differ, so that
# an unchanged file keeps its date and is not rebuilt; files gone from the
# tree are removed from the copy.
echo "== copie de l'arbre dans $arbre"
dossier_relatif=${dossier#"$racine"/} # a work folder inside the tree is not copied into itself
declare -A garde=()
while IFS= read -r -d '' f; do
    [[ -e $racine/$f || -L $racine/$f ]] || continue # deleted, not yet staged
    [[ $dossier_relatif != "$dossier" && $f == "$dossier_relatif"/* ]] && continue # the copy itself
    garde[$f]=1
    if [[ -L $racine/$f || ! -f $arbre/$f ]] || ! cmp -s -- "$racine/$f" "$arbre/$f"; then
        mkdir -p -- "$(dirname -- "$arbre/$f")"
        rm -f -- "$arbre/$f"
        cp -P --preserve=mode -- "$racine/$f" "$arbre/$f" || echec "copie impossible : $f"
    fi
done < <(commande_git ls-files -z --cached --others --exclude-standard)
while IFS= read -r -d '' f; do
    f=${f#"$arbre"/}
    [[ -n ${garde[$f]-} ]] || rm -f -- "$arbre/$f"
done < <(find "$arbre" -path "$arbre/build" -prune -o \( -type f -o -type l \) -print0)

if [[ ! -f $construction/CMakeCache.txt ]]; then
    echo "== configuration de $construction"
    cmake -S "$arbre" -B "$construction" -DRUGOSITE_WERROR=OFF \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >"$journaux/configuration.txt" 2>&1 ||
        echec "la configuration echoue (voir $journaux/configuration.txt)"
fi
echo "== construction de l'arbre sans mutant"
cmake --build "$construction" -j "$travaux" >"$journaux/construction.txt" 2>&1 ||
    echec "l'arbre sans mutant ne se construit pas (voir $journaux/construction.txt)"

# The executable of each test, and the programs and tools that every mutant
# rebuilds (the tests run them): the executables in bin/ that are targets of
# the build and no test's. A mutant relinks only the test executables it runs.
declare -A executable=() numero=()
while IFS= read -r ligne; do
    if [[ $ligne =~ ^[0-9]+:\ Test\ command:\ ([^ ]+) ]]; then
        commande=${BASH_REMATCH[1]}
    elif [[ $ligne =~ ^\ *Test\ +#([0-9]+):\ ([^ ]+) ]]; then
        executable[${BASH_REMATCH[2]}]=$commande
        numero[${BASH_REMATCH[2]}]=${BASH_REMATCH[1]}
    fi
done < <(ctest --test-dir "$construction" -N -V 2>/dev/null)
((${#executable[@]} > 0)) || echec "aucun test dans $construction (GoogleTest manque ?)"

declare -A est_un_test=() est_une_cible=()
for t in "${!executable[@]}"; do
    est_un_test[${executable[$t]}]=1
done
while IFS= read -r cible; do
    est_une_cible[$cible]=1
done < <(cmake --build "$construction" --target help 2>/dev/null | sed -n 's/^\.\.\. \([^ ]*\).*$/\1/p')
cibles_communes=()
for e in "$construction"/bin/*; do
    [[ -n ${est_une_cible[${e##*/}]-} && -z ${est_un_test[$e]-} ]] && cibles_communes+=("${e##*/}")
done

cibles_de() { # regex: the build targets of the mutant
    local -A c=()
    local t e
    for t in "${!executable[@]}"; do
        [[ $t =~ $1 ]] || continue
        e=${executable[$t]}
        [[ $e == "$construction"/bin/* && -n ${est_une_cible[${e##*/}]-} ]] && c[${e##*/}]=1
    done
    printf '%s\n' "${cibles_communes[@]}" "${!c[@]}"
}

tests_de() { # regex: the numbers of the tests it matches, one a line
    local t
    for t in "${!executable[@]}"; do
        [[ $t =~ $1 ]] && echo "${numero[$t]}"
    done
}

# The tests are chosen by number (ctest -I), from the regexes matched here: a
# union of many regexes would be too much for ctest's own.
selection() { # file, test numbers...
    local f=$1
    shift
    local IFS=,
    echo "0,0,0,$*" >"$f"
}

# --- The tests without mutant ------------------------------------------------------
declare -A tous=()
for k in "${choisis[@]}"; do
    r=$(regex_de "$k") || exit 1
    for t in $(tests_de "$r"); do
        tous[$t]=1
    done
done
echo "== tests de l'arbre sans mutant (${#tous[@]})"
selection "$dossier/tests.txt" "${!tous[@]}"
if ((${#tous[@]} > 0)) && ! ctest --test-dir "$construction" -I "$dossier/tests.txt" --timeout "$delai" -j "$travaux" \
    >"$journaux/tests-sans-mutant.txt" 2>&1; then
    grep -E '\*\*\*(Failed|Timeout)|Exception' "$journaux/tests-sans-mutant.txt" >&2
    echec "des tests echouent sans mutant : le score n'aurait pas de sens (voir $journaux/tests-sans-mutant.txt)"
fi

# --- One mutant after the other ------------------------------------------------------
sauvegarde=$dossier/original.tmp
plante=
remettre() {
    if [[ -n $plante ]]; then
        cat -- "$sauvegarde" >"$plante"
        plante=
    fi
}
trap 'remettre; echo "$nom : interrompu, fichier remis" >&2; exit 130' INT TERM
trap remettre EXIT

issues=() raisons=() durees=()
n=0
for k in "${choisis[@]}"; do
    n=$((n + 1))
    debut=$SECONDS
    id=${ids[k]}
    journal=$journaux/$id.txt
    regex=$(regex_de "$k") || exit 1
    raison=$(perime "$k" "$arbre")
    mapfile -t numeros < <(tests_de "$regex")
    if [[ -z $raison ]] && ((${#numeros[@]} == 0)); then
        raison="aucun test ne correspond a : ${tests[k]}"
    fi
    if [[ -n $raison ]]; then
        issue=inapplicable
    else
        chemin=$arbre/${fichiers[k]}
        cp -- "$chemin" "$sauvegarde"
        plante=$chemin
        remplacer "$chemin" "${avants[k]}" "${apres[k]}"
        mapfile -t cibles < <(cibles_de "$regex")
        cible_options=()
        ((${#cibles[@]} > 0)) && cible_options=(--target "${cibles[@]}")
        {
            echo "== $id : ${fautes[k]}"
            echo "== ${fichiers[k]} : ${avants[k]}  ->  ${apres[k]}"
        } >"$journal"
        if ! cmake --build "$construction" -j "$travaux" "${cible_options[@]}" >>"$journal" 2>&1; then
            issue=construction
            raison="ne se construit pas (voir $journal)"
        elif selection "$dossier/tests.txt" "${numeros[@]}" &&
            ctest --test-dir "$construction" -I "$dossier/tests.txt" --timeout "$delai" --stop-on-failure -j "$travaux" \
            --output-on-failure >>"$journal" 2>&1; then
            issue=survivant
        else
            issue=tue
            # the first line of ctest's list of failures, "NN - Name (Failed)"
            raison=$(sed -n '/^The following tests FAILED:/,$ s/^[[:space:]]*[0-9]* - \([^ ]*\) (\(.*\))$/\1 (\2)/p' "$journal" | head -n 1)
        fi
        remettre
    fi
    issues[k]=$issue
    raisons[k]=$raison
    durees[k]=$((SECONDS - debut))
    printf '[%d/%d] %-34s %-12s %4d s  %s\n' "$n" "${#choisis[@]}" "$id" "$issue" "${durees[k]}" "$raison"
done
rm -f -- "$sauvegarde"

# --- The results --------------------------------------------------------------------
zones=()
declare -A z_total=() z_tue=() z_survivant=() z_autre=()
tue=0 survivant=0 autre=0
for k in "${choisis[@]}"; do
    z=${ids[k]%%.*}
    [[ -n ${z_total[$z]-} ]] || { zones+=("$z"); z_total[$z]=0 z_tue[$z]=0 z_survivant[$z]=0 z_autre[$z]=0; }
    z_total[$z]=$((z_total[$z] + 1))
    case ${issues[k]} in
    tue) z_tue[$z]=$((z_tue[$z] + 1)) tue=$((tue + 1)) ;;
    survivant) z_survivant[$z]=$((z_survivant[$z] + 1)) survivant=$((survivant + 1)) ;;
    *) z_autre[$z]=$((z_autre[$z] + 1)) autre=$((autre + 1)) ;;
    esac
done
score() { # killed, survived: a percentage with a decimal comma
    (($1 + $2 > 0)) || { echo "-"; return; }
    awk -v t="$1" -v s="$2" 'BEGIN { printf "%.1f %%", 100 * t / (t + s) }' | tr . ,
}

version=$(commande_git rev-parse --short HEAD 2>/dev/null)
[[ -n $(commande_git status --porcelain 2>/dev/null) ]] && version+=" (avec des modifications non enregistrees)"
{
    echo "# Verification par mutation"
    echo
    echo "Arbre : commit $version, le $(date '+%Y-%m-%d %H:%M')."
    echo "Score : $tue tues sur $((tue + survivant)) mutants construits ($(score "$tue" "$survivant"))."
    echo
    echo "| zone | mutants | tues | survivants | inapplicables ou non construits | score |"
    echo "|---|---|---|---|---|---|"
    for z in "${zones[@]}"; do
        echo "| $z | ${z_total[$z]} | ${z_tue[$z]} | ${z_survivant[$z]} | ${z_autre[$z]} | $(score "${z_tue[$z]}" "${z_survivant[$z]}") |"
    done
    echo "| total | ${#choisis[@]} | $tue | $survivant | $autre | $(score "$tue" "$survivant") |"
    echo
    echo "## Survivants"
    echo
    for k in "${choisis[@]}"; do
        [[ ${issues[k]} == survivant ]] && echo "- \`${ids[k]}\` (${fichiers[k]}) : ${fautes[k]}"
    done
    if ((autre > 0)); then
        echo
        echo "## Inapplicables ou non construits"
        echo
        for k in "${choisis[@]}"; do
            [[ ${issues[k]} == inapplicable || ${issues[k]} == construction ]] &&
                echo "- \`${ids[k]}\` : ${issues[k]} : ${raisons[k]}"
        done
    fi
    echo
    echo "## Tous les mutants"
    echo
    echo "| mutant | fichier | issue | duree (s) | faute |"
    echo "|---|---|---|---|---|"
    for k in "${choisis[@]}"; do
        echo "| \`${ids[k]}\` | ${fichiers[k]} | ${issues[k]} | ${durees[k]} | ${fautes[k]} |"
    done
} >"$resultats"
echo
sed -n '3,/^## Survivants/p' "$resultats" | sed '$d'
echo "Tableau complet : $resultats"
exit 0
