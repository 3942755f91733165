#!/bin/sh
# The Wine prefix every end-to-end case starts from, made once per build tree.
# usage: make_template.sh DIR [win64]   (win64: a 64-bit prefix, 32-bit programs in WoW64)
set -eu
template=$1
arch=${2:-}
user=${QUORVEL_WINE_USER:-qvwine}
[ -f "$template/.ready" ] && exit 0
rm -rf "$template"
mkdir -p "$template"
script="export WINEPREFIX='$template' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
${arch:+export WINEARCH=$arch}
wineboot -i
# Without a window manager, showing or hiding a window would stall for seconds.
wine reg add 'HKCU\\Software\\Wine\\X11 Driver' /v Managed /d N /f
wineserver -w"
if [ "$(id -u)" = 0 ] && id "$user" >/dev/null 2>&1; then
  chown "$user" "$template"
  runuser -u "$user" -- env HOME="$(getent passwd "$user" | cut -d: -f6)" xvfb-run -a sh -c "$script" >/dev/null 2>&1
else
  xvfb-run -a sh -c "$script" >/dev/null 2>&1
fi
touch "$template/.ready"
echo "template ready: $template"
