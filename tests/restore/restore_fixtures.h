#ifndef QUORVEL_TESTS_RESTORE_RESTORE_FIXTURES_H
#define QUORVEL_TESTS_RESTORE_RESTORE_FIXTURES_H

// Shared by the restore tool's tests: the texts the user sees, scratch folders standing in
// for Windows, whole-file reads and writes, and a sink that records the message boxes.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "build_config.h"
#include "platform/faults.h"
#include "platform/system.h"
#include "restore/restore_run.h"

namespace restore_test {

namespace fs = std::filesystem;

inline const std::string kHost = QUORVEL_ADVERT_HOST;
inline const std::string kEntry = "0.0.0.0         " + kHost;

inline std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// Bytes with CR, LF and other control bytes spelled out, for failure messages.
inline std::string Visible(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        char hex[8];
        snprintf(hex, sizeof hex, "<%02X>", c);
        out += c == '\r'               ? "<CR>"
               : c == '\n'             ? "<LF>"
               : c < 0x20 || c >= 0x7F ? hex
                                       : std::string(1, c);
    }
    return out;
}

// Records each box as "0x<style> <caption>: <text>"; answers the confirmation with `answer`.
class RecordingSink final : public RestoreSink {
  public:
    explicit RecordingSink(int answer) : answer_(answer) {}
    int Message(const char* text, const char* caption, unsigned style) override {
        char hex[16];
        snprintf(hex, sizeof hex, "0x%x ", style);
        shown.push_back(hex + std::string(caption) + ": " + text);
        return (style & MB_YESNO) == MB_YESNO ? answer_ : IDOK;
    }
    std::vector<std::string> shown;

  private:
    int answer_;
};

// A fresh folder under the temporary folder, removed again with everything in it.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& name)
        : root_(fs::temp_directory_path() / ("vantrel-test-" + name)) {
        Remove();
        fs::create_directories(root_);
    }
    ~ScratchDir() { Remove(); }
    const fs::path& root() const { return root_; }

    // Points the stand-in Windows here (system folder root\system32) and gives the hosts
    // path of that platform, its folder created.
    std::string UseLayout(DWORD platformId) const {
        static std::string windowsDir, systemDir;
        windowsDir = root_.string();
        systemDir = (root_ / "system32").string();
        plat::SystemLayout layout = {platformId, windowsDir.c_str(), systemDir.c_str()};
        plat::SetSystemLayout(&layout);
        fs::path folder = platformId == 2 ? root_ / "system32" / "drivers" / "etc" : root_;
        fs::create_directories(folder);
        return (folder / "hosts").string();
    }

  private:
    void Remove() {
        FaultsClear();
        std::error_code ignored;  // Windows removes no read-only file
        for (const auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
        }
        fs::remove_all(root_, ignored);
    }
    fs::path root_;
};

inline std::vector<std::string> NamesBeside(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

// The file's bytes, or "(missing)".
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    if (!in) return "(missing)";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace restore_test

#endif
