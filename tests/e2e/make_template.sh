#!/bin/sh
# The Wine prefix every end-to-end case starts from, made once per build tree.
set -eu
template=$1
[ -f "$template/.ready" ] && exit 0
rm -rf "$template"
"$(dirname "$0")/../../cmake/wine-env.sh" "$template" boot
touch "$template/.ready"
echo "template ready: $template"
