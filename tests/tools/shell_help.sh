#!/usr/bin/env bash
# The help of the shell tools: --aide, -h or --help alone prints a French usage
# (command line, files, exit statuses) and ends with 0, writing nothing, neither
# in the current folder nor in the tree the tool sits in.
#   usage: shell_help.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "ECHEC : $*"; failures=$((failures + 1)); }

tools=(tools/run-tests.sh tools/demo.sh tools/etude-reglages/etude-reglages.sh tools/bench/benchmark.sh
    tools/chaine/rugosite-chaine tools/images/rugosite-images tools/campagne/rugosite-campagne
    tools/campagne/bench.sh tools/rapport/etude-nuage.sh)
mkdir -p "$work/arbre" "$work/ici"
for tool in "${tools[@]}"; do
    mkdir -p "$work/arbre/$(dirname "$tool")"
    cp "$source_dir/$tool" "$work/arbre/$tool"
done
sleep 1
touch "$work/.debut"
for tool in "${tools[@]}"; do
    for word in --aide -h --help; do
        out=$(cd "$work/ici" && bash "$work/arbre/$tool" "$word" 2>"$work/err")
        status=$?
        ((status == 0)) || fail "$tool $word : statut $status"
        [[ $out == usage\ :* ]] || fail "$tool $word : pas d'usage : ${out:0:80}"
        grep -qi "statut" <<<"$out" || fail "$tool $word : les statuts de sortie manquent"
        grep -qi "fichier" <<<"$out" || fail "$tool $word : les fichiers manquent"
        [[ -s $work/err ]] && fail "$tool $word : sortie d'erreur : $(cat "$work/err")"
    done
done
written=$(find "$work/arbre" "$work/ici" -newer "$work/.debut" | grep -v "^$work/ici$")
[[ -z $written ]] || fail "l'aide a ecrit : $written"

# The test command refuses what it does not know, before doing anything.
out=$(cd "$work/ici" && bash "$work/arbre/tools/run-tests.sh" --vite 2>&1)
(($? == 1)) || fail "run-tests.sh --vite : statut au lieu de 1"
[[ -e $work/arbre/build ]] && fail "run-tests.sh --vite a construit"
out=$(cd "$work/ici" && bash "$work/arbre/tools/demo.sh" --graine 2 2>&1)
(($? == 1)) || fail "demo.sh --graine : statut au lieu de 1"
[[ -e $work/arbre/build || -e $work/arbre/demo ]] && fail "demo.sh --graine a construit"

((failures == 0)) && echo "aide des outils verifiee"
exit $((failures > 0))
