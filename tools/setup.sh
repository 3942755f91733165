#!/bin/sh
# Brings a Debian 12 machine to the state every build and test here needs. Safe to run
# again: it installs only what is missing, and returns at once when nothing is.
set -eu

PACKAGES="cmake ninja-build g++ python3 git
  clang libclang-rt-14-dev clang-format
  googletest libgtest-dev libbenchmark-dev valgrind
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64
  xvfb xauth imagemagick acl
  libfreetype-dev fonts-dejavu-core"
# Wine tests run as this unprivileged user: Wine run by root ignores read-only files.
WINE_USER=qvwine

if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi

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
echo "setup: ready"
