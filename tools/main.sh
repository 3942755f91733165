#!/bin/sh
# The main job: builds both trees and the release zip, then runs quorvel.exe for real in a
# throwaway Wine prefix (never this machine's own files), on a private X server when there is
# no display. It leaves a screenshot of the finished dialog and shows the prefix's hosts file
# before and after the run. With --docs it also redraws the README's screenshots in docs/,
# the second one with the mouse over the banner.
set -eu
docs=0
[ "${1:-}" = --docs ] && docs=1
cd "$(dirname "$0")/.."
root=$(pwd)
. tools/wine-bits.sh
for preset in host win32 $QUORVEL_WINE_PRESET; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
cmake --build --preset win32 --target package >/dev/null
zip=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' build/win32/CPackConfig.cmake).zip
echo "== release zip: $root/build/win32/$zip"
bin=$root/build/$QUORVEL_WINE_PRESET
if [ "$QUORVEL_WINE_PRESET" = win64 ]; then
  echo "== this machine cannot run 32-bit Wine: running the 64-bit build of the same sources"
  export QUORVEL_WINE_BITS=64
elif [ "$QUORVEL_I386_EMULATED" = 1 ]; then
  echo "== 32-bit programs run through an emulator (binfmt_misc): the shipped quorvel.exe"
fi

work=$root/build/main
prefix=$work/prefix
hosts=$prefix/drive_c/windows/system32/drivers/etc/hosts
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
# No Wine step may hang the job.
wine_env() { timeout 600 "$root/cmake/wine-env.sh" "$prefix" "$@"; }

echo "== a throwaway Windows: $prefix"
rm -rf "$work"
mkdir -p "$work"
chmod 755 "$work"
cat > "$work/run.sh" <<RUN
"\$WINE" explorer /desktop=quorvel,640x480 '$(winpath "$bin/tests/e2e/e2e_driver.exe")' \
  --dialog --out '$(winpath "$work")\\'\$1.txt --screenshot '$(winpath "$work")\\'\$1.bmp \$2 \
  '$(winpath "$bin/remover/quorvel.exe")' >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
RUN
wine_env boot
[ "$(id -u)" = 0 ] && chown -R "$(stat -c %U "$prefix")" "$work"

echo "== hosts file before"
od -c "$hosts"
format=$(objdump -f "$bin/remover/quorvel.exe" | sed -n 's/.*file format //p')
echo "== running $bin/remover/quorvel.exe ($format, about 8 seconds)"
cp "$hosts" "$work/hosts.before"
wine_env sh "$work/run.sh" quorvel
tr -d '\r' < "$work/quorvel.txt"
echo "== hosts file after"
od -c "$hosts"
# The dialog, centred on the 640 x 480 desktop.
crop="-crop 300x184+170+148 +repage"
convert "$work/quorvel.bmp" $crop "$work/quorvel.png"
echo "== screenshot: $work/quorvel.png"

if [ "$docs" = 1 ]; then
  cp "$work/hosts.before" "$hosts"
  wine_env sh "$work/run.sh" hover --hover
  convert "$work/hover.bmp" $crop "$work/quorvel-hover.png"
  cp "$work/quorvel.png" docs/quorvel-dialog.png
  cp "$work/quorvel-hover.png" docs/quorvel-dialog-hover.png
  echo "== docs/quorvel-dialog.png and docs/quorvel-dialog-hover.png redrawn"
fi
