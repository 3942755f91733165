#!/bin/sh
# Every test: the Linux tree, the Windows tree under Wine (unit and end-to-end), and the
# image decoder's fuzz run.
set -eu
cd "$(dirname "$0")/.."
for preset in host win32 fuzz; do
  echo "== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "== all tests passed"
