#!/bin/sh
# The Wine prefix every end-to-end case starts from, made once per build tree.
# usage: make_template.sh DIR [win64]   (win64: a 64-bit prefix, 32-bit programs in WoW64)
set -eu
template=$1
[ -f "$template/.ready" ] && exit 0
rm -rf "$template"
[ -n "${2:-}" ] && export WINEARCH="$2"
"$(dirname "$0")/../../cmake/wine-env.sh" "$template" boot
touch "$template/.ready"
