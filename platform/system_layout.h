#ifndef QUORVEL_PLATFORM_SYSTEM_LAYOUT_H
#define QUORVEL_PLATFORM_SYSTEM_LAYOUT_H

// The stand-in Windows of plat::SetSystemLayout, shared by both systems' layers.

#include "platform/system.h"

namespace plat {
namespace layout {

bool Active();
BOOL VersionEx(OSVERSIONINFOA* info);
DWORD Version();
UINT WindowsDirectory(char* buffer, UINT size);
UINT SystemDirectory(char* buffer, UINT size);

}  // namespace layout
}  // namespace plat

#endif
