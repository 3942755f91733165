#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/counted_win.h"
#include "platform/faults.h"
#include "platform/file.h"
#include "platform/file_replace_pieces.h"

namespace plat {
namespace {

typedef BOOL(WINAPI* ReplaceFileAProc)(LPCSTR, LPCSTR, LPCSTR, DWORD, LPVOID, LPVOID);
typedef BOOL(WINAPI* MoveFileExAProc)(LPCSTR, LPCSTR, DWORD);
typedef DWORD(WINAPI* FinalPathProc)(HANDLE, LPSTR, DWORD, DWORD);

constexpr char kTempPrefix[] = "vtr";
// What a rewritten file keeps of the old one's attributes; read-only files are refused.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

#ifdef QUORVEL_FAULTS
ReplaceCalls g_calls = ReplaceCalls::All;
#endif

// Taken at run time: a static import of any of them would stop the program from loading on
// Windows 95/98/Me, whose kernel has no ReplaceFileA.
void (*Kernel32Proc(const char* name))() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)) : nullptr;
}

ReplaceFileAProc FindReplaceFile() {
#ifdef QUORVEL_FAULTS
    if (g_calls != ReplaceCalls::All) return nullptr;
#endif
    return reinterpret_cast<ReplaceFileAProc>(Kernel32Proc("ReplaceFileA"));
}

FinalPathProc FindFinalPath() {
    return reinterpret_cast<FinalPathProc>(Kernel32Proc("GetFinalPathNameByHandleA"));
}

MoveFileExAProc FindMoveFileEx() {
#ifdef QUORVEL_FAULTS
    if (g_calls == ReplaceCalls::None) return nullptr;
#endif
    return reinterpret_cast<MoveFileExAProc>(Kernel32Proc("MoveFileExA"));
}

// The folder part of path with its final separator, so that "C:\hosts" gives "C:\".
bool FolderOf(const char* path, char (&folder)[MAX_PATH]) {
    const char* slash = strrchr(path, '\\');
    const char* other = strrchr(path, '/');
    if (!slash || (other && other > slash)) slash = other;
    if (!slash) {
        strcpy(folder, ".");
        return true;
    }
    size_t length = static_cast<size_t>(slash - path) + 1;
    if (length >= MAX_PATH) return false;
    memcpy(folder, path, length);
    folder[length] = 0;
    return true;
}

// A name in folder that no file has, for a file to be moved to.
bool FreeName(const char* folder, char (&name)[MAX_PATH]) {
    if (!GetTempFileNameA(folder, kTempPrefix, 0, name)) return false;
    DeleteFileA(name);
    return true;
}

bool KeepAttributes(const char* temp, DWORD attributes) {
    if (FaultFires(Fault::SetAttributes)) return false;
    DWORD kept = attributes & kKeptAttributes;
    return SetFileAttributesA(temp, kept ? kept : FILE_ATTRIBUTE_NORMAL) != 0;
}

// The worst failure ReplaceFileA documents: the old file moved to the backup name, the new
// one not moved in.
BOOL ForcedReplaceFailure(const char* path, const char* backup) {
    MoveFileA(path, backup);
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}

// After a failed ReplaceFileA: the old file back under its name if it is only at the backup
// name; if even that fails it stays there, beside it.
void RecoverFromReplace(const char* path, const char* backup) {
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && !MoveFileA(backup, path)) return;
    DeleteFileA(backup);
}

// Without ReplaceFileA and MoveFileExA: the old file aside, the new one in, the old one
// deleted; the old one is always under its name or beside it, complete.
bool SwapByRenames(const char* temp, const char* path, const char* folder) {
    char aside[MAX_PATH];
    if (!FreeName(folder, aside)) return false;
    if (FaultFires(Fault::Replace) || !MoveFileA(path, aside)) return false;
    if (FaultFires(Fault::Replace) || !MoveFileA(temp, path)) {
        MoveFileA(aside, path);
        return false;
    }
    DeleteFileA(aside);
    return true;
}

