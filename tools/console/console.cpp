#include "tools/console/console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Digits only: strtoul alone would take leading blanks and a sign.
bool ParsePlatformId(const char* text, DWORD* id) {
    if (!*text || strspn(text, "0123456789") != strlen(text)) return false;
    char* end;
    errno = 0;
    unsigned long value = strtoul(text, &end, 10);
    if (*end || errno || value > 0xFFFFFFFFul) return false;
    *id = static_cast<DWORD>(value);
    return true;
}

}  // namespace

bool ConsoleLayout::Take(const std::string& arg, const char* value, std::string* problem) {
    if (arg != "--windows-dir" && arg != "--system-dir" && arg != "--platform-id") return false;
    if (!IsOptionValue(value)) {
        *problem = arg + " needs a value";
    } else if (arg == "--windows-dir") {
        windowsDir_ = value;
    } else if (arg == "--system-dir") {
        systemDir_ = value;
    } else if (!ParsePlatformId(value, &platformId_)) {
        *problem = std::string("not a platform id: ") + value;
    }
    return true;
}

bool ConsoleLayout::Install(std::string* problem) {
    if (windowsDir_.empty()) {
        *problem = "--windows-dir is required";
        return false;
    }
    if (systemDir_.empty()) systemDir_ = windowsDir_ + "/system32";
    // A reader that goes away must not end the run half way (a read-only file left
    // writable): the output fails instead, and the exit status says so.
    signal(SIGPIPE, SIG_IGN);
    plat::SystemLayout layout = {platformId_, windowsDir_.c_str(), systemDir_.c_str()};
    plat::SetSystemLayout(&layout);
    return true;
}

bool IsOptionValue(const char* value) {
    return value && *value && !(value[0] == '-' && value[1] == '-');
}

int ConsoleUsage(const char* program, const std::string& usage, const std::string& problem) {
    fprintf(stderr, "%s: %s\nusage: %s %s\n", program, problem.c_str(), program, usage.c_str());
    return 2;
}

int ConsoleExit(const char* program, bool failed) {
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "%s: cannot write the output\n", program);
        return 1;
    }
    return failed ? 1 : 0;
}

void PrintOneLine(const char* text) {
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') {
            fputs("\\n", stdout);
        } else {
            putchar(*p);
        }
    }
}
