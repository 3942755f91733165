#include "restore_fixtures.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/faults.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace restore_test {

std::string Upper(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::string Visible(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            out += "<CR>";
        } else if (c == '\n') {
            out += "<LF>";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int RecordingSink::Message(const char* text, const char* caption, unsigned style) {
    shown.push_back({text, caption, style});
    return (style & MB_YESNO) == MB_YESNO ? answer_ : IDOK;
}

ScratchDir::ScratchDir(const std::string& name) {
    root_ = fs::temp_directory_path() /
            ("vantrel-" + name + "-" + std::to_string(static_cast<long>(getpid())));
    std::error_code ignored;
    fs::remove_all(root_, ignored);
    fs::create_directories(root_);
}

ScratchDir::~ScratchDir() {
    // Read-only files cannot be removed on Windows.
    FaultsClear();
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(root_, ignored);
}

std::vector<std::string> ScratchDir::NamesBeside(const std::string& path) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string UseLayout(const ScratchDir& dir, DWORD platformId) {
    static std::string windowsDir, systemDir;
    windowsDir = dir.root().string();
    systemDir = (dir.root() / "system32").string();
    plat::SystemLayout layout = {platformId, windowsDir.c_str(), systemDir.c_str()};
    plat::SetSystemLayout(&layout);
    bool windows9x = platformId != VER_PLATFORM_WIN32_NT;
    fs::path folder = windows9x ? dir.root() : dir.root() / "system32" / "drivers" / "etc";
    fs::create_directories(folder);
    return (folder / "hosts").string();
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

bool ReadBytes(const std::string& path, std::string* bytes) {
    std::ifstream in(fs::path(path), std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool MakeReadOnly(const std::string& path) {
    return plat::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY) != FALSE;
}

}  // namespace restore_test
