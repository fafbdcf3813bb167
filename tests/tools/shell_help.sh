#!/usr/bin/env bash
# The help of the shell tools: --aide, -h or --help alone prints a French usage
# and ends with 0, writing nothing, neither in the current folder nor in the
# tree the tool sits in; the test and demo commands refuse what they do not
# know, before doing anything.
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
(cd "$source_dir" && cp --parents "${tools[@]}" "$work/arbre/")
sleep 1
touch "$work/.debut"
for tool in "${tools[@]}"; do
    for word in --aide -h --help; do
        out=$(cd "$work/ici" && bash "$work/arbre/$tool" "$word" 2>"$work/err")
        (($? == 0)) && [[ $out == usage\ :* ]] || fail "$tool $word : statut non nul ou pas d'usage : ${out:0:80}"
        [[ -s $work/err ]] && fail "$tool $word : sortie d'erreur : $(cat "$work/err")"
    done
done
(cd "$work/ici" && bash "$work/arbre/tools/run-tests.sh" --vite &>/dev/null; (($? == 1))) || fail "run-tests.sh --vite"
(cd "$work/ici" && bash "$work/arbre/tools/demo.sh" --graine 2 &>/dev/null; (($? == 1))) || fail "demo.sh --graine"
written=$(find "$work/arbre" "$work/ici" -newer "$work/.debut" | grep -v "^$work/ici$")
[[ -z $written ]] || fail "l'aide ou un refus a ecrit : $written"

((failures == 0)) && echo "aide des outils verifiee"
exit $((failures > 0))
