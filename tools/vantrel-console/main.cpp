// Runs the restore tool's pass on a folder standing in for Windows and prints each message
// box it would show, with the answer given to the confirmation.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/system.h"
#include "restore/restore_run.h"

namespace {

const char kUsage[] =
    "usage: vantrel-console --windows-dir DIR [--system-dir DIR] [--platform-id N]"
    " [--answer yes|no]\n";

// Texts are printed on one line: a line feed inside one shows as the two characters \n.
void PrintText(const char* text) {
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') {
            fputs("\\n", stdout);
        } else {
            putchar(*p);
        }
    }
}

class ConsoleSink final : public RestoreSink {
  public:
    explicit ConsoleSink(bool yes) : yes_(yes) {}

    int Message(const char* text, const char* caption, unsigned style) override {
        printf("message 0x%x ", style);
        PrintText(caption);
        fputs(": ", stdout);
        PrintText(text);
        putchar('\n');
        if ((style & MB_YESNO) != MB_YESNO) return IDOK;
        puts(yes_ ? "answer yes" : "answer no");
        return yes_ ? IDYES : IDNO;
    }

  private:
    bool yes_;
};

bool ParsePlatformId(const char* text, DWORD* id) {
    if (!*text || *text == '-' || *text == '+') return false;
    char* end;
    errno = 0;
    unsigned long value = strtoul(text, &end, 10);
    if (*end || errno || value > 0xFFFFFFFFul) return false;
    *id = static_cast<DWORD>(value);
    return true;
}

int Usage(const std::string& problem) {
    fprintf(stderr, "vantrel-console: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const char* windowsDir = nullptr;
    const char* systemDir = nullptr;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    bool yes = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool takesValue = strcmp(arg, "--windows-dir") == 0 || strcmp(arg, "--system-dir") == 0 ||
                          strcmp(arg, "--platform-id") == 0 || strcmp(arg, "--answer") == 0;
        if (!takesValue) return Usage(std::string("unknown argument: ") + arg);
        if (i + 1 >= argc) return Usage(std::string(arg) + " needs a value");
        const char* value = argv[++i];
        if (strcmp(arg, "--windows-dir") == 0) {
            windowsDir = value;
        } else if (strcmp(arg, "--system-dir") == 0) {
            systemDir = value;
        } else if (strcmp(arg, "--answer") == 0) {
            if (strcmp(value, "yes") != 0 && strcmp(value, "no") != 0) {
                return Usage(std::string("not an answer: ") + value);
            }
            yes = strcmp(value, "yes") == 0;
        } else if (!ParsePlatformId(value, &platformId)) {
            return Usage(std::string("not a platform id: ") + value);
        }
    }
    if (!windowsDir || !*windowsDir) return Usage("--windows-dir is required");
    if (systemDir && !*systemDir) return Usage("--system-dir needs a value");

    std::string defaultSystemDir = std::string(windowsDir) + "/system32";
    plat::SystemLayout layout = {platformId, windowsDir,
                                 systemDir ? systemDir : defaultSystemDir.c_str()};
    plat::SetSystemLayout(&layout);

    ConsoleSink sink(yes);
    RunRestore(sink);
    return 0;
}
