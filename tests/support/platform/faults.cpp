#include "platform/faults.h"

#ifdef QUORVEL_FAULTS

namespace {
// Calls left before the point fails; negative when the point is not armed.
int g_faultCountdown[static_cast<int>(Fault::Count)] = {-1, -1, -1, -1, -1, -1, -1, -1};
void (*g_rewriteHook)() = nullptr;
}  // namespace

void FaultArm(Fault point, int skip) {
    g_faultCountdown[static_cast<int>(point)] = skip;
}

void FaultsClear() {
    for (int& countdown : g_faultCountdown) countdown = -1;
}

bool FaultFires(Fault point) {
    int& countdown = g_faultCountdown[static_cast<int>(point)];
    if (countdown < 0) return false;
    return countdown-- == 0;
}

void SetRewriteHook(void (*hook)()) {
    g_rewriteHook = hook;
}

void RunRewriteHook() {
    void (*hook)() = g_rewriteHook;
    g_rewriteHook = nullptr;
    if (hook) hook();
}

#endif
