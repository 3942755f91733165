#ifndef QUORVEL_PLATFORM_DLL_SEARCH_WIN_H
#define QUORVEL_PLATFORM_DLL_SEARCH_WIN_H

// The programs run as administrator from wherever they were unpacked, often a Downloads
// folder that any web page can drop a file into, and Windows looks beside a program first
// for a DLL that is not one of its known DLLs. So no DLL may be loaded by a bare name.

#include <windows.h>

namespace plat {

// The first act of both programs: DLLs from the system folder only, where the system can
// restrict its search; and loaded from there ahead, those that its own DLLs would load
// later by bare name from the program's folder.
void RestrictDllSearch();

// A DLL of the system folder, named without ".dll", by its full path; null where the system
// has none.
HMODULE LoadSystemDll(const char* name);

// The names loaded ahead (each ended by a NUL, the list by an empty name): those always
// loaded, and those loaded too where the search cannot be restricted.
extern const char kAlwaysPreloaded[];
extern const char kPreloadedUnrestricted[];

// A function taken at run time, for those that older systems lack; null where it is missing.
template <typename Proc>
Proc ProcAddress(HMODULE module, const char* name) {
    return module
               ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
               : nullptr;
}

}  // namespace plat

#endif
