// Stands in for the web browser: appends the address it was asked to open, and the program
// that started it, to the file named by E2E_BROWSER_LOG.

#include <windows.h>
// tlhelp32.h needs the Win32 types first.
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The name of the process that started this one: the remover itself, or the desktop's shell.
std::string Parent() {
    HANDLE all = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (all == INVALID_HANDLE_VALUE) return "unknown";
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32First(all, &entry); more; more = Process32Next(all, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    }
    std::string name = "unknown";
    for (BOOL more = Process32First(all, &entry); more; more = Process32Next(all, &entry)) {
        if (entry.th32ProcessID == parent) name = entry.szExeFile;
    }
    CloseHandle(all);
    return name;
}

}  // namespace

int main(int argc, char** argv) {
    const char* log = getenv("E2E_BROWSER_LOG");
    FILE* out = log ? fopen(log, "a") : nullptr;
    if (!out) return 1;
    for (int i = 1; i < argc; ++i) fprintf(out, "%s%s", i > 1 ? " " : "", argv[i]);
    fprintf(out, " from %s\n", Parent().c_str());
    return fclose(out) == 0 ? 0 : 1;
}
