#!/bin/sh
# Size of each shipped program and what it imports, DLL by DLL.
# usage: tools/size-report.sh [BUILD_DIR]   (default build/win32)
set -eu
build=${1:-$(dirname "$0")/../build/win32}
for exe in "$build/remover/quorvel.exe" "$build/restore/vantrel.exe"; do
  [ -f "$exe" ] || { echo "$exe: not built"; continue; }
  echo "$(basename "$exe"): $(stat -c %s "$exe") bytes"
  i686-w64-mingw32-objdump -p "$exe" | awk '
    /DLL Name:/ { if (dll) print "  " dll " (" n "): " names; dll = $3; n = 0; names = ""; next }
    dll && /^\t[ 0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { names = names (n ? " " : "") $NF; n++ }
    dll && /^\t[0-9a-f]+\t +[0-9]+ +<none>/ { names = names (n ? " " : "") "#" $2; n++ }
    END { if (dll) print "  " dll " (" n "): " names }'
done
