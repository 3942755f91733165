#ifndef QUORVEL_PLATFORM_COM_REF_WIN_H
#define QUORVEL_PLATFORM_COM_REF_WIN_H

// One COM reference, released when its holder goes, so that no way out of a chain of calls
// leaves one behind.

#include <windows.h>
// unknwn.h needs the Win32 types first.
#include <unknwn.h>

namespace plat {

template <typename T>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (object_) object_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Where a call puts the reference it hands out, into a holder that has none yet.
    T** Out() { return &object_; }

  private:
    T* object_ = nullptr;
};

}  // namespace plat

#endif
