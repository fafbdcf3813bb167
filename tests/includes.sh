#!/usr/bin/env bash
# Every quoted include names a file of the tree from its root, and a program
# includes only its own headers and common/'s: no program uses another's code.
set -uo pipefail
cd "$(dirname "$0")/.."
programs="plyunpack markerpick framefit delimiter echantillonnage reliefstat handgrid"
status=0
while IFS=: read -r file name; do
    case $file in tools/bench/*) continue ;; esac # the plain C baseline stands alone
    if [[ ! -f $name ]]; then
        echo "$file : #include \"$name\" ne nomme pas un fichier depuis la racine"
        status=1
        continue
    fi
    top=${file%%/*}
    if [[ " $programs " == *" $top "* && $name != common/* && $name != "$top"/* ]]; then
        echo "$file : le programme $top inclut $name, qui n'est ni a lui ni dans common/"
        status=1
    fi
done < <(git ls-files -co --exclude-standard -- '*.cpp' '*.hpp' '*.h' '*.c' | xargs grep -oP '^\s*#\s*include\s*"\K[^"]+' /dev/null)
exit $status
