#!/bin/sh
# Brings a Debian 12 machine to the state every build and test here needs. Safe to run
# again: it installs only what is missing, and returns at once when nothing is.
#
# Where the kernel runs no 32-bit code, 32-bit Wine (and so the shipped programs) can still
# run: every i386 program is handed to QEMU's user-mode emulator through binfmt_misc.
# --emulate-i386 sets that route up even where 32-bit code runs natively, to try it there.
set -eu

PACKAGES="cmake ninja-build g++ python3 git
  clang libclang-rt-14-dev clang-format
  googletest libgtest-dev libbenchmark-dev valgrind
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64
  xvfb xauth imagemagick acl
  libfreetype-dev fonts-dejavu-core"
# Wine tests run as this unprivileged user: Wine run by root ignores read-only files.
WINE_USER=qvwine

# QEMU 10 is the first checked to run Wine: 7.2, Debian 12's own, takes MAP_FIXED_NOREPLACE
# as a hint, and Wine then cannot map its shared user data.
QEMU_MIN_MAJOR=10
QEMU_I386=/usr/local/libexec/quorvel/qemu-i386
BINFMT=/proc/sys/fs/binfmt_misc
BINFMT_NAME=quorvel-i386
# i386 ELF executables and shared objects (e_type 2 or 3, e_machine 3).
BINFMT_RULE=':'$BINFMT_NAME':M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'$QEMU_I386':FP'

if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
emulate=0
[ "${1:-}" = --emulate-i386 ] && emulate=1

missing=""
for package in $PACKAGES; do
  status=$(dpkg-query -W -f '${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing="$missing $package"
done

if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  # shellcheck disable=SC2086
  apt-get install -y -q $missing
fi

id "$WINE_USER" >/dev/null 2>&1 || useradd --create-home --shell /usr/sbin/nologin "$WINE_USER"

# That user must reach the checkout: the programs, test data and build trees are in it.
repo=$(cd "$(dirname "$0")/.." && pwd)
if ! runuser -u "$WINE_USER" -- test -r "$repo/CMakeLists.txt"; then
  echo "setup: letting $WINE_USER read $repo"
  dir=$repo
  while [ "$dir" != / ]; do
    dir=$(dirname "$dir")
    runuser -u "$WINE_USER" -- test -x "$dir" || setfacl -m "u:$WINE_USER:x" "$dir"
  done
  setfacl -R -m "u:$WINE_USER:rX" -m "d:u:$WINE_USER:rX" "$repo"
fi
. "$repo/tools/wine-bits.sh"

# qemu-user of the release's backports suite, through an apt configuration of its own: the
# machine's sources stay as they are, and the archive is the one they already name.
fetch_qemu() {
  work=$1
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  archive=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    awk -v suite="$codename" '$1 == "deb" { for (i = 2; i < NF; i++) if ($i !~ /^\[/ && $(i+1) == suite) { print $i; exit } }')
  [ -n "$archive" ] || archive=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
    awk -v suite="$codename" '/^URIs:/ { uri = $2 } /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) { print uri; exit } }')
  [ -n "$archive" ] || { echo "no Debian archive for $codename in the apt sources"; return 1; }
  mkdir -p "$work/lists/partial" "$work/archives/partial"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $archive $codename-backports main" \
    > "$work/sources.list"
  set -- -q -o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/dev/null \
    -o Dir::State::Lists="$work/lists" -o Dir::Cache::Archives="$work/archives" \
    -o Dir::State::Status=/dev/null -o APT::Sandbox::User=root
  apt-get "$@" update >/dev/null || { echo "$codename-backports cannot be read from $archive"; return 1; }
  (cd "$work" && apt-get "$@" download qemu-user >/dev/null) &&
    deb=$(ls "$work"/qemu-user_*.deb) || { echo "qemu-user cannot be fetched"; return 1; }
  version=$(dpkg-deb -f "$deb" Version)
  major=${version#*:}
  major=${major%%.*}
  [ "$major" -ge "$QEMU_MIN_MAJOR" ] || { echo "qemu-user $version is older than $QEMU_MIN_MAJOR"; return 1; }
  dpkg-deb -x "$deb" "$work/root"
  install -D -m 755 "$work/root/usr/bin/qemu-i386" "$QEMU_I386"
  echo "setup: qemu-i386 $version in $QEMU_I386"
}

# F: the kernel opens the emulator now, so it serves every user and mount namespace;
# P: the program keeps its own argv[0], which Wine's loader relies on.
register_qemu() {
  if [ ! -e "$BINFMT/register" ]; then
    mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null || { echo "binfmt_misc cannot be mounted"; return 1; }
  fi
  [ -e "$BINFMT/$BINFMT_NAME" ] && echo -1 > "$BINFMT/$BINFMT_NAME"
  printf '%s' "$BINFMT_RULE" > "$BINFMT/register" || { echo "binfmt_misc refused the rule"; return 1; }
}

registered() {
  [ -x "$QEMU_I386" ] && grep -qx enabled "$BINFMT/$BINFMT_NAME" 2>/dev/null
}

if { [ "$emulate" = 1 ] && ! registered; } || ! wine32_runs; then
  work=$(mktemp -d)
  if log=$(fetch_qemu "$work" 2>/dev/null && register_qemu 2>/dev/null) && wine32_runs; then
    printf '%s\n' "$log"
    echo "setup: 32-bit programs now run through qemu-i386 (binfmt_misc entry $BINFMT_NAME)"
  else
    # A rule that does not help must not stand in the way of a loader that worked before.
    [ -e "$BINFMT/$BINFMT_NAME" ] && echo -1 > "$BINFMT/$BINFMT_NAME"
    why=$(printf '%s\n' "$log" | tail -n 1)
    case $why in ""|setup:*) why="the 32-bit loader fails even through qemu-i386" ;; esac
    echo "setup: 32-bit Wine cannot run here ($why); the Wine tests will run the 64-bit build"
  fi
  rm -rf "$work"
fi
echo "setup: ready"
