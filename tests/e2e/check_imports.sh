#!/bin/sh
# The shipped programs must load on Windows 95/98/Me as well as on NT: they may import only
# the system's own DLLs, and none of the functions those systems lack (such functions are
# taken at run time with GetProcAddress instead).
# Nor may they hold anything of the platform layer's test build (the stand-in Windows, the
# fault points): the linker map beside each program must name the plain layer and none of it.
# usage: check_imports.sh PROGRAM.exe...
set -eu
allowed_dlls="KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll SHELL32.dll COMCTL32.dll msvcrt.dll"
# NT-only or later than 95/98/Me (some exist there only as stubs that always fail); the calls
# that restrict where DLLs come from are missing before Windows 8 and XP SP1.
missing_on_9x="ReplaceFileA ReplaceFileW MoveFileExA MoveFileExW MoveFileWithProgressA
  GetFileSizeEx SetFilePointerEx GetFileAttributesExA GetLongPathNameA CreateHardLinkA
  TryEnterCriticalSection InitializeCriticalSectionAndSpinCount SwitchToThread IsDebuggerPresent
  AddVectoredExceptionHandler RemoveVectoredExceptionHandler GetTickCount64
  InitializeSRWLock AcquireSRWLockExclusive ReleaseSRWLockExclusive InitializeConditionVariable
  SleepConditionVariableCS WakeConditionVariable WakeAllConditionVariable InitOnceExecuteOnce
  FlsAlloc FlsFree FlsGetValue FlsSetValue GetModuleHandleExA GetModuleHandleExW
  GetSystemTimePreciseAsFileTime GetNativeSystemInfo IsWow64Process GlobalMemoryStatusEx
  GetProcessId GetThreadId CancelIoEx CreateSymbolicLinkA GetFileInformationByHandleEx
  SetFileInformationByHandle GetFinalPathNameByHandleA QueryFullProcessImageNameA
  VerifyVersionInfoA GetVersionExW FindFirstFileExA CopyFileExA
  _set_invalid_parameter_handler __iob_func
  SetDefaultDllDirectories SetDllDirectoryA SetDllDirectoryW AddDllDirectory"
status=0
for exe in "$@"; do
  imports=$(i686-w64-mingw32-objdump -p "$exe")
  dlls=$(printf '%s\n' "$imports" | awk '/DLL Name:/ {print $3}')
  functions=$(printf '%s\n' "$imports" | awk '/DLL Name:/ {d=1; next} d && /^\t[ 0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ {print $NF}')
  # Nothing read means nothing checked: objdump's layout would have changed.
  [ -n "$dlls" ] && [ -n "$functions" ] || { echo "FAIL $exe: no imports read"; status=1; continue; }
  bad=$({ printf '%s\n' $dlls | grep -Fxv "$(printf '%s\n' $allowed_dlls)"
          printf '%s\n' $functions | grep -Fx "$(printf '%s\n' $missing_on_9x)"; } || true)
  for name in $bad; do echo "FAIL $exe imports $name"; status=1; done
  map=${exe%.exe}.map
  if ! grep -q 'libquorvel_platform\.a(' "$map" 2>/dev/null; then
    echo "FAIL $exe: no linker map naming the platform layer at $map"; status=1
  elif grep -E 'quorvel_platform_faults|system_layout|faults\.cpp' "$map"; then
    echo "FAIL $exe holds the platform layer's test build"; status=1
  fi
  [ "$status" = 0 ] && echo "ok $(basename "$exe"): $(printf '%s\n' $dlls | tr '\n' ' ')"
done
exit $status
