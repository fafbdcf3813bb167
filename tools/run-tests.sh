#!/usr/bin/env bash
# The test command. Installs what the tests need, one package at a time, then
# builds the toolkit two ways and runs the tests of each:
#   build/release  the users' build (Release, -O3), every test, the slow
#                  groups and a short fuzz run included;
#   build/asan     AddressSanitizer + UndefinedBehaviorSanitizer, every test but
#                  the slow groups and the fuzz run (which has its own sanitizers).
# The C stdio backend and the plain correlation loop are compiled into the
# tests as the oracles the fast code is compared with.
# Warnings are errors in both (RUGOSITE_WERROR). A test group whose tool
# cannot be had is skipped with a NOTICE line; without GoogleTest (and without
# root to install it) the unit and program tests are skipped with a notice and
# only the builds are checked. Every build and test stage runs; the status is 1
# when one of them failed.
set -uo pipefail
cd "$(dirname "$0")/.."

usage() {
    cat <<'EOF'
usage : bash tools/run-tests.sh [--preparation]
Construit la boite a outils (build/release en Release, build/asan avec les
sanitizers) et lance les tests de chaque construction. En root, installe d'abord avec apt-get, un
paquet a la fois, ce qui manque aux tests ; un groupe de tests dont l'outil
manque est saute avec une ligne NOTICE.
  --preparation  seulement l'installation et le plan des groupes, sans construire
Fichiers : ecrit seulement sous build/ (et les paquets installes).
Duree : environ 11 minutes sur deux coeurs sans autre travail (21 min de
processeur), plus quelques minutes la premiere fois pour installer les paquets.
Statut de sortie : 0 tout a reussi ; 1 une construction ou un test a echoue,
ou cmake, g++ ou make manque.
EOF
}

preparation_only=
if [[ $# == 1 && ( $1 == --help || $1 == -h || $1 == --aide ) ]]; then
    usage
    exit 0
fi
while (($# > 0)); do
    case $1 in
    --preparation) preparation_only=1 ;;
    *) echo "run-tests.sh : option inconnue : $1 (voir bash tools/run-tests.sh --aide)" >&2; exit 1 ;;
    esac
    shift
done

notice() { echo "!! NOTICE: $*"; }
jobs=$(nproc 2>/dev/null || echo 2)
((jobs > 2)) && jobs=2

# One group per tool the tests need: name | Debian packages | what is skipped
# without them. A group for a new tool is one more line.
groups=(
    "construction|cmake g++ make libfast-float-dev|tout (rien ne peut etre construit)"
    "unitaires|libgtest-dev|les tests unitaires et de programmes (GoogleTest)"
    "octave|octave octave-optim|les tests des scripts MATLAB dans GNU Octave"
    "images|gnuplot-nox fonts-freefont-otf|les images des scripts dans Octave"
    "terminal|tmux|les tests au terminal de handgrid"
    "fuzz|clang|le fuzzing des deux lectures de nombres"
    "rapport|libfftw3-dev libgsl-dev nlohmann-json3-dev|rugosite-rapport et ses tests"
    "gwyddion|libgwyddion20-dev libglib2.0-dev|la comparaison des parametres de texture avec la bibliotheque Gwyddion"
    "page|libplplot-dev|la page rapport.html et ses images"
    "parallel|parallel|la campagne de rugosite-campagne par GNU parallel"
)

# A package is there when dpkg says so; the compilers and cmake also when they
# are on the PATH (installed another way).
have_pkg() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' ||
        { [[ " cmake g++ make " == *" $1 "* ]] && command -v "$1" >/dev/null; }
}
apt_updated=
install_pkg() { # package: true once it is installed
    have_pkg "$1" && return 0
    if [[ $(id -u) != 0 ]]; then
        echo "   $1 absent, et pas root pour l'installer"
        return 1
    fi
    if [[ -z $apt_updated ]]; then
        apt-get update -qq >/dev/null 2>&1 || echo "   apt-get update a echoue"
        apt_updated=1
    fi
    echo "   installation de $1"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$1" >/dev/null 2>&1 && return 0
    echo "   $1 n'a pas pu etre installe"
    return 1
}

declare -A missing_group
echo "== paquets des tests, groupe par groupe"
for entry in "${groups[@]}"; do
    IFS='|' read -r group packages skipped <<<"$entry"
    for pkg in $packages; do
        if ! install_pkg "$pkg"; then
            missing_group[$group]=$pkg
        fi
    done
    if [[ -n ${missing_group[$group]-} ]]; then
        notice "groupe $group saute (${missing_group[$group]} manque) : $skipped"
    fi
done

if [[ -n ${missing_group[construction]-} ]]; then
    echo "run-tests.sh : cmake, g++, make et libfast-float-dev sont necessaires :" \
        "installez-les (apt-get install cmake g++ make libfast-float-dev) puis relancez" >&2
    exit 1
fi
test_option=-DRUGOSITE_TESTS=ON
if [[ -n ${missing_group[unitaires]-} ]]; then
    test_option=-DRUGOSITE_TESTS=OFF
    notice "sans GoogleTest, seules les constructions sont verifiees : aucun test n'est lance"
fi

if [[ $test_option == -DRUGOSITE_TESTS=ON ]]; then
    echo "== plan : build/release (Release, tous les tests), build/asan (sanitizers, sans les groupes lents)"
else
    echo "== plan : build/release (Release) et build/asan, constructions seules"
fi
[[ -n $preparation_only ]] && exit 0

failed=()
stage() { # label, build dir, ctest arguments (or -), cmake options...
    local label=$1 dir=$2 ctest_args=$3
    shift 3
    echo "== $label"
    if ! cmake -S . -B "$dir" -DRUGOSITE_WERROR=ON "$test_option" "$@" >/dev/null ||
        ! cmake --build "$dir" -j "$jobs"; then
        failed+=("construction $dir")
        return
    fi
    if [[ $test_option == -DRUGOSITE_TESTS=OFF ]]; then
        notice "tests de $dir sautes (GoogleTest absent)"
        return
    fi
    # shellcheck disable=SC2086 # the ctest arguments are words
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" $ctest_args || failed+=("tests $dir")
}

stage "construction et tests : version des utilisateurs (build/release, Release)" build/release "" \
    -DCMAKE_BUILD_TYPE=Release
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# -O1, the usual level under the sanitizers, with line tables only (-g1): the
# reports still name file and line, and the objects compile in about 0.4 times
# the time of RelWithDebInfo's -O2 -g (same checks).
sanitized_flags="-O1 -g1 -DNDEBUG"
stage "construction et tests : AddressSanitizer + UndefinedBehaviorSanitizer (build/asan)" build/asan "" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$sanitized_flags" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="$sanitized_flags" -DRUGOSITE_SANITIZE=ON -DRUGOSITE_SLOW_TESTS=OFF
unset ASAN_OPTIONS UBSAN_OPTIONS

if ((${#failed[@]} > 0)); then
    echo "== echec : ${failed[*]}"
    exit 1
fi
echo "== tout a reussi"
