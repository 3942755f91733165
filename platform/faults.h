#ifndef QUORVEL_PLATFORM_FAULTS_H
#define QUORVEL_PLATFORM_FAULTS_H

// Failures on demand at the platform layer's points of no return, so tests can prove that
// no failure is reported as success and no file is left half written. Only the test build
// of the layer (QUORVEL_FAULTS) has them; the shipped one compiles every check away.

enum class Fault {
    SetAttributes,  // changing a file's attributes
    Write,          // writing file bytes
    Flush,          // flushing a stream
    Close,          // closing a stream that was written
    Replace,        // putting a new file in place of an old one
    Seek,           // moving in a stream being appended to
    Tell,           // asking a stream its position, and so a file its size
    Truncate,       // cutting a file short
    Allocate,       // taking memory for a whole file
    Read,           // reading a whole file
    Cursor,         // loading a system cursor, which older systems may lack
    DllSearch,      // restricting where DLLs come from: the call seen as missing
    TokenOpen,      // opening the process token (fails as access denied)
    TokenQuery,     // asking the token a question (fails as one the system lacks)
    DesktopShell,   // opening the page through the desktop's shell
    Count
};

#ifdef QUORVEL_FAULTS
// The call of the point after `skip` successful ones fails, once.
void FaultArm(Fault point, int skip);
void FaultsClear();
bool FaultFires(Fault point);

// Runs once, at the start of the next RewriteFile: where another program could act between
// the restore tool's last read and its replace. Null takes it away.
void SetRewriteHook(void (*hook)());
void RunRewriteHook();

#ifdef _WIN32
namespace plat {
// The newer calls the rewrite may use, so that the ways it takes on older Windows run on any:
// NT 4 has no ReplaceFileA, and 95/98/Me have it neither, nor a working MoveFileExA.
enum class ReplaceCalls { All, NoReplaceFile, None };
void RewriteUseCalls(ReplaceCalls calls);
}  // namespace plat
#endif
#else
inline bool FaultFires(Fault) {
    return false;
}
inline void RunRewriteHook() {}
#endif

#endif
