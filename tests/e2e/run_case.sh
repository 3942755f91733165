#!/bin/bash
# One end-to-end case: a fresh Wine prefix, the hosts file as the case wants it, the program
# driven by e2e_driver inside a virtual desktop on a private X server, then the driver's
# report and the hosts file's bytes compared with what the case expects.
#
# usage: run_case.sh CASE
# (environment from CMake: E2E_BIN, E2E_WORK, E2E_HOST, E2E_ADDRESS, E2E_URL)
set -euo pipefail

name=$1
: "${E2E_BIN:?}" "${E2E_WORK:?}" "${E2E_HOST:?}" "${E2E_ADDRESS:?}" "${E2E_URL:?}"
user=${QUORVEL_WINE_USER:-qvwine}
template=$E2E_WORK/template
work=$E2E_WORK/cases/$name
prefix=$work/prefix
entry="0.0.0.0         $E2E_HOST"
appended=$'\r\n'"$entry"$'\r\n'
hosts_nt=$prefix/drive_c/windows/system32/drivers/etc/hosts
hosts_9x=$prefix/drive_c/windows/hosts
# Where a 32-bit program's system folder really is in a 64-bit prefix: never its hosts file.
hosts_wow64=$prefix/drive_c/windows/syswow64/drivers/etc/hosts

as_root=0
[ "$(id -u)" = 0 ] && id "$user" >/dev/null 2>&1 && as_root=1
[ "$as_root" = 1 ] || user=$(id -un)

# --- what each case sets up and expects -----------------------------------------------------
program=quorvel
version=winxp
hosts=$hosts_nt          # where the program should look
before=""                # the file's bytes; unset = no file
before_set=1
after=""                 # its bytes afterwards
mode=""                  # chmod of the file before the run (a-w, 000): it stays read-only
owner=""                 # root: the user cannot change the file's attributes
driver_args=()
expected=""
then_restore=""          # yes or no: vantrel then runs in the same prefix, so answered
banner_size=145x15
overrides=""             # Wine's DLL load order for the programs, before the usual overrides
planted=""               # DLL names planted beside copies of the programs (planted_dlls)

expect() { expected=$(printf '%s\n' "$@"); }
statuses() {  # lines 1000 to 1004 once OK is enabled, then the enabled controls
  printf 'status 1000 %s\nstatus 1001 %s\nstatus 1002 %s\nstatus 1003 %s\nstatus 1004 %s\n' "$@"
  printf 'enabled ok 1 banner %d size %s centred 1' \
    "$([ "$2" = "Error changing attributes of hosts file." ] && echo 0 || echo 1)" "$banner_size"
}
visit="Visit $E2E_ADDRESS for latest version."
found="Searching for hosts file... found."
checked="Checking hosts file... done."
removed="Live Messenger's adverts removed. :p"
patched_lines() { statuses "$found" "$checked" "Updating hosts file... done." "$removed" "$visit"; }
asked="message Vantrel: Are you sure you want to restore those annoying msn adverts? [yes-no]"
restored=$(printf '%s\n' "$asked" "answer yes" "message Vantrel: Adverts has ben restored! [ok]")
rewrite_error="message Vantrel: Error rewriting host file! [ok]"
notice="notice Quorvel 2.0: Hi $user!\\nMSN Messenger needs to be restarted for changes to take effect [ok]"
clicks() {  # the driver's --banner lines; $1: what the last click opened
  printf '%s\n' "banner drawn green 64" "banner cycle red up green 64,64 blue 0,0" \
    "move left edge: green 64" "move inside: green 5" "move inside corner: green 5" \
    "move bottom right edge: green 64" "move top edge: green 64" "move outside: green 64" \
    "release outside opened nothing" "release on right edge opened nothing" \
    "press inside release below opened nothing" "press outside release inside opened $1"
}
patched_file() { before=$1; after="$before$appended"; }
unchanged_file() { before=$1; after="$before"; }

