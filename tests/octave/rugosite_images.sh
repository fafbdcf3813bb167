#!/usr/bin/env bash
# rugosite-images on the two roads: what it says and leaves in the folder, and
# the figures as Octave holds them after the picture script (axes, texts and
# empty nodes).
#   usage: rugosite_images.sh BIN_DIR   (rugosite-images, reliefstat, rugosite-synthese)
set -u
bin=$(realpath "$1")
images=$bin/rugosite-images
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "ECHEC : $*"; failures=$((failures + 1)); }

# Mistakes first: they need no Octave. An empty folder is left as it was (the
# help is checked with every shell tool's).
mkdir "$work/vide"
out=$(cd "$work/vide" && "$images" 2>&1)
(($? == 1)) && [[ $out == "rugosite-images : pas de mesure dans "* ]] || fail "repertoire vide : $out"
(cd "$work/vide" && "$images" grille.txt >/dev/null 2>&1; (($? == 1))) || fail "argument : statut au lieu de 1"
[[ -z $(ls -A "$work/vide") ]] || fail "le repertoire vide a recu : $(ls -A "$work/vide")"

if ! command -v octave >/dev/null || ! command -v gnuplot >/dev/null ||
    ! octave --no-gui -q --eval "pkg load optim" >/dev/null 2>&1; then
    echo "NOTICE: GNU Octave, octave-optim ou gnuplot absent : rugosite-images n'est verifie que sur les erreurs d'usage"
    ((failures == 0)) && exit 77
    exit 1
fi
# The figures as Octave holds them after the picture script, one line each.
figures() { # octave expressions printing lines
    octave --no-gui --no-window-system -q --eval "source('$bin/../share/rugosite/images-mesure.m'); $1" 2>/dev/null
}

# The manual road: a strip of 40 points by 6 lines, step 2 cm: 4 radii only.
mkdir "$work/manuelle"
cd "$work/manuelle" || exit 1
"$bin/rugosite-synthese" grille --entete 5x39x2.0 >/dev/null
"$bin/reliefstat" >/dev/null
touch "$work/.debut"
"$images" >"$work/out" 2>"$work/err" || fail "voie manuelle : $(cat "$work/err")"
grep -q "^attention : 4 rayons seulement (moins de 5)" "$work/out" || fail "voie manuelle : pas d'avertissement a l'ecran"
grep -q "rugosité de la surface étudiée" "$work/out" || fail "HR.m lu sans ses accents : $(head -3 "$work/out")"
grep -qi "warning\|execution_exception\|plus recent que HR.m" "$work/out" "$work/err" && fail "bruit : $(cat "$work/err")"
grep -qx "unite cm" ajustement.txt || fail "voie manuelle : unite : $(cat ajustement.txt)"
written=$(find . -type f -newer "$work/.debut" | sort) # grille.txt untouched
[[ $written == $'./ajustement.txt\n./correlation.png\n./surface.png' ]] || fail "voie manuelle : fichiers ecrits : $written"

# A grid made after the last reliefstat: said on the screen, and on the
# picture, also when the script runs by hand in Octave.
touch -d '+2 seconds' grille.txt
"$images" >"$work/out" 2>"$work/err"
grep -q "^rugosite-images : attention : grille.txt est plus recent que HR.m : " "$work/err" ||
    fail "grille plus recente : pas d'avertissement a l'ecran : $(cat "$work/err")"
textes=$(figures "textes = get(findobj(1, 'type', 'text'), 'string'); printf('texte %s\n', textes{:});")
[[ $(grep -c -e "^texte attention : HR.m date d'avant grille.txt$" \
    -e "^attention : grille.txt est plus recent que HR.m" <<<"$textes") == 2 ]] ||
    fail "grille plus recente : pas d'avertissement sur la figure ou, d'Octave seul, a l'ecran : $textes"

# The photogrammetric road: a grid of 60 steps of 1/0.6 % with a few empty nodes, and base.txt.
mkdir "$work/photo"
cd "$work/photo" || exit 1
"$bin/rugosite-synthese" grille --entete 60x60x1.666667 --longueur 8 >/dev/null
awk 'NR > 1 && NR % 37 == 0 { print "10000.000000"; next } { print }' grille.txt >grille.tmp && mv grille.tmp grille.txt
vides=$(grep -c '^10000.000000$' grille.txt)
"$bin/reliefstat" >/dev/null
touch base.txt
"$images" >"$work/out" 2>"$work/err" || fail "voie photogrammetrique : $(cat "$work/err")"
grep -qx "unite pourcent_du_cote" ajustement.txt || fail "voie photogrammetrique : unite : $(cat ajustement.txt)"
grep -q "attention" "$work/out" && fail "voie photogrammetrique : avertissement de trop"
# Figure 1 the correlation, figure 2 the surface.
figures=$(figures "
  axe = findobj(1, 'type', 'axes', 'tag', '');
  limites = get(axe, 'xlim');
  hauteur = get(axe, 'ylim');
  printf('rayons %d dessus_libre %d\n', abs(limites(2) - max(r)) < 1e-6 * max(r), all(Hr <= hauteur(2) / 1.5));
  textes = get(findobj(axe, 'type', 'text'), 'string');
  printf('texte %s\n', textes{:});
  plan = findobj(2, 'type', 'axes', 'tag', '');
  c = get(findobj(plan, 'type', 'image'), 'cdata');
  carte = colormap(plan);
  printf('blanc %d vides %d taille %dx%d\n', all(carte(1, :) == 1), sum(c(:) == min(c(:))), rows(c), columns(c));")
grep -qx "rayons 1 dessus_libre 1" <<<"$figures" || fail "axe des rayons ou bande libre pour la legende : $figures"
grep -q "^texte L = .* % du cote$" <<<"$figures" && grep -q "^texte s = .* % du cote$" <<<"$figures" ||
    fail "L ou s absent de la figure : $figures"
grep -qx "blanc 1 vides $vides taille 61x61" <<<"$figures" || fail "noeuds vides ($vides attendus, blancs) : $figures"

((failures == 0)) && echo "rugosite-images verifie"
exit $((failures > 0))
