// Runs the remover's patch sequence on a folder standing in for Windows and prints what
// the dialog would show, one line per request of the sequence.

#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/system.h"
#include "remover/patch_sequence.h"

namespace {

const char kUsage[] =
    "usage: quorvel-console --windows-dir DIR [--system-dir DIR] [--platform-id N] [--fast]\n";

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

class ConsoleSink final : public PatchSink {
public:
    explicit ConsoleSink(bool fast) : fast_(fast) {}

    void SetStatus(int controlId, const char* text) override {
        printf("status %d ", controlId);
        PrintText(text);
        putchar('\n');
    }
    void Pause(unsigned milliseconds) override {
        printf("pause %u\n", milliseconds);
        fflush(stdout);
        if (!fast_) {
            timespec delay = {static_cast<time_t>(milliseconds / 1000),
                              static_cast<long>(milliseconds % 1000) * 1000000L};
            while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
            }
        }
    }
    void Enable(int controlId) override { printf("enable %d\n", controlId); }
    void Message(const char* text, const char* caption) override {
        printf("message ");
        PrintText(caption);
        printf(": ");
        PrintText(text);
        putchar('\n');
    }
    void End(int result) override { printf("end %d\n", result); }

private:
    bool fast_;
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

int Usage(const char* problem) {
    fprintf(stderr, "quorvel-console: %s\n%s", problem, kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const char* windowsDir = nullptr;
    const char* systemDir = nullptr;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    bool fast = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "--fast") == 0) {
            fast = true;
            continue;
        }
        bool takesValue = strcmp(arg, "--windows-dir") == 0 || strcmp(arg, "--system-dir") == 0 ||
                          strcmp(arg, "--platform-id") == 0;
        if (!takesValue) return Usage((std::string("unknown argument: ") + arg).c_str());
        if (i + 1 >= argc) return Usage((std::string(arg) + " needs a value").c_str());
        const char* value = argv[++i];
        if (strcmp(arg, "--windows-dir") == 0) {
            windowsDir = value;
        } else if (strcmp(arg, "--system-dir") == 0) {
            systemDir = value;
        } else if (!ParsePlatformId(value, &platformId)) {
            return Usage((std::string("not a platform id: ") + value).c_str());
        }
    }
    if (!windowsDir || !*windowsDir) return Usage("--windows-dir is required");
    if (systemDir && !*systemDir) return Usage("--system-dir needs a value");

    std::string defaultSystemDir = std::string(windowsDir) + "/system32";
    plat::SystemLayout layout = {platformId, windowsDir,
                                 systemDir ? systemDir : defaultSystemDir.c_str()};
    plat::SetSystemLayout(&layout);

    ConsoleSink sink(fast);
    RunPatchSequence(sink);
    printf("patched %d\n", g_patched);
    return 0;
}