bool PutInPlace(const char* temp, const char* path, const char* folder, bool existed) {
    if (!existed) return !FaultFires(Fault::Replace) && MoveFileA(temp, path);

    // ReplaceFileA keeps the old file's security; it is told a backup name so that whatever
    // goes wrong, the old file is known to be under one of two names.
    if (ReplaceFileAProc replaceFile = FindReplaceFile()) {
        char backup[MAX_PATH];
        if (!FreeName(folder, backup)) return false;
        BOOL replaced = FaultFires(Fault::Replace) ? ForcedReplaceFailure(path, backup)
                                                   : replaceFile(path, temp, backup, 0, 0, 0);
        if (replaced) {
            DeleteFileA(backup);
            return true;
        }
        DWORD error = GetLastError();
        RecoverFromReplace(path, backup);
        if (error != ERROR_CALL_NOT_IMPLEMENTED) return false;
    }
    if (MoveFileExAProc moveFileEx = FindMoveFileEx()) {
        if (FaultFires(Fault::Replace)) return false;
        if (moveFileEx(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        // 95/98/Me export it but do not implement it.
        if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    }
    return SwapByRenames(temp, path, folder);
}

// The name of the file itself, so that the replace moves no link and the new bytes reach the
// file behind it. Under Wine a symbolic link looks like a plain file, yet a replace through
// it moves the file behind it away. False for a file with a second name (no rename gives
// both names the new bytes) and for a link that cannot be followed.
bool FileBehind(const char* path, DWORD attributes, char (&behind)[MAX_PATH]) {
    // No FILE_SHARE_DELETE: 95/98/Me refuse it.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // A file system that cannot tell has no second names either.
    BY_HANDLE_FILE_INFORMATION info;
    bool oneName = !GetFileInformationByHandle(file, &info) || info.nNumberOfLinks <= 1;
    // Vista and later, and Wine; before Vista there are no symbolic links to files.
    char resolved[MAX_PATH + 8];
    DWORD length = 0;
    if (FinalPathProc finalPath = FindFinalPath())
        length = finalPath(file, resolved, sizeof resolved, 0);
    CloseHandle(file);
    if (!oneName) return false;
    if (length == 0 || length >= sizeof resolved) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT || strlen(path) >= MAX_PATH) return false;
        strcpy(behind, path);
        return true;
    }
    // "\\?\C:\..." or "\\?\UNC\server\...", back to names the ANSI calls take.
    const char* name = resolved;
    if (strncmp(name, "\\\\?\\UNC\\", 8) == 0) {
        name += 6;
        resolved[6] = '\\';
    } else if (strncmp(name, "\\\\?\\", 4) == 0) {
        name += 4;
    }
    if (strlen(name) >= MAX_PATH) return false;
    strcpy(behind, name);
    return true;
}

// The file to replace, in *behind (the file itself, not a link to it), and its attributes; for
// a file that is not there, INVALID_FILE_ATTRIBUTES and nothing in *behind. Refused as the
// contract says.
RewriteResult FindTarget(const char* path, char (&behind)[MAX_PATH], DWORD* attributes) {
    if (!path) return RewriteRefused;
    *attributes = GetFileAttributesA(path);
    if (*attributes == INVALID_FILE_ATTRIBUTES) return RewriteOk;
    if (!FileBehind(path, *attributes, behind)) return RewriteRefused;
    *attributes = GetFileAttributesA(behind);
    // The attribute is checked as well as the open: Wine run by root opens read-only files for
    // writing, and a replace would not stop at the attribute either.
    if (*attributes == INVALID_FILE_ATTRIBUTES ||
        (*attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
        return RewriteRefused;
    }
    FILE* probe = OpenFile(behind, "r+b");
    if (!probe) return RewriteRefused;
    fclose(probe);
    return RewriteOk;
}

}  // namespace

RewriteResult RewriteFile(const char* path, const FilePiece* pieces, int count) {
    RunRewriteHook();
    char behind[MAX_PATH];
    DWORD attributes;
    RewriteResult result = FindTarget(path, behind, &attributes);
    if (result != RewriteOk) return result;
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
    if (existed) path = behind;

    char folder[MAX_PATH];
    char temp[MAX_PATH];
    if (!FolderOf(path, folder) || !GetTempFileNameA(folder, kTempPrefix, 0, temp)) {
        return RewriteNoTemp;
    }
    FILE* stream = OpenFile(temp, "wb");
    if (!stream) {
        DeleteFileA(temp);
        return RewriteNoTemp;
    }

    result = WritePieces(stream, pieces, count);
    bool closed = fclose(stream) == 0;
    if (FaultFires(Fault::Close)) closed = false;
    if (result == RewriteOk && !closed) result = RewriteCloseFailed;
    if (result == RewriteOk && existed && !KeepAttributes(temp, attributes)) {
        result = RewriteAttributesFailed;
    }
    if (result == RewriteOk && !PutInPlace(temp, path, folder, existed)) {
        result = RewriteReplaceFailed;
    }
    if (result != RewriteOk) DeleteFileA(temp);
    return result;
}

#ifdef QUORVEL_FAULTS
void RewriteUseCalls(ReplaceCalls calls) {
    g_calls = calls;
}
#endif

}  // namespace plat
