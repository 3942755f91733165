# vantrel.exe must load on Windows 95/98/Me: every function it imports by name must be one
# those systems export. Calls newer than that are taken at run time with GetProcAddress.
# Run with -DOBJDUMP=<objdump> -DEXE=<vantrel.exe>.
cmake_minimum_required(VERSION 3.25)

set(allowed_KERNEL32
  DeleteCriticalSection DeleteFileA EnterCriticalSection FlushFileBuffers FreeLibrary
  GetFileAttributesA GetLastError GetModuleHandleA GetProcAddress GetStartupInfoA
  GetSystemDirectoryA GetTempFileNameA GetVersion GetVersionExA GetWindowsDirectoryA
  InitializeCriticalSection LeaveCriticalSection LoadLibraryA MoveFileA SetFileAttributesA
  SetLastError SetUnhandledExceptionFilter Sleep TlsGetValue VirtualProtect VirtualQuery)
set(allowed_USER32 MessageBoxA)
set(allowed_COMCTL32 "")  # InitCommonControls, by its ordinal
set(allowed_msvcrt
  __getmainargs __initenv __p__acmdln __p__commode __p__fmode __set_app_type
  __setusermatherr _amsg_exit _cexit _chsize _fileno _get_osfhandle _initterm _iob _onexit
  abort calloc exit fclose ferror fflush fopen fprintf fread free fseek ftell fwrite malloc
  memcpy signal strcpy strlen strncmp strrchr vfprintf)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()
string(REPLACE "\n" ";" lines "${dump}")
set(dll "")
set(problems "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: ([A-Za-z0-9_]+)\\.[dD][lL][lL]")
    set(dll ${CMAKE_MATCH_1})
    if(NOT DEFINED allowed_${dll})
      string(APPEND problems "  a DLL not known to be there: ${dll}\n")
    endif()
  elseif(line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z0-9_@]+)$" AND dll)
    math(EXPR count "${count} + 1")
    if(NOT CMAKE_MATCH_1 IN_LIST allowed_${dll})
      string(APPEND problems "  ${dll}: ${CMAKE_MATCH_1}\n")
    endif()
  elseif(line MATCHES "^\t *$" OR line MATCHES "^[^\t]")
    set(dll "")
  endif()
endforeach()
if(count LESS 10)
  message(FATAL_ERROR "read only ${count} imports from ${EXE}; has objdump's output changed?")
endif()
if(problems)
  message(FATAL_ERROR "imports not known to exist on Windows 95/98/Me (check each and add it "
                      "to ${CMAKE_CURRENT_LIST_FILE}, or take it with GetProcAddress):\n${problems}")
endif()
message(STATUS "${count} imports, all present on Windows 95/98/Me")
