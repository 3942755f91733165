#include "tests/support/test_files.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace testfiles {

namespace {
std::atomic<int> g_counter{0};

std::string Native(const std::string& path) {
    std::string out = path;
#ifdef _WIN32
    std::replace(out.begin(), out.end(), '/', '\\');
#endif
    return out;
}
}  // namespace

TempDir::TempDir() {
#ifdef _WIN32
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (;;) {
        path_ = std::string(base) + "qvtest-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(g_counter++);
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
#else
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qvtest-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    path_ = mkdtemp(buffer.data());
#endif
}

TempDir::~TempDir() {
    std::error_code error;
    // Read-only files would stop the removal on Windows.
    for (auto& entry : fs::recursive_directory_iterator(path_, error)) {
        // Never through a link: its target is not ours.
        if (!entry.is_symlink()) SetReadOnly(entry.path().string(), false);
    }
    fs::remove_all(path_, error);
}

std::string TempDir::Join(const std::string& relative) const {
#ifdef _WIN32
    return Native(path_ + "\\" + relative);
#else
    return path_ + "/" + relative;
#endif
}

bool MakeDirs(const std::string& path) {
    std::error_code error;
    fs::create_directories(Native(path), error);
    return !error;
}

bool RemoveDir(const std::string& path) {
    std::error_code error;
    fs::remove_all(Native(path), error);
    return !error;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* file = fopen(Native(path).c_str(), "wb");
    if (!file) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

std::optional<std::string> ReadBytes(const std::string& path) {
    FILE* file = fopen(Native(path).c_str(), "rb");
    if (!file) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, count);
    fclose(file);
    return bytes;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(Native(path), error);
}

bool SetReadOnly(const std::string& path, bool readOnly) {
#ifdef _WIN32
    DWORD attributes = GetFileAttributesA(Native(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    attributes = readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                          : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    return SetFileAttributesA(Native(path).c_str(), attributes) != 0;
#else
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    mode_t mode = readOnly ? info.st_mode & ~mode_t{0222} : info.st_mode | S_IWUSR;
    return chmod(path.c_str(), mode & 07777) == 0;
#endif
}

bool IsReadOnly(const std::string& path) {
#ifdef _WIN32
    DWORD attributes = GetFileAttributesA(Native(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
#else
    struct stat info;
    return stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) == 0;
#endif
}

std::string ListDir(const std::string& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (auto& entry : fs::directory_iterator(Native(path), error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string out;
    for (auto& name : names) out += (out.empty() ? "" : " ") + name;
    return out;
}

std::string Show(const std::string& bytes) {
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

}  // namespace testfiles
