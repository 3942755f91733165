#ifndef QUORVEL_TOOLS_CONSOLE_CONSOLE_H
#define QUORVEL_TOOLS_CONSOLE_CONSOLE_H

// What the console drivers share: the options that place the stand-in Windows, their usage
// errors, and texts printed on one line. Both exit with 0 after a run that showed no error,
// 1 after one that did or whose output could not be written, and 2 on bad arguments.

#include <string>

#include "platform/system.h"

class ConsoleLayout {
  public:
    // Takes --windows-dir, --system-dir or --platform-id with its value. False if arg is
    // none of them; true with *problem set if the value is bad.
    bool Take(const std::string& arg, const char* value, std::string* problem);
    // Installs the layout (system folder by default DIR/system32) and makes a closed pipe on
    // the output a failed write rather than the end of the program; false with *problem set
    // if the Windows folder is missing.
    bool Install(std::string* problem);

  private:
    std::string windowsDir_;
    std::string systemDir_;
    DWORD platformId_ = VER_PLATFORM_WIN32_NT;
};

// An option's value: there, not empty, and not the next option (never starts with "--").
bool IsOptionValue(const char* value);

// The problem and the usage on standard error; the exit status for bad arguments, 2.
int ConsoleUsage(const char* program, const std::string& usage, const std::string& problem);

// The exit status after a run: 1 if it showed an error, or if its output could not be written
// (whoever reads it would see nothing, or half), else 0.
int ConsoleExit(const char* program, bool failed);

// A line feed inside the text shows as the two characters \n.
void PrintOneLine(const char* text);

#endif
