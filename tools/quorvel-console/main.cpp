// Runs the remover's patch sequence on a folder standing in for Windows and prints what
// the dialog would show, one line per request of the sequence.

#include <time.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "remover/patch_sequence.h"
#include "tools/console/console.h"

namespace {

const char kUsage[] = "--windows-dir DIR [--system-dir DIR] [--platform-id N] [--fast]";

class ConsoleSink final : public PatchSink {
public:
    explicit ConsoleSink(bool fast) : fast_(fast) {}

    void SetStatus(int controlId, const char* text) override {
        printf("status %d ", controlId);
        PrintOneLine(text);
        putchar('\n');
    }
    void Pause(unsigned milliseconds) override {
        printf("pause %u\n", milliseconds);
        fflush(stdout);
        if (fast_) return;
        timespec delay = {static_cast<time_t>(milliseconds / 1000),
                          static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
        }
    }
    void Enable(int controlId) override { printf("enable %d\n", controlId); }
    void Message(const char* text, const char* caption) override {
        fputs("message ", stdout);
        PrintOneLine(caption);
        fputs(": ", stdout);
        PrintOneLine(text);
        putchar('\n');
    }
    void End(int result) override { printf("end %d\n", result); }

private:
    bool fast_;
};

}  // namespace

int main(int argc, char** argv) {
    ConsoleLayout layout;
    bool fast = false;
    std::string problem;
    for (int i = 1; i < argc && problem.empty(); ++i) {
        std::string arg = argv[i];
        if (arg == "--fast") {
            fast = true;
        } else if (layout.Take(arg, i + 1 < argc ? argv[i + 1] : nullptr, &problem)) {
            ++i;
        } else {
            problem = "unknown argument: " + arg;
        }
    }
    if (!problem.empty() || !layout.Install(&problem)) {
        return ConsoleUsage("quorvel-console", kUsage, problem);
    }
    ConsoleSink sink(fast);
    RunPatchSequence(sink);
    printf("patched %d\n", g_patched);
    return 0;
}
