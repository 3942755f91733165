#!/bin/sh
# Every test: the Linux tree, the Windows tree under Wine (unit and end to end), and the
# image decoder's fuzz run. Where the machine cannot run 32-bit code (no 32-bit Wine), the
# Windows tree's checks that run nothing still run, and its Wine tests run on the same sources
# built as 64-bit programs under 64-bit Wine instead.
set -eu
cd "$(dirname "$0")/.."
. tools/wine-bits.sh
run() {
  echo "== $1"
  cmake --preset "$1"
  cmake --build --preset "$1"
  shift
  ctest --preset "$@"
}
run host host
if [ "$QUORVEL_WINE_PRESET" = win32 ]; then
  run win32 win32
else
  run win32 win32 -LE wine
  echo "== this machine runs no 32-bit code: the Wine tests run on the 64-bit build"
  run win64 win64
fi
run fuzz fuzz
echo "== all tests passed"
