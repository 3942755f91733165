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
for preset in host win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
cmake --build --preset win32 --target package >/dev/null
zip=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' build/win32/CPackConfig.cmake).zip
echo "== release zip: $root/build/win32/$zip"

work=$root/build/main
prefix=$work/prefix
user=qvwine
[ "$(id -u)" = 0 ] && id "$user" >/dev/null 2>&1 || user=$(id -un)
hosts=$prefix/drive_c/windows/system32/drivers/etc/hosts
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

echo "== a throwaway Windows: $prefix"
rm -rf "$work"
mkdir -p "$prefix"
[ "$user" = "$(id -un)" ] || chown -R "$user" "$work"
cat > "$work/run.sh" <<RUN
#!/bin/sh
export WINEPREFIX='$prefix' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\\Software\\Wine\\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
[ "\$1" = boot ] && { wineserver -w; exit 0; }
name=\$1
shift
wine explorer /desktop=quorvel,640x480 '$(winpath "$root/build/win32/tests/e2e/e2e_driver.exe")' \
  --dialog --out '$(winpath "$work")\\'\$name.txt --screenshot '$(winpath "$work")\\'\$name.bmp "\$@" \
  '$(winpath "$root/build/win32/remover/quorvel.exe")' >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
RUN
chmod 755 "$work/run.sh"
as_user() {
  if [ "$user" = "$(id -un)" ]; then "$@"; else runuser -u "$user" -- "$@"; fi
}
xserver=""
[ -n "${DISPLAY:-}" ] || xserver="xvfb-run -a"
as_user $xserver "$work/run.sh" boot

echo "== hosts file before"
od -c "$hosts"
echo "== running quorvel.exe (about 8 seconds)"
cp "$hosts" "$work/hosts.before"
as_user $xserver "$work/run.sh" quorvel
tr -d '\r' < "$work/quorvel.txt"
echo "== hosts file after"
od -c "$hosts"
# The dialog, centred on the 640 x 480 desktop.
crop="-crop 300x184+170+148 +repage"
convert "$work/quorvel.bmp" $crop "$work/quorvel.png"
echo "== screenshot: $work/quorvel.png"

if [ "$docs" = 1 ]; then
  cp "$work/hosts.before" "$hosts"
  as_user $xserver "$work/run.sh" hover --hover
  convert "$work/hover.bmp" $crop "$work/quorvel-hover.png"
  cp "$work/quorvel.png" docs/quorvel-dialog.png
  cp "$work/quorvel-hover.png" docs/quorvel-dialog-hover.png
  echo "== docs/quorvel-dialog.png and docs/quorvel-dialog-hover.png redrawn"
fi
