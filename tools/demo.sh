#!/usr/bin/env bash
# The main job. From a fresh clone: builds the toolkit, makes a synthetic
# measurement of known roughness in a fresh directory (demo/mesure), runs the
# whole photogrammetric road on it and prints the roughness figures next to the
# true values; where GNU Octave is available, fits the correlation length with
# HR.m and saves the pictures as PNG files; the chain ends with the report of
# the measurement (rapport.html, where the toolkit built the report). Run as root, it installs with
# apt-get what it needs; what cannot be had is skipped with a notice.
set -euo pipefail
if [[ $# == 1 && ( $1 == --aide || $1 == -h || $1 == --help ) ]]; then
    cat <<'AIDE'
usage : bash tools/demo.sh
Construit la boite a outils (build/demo), fabrique une mesure synthetique de
rugosite connue dans demo/mesure (remplacee a chaque fois), la fait passer par
toute la voie photogrammetrique (rugosite-chaine -- 200 0.35) et affiche les
resultats a cote des vraies valeurs ; avec GNU Octave, ajuste HR.m et enregistre
demo/mesure/correlation.png et demo/mesure/surface.png (rugosite-images) ;
la chaine finit par le rapport de la mesure (rugosite-rapport : rapport.html,
rapport.json, rapport.csv dans demo/mesure).
En root, installe avec apt-get ce qui manque (cmake, g++, make ; les
bibliotheques du rapport ; octave, octave-optim, gnuplot-nox,
fonts-freefont-otf) ; sinon, le dit et s'en passe.
Fichiers ecrits : build/demo, build/demo.log et demo/mesure seulement.
Duree : environ deux minutes et demie sur deux coeurs (plus quelques minutes la premiere
fois pour installer Octave).
Statut de sortie : 0 fait ; 1 construction impossible ; sinon le statut du
programme de la chaine qui a echoue.
AIDE
    exit 0
fi
if (($# > 0)); then
    echo "demo.sh : aucun argument attendu (recu : $*) ; voir bash tools/demo.sh --aide" >&2
    exit 1
fi
cd "$(dirname "$0")/.."
racine=$(pwd)
build=$racine/build/demo
mesure=$racine/demo/mesure
graine=1
points=1000000
reglage=(200 0.35) # echantillonnage: grid steps and capture radius (see the settings table in docs/guide.md)

notice() { echo "!! $*"; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
apt_ready=
apt_install() { # packages...: true once they are all installed; says why not
    if [[ $(id -u) != 0 ]]; then
        notice "pas root : installation impossible de $* (sudo apt-get install $*)"
        return 1
    fi
    if ! command -v apt-get >/dev/null; then
        notice "pas d'apt-get : installation impossible de $*"
        return 1
    fi
    if [[ -z $apt_ready ]]; then
        apt-get update -qq >/dev/null 2>&1 || notice "apt-get update a echoue"
        apt_ready=1
    fi
    local package status=0
    for package in "$@"; do
        have_pkg "$package" && continue
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$package" >/dev/null 2>&1 ||
            { notice "$package n'a pas pu etre installe"; status=1; }
    done
    return $status
}

echo "== 1. construction (build/demo)"
manque=()
for outil in cmake g++ make; do command -v "$outil" >/dev/null || manque+=("$outil"); done
have_pkg libfast-float-dev || manque+=(libfast-float-dev)
if ((${#manque[@]} > 0)); then
    echo "   installation de : ${manque[*]}"
    apt_install "${manque[@]}" || { notice "impossible d'installer ${manque[*]} : installez-les puis relancez"; exit 1; }
fi
# The report (rugosite-rapport) needs FFTW3, GSL, nlohmann-json and PLplot; without
# them the road still runs, without the report.
rapport_paquets=(libfftw3-dev libgsl-dev nlohmann-json3-dev libplplot-dev)
rapport_manque=()
for paquet in "${rapport_paquets[@]}"; do have_pkg "$paquet" || rapport_manque+=("$paquet"); done
if ((${#rapport_manque[@]} > 0)); then
    echo "   installation des bibliotheques du rapport : ${rapport_manque[*]}"
    apt_install "${rapport_manque[@]}" || notice "sans ces bibliotheques, pas de rapport rugosite-rapport"
fi
debut=$SECONDS
mkdir -p "$racine/build"
if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUGOSITE_TESTS=OFF &&
    cmake --build "$build" -j "$(nproc)"; } >"$racine/build/demo.log" 2>&1; then
    tail -30 "$racine/build/demo.log"
    notice "la construction a echoue (journal complet : build/demo.log)"
    exit 1
fi
bin=$build/bin
for program in plyunpack markerpick framefit delimiter echantillonnage reliefstat rugosite-synthese rugosite-chaine \
    rugosite-images; do
    [[ -x $bin/$program ]] || { notice "$program n'a pas ete construit"; exit 1; }
done
echo "   fait en $((SECONDS - debut)) s"

echo "== 2. mesure synthetique dans demo/mesure"
rm -rf "$mesure"
mkdir -p "$mesure"
cd "$mesure"
"$bin/rugosite-synthese" nuage --graine "$graine" --points "$points" | sed 's/^/   /'

echo "== 3. la voie photogrammetrique : rugosite-chaine -- ${reglage[*]}"
echo "   (plyunpack, markerpick, framefit, delimiter, echantillonnage ${reglage[*]}, reliefstat)"
statut=0
"$bin/rugosite-chaine" -- "${reglage[@]}" | tee sortie-chaine.txt || statut=${PIPESTATUS[0]}
echo
if ((statut != 0)); then
    notice "la chaine s'est arretee (statut $statut) ; voir demo/mesure/log.txt"
    exit "$statut"
fi

valeur() { awk -v nom="$1" '$1 == nom { print $2 }' "$2"; }
rms_vraie=$(valeur rms parametres_vrais.txt)
rms_tiree=$(valeur rms_realise parametres_vrais.txt)
longueur_vraie=$(valeur longueur_correlation parametres_vrais.txt)
rms_mesuree=$(sed -n 's/.*RMS=\([^ ]*\) cm.*/\1/p' sortie-chaine.txt)

echo "== 4. ajustement de HR.m et images (GNU Octave)"
octave_ok=
if ! command -v octave >/dev/null || ! have_pkg octave-optim; then
    echo "   installation de GNU Octave et octave-optim (quelques minutes la premiere fois)"
    apt_install octave octave-optim || true
fi
if command -v octave >/dev/null && octave --no-gui --no-window-system -q --eval "pkg load optim" >/dev/null 2>&1; then
    octave_ok=1
    if ! command -v gnuplot >/dev/null || ! have_pkg fonts-freefont-otf; then
        apt_install gnuplot-nox fonts-freefont-otf || true
    fi
    command -v gnuplot >/dev/null ||
        notice "gnuplot absent (paquet gnuplot-nox) : Octave ne peut pas dessiner sans ecran, pas d'images"
    "$bin/rugosite-images" >octave.txt 2>&1 ||
        notice "$(grep '^rugosite-images : ' octave.txt | tail -n 1) (voir demo/mesure/octave.txt)"
    grep '^attention' octave.txt | sed 's/^/   /' || true
else
    notice "GNU Octave ou octave-optim absent : pas d'ajustement de HR.m ni d'images"
fi

# Column of the report's CSV line, by the name its header line gives it.
colonne() { awk -F, -v nom="$1" 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == nom) c = i } NR == 2 && c { print $c }' rapport.csv; }

echo
echo "== Resultats (longueurs en pourcentage du cote du cadre ; reliefstat dit cm)"
printf '   %-44s %12s %12s\n' "" "vraie" "mesuree"
printf '   %-44s %12s %12s\n' "hauteur RMS (reliefstat)" "$rms_vraie" "$rms_mesuree"
printf '   %-44s %12s %12s\n' "  RMS de la surface tiree, dans le cadre" "$rms_tiree" ""
if [[ -n $octave_ok && -f ajustement.txt ]]; then
    printf '   %-44s %12s %12s\n' "longueur de correlation (HR.m)" "$longueur_vraie" \
        "$(valeur longueur_corr_fit ajustement.txt)"
    printf '   %-44s %12s %12s\n' "hauteur RMS ajustee (HR.m)" "$rms_vraie" "$(valeur RMS_fit ajustement.txt)"
    echo "   ($(valeur rayons ajustement.txt) rayons ajustes ; d'un tirage a l'autre, la longueur ajustee varie"
    echo "    typiquement de 10 % autour de la vraie, parfois bien plus : voir le tableau des reglages de docs/guide.md)"
fi
if [[ -s rapport.csv ]]; then
    printf '   %-44s %12s %12s   %s\n' "rapport, modele exponentiel :" "" "" "intervalle a 95 %"
    printf '   %-44s %12s %12.4f   [%.4f ; %.4f]\n' "  sigma" "$rms_vraie" "$(colonne sigma_exp)" \
        "$(colonne sigma_bas_exp)" "$(colonne sigma_haut_exp)"
    printf '   %-44s %12s %12.4f   [%.4f ; %.4f]\n' "  longueur de correlation L" "$longueur_vraie" "$(colonne L_exp)" \
        "$(colonne L_bas_exp)" "$(colonne L_haut_exp)"
    printf '   %-44s %12s %12.4f\n' "  Sq apres nivellement ($(colonne nivellement))" "" "$(colonne Sq)"
    printf '   %-44s %12s %12.4f\n' "  L le long du cote X / du cote Y (anisotropie)" "" "$(colonne anisotropie)"
    if [[ $(colonne resolu_exp) == 0 ]]; then
        echo "   (L non resolue, sans intervalle : voir rapport.html)"
    fi
fi
echo
echo "== Fichiers dans $mesure :"
echo "   option-0000.ply (le nuage), parametres_vrais.txt (les vrais parametres), log.txt (journal),"
echo "   grille.txt, HR.m, visu_grille.m et les autres scripts MATLAB (pkg load optim avant HR dans Octave)"
images=0
for image in correlation.png surface.png; do
    if [[ -s $image ]]; then
        echo "   image : $mesure/$image"
        images=$((images + 1))
    fi
done
((images == 2)) || notice "images non produites (il faut GNU Octave, octave-optim et gnuplot-nox)"
if [[ -s rapport.html ]]; then
    echo "   rapport : $mesure/rapport.html (a ouvrir dans un navigateur), rapport.json, rapport.csv"
else
    notice "pas de rapport (rugosite-rapport n'a pas ete construit : il faut FFTW3, GSL, nlohmann-json et PLplot)"
fi
