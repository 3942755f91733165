// Runs the restore tool's pass on a folder standing in for Windows and prints each message
// box it would show, with the answer given to the confirmation.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "restore/restore_run.h"
#include "tools/console/console.h"

namespace {

const char kUsage[] =
    "--windows-dir DIR [--system-dir DIR] [--platform-id N] [--answer yes|no] "
    "[--while-asked COMMAND]";

class ConsoleSink final : public RestoreSink {
  public:
    ConsoleSink(bool yes, const std::string& whileAsked) : yes_(yes), whileAsked_(whileAsked) {}

    int Message(const char* text, const char* caption, unsigned style) override {
        printf("message 0x%x ", style);
        PrintOneLine(caption);
        fputs(": ", stdout);
        PrintOneLine(text);
        putchar('\n');
        // The tool's one error box is its warning.
        failed_ = failed_ || (style & 0xF0) == MB_ICONWARNING;
        if ((style & MB_YESNO) != MB_YESNO) return IDOK;
        // What another program might do to the file while the question is open.
        if (!whileAsked_.empty()) {
            fflush(stdout);
            if (system(whileAsked_.c_str()) != 0) printf("--while-asked command failed\n");
        }
        puts(yes_ ? "answer yes" : "answer no");
        return yes_ ? IDYES : IDNO;
    }
    bool failed() const { return failed_; }

  private:
    bool yes_;
    std::string whileAsked_;
    bool failed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    ConsoleLayout layout;
    bool yes = false;
    std::string whileAsked, problem;
    for (int i = 1; i < argc && problem.empty(); ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (layout.Take(arg, value, &problem)) {
            ++i;
        } else if (arg == "--answer" && value &&
                   (std::string(value) == "yes" || std::string(value) == "no")) {
            yes = std::string(argv[++i]) == "yes";
        } else if (arg == "--while-asked" && IsOptionValue(value)) {
            whileAsked = argv[++i];
        } else {
            problem = arg == "--answer"        ? "--answer takes yes or no"
                      : arg == "--while-asked" ? "--while-asked needs a command"
                                               : "unknown argument: " + arg;
        }
    }
    if (!problem.empty() || !layout.Install(&problem)) {
        return ConsoleUsage("vantrel-console", kUsage, problem);
    }
    ConsoleSink sink(yes, whileAsked);
    RunRestore(sink);
    return ConsoleExit("vantrel-console", sink.failed());
}
