#!/bin/bash
# The console driver's interface: where each option puts the file, what it prints, and its
# exit status. The bytes it writes, and the paths it refuses, are the units' concern.
# usage: console_test.sh QUORVEL_CONSOLE ADVERT_HOST
set -uo pipefail
console=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win=$work/win
mkdir -p "$win/system32/drivers/etc" "$work/sys/drivers/etc"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
unknown='message Error: You are running an unknown version of Windows.\nThis program will terminate. Press Ok to continue.
end 0
patched 0'

# ARGS | FILE THAT MUST THEN HOLD THE ENTRY | LAST LINE PRINTED | EXIT STATUS. Rows run in
# order, on the same folders; a line feed in a message shows as \n.
while IFS='|' read -r args file last status; do
  out=$("$console" --fast $args 2>&1)
  code=$?
  [ "$code" = "$status" ] || fail "'$args': exit $code"
  [ "$(printf '%s\n' "$out" | tail -n 1)" = "$last" ] || fail "'$args' printed: $out"
  [ -z "$file" ] || grep -q "$2" "$file" || fail "'$args': no entry in $file"
done <<ROWS
--windows-dir $win|$win/system32/drivers/etc/hosts|patched 1|0
--windows-dir $win --platform-id 0|$win/hosts|patched 1|0
--windows-dir $win --system-dir $work/sys|$work/sys/drivers/etc/hosts|patched 1|0
--windows-dir $work/none||patched 0|1
ROWS
out=$("$console" --fast --windows-dir "$win" --platform-id 4) && fail "unknown family: exit 0"
[ "$out" = "$unknown" ] || fail "unknown family: $out"
hosts=$win/system32/drivers/etc/hosts

# Output that cannot be written (fd 4: a pipe with no reader) gives exit 1, not a run cut short.
mkfifo "$work/pipe" && exec 3<>"$work/pipe" 4>"$work/pipe" 3<&-
for out in /dev/full '&4'; do
  printf 'T\r\n' > "$hosts" && chmod 444 "$hosts"
  eval "\"\$console\" --fast --windows-dir \"\$win\" >$out 2>/dev/null"
  code=$?
  [ "$code" = 1 ] && [ "$(stat -c %a "$hosts")" = 444 ] && grep -q "$2" "$hosts" ||
    fail "output to $out: exit $code, mode $(stat -c %a "$hosts")"
done
rm "$hosts"
[ "$( (umask 0222 && "$console" --fast --windows-dir "$win") | tail -n 1)" = "patched 1" ] ||
  fail "hosts file created under umask 0222: not patched"

# Bad arguments: usage on standard error, exit status 2, nothing on standard output; a value
# never starts with --.
for args in "" "--fast" "--windows-dir" "--windows-dir $win --platform-id x" \
            "--windows-dir $win --platform-id -1" "--windows-dir $win --platform-id ' 1'" \
            "--windows-dir $win --bogus" "--windows-dir --fast"; do
  out=$(eval "\"\$console\" $args" 2> "$work/err")
  code=$?
  [ "$code" = 2 ] && [ -z "$out" ] && grep -q '^usage: quorvel-console' "$work/err" ||
    fail "'$args': exit $code, printed $out"
done
exit $((failures > 0))
