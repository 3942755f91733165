#!/bin/sh
# Two builds of the same sources, from other folders and at another time, give the same
# programs and the same release zip, byte for byte. The second build copies the sources
# elsewhere and builds only the two programs there.
# usage: reproducible.sh SOURCE_DIR BUILD_DIR WORK_DIR CMAKE_ARGUMENT...
#   BUILD_DIR is the tree under test, already built; the arguments configure the second one.
set -eu
source=$1 first=$2 work=$3
shift 3
rm -rf "$work"
mkdir -p "$work/source"

# The first zip now, the second after the build: their times would differ.
cpack --config "$first/CPackConfig.cmake" -B "$work/zip1" >/dev/null

# The sources alone: no build trees, no repository data.
case $first in "$source"/*) tree=./${first#"$source"/} ;; *) tree=./build ;; esac
(cd "$source" && tar --exclude=./build --exclude="$tree" --exclude=./.git -cf - .) |
  tar -C "$work/source" -xf -
cmake -S "$work/source" -B "$work/build" -DBUILD_TESTING=OFF "$@" >/dev/null
cmake --build "$work/build" --target quorvel vantrel >/dev/null
cpack --config "$work/build/CPackConfig.cmake" -B "$work/zip2" >/dev/null

status=0
for f in remover/quorvel.exe restore/vantrel.exe; do cmp "$first/$f" "$work/build/$f" || status=1; done
for zip in "$work"/zip1/*.zip; do cmp "$zip" "$work/zip2/$(basename "$zip")" || status=1; done
[ "$status" = 0 ] && echo "same bytes: quorvel.exe, vantrel.exe, $(basename "$zip")"
exit $status
