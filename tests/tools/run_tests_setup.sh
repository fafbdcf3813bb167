#!/usr/bin/env bash
# The setup stage of tools/run-tests.sh on a machine it cannot fully provide:
# stand-ins for id, dpkg-query and apt-get on the PATH say who runs it, which
# packages are there and which ones can be installed.
#   usage: run_tests_setup.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "ECHEC : $*"; failures=$((failures + 1)); }

# A copy of the tree's script, so that nothing is built or written in the tree.
mkdir -p "$work/tree/tools" "$work/fake"
cp "$source_dir/tools/run-tests.sh" "$work/tree/tools/"
cat >"$work/fake/id" <<'F'
#!/bin/sh
cat "$FAKE/uid"
F
cat >"$work/fake/dpkg-query" <<'F'
#!/bin/sh
for last; do :; done
grep -qx "$last" "$FAKE/installed" && printf 'install ok installed'
exit 0
F
cat >"$work/fake/apt-get" <<'F'
#!/bin/sh
echo "$*" >> "$FAKE/apt-calls"
[ "$1" = update ] && exit 0
for last; do :; done
grep -qx "$last" "$FAKE/refused" && exit 100
echo "$last" >> "$FAKE/installed"
F
chmod +x "$work/fake/"*

# Runs the setup stage with the machine described: uid, installed, refused.
setup() { # uid, installed packages, refused packages
    rm -f "$work/fake/apt-calls"
    echo "$1" >"$work/fake/uid"
    printf '%s\n' $2 >"$work/fake/installed"
    printf '%s\n' $3 >"$work/fake/refused"
    FAKE=$work/fake PATH="$work/fake:$PATH" bash "$work/tree/tools/run-tests.sh" --preparation >"$work/out" 2>&1
    status=$?
    out=$(cat "$work/out")
}
expect_in() { grep -qF -- "$1" <<<"$out" || fail "$2 : attendu « $1 » dans :
$out"; }

everything="cmake g++ make libfast-float-dev libgtest-dev octave octave-optim gnuplot-nox fonts-freefont-otf tmux clang"

# Not root, without GoogleTest nor tmux: the unit groups and the terminal group
# are skipped with notices, and the run goes on.
setup 1000 "$(tr ' ' '\n' <<<"$everything" | grep -vx 'libgtest-dev\|tmux')" ""
((status == 0)) || fail "sans root ni GoogleTest : statut $status au lieu de 0"
expect_in "!! NOTICE: groupe unitaires saute (libgtest-dev manque)" "sans root"
expect_in "!! NOTICE: groupe terminal saute (tmux manque)" "sans root"
expect_in "!! NOTICE: sans GoogleTest, seules les constructions sont verifiees" "sans root"
expect_in "constructions seules" "sans root"
[[ -e $work/fake/apt-calls ]] && fail "sans root, apt-get a ete appele : $(cat "$work/fake/apt-calls")"
grep -q "NOTICE: groupe octave" <<<"$out" && fail "sans root : le groupe octave, present, est saute"
[[ -e $work/tree/build ]] && fail "--preparation a construit quelque chose"

# Root, octave-optim cannot be had: one apt-get call per package, and only the
# Octave group is skipped.
setup 0 "cmake g++ make" "octave-optim"
((status == 0)) || fail "root, octave-optim refuse : statut $status au lieu de 0"
expect_in "!! NOTICE: groupe octave saute (octave-optim manque)" "root"
for group in unitaires images terminal fuzz; do
    grep -q "NOTICE: groupe $group" <<<"$out" && fail "root : le groupe $group est saute"
done
grep -q "NOTICE: sans GoogleTest" <<<"$out" && fail "root : GoogleTest installe mais tests sautes"
# Every package of the groups table but those the fake dpkg has.
expected=$(sed -n 's/^ *"[a-z]*|\([^|]*\)|.*/\1/p' "$work/tree/tools/run-tests.sh" | tr ' ' '\n' |
    grep -vxE 'cmake|g\+\+|make' | sort | tr '\n' ' ')
[[ $expected == *" libgtest-dev "* && $expected == *" octave-optim "* ]] || fail "table des groupes illisible : $expected"
grep '^install' "$work/fake/apt-calls" | awk '{ print $NF }' | sort | tr '\n' ' ' |
    grep -qxF "$expected" ||
    fail "root : paquets installes : $(cat "$work/fake/apt-calls")"
awk '/^install/ && NF != 5 { exit 1 }' "$work/fake/apt-calls" ||
    fail "root : un appel installe plusieurs paquets : $(cat "$work/fake/apt-calls")"
(($(grep -c '^update' "$work/fake/apt-calls") == 1)) || fail "root : apt-get update pas appele une seule fois"

# Help: usage on standard output, nothing installed or built.
rm -f "$work/fake/apt-calls"
FAKE=$work/fake PATH="$work/fake:$PATH" bash "$work/tree/tools/run-tests.sh" --aide >"$work/out" 2>&1
status=$?
out=$(cat "$work/out")
((status == 0)) || fail "--aide : statut $status"
expect_in "usage : bash tools/run-tests.sh" "--aide"
[[ -e $work/fake/apt-calls ]] && fail "--aide a appele apt-get"
[[ -e $work/tree/build ]] && fail "--aide a construit quelque chose"

((failures == 0)) && echo "run-tests.sh : preparation verifiee"
exit $((failures > 0))
