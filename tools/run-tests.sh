#!/usr/bin/env bash
# Builds the toolkit twice, as it ships and with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test in both builds. Installs what
# the tests need on a fresh machine; a test group whose tool cannot be had is
# skipped with a notice.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

missing=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for pkg in cmake g++ make libgtest-dev libbenchmark-dev octave octave-optim gnuplot-nox fonts-freefont-otf tmux clang libplplot-dev libpng-dev chromium libfftw3-dev libgsl-dev nlohmann-json3-dev; do
  have_pkg "$pkg" || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installation de : ${missing[*]}"
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq || echo "!! apt-get update a echoue"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
      echo "!! installation incomplete : les groupes de tests concernes seront sautes"
  else
    echo "!! pas root : installation impossible, les groupes de tests concernes seront sautes"
  fi
fi
command -v octave >/dev/null || echo "!! NOTICE: octave absent : les tests des scripts MATLAB seront sautes"
command -v tmux >/dev/null || echo "!! NOTICE: tmux absent : les tests au terminal de handgrid seront sautes"
command -v chromium >/dev/null || echo "!! NOTICE: chromium absent : le rendu de la page du rapport ne sera pas verifie"
for pkg in libfftw3-dev libgsl-dev nlohmann-json3-dev; do
  have_pkg "$pkg" || echo "!! NOTICE: $pkg absent : rugosite-rapport et ses tests seront sautes"
done

build() { # build dir, cmake options...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== construction et tests : version normale"
build build/release
ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== construction et tests : AddressSanitizer + UndefinedBehaviorSanitizer"
build build/asan -DRUGOSITE_SANITIZE=ON -DRUGOSITE_SLOW_TESTS=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"
