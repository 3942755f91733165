#ifndef QUORVEL_TESTS_RESTORE_RESTORE_FIXTURES_H
#define QUORVEL_TESTS_RESTORE_RESTORE_FIXTURES_H

// Shared by the restore tool's tests: scratch folders standing in for Windows, whole-file
// reads and writes, and a message sink that records what the user would have seen.

#include <filesystem>
#include <string>
#include <vector>

#include "build_config.h"
#include "platform/system.h"
#include "restore/restore_run.h"

namespace restore_test {

// The redirection line as the remover writes it, and the exact texts the user sees.
inline const std::string kHost = QUORVEL_ADVERT_HOST;
inline const std::string kEntry = "0.0.0.0         " + kHost;
inline const std::string kCaption = "Vantrel";
inline const std::string kNothing =
    "Adverts has not been removed.\nSo there is nothing to restore.";
inline const std::string kConfirm = "Are you sure you want to restore those annoying msn adverts?";
inline const std::string kRestored = "Adverts has ben restored!";
inline const std::string kRewriteError = "Error rewriting host file!";

// The host name with its ASCII letters in upper case.
std::string Upper(const std::string& text);

// Bytes shown with CR, LF and other control bytes spelled out, for failure messages.
std::string Visible(const std::string& bytes);

struct Shown {
    std::string text;
    std::string caption;
    unsigned style;
    bool operator==(const Shown& other) const {
        return text == other.text && caption == other.caption && style == other.style;
    }
};

// Answers the confirmation with `answer` and every other box with IDOK.
class RecordingSink final : public RestoreSink {
  public:
    explicit RecordingSink(int answer) : answer_(answer) {}
    int Message(const char* text, const char* caption, unsigned style) override;
    std::vector<Shown> shown;

  private:
    int answer_;
};

// A fresh, empty folder under the temporary folder, removed again with everything in it.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& root() const { return root_; }
    // The names in the folder that holds path, sorted.
    std::vector<std::string> NamesBeside(const std::string& path) const;

  private:
    std::filesystem::path root_;
};

// Points the stand-in Windows at the scratch folder (its system folder is root\system32)
// and gives the hosts path of that platform, creating the folders on the way.
std::string UseLayout(const ScratchDir& dir, DWORD platformId);

bool WriteBytes(const std::string& path, const std::string& bytes);
// False when the file cannot be read.
bool ReadBytes(const std::string& path, std::string* bytes);
bool MakeReadOnly(const std::string& path);

}  // namespace restore_test

#endif
