#!/usr/bin/env bash
# Speed and memory of plyunpack on generated clouds (not part of ctest):
#   bash tools/bench-plyunpack/benchmark.sh [build dir] [vertices]
# Writes the same vertices in the classic layout, in an ASCII layout with a
# comment and a quality value, and in binary little-endian; prints the time and
# peak memory of each run, checks that the four files are the same, and that
# four times the vertices take no more memory.
set -euo pipefail
if [[ $# == 1 && ( $1 == --aide || $1 == -h || $1 == --help ) ]]; then
    cat <<'AIDE'
usage : bash tools/bench-plyunpack/benchmark.sh [repertoire de construction] [sommets]
Chronometre plyunpack sur des nuages generes (classique, ASCII avec commentaire,
binaire), verifie qu'ils donnent les memes fichiers et que quatre fois plus de
sommets ne prennent pas plus de memoire. Construction par defaut : build ;
sommets : 1000000.
Fichiers : un repertoire temporaire, efface a la fin.
Duree : environ une minute pour un million de sommets.
Statut de sortie : 0 fait ; autre chose si une verification echoue.
AIDE
    exit 0
fi
build=${1:-build}
n=${2:-1000000}
program=$(cd "$build" && pwd)/bin/plyunpack
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$n" <<'PY'
import struct, sys
work, n = sys.argv[1], int(sys.argv[2])
props = "".join(f"property float {p}\n" for p in ("x", "y", "z", "nx", "ny", "nz"))
props += "".join(f"property uchar {p}\n" for p in ("red", "green", "blue"))
def header(fmt, count, extra="", more=""):
    return f"ply\nformat {fmt} 1.0\n{extra}element vertex {count}\n{props}{more}end_header\n".encode()
for size, tag in ((n, "1"), (4 * n, "4")):
    vertices = [((i % 1000) / 8, (i % 777) / 4, -(i % 555) / 16, 0, 0, 1, i % 256, (i * 7) % 256, (i * 13) % 256)
                for i in range(min(size, 65536))]
    reps, rest = divmod(size, len(vertices))
    def each(make):
        block = b"".join(make(v) for v in vertices)
        return block * reps + b"".join(make(v) for v in vertices[:rest])
    text = lambda v: ("%r %r %r %d %d %d %d %d %d\n" % v).encode()
    with open(f"{work}/classic{tag}.ply", "wb") as f:
        f.write(header("ascii", size) + each(text))
    with open(f"{work}/quality{tag}.ply", "wb") as f:
        f.write(header("ascii", size, "comment bench\n", "property float quality\n")
                + each(lambda v: text(v)[:-1] + b" 0.5\n"))
    with open(f"{work}/binary{tag}.ply", "wb") as f:
        f.write(header("binary_little_endian", size) + each(lambda v: struct.pack("<6f3B", *v)))
PY

run() { # layout tag -> prints seconds and peak KiB
    mkdir -p "$work/$1$2"
    mv "$work/$1$2.ply" "$work/$1$2/option-0000.ply"
    (cd "$work/$1$2" && /usr/bin/time -f "%e %M" "$program" 2>&1 >/dev/null | tail -1)
}
status=0
for tag in 1 4; do
    for layout in classic quality binary; do
        read -r seconds kib < <(run $layout $tag)
        echo "$layout x$tag: $seconds s, $kib KiB"
        eval "kib_${layout}_$tag=$kib"
    done
    for layout in quality binary; do
        for f in f_x.txt f_y.txt f_z.txt f_color.txt; do
            cmp -s "$work/classic$tag/$f" "$work/$layout$tag/$f" || { echo "!! $layout$tag/$f differs"; status=1; }
        done
    done
done
for layout in classic quality binary; do
    small=$(eval echo "\$kib_${layout}_1") large=$(eval echo "\$kib_${layout}_4")
    if [ "$large" -gt $((small + 2048)) ]; then
        echo "!! $layout: memory grows with the cloud ($small KiB, then $large KiB)"
        status=1
    fi
done
exit $status
