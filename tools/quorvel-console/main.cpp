// Runs the remover's patch sequence on a folder standing in for Windows and prints what
// the dialog would show, one line per request of the sequence.

#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "remover/patch_sequence.h"
#include "tools/console/console.h"

namespace {

const char kUsage[] = "--windows-dir DIR [--system-dir DIR] [--platform-id N] [--fast]";

class ConsoleSink final : public PatchSink {
  public:
    explicit ConsoleSink(bool fast) : fast_(fast) {}

    // Every error the sequence shows, on a status line or in a box, starts with "Error"
    // (the unknown family's box is captioned so); the Windows 3.1 box is not an error.
    void SetStatus(int controlId, const char* text) override {
        failed_ = failed_ || strncmp(text, "Error", 5) == 0;
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
        failed_ = failed_ || strcmp(caption, "Error") == 0;
        fputs("message ", stdout);
        PrintOneLine(caption);
        fputs(": ", stdout);
        PrintOneLine(text);
        putchar('\n');
    }
    void End(int result) override { printf("end %d\n", result); }
    bool failed() const { return failed_; }

  private:
    bool fast_;
    bool failed_ = false;
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
    return ConsoleExit("quorvel-console", sink.failed());
}
