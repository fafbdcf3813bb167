#!/usr/bin/env bash
# The sample grid of tools/synthese/exemple is what the generator writes with
# the command recorded in its folder: a change of the generator's draw, of its
# header or of its number format shows here.
#   usage: grille_exemple.sh RUGOSITE_SYNTHESE SOURCE_DIR
set -u
generateur=$1
exemple=$2/tools/synthese/exemple
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
commande=$(sed -n 's/^commande : //p' "$exemple/LISEZMOI")
(cd "$work" && eval "\"$generateur\" ${commande#rugosite-synthese }" >/dev/null) || { echo "ECHEC : le generateur a echoue"; exit 1; }
status=0
for f in grille.txt parametres_vrais.txt; do
    cmp "$work/$f" "$exemple/$f" || { echo "ECHEC : $f differe de l'exemple"; status=1; }
done
exit $status