case $name in
  quorvel_ordinary_file)
    patched_file $'127.0.0.1 localhost\r\n'; driver_args=(--expect-pauses 7200 --close close)
    expect "$(patched_lines)" "exit 0" ;;
  quorvel_already_patched)
    unchanged_file $'T\r\n'"$entry"$'\r\n'; driver_args=(--messenger 1)
    expect "messenger windows 1" "$(statuses "$found" "$checked" \
      "Live Messenger's adverts already removed." "" "$visit")" "exit 0" ;;
  quorvel_attributes_refused)
    unchanged_file $'T\r\n'; mode=a-w; owner=root
    expect "$(statuses "$found" "Error changing attributes of hosts file." "" "" "")" "exit 0" ;;
  quorvel_windows_98)
    version=win98; hosts=$hosts_9x; patched_file $'T\r\n'
    expect "$(patched_lines)" "exit 0" ;;
  quorvel_windows_31)
    version=win31; hosts=$hosts_9x; before_set=0; after="$appended"
    expect "message I can't believe it: This is impossible. You still running Windows 3.1? [ok]" \
      "$(statuses "Searching for hosts file... not found." "Creating hosts file... done" \
        "Updating hosts file... done." "$removed" "$visit")" "exit 0" ;;
  quorvel_notice_two_by_escape)
    patched_file $'T\r\n'; driver_args=(--messenger 2 --close cancel)
    expect "messenger windows 2" "$(patched_lines)" "$notice" "$notice" "exit 0" ;;
  quorvel_banner_elevated)
    # Elevated, and the way through the desktop's shell broken: no browser is started at all.
    version=win10; overrides="oleaut32="; patched_file $'T\r\n'; driver_args=(--banner)
    expect "$(patched_lines)" "$(clicks nothing)" "exit 0" ;;
  quorvel_banner_missing)
    program=quorvel_no_banner; patched_file $'T\r\n'; driver_args=(--banner); banner_size=0x0
    expect "$(patched_lines)" "banner decoded no" "click inside opened nothing" "exit 0" ;;
  vantrel_answer_no)
    program=vantrel; unchanged_file $'T\r\n\r\n'"$entry"$'\r\n'
    expect "$asked" "answer no" "exit 0" ;;
  vantrel_unreadable_file)
    program=vantrel; unchanged_file $'T\r\n'"$entry"$'\r\n'; mode=000; driver_args=(--answer yes)
    expect "$rewrite_error" "exit 0" ;;
  read_only_round_trip)
    # The remover writes through the read-only attribute and sets it again; the restore tool's
    # rewrite is refused, and it says so.
    patched_file $'T\r\n'; mode=a-w; then_restore=yes
    expect "$(patched_lines)" "exit 0" "$asked" "answer yes" "$rewrite_error" "exit 0" ;;
  round_trip_crlf)
    # The remover, then the restore tool in the same prefix: the file comes back byte for byte.
    unchanged_file $'# hosts\r\n127.0.0.1 localhost\r\n'; then_restore=yes
    expect "$(patched_lines)" "exit 0" "$restored" "exit 0" ;;
  planted_dlls)
    # Both programs run from a folder where a web page dropped DLLs named as system DLLs
    # that Windows' own components load by bare name, or that installers preload, and Wine
    # prefers such a DLL to its own. None may be loaded but those Wine loads while a process
    # starts, before any of its code runs: a control with the same imports and manifest
    # that returns at once loads them too. They are version (imported by Wine's user32),
    # imm32 (by its comctl32), uxtheme (loaded by its user32 and comctl32) and, for the
    # remover, shlwapi (imported by shell32). The programs then run without those: a marker
    # in their place stops a program before its code runs. Wine runs every program elevated,
    # also as Windows XP: the page opens through the desktop's shell.
    planted="version imm32 uxtheme shlwapi ole32 msimg32 oleaut32 userenv setupapi apphelp
      propsys dwmapi cryptbase oleacc clbcatq ntmarta profapi comres"
    startup_quorvel="imm32 shlwapi uxtheme version"; startup_vantrel="imm32 uxtheme version"
    unchanged_file $'# hosts\r\n127.0.0.1 localhost\r\n'; then_restore=yes; driver_args=(--banner)
    expect "imports quorvel same" "imports vantrel same" "startup quorvel: $startup_quorvel" \
      "startup vantrel: $startup_vantrel" "$(patched_lines)" \
      "$(clicks "$E2E_URL from explorer.exe")" "exit 0" "loaded by quorvel:" "$restored" \
      "exit 0" "loaded by vantrel:" ;;
  wow64_round_trip)
    # A 64-bit prefix: the system folder of 32-bit programs is redirected, drivers\etc is not.
    template=$E2E_WORK/template64; unchanged_file $'# hosts\r\n127.0.0.1 localhost\r\n'
    then_restore=yes
    expect "$(patched_lines)" "exit 0" "$restored" "exit 0" ;;
  *)
    echo "unknown case $name" >&2; exit 2 ;;
