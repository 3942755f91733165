#include "tests/support/test_files.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "platform/counted_win.h"
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace testfiles {

namespace {
std::atomic<int> g_counter{0};
constexpr fs::perms kWrite =
    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

std::string Native(const std::string& path) {
    std::string out = path;
#ifdef _WIN32
    std::replace(out.begin(), out.end(), '/', '\\');
#endif
    return out;
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
    typedef char*(CDECL * UnixNameProc)(const wchar_t*);
    auto proc = reinterpret_cast<UnixNameProc>(Kernel32Proc("wine_get_unix_file_name"));
    wchar_t wide[MAX_PATH];
    if (!proc || !MultiByteToWideChar(CP_ACP, 0, Native(path).c_str(), -1, wide, MAX_PATH)) {
        return "";
    }
    char* name = proc(wide);
    std::string unixName = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
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
    for (int i = 0; i < 500 && Exists(name) != exists; ++i) Sleep(10);
    return Exists(name) == exists;
}

}  // namespace
#endif

bool MakeLink(const std::string& target, const std::string& link, bool symbolic) {
#ifdef _WIN32
    if (!symbolic) return CreateHardLinkA(Native(link).c_str(), Native(target).c_str(), nullptr);
    std::string unixTarget = UnixName(target), unixLink = UnixName(link);
    if (!unixTarget.empty() && !unixLink.empty()) {
        return OnUnixSide("/bin/ln -s " + unixTarget + " " + unixLink, link, true);
    }
    typedef BOOLEAN(WINAPI * SymbolicLinkProc)(const char*, const char*, DWORD);
    auto proc = reinterpret_cast<SymbolicLinkProc>(Kernel32Proc("CreateSymbolicLinkA"));
    // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    return proc && proc(Native(link).c_str(), Native(target).c_str(), 2);
#else
    return (symbolic ? symlink(target.c_str(), link.c_str())
                     : ::link(target.c_str(), link.c_str())) == 0;
#endif
}

bool RemoveLink(const std::string& link) {
#ifdef _WIN32
    std::string unixLink = UnixName(link);
    if (!unixLink.empty()) return OnUnixSide("/bin/rm -f " + unixLink, link, false);
    return DeleteFileA(Native(link).c_str()) != 0;
#else
    return unlink(link.c_str()) == 0;
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
