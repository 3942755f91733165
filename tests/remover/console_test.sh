#!/bin/bash
# The console driver's interface and the bytes it leaves on disk in each branch.
# usage: console_test.sh QUORVEL_CONSOLE ADVERT_HOST
set -euo pipefail
console=$1
entry="0.0.0.0         $2"
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_bytes() {  # FILE EXPECTED-BYTES WHAT
  cmp -s "$1" <(printf '%s' "$2") || fail "$3: $(od -An -c "$1" | tr -s ' \n' ' ')"
}

win=$work/win
etc=$win/system32/drivers/etc
mkdir -p "$etc"

# A missing file is created holding CR LF, the entry, CR LF; the report ends "patched 1".
out=$("$console" --windows-dir "$win" --fast)
expect_bytes "$etc/hosts" $'\r\n'"$entry"$'\r\n' "created file"
[ "$(printf '%s\n' "$out" | tail -n 1)" = "patched 1" ] || fail "created: last line"
[ "$(printf '%s\n' "$out" | head -n 1)" = "status 1000 Searching for hosts file..." ] || fail "first line"
[ "$(printf '%s\n' "$out" | grep -c '^pause ')" = 9 ] || fail "created: nine pauses"

# A second run appends nothing.
out=$("$console" --windows-dir "$win" --fast)
expect_bytes "$etc/hosts" $'\r\n'"$entry"$'\r\n' "second run"
printf '%s\n' "$out" | grep -qx "status 1002 Live Messenger's adverts already removed." || fail "second run: already"
[ "$(printf '%s\n' "$out" | tail -n 1)" = "patched 0" ] || fail "second run: patched 0"

# A final Ctrl-Z is cut; a read-only file ends patched and read-only again.
printf 'T\r\n\032' > "$etc/hosts"
chmod a-w "$etc/hosts"
"$console" --windows-dir "$win" --fast > /dev/null
expect_bytes "$etc/hosts" $'T\r\n\r\n'"$entry"$'\r\n' "ctrl-z and read-only"
[ -n "$(find "$etc/hosts" -perm /222)" ] && fail "read-only: write bits back"

# The 9x family's file lives in the Windows folder itself; an explicit system folder is used.
mkdir -p "$work/sys/drivers/etc"
"$console" --windows-dir "$win" --platform-id 1 --fast > /dev/null
expect_bytes "$win/hosts" $'\r\n'"$entry"$'\r\n' "9x path"
"$console" --windows-dir "$win" --system-dir "$work/sys" --fast > /dev/null
expect_bytes "$work/sys/drivers/etc/hosts" $'\r\n'"$entry"$'\r\n' "--system-dir"

# An unknown family: one message with its line feed written as \n, then the end.
code=0
out=$("$console" --windows-dir "$win" --platform-id 4 --fast) || code=$?
want='message Error: You are running an unknown version of Windows.\nThis program will terminate. Press Ok to continue.
end 0
patched 0'
[ "$out" = "$want" ] || fail "unknown family: $out"

# Exit status 1 after an error box or line, 0 otherwise; the Windows 3.1 box is no error.
[ "$code" = 1 ] || fail "unknown family: exit $code"
code=0
"$console" --windows-dir "$work/none" --fast > /dev/null || code=$?
[ "$code" = 1 ] || fail "error opening: exit $code"
"$console" --windows-dir "$win" --platform-id 0 --fast > /dev/null || fail "Windows 3.1: exit $?"

# Bad arguments: usage on standard error, exit status 2, nothing on standard output; a value
# never starts with --.
for args in "" "--fast" "--windows-dir" "--windows-dir $win --platform-id x" \
            "--windows-dir $win --platform-id -1" "--windows-dir $win --bogus" "--windows-dir --fast"; do
  set +e
  out=$("$console" $args 2> "$work/err")
  code=$?
  set -e
  [ "$code" = 2 ] || fail "'$args': exit $code"
  [ -z "$out" ] || fail "'$args': printed $out"
  grep -q '^usage: quorvel-console' "$work/err" || fail "'$args': no usage"
done

[ "$failures" = 0 ] && echo "console driver: all checks passed"
exit $((failures > 0))
