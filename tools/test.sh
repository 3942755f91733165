#!/bin/sh
# Every test: the Linux tree, the Windows tree under Wine (unit and end to end, on the shipped
# 32-bit programs), the 64-bit build of the same sources with its units, and the image
# decoder's fuzz run, each a workflow preset (configure, build, test). Where 32-bit Wine
# cannot run (tools/setup.sh could not make it), the Windows tree's checks that run nothing
# still run, and its Wine tests run on the 64-bit build instead.
set -eu
cd "$(dirname "$0")/.."
. tools/wine-bits.sh
flow() {
  echo "== $1"
  cmake --workflow --preset "$1"
}
flow host
if [ "$QUORVEL_WINE_PRESET" = win32 ]; then
  [ "$QUORVEL_I386_EMULATED" = 1 ] && echo "== 32-bit programs run through an emulator (binfmt_misc)"
  flow win32
  flow win64-units
else
  echo "== this machine cannot run 32-bit Wine: the Wine tests run on the 64-bit build"
  flow win32-no-wine
  flow win64
fi
flow fuzz
echo "== all tests passed"
