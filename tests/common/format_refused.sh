#!/usr/bin/env bash
# A scan or print whose format does not fit its arguments must not compile:
# each case is compiled once as it should be written (it must compile) and
# once with the mistake (it must fail, on the format check).
#   usage: format_refused.sh CXX SOURCE_ROOT
set -u
cxx=$1
root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

compiles() { # name, statement: compiles it, its errors in $work/NAME.err
    cat >"$work/$1.cpp" <<CPP
#include "common/line_io.hpp"
void f(pipeline::Reader& r, pipeline::Writer& w)
{
    double d = 0;
    int i = 0;
    float x = 0;
    (void)r; (void)w; (void)d; (void)i; (void)x;
    $2;
}
CPP
    "$cxx" -std=c++20 -fsyntax-only -I"$root" "$work/$1.cpp" 2>"$work/$1.err"
}

check() { # name, statement that compiles, statement with the mistake [, what the error says]
    if ! compiles "$1" "$2"; then
        echo "ECHEC $1 : ne compile pas : $2"; cat "$work/$1.err"; failures=$((failures + 1))
    elif compiles "$1" "$3"; then
        echo "ECHEC $1 : compile malgre l'erreur : $3"; failures=$((failures + 1))
    elif ! grep -q "${4:-format_does_not_fit_its_arguments}" "$work/$1.err"; then
        echo "ECHEC $1 : refuse pour une autre raison :"; cat "$work/$1.err"; failures=$((failures + 1))
    fi
}

check scan_type 'r.scan("%lf %d", d, i)' 'r.scan("%lf %d", d, d)'
check scan_count 'r.scan("%dx%dx%lf", i, i, d)' 'r.scan("%dx%dx%lf", i, i)'
check scan_float 'r.scan("%f", x)' 'r.scan("%f", d)'
check scan_unknown 'r.scan("%d", i)' 'r.scan("%x", i)'
check print_type 'w.print("%d %.1f\n", i, d)' 'w.print("%d %.1f\n", d, i)'
check print_count 'w.print("%s=%lf", "x", d)' 'w.print("%s=%lf", "x", d, d)'
check print_unknown 'w.print("%lf", d)' 'w.print("%.3f", d)'
# A format chosen at run time cannot be checked: refused too.
check print_runtime 'w.print("%d", i)' 'const char* t = "%d"; w.print(t, i)' 'constant expression'
((failures == 0)) && echo "formats refuses a la compilation : $((8 * 2)) cas"
exit $((failures > 0))
