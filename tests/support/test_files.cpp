#include "tests/support/test_files.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "platform/counted_win.h"
#endif

namespace fs = std::filesystem;

namespace testfiles {

namespace {
std::atomic<int> g_counter{0};
constexpr fs::perms kWrite =
    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

std::string Native(std::string path) {
#ifdef _WIN32
    std::replace(path.begin(), path.end(), '/', '\\');
#endif
    return path;
}
}  // namespace

TempDir::TempDir() {
    fs::path path;
    do {  // a name another test program holds is skipped
        path = fs::temp_directory_path() / ("qvtest-" + std::to_string(g_counter++));
    } while (!fs::create_directory(path));
    path_ = path.string();
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
    return Native(path_ + "/" + relative);
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
    std::ofstream file(Native(path), std::ios::binary);
    file << bytes;
    file.close();
    return !file.fail();
}

std::optional<std::string> ReadBytes(const std::string& path) {
    std::ifstream file(Native(path), std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The runtime maps the owner's write bit to the read-only attribute on Windows.
bool SetReadOnly(const std::string& path, bool readOnly) {
    std::error_code error;
    fs::permissions(Native(path), readOnly ? kWrite : fs::perms::owner_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add, error);
    return !error;
}

bool IsReadOnly(const std::string& path) {
    std::error_code error;
    fs::file_status status = fs::status(Native(path), error);
    return !error && (status.permissions() & kWrite) == fs::perms::none;
}

#ifdef _WIN32
namespace {

void (*Kernel32Proc(const char* name))() {
    return reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name));
}

// Under Wine only: the Unix name of a path, for the Unix side's own tools; else empty.
std::string UnixName(const std::string& path) {
    auto proc =
        reinterpret_cast<char*(CDECL*)(const wchar_t*)>(Kernel32Proc("wine_get_unix_file_name"));
    wchar_t wide[MAX_PATH];
    char* name = proc && MultiByteToWideChar(CP_ACP, 0, Native(path).c_str(), -1, wide, MAX_PATH)
                     ? proc(wide)
                     : nullptr;
    std::string unixName = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return unixName;
}

// Under Wine a symbolic link is made and removed on the Unix side: Win32 sees it as a plain
// file, CreateSymbolicLinkA makes nothing, and a delete takes the file behind it. Wine cannot
// wait for a Unix process, so the name's coming or going is watched for instead.
bool OnUnixSide(std::string command, const std::string& name, bool exists) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    auto there = [&] {
        return GetFileAttributesA(Native(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    for (int i = 0; i < 500 && there() != exists; ++i) Sleep(10);
    return there() == exists;
}

}  // namespace
#endif

bool MakeLink(const std::string& target, const std::string& link, bool symbolic) {
    std::error_code error;
    if (!symbolic) {
        fs::create_hard_link(Native(target), Native(link), error);
        return !error;
    }
#ifdef _WIN32
    std::string unixTarget = UnixName(target), unixLink = UnixName(link);
    if (!unixTarget.empty() && !unixLink.empty()) {
        return OnUnixSide("/bin/ln -s " + unixTarget + " " + unixLink, link, true);
    }
    auto proc = reinterpret_cast<BOOLEAN(WINAPI*)(const char*, const char*, DWORD)>(
        Kernel32Proc("CreateSymbolicLinkA"));
    // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    return proc && proc(Native(link).c_str(), Native(target).c_str(), 2);
#else
    fs::create_symlink(target, link, error);
    return !error;
#endif
}

bool RemoveLink(const std::string& link) {
#ifdef _WIN32
    std::string unixLink = UnixName(link);
    if (!unixLink.empty()) return OnUnixSide("/bin/rm -f " + unixLink, link, false);
#endif
    std::error_code error;
    return fs::remove(Native(link), error);
}

std::string ListDir(const std::string& path) {
    std::set<std::string> names;
    std::error_code error;
    for (auto& entry : fs::directory_iterator(Native(path), error)) {
        names.insert(entry.path().filename().string());
    }
    std::string out;
    for (auto& name : names) out += (out.empty() ? "" : " ") + name;
    return out;
}

long OpenHandles() {
#ifdef _WIN32
    // GetProcessHandleCount answers 0 under Wine: the runtime's open descriptors are counted
    // instead, and the handles and GDI objects that the platform layer's test build counts.
    long count = plat::OpenObjects();
    for (int fd = 0; fd < 2048; ++fd) count += _get_osfhandle(fd) != -1;
    return count;
#else
    return static_cast<long>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
#endif
}

std::string Show(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        char hex[8];
        snprintf(hex, sizeof hex, c < 0x20 || c >= 0x7F ? "<%02X>" : "%c", c);
        out += c == '\r' ? "<CR>" : c == '\n' ? "<LF>" : hex;
    }
    return out;
}

}  // namespace testfiles