esac

. "$(dirname "$0")/../../tools/wine-bits.sh"
if [ "$QUORVEL_I386_EMULATED" = 1 ] && [[ " ${driver_args[*]} " == *" --expect-pauses "* ]]; then
  # Emulated, the dialog and the driver's polling take longer between the real sleeps.
  driver_args+=(--pause-slack 12000)
  echo "i386 is emulated here: the pauses may be up to 12 s late instead of 4 s"
fi

if [ "$template" = "$E2E_WORK/template64" ]; then
  # Wine runs a 32-bit program in a 64-bit prefix with its 32-bit loader.
  if [ "$QUORVEL_WINE_PRESET" != win32 ] || [ ! -x /usr/lib/wine/wine64 ]; then
    echo "skipped: needs both the 32-bit and the 64-bit Wine loader to run"; exit 77
  fi
  "$(dirname "$0")/make_template.sh" "$template" win64 >/dev/null
fi

if [ -n "$owner$mode" ] && [ "$as_root" = 0 ]; then
  # Wine run by root would write to read-only files.
  echo "skipped: needs root to set up the file and an unprivileged user to run Wine"; exit 77
fi

# --- a fresh prefix: hard links to the template, private copies of what gets written ---------
rm -rf "$work"
mkdir -p "$work"
cp -al "$template" "$prefix"
for file in "$prefix"/*.reg "$hosts_nt"; do
  [ -e "$file" ] && cp "$file" "$file.copy" && mv -f "$file.copy" "$file"
done
rm -f "$hosts_nt" "$hosts_9x" "$hosts_wow64"
[ "$before_set" = 1 ] && printf '%s' "$before" > "$hosts"
exe=$E2E_BIN/remover/$program.exe
[ "$program" = vantrel ] && exe=$E2E_BIN/restore/vantrel.exe
restore_exe=$E2E_BIN/restore/vantrel.exe
# Copies of the programs and their controls in a folder of the prefix, the markers beside them.
steps=(: : :)   # in the prefix: before the program, after it, after the restore tool
if [ -n "$planted" ]; then
  downloads=$prefix/drive_c/Downloads
  mkdir -p "$downloads/aside"
  cp "$exe" "$restore_exe" "$E2E_BIN"/tests/e2e/e2e_control_*.exe "$downloads/"
  for dll in $planted; do cp "$E2E_BIN/tests/e2e/e2e_marker.dll" "$downloads/$dll.dll"; done
  exe=$downloads/quorvel.exe; restore_exe=$downloads/vantrel.exe
  overrides="$(printf '%s\n' $planted | paste -sd,)=n,b"
  dlls() { "$E2E_OBJDUMP" -p "$1" | awk '/DLL Name:/ {print $3}' | sort | paste -sd' '; }
  for p in quorvel vantrel; do
    mine=$(dlls "$downloads/e2e_control_$p.exe"); theirs=$(dlls "$downloads/$p.exe")
    [ "$mine" = "$theirs" ] && echo "imports $p same" || echo "imports $p: $mine, not $theirs"
  done > "$work/imports.txt"
  steps=("cd '$downloads' && { startup quorvel; startup vantrel; } > '$work/startup.txt'"
         "loaded quorvel > '$work/loaded1.txt'" "loaded vantrel > '$work/loaded2.txt'")
  steps[0]+="; aside $startup_quorvel"; steps[1]+="; aside $startup_vantrel"
fi
[ "$as_root" = 1 ] && chown -R "$user" "$work" && chown -h "$user" "$prefix"/*.reg
if [ -e "$hosts" ]; then
  [ -n "$owner" ] && chown "$owner" "$hosts"
  [ -n "$mode" ] && chmod "$mode" "$hosts"
fi
chmod 755 "$work"

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
[ "$program" != vantrel ] && driver_args=(--dialog "${driver_args[@]}")

# The Windows version, and a web browser that only notes what it was asked to open.
cat > "$work/settings.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine]
"Version"="$version"

[-HKEY_CLASSES_ROOT\\http\\shell\\open\\ddeexec]

[HKEY_CLASSES_ROOT\\http\\shell\\open\\command]
@="\\"$(winpath "$E2E_BIN/tests/e2e/e2e_browser.exe" | sed 's/\\/\\\\/g')\\" \\"%1\\""
REG

# The planted markers' steps, in their folder. A control runs in rounds: what it loaded is set
# aside, so that the next round sees what would have been loaded after it.
markers='
startup() {
  for round in 1 2 3 4 5 6; do
    timeout 60 "$WINE" "e2e_control_$1.exe" >/dev/null 2>&1
    ls *.loaded >/dev/null 2>&1 || break
    for m in *.loaded; do rm "$m"; mv "${m%.loaded}" aside/; done
  done
  echo "startup $1: $(ls aside | sed "s/\.dll$//" | paste -sd" ")"
  mv aside/* . 2>/dev/null
}
aside() { for dll in "$@"; do mv "$dll.dll" aside/; done; }
loaded() {
  echo "loaded by $1:$(ls *.loaded 2>/dev/null | sed "s/\.dll\.loaded$//; s/^/ /" | paste -sd "")"
  rm -f *.loaded; mv aside/* . 2>/dev/null
}'
cat > "$work/inner.sh" <<INNER
export E2E_BROWSER_LOG='$(winpath "$work/browser.log")'
[ -n '$overrides' ] && export WINEDLLOVERRIDES='$overrides;mscoree,mshtml=;winedbg.exe=d'
$markers
"\$WINE" regedit /S '$(winpath "$work/settings.reg")' >/dev/null 2>&1
${steps[0]}
"\$WINE" explorer /desktop=e2e,640x480 '$(winpath "$E2E_BIN/tests/e2e/e2e_driver.exe")' \
  --out '$(winpath "$work/report.txt")' ${driver_args[*]} '$(winpath "$exe")' >'$work/wine.log' 2>&1
${steps[1]}
[ -n "$then_restore" ] && "\$WINE" '$(winpath "$E2E_BIN/tests/e2e/e2e_driver.exe")' \
  --out '$(winpath "$work/report2.txt")' --answer $then_restore '$(winpath "$restore_exe")' >>'$work/wine.log' 2>&1
${steps[2]}
wineserver -k >/dev/null 2>&1 || true
INNER
# Each case on an X server of its own.
env -u DISPLAY "$(dirname "$0")/../../cmake/wine-env.sh" "$prefix" sh "$work/inner.sh"

# --- compare ---------------------------------------------------------------------------------
status=0
report=$(cd "$work" && cat imports.txt startup.txt report.txt loaded1.txt report2.txt loaded2.txt \
  2>/dev/null | tr -d '\r' || true)
[ -n "$report" ] || report="no report"
if [ "$report" != "$expected" ]; then
  echo "FAIL $name: the driver saw something else"
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$report") | sed 's/^/  /' || true
  status=1
fi
show() { od -An -c | tr -s ' \n' ' '; }
if ! cmp -s <(printf '%s' "$after") "$hosts"; then
  echo "FAIL $name: hosts file bytes differ"
  echo "  want: $(printf '%s' "$after" | show)"
  echo "  have: $(show < "$hosts")"
  status=1
fi
read_only=$(( (0$(stat -c %a "$hosts") & 0222) == 0 ))
[ "$read_only" = $(( ${#mode} > 0 )) ] || { echo "FAIL $name: read-only is $read_only"; status=1; }
# No temporary or backup file is left beside the file.
stray=$(find "$(dirname "$hosts")" "$work" -maxdepth 1 -iname 'vtr*')
[ -z "$stray" ] || { echo "FAIL $name: left $stray"; status=1; }
# The other family's file is never touched.
other=$hosts_9x; [ "$hosts" = "$hosts_9x" ] && other=$hosts_nt
[ -e "$other" ] && { echo "FAIL $name: $other was created"; status=1; }
[ -e "$hosts_wow64" ] && { echo "FAIL $name: $hosts_wow64 was created"; status=1; }
[ "$status" = 0 ] && echo "ok $name" && rm -rf "$prefix"
exit $status
