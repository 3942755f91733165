#!/bin/bash
# vantrel-console's interface: where each option puts the file, what it prints for each box and
# answer, and its exit status. The outcomes and the bytes written are the units' concern.
# usage: console_test.sh VANTREL_CONSOLE ADVERT_HOST
set -uo pipefail
console=$1 host=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win=$work/win hosts=$work/win/system32/drivers/etc/hosts
mkdir -p "$win/system32/drivers/etc" "$work/sys/drivers/etc"
confirm='message 0x24 Vantrel: Are you sure you want to restore those annoying msn adverts?'
no=$confirm$'\nanswer no'
yes=$confirm$'\nanswer yes\nmessage 0x40 Vantrel: Adverts has ben restored!'
nothing='message 0x40 Vantrel: Adverts has not been removed.\nSo there is nothing to restore.'
error='message 0x30 Vantrel: Error rewriting host file!'
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
patched() { for f; do printf 'T\r\n\r\n0.0.0.0         %s\r\n' "$host" > "$f"; done; }
# OUTPUT STATUS ARGS...: exactly that output and status, nothing on standard error; run as the
# user $as and with at most $memory KB of memory where those are set.
check() {
  local want=$1 status=$2 out
  shift 2
  out=$(ulimit -v "${memory:-unlimited}" && ${as:-} timeout 20 "$console" "$@" 2>&1)
  local code=$?
  [ "$code" = "$status" ] || fail "'$*': status $code"
  [ "$out" = "$want" ] || fail "'$*' printed: $out"
}

# The NT family by default; the answer is no unless told; a line feed shows as \n. Each run
# finds only the file its options name still patched.
patched "$hosts" "$win/hosts" "$work/sys/drivers/etc/hosts"
check "$no" 0 --windows-dir "$win"
check "$yes" 0 --windows-dir "$win" --answer yes
check "$yes" 0 --windows-dir "$win" --platform-id 1 --answer yes
check "$no" 0 --windows-dir "$win" --system-dir "$work/sys" --answer no
# A hosts file in a folder that may not be read: the error, status 1. Root reads any folder,
# so that run is made as nobody.
patched "$hosts" && chmod a+rx "$work" && chmod 000 "$win/system32/drivers/etc"
[ "$(id -u)" = 0 ] && nobody='setpriv --reuid=65534 --regid=65534 --clear-groups'
as=${nobody:-} check "$error" 1 --windows-dir "$win" --answer yes
chmod 755 "$win/system32/drivers/etc"
# A file too big for the memory there is: not read, so an error, never "nothing to restore".
truncate -s 174M "$hosts" && printf '\r\n0.0.0.0         %s\r\n' "$host" >> "$hosts"
memory=120000 check "$error" 1 --windows-dir "$win" --answer yes
# Output that cannot be written fails the run.
patched "$hosts"
"$console" --windows-dir "$win" > /dev/full 2>/dev/null
[ $? = 1 ] || fail "output to /dev/full: status 0"
# While the question is open a line is added, or the entry taken out: the cut is made on
# what the file holds when the answer comes.
check "$yes" 0 --windows-dir "$win" --answer yes --while-asked "printf 'U\r\n' >> '$hosts'"
cmp -s "$hosts" <(printf 'T\r\nU\r\n') || fail "edit while asked lost"
patched "$hosts"
check "$confirm"$'\nanswer yes\n'"$nothing" 0 --windows-dir "$win" --answer yes \
  --while-asked "printf 'T\r\n' > '$hosts'"

# Bad arguments: usage on standard error, status 2, nothing on standard output. A value
# never starts with --.
for args in "" "--windows-dir" "--windows-dir $win --fast" "--windows-dir $win --answer maybe" \
            "--windows-dir $win --platform-id -1" "--system-dir --answer --windows-dir $win" \
            "--windows-dir $win --while-asked --answer"; do
  out=$("$console" $args 2> "$work/err")
  code=$?
  [ "$code" = 2 ] && [ -z "$out" ] && grep -q '^usage: vantrel-console' "$work/err" ||
    fail "'$args': status $code, printed $out"
done
exit $((failures > 0))
