#!/bin/bash
# vantrel-console's contract: what it prints for each box and answer, and its exit status.
# usage: console_test.sh VANTREL_CONSOLE ADVERT_HOST
set -uo pipefail
console=$1
host=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win=$work/win
mkdir -p "$win/system32/drivers/etc" "$work/sys/drivers/etc"
confirm='message 0x24 Vantrel: Are you sure you want to restore those annoying msn adverts?'
yes=$confirm$'\nanswer yes\nmessage 0x40 Vantrel: Adverts has ben restored!'
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
patched() { printf 'T\r\n\r\n0.0.0.0         %s\r\n' "$host" > "$1"; }
check() {  # ARGS OUTPUT: status 0 and exactly that output, nothing on standard error
  out=$("$console" $1 2>&1) || fail "'$1': status $?"
  [ "$out" = "$2" ] || fail "'$1' printed: $out"
}

# The NT family by default; the answer is no unless told; a line feed shows as \n.
patched "$win/system32/drivers/etc/hosts"
check "--windows-dir $win" "$confirm"$'\nanswer no'
check "--windows-dir $win --answer yes" "$yes"
check "--windows-dir $win --answer yes" \
  'message 0x40 Vantrel: Adverts has not been removed.\nSo there is nothing to restore.'
# Platform ids 0 and 1 read the Windows folder; --system-dir replaces the system folder.
for id in 0 1; do
  patched "$win/hosts"
  check "--windows-dir $win --platform-id $id --answer yes" "$yes"
done
patched "$work/sys/drivers/etc/hosts"
check "--windows-dir $win --system-dir $work/sys --answer no" "$confirm"$'\nanswer no'
# A missing hosts file: nothing printed at all.
check "--windows-dir $work/none" ""

# Bad arguments: usage on standard error, status 2, nothing on standard output.
for args in "" "--windows-dir" "--windows-dir $win --fast" "--windows-dir $win --answer maybe" \
            "--windows-dir $win --platform-id -1"; do
  out=$("$console" $args 2> "$work/err")
  code=$?
  [ "$code" = 2 ] && [ -z "$out" ] && grep -q '^usage: vantrel-console' "$work/err" ||
    fail "'$args': status $code, printed $out"
done
exit $((failures > 0))
