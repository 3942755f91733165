#ifndef QUORVEL_TESTS_SUPPORT_TEST_FILES_H
#define QUORVEL_TESTS_SUPPORT_TEST_FILES_H

// Files for tests through the system's own calls, never the layer under test.

#include <optional>
#include <string>

namespace testfiles {

// A new, empty folder of its own; removed with everything in it by the destructor.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // dir + separator + relative (relative may use '/' on every system).
    std::string Join(const std::string& relative) const;

  private:
    std::string path_;
};

bool MakeDirs(const std::string& path);
bool RemoveDir(const std::string& path);
bool WriteBytes(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadBytes(const std::string& path);
bool SetReadOnly(const std::string& path, bool readOnly);
bool IsReadOnly(const std::string& path);
// A second name for target: a hard link, or a symbolic one. False where the system cannot
// make it (symbolic links on Windows want administrator rights or developer mode).
bool MakeLink(const std::string& target, const std::string& link, bool symbolic);
// Takes a name made by MakeLink away again, never the file behind it.
bool RemoveLink(const std::string& link);
// Names of the entries of a folder, sorted.
std::string ListDir(const std::string& path);

// A leak check: descriptors held open, and on Windows the handles and GDI objects counted.
long OpenHandles();

// Bytes shown with CR, LF and other controls spelled out, for failure messages.
std::string Show(const std::string& bytes);

}  // namespace testfiles

#endif
