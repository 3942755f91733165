#!/bin/sh
# The one Wine environment of the project, for ctest's runner, the end-to-end cases and the
# main job: a prefix of the build tree's own (never ~/.wine), made on first use; the
# unprivileged user when run by root, since Wine run by root writes to read-only files, which
# Windows refuses and the tests depend on; a private X server when there is no display.
#
# usage: wine-env.sh PREFIX run PROGRAM.exe [ARG...]   the program under Wine
#        wine-env.sh PREFIX sh SCRIPT [ARG...]         a script that calls "$WINE" itself
#        wine-env.sh PREFIX boot                       only make the prefix
# QUORVEL_WINE_BITS=64 takes the 64-bit loader (for 64-bit builds, where 32-bit code cannot
# run); the default, 32, takes the loader that runs the shipped 32-bit programs.
set -e
prefix=$1
verb=$2
shift 2
user=${QUORVEL_WINE_USER:-qvwine}
if [ "${QUORVEL_WINE_BITS:-32}" = 64 ]; then
  WINE=/usr/lib/wine/wine64
  export WINELOADER=$WINE
else
  WINE=wine
fi
export WINE WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs: nothing here needs them. No debugger on a crash either:
# under an emulated i386 it would run for minutes instead of letting the test fail.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}"

if [ "$(id -u)" = 0 ] && id "$user" >/dev/null 2>&1; then
  mkdir -p "$prefix"
  [ "$(stat -c %U "$prefix")" = "$user" ] || chown -R "$user" "$prefix"
  exec runuser -u "$user" -- env HOME="$(getent passwd "$user" | cut -d: -f6)" USER="$user" \
    "$0" "$prefix" "$verb" "$@"
fi
if [ -z "${DISPLAY:-}" ]; then
  exec env QUORVEL_PRIVATE_X=1 xvfb-run -a "$0" "$prefix" "$verb" "$@"
fi

mkdir -p "$prefix"
if [ ! -f "$prefix/system.reg" ]; then
  timeout 600 "$WINE" wineboot -i >/dev/null 2>&1 || true
  # Without a window manager, showing or hiding a window would stall for seconds.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  # The registry reaches its files when the server ends.
  timeout 120 wineserver -w
  [ -f "$prefix/system.reg" ] || { echo "wine-env.sh: $WINE made no prefix in $prefix" >&2; exit 1; }
fi
set +e
case $verb in
  run) "$WINE" "$@" ;;
  sh) sh "$@" ;;
  boot) wineserver -w ;;
  *) echo "wine-env.sh: unknown verb $verb" >&2; false ;;
esac
status=$?
# The private X server ends with this run; the prefix's server must not outlive it.
[ -n "${QUORVEL_PRIVATE_X:-}" ] && wineserver -k 2>/dev/null
exit $status
