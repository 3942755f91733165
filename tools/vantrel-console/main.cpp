// Runs the restore tool's pass on a folder standing in for Windows and prints each message
// box it would show, with the answer given to the confirmation.

#include <cstdio>
#include <string>

#include "restore/restore_run.h"
#include "tools/console/console.h"

namespace {

const char kUsage[] = "--windows-dir DIR [--system-dir DIR] [--platform-id N] [--answer yes|no]";

class ConsoleSink final : public RestoreSink {
public:
    explicit ConsoleSink(bool yes) : yes_(yes) {}

    int Message(const char* text, const char* caption, unsigned style) override {
        printf("message 0x%x ", style);
        PrintOneLine(caption);
        fputs(": ", stdout);
        PrintOneLine(text);
        putchar('\n');
        if ((style & MB_YESNO) != MB_YESNO) return IDOK;
        puts(yes_ ? "answer yes" : "answer no");
        return yes_ ? IDYES : IDNO;
    }

private:
    bool yes_;
};

}  // namespace

int main(int argc, char** argv) {
    ConsoleLayout layout;
    bool yes = false;
    std::string problem;
    for (int i = 1; i < argc && problem.empty(); ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (layout.Take(arg, value, &problem)) {
            ++i;
        } else if (arg == "--answer" && value && (std::string(value) == "yes" ||
                                                  std::string(value) == "no")) {
            yes = std::string(argv[++i]) == "yes";
        } else {
            problem = arg == "--answer" ? "--answer takes yes or no" : "unknown argument: " + arg;
        }
    }
    if (!problem.empty() || !layout.Install(&problem)) {
        return ConsoleUsage("vantrel-console", kUsage, problem);
    }
    ConsoleSink sink(yes);
    RunRestore(sink);
    return 0;
}
