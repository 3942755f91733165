#include "platform/faults.h"

#include <utility>

#ifdef QUORVEL_FAULTS

namespace {
// Calls left until the point fails, counting the failing one; 0 when the point is not armed.
int g_faultCountdown[static_cast<int>(Fault::Count)] = {};
void (*g_rewriteHook)() = nullptr;
}  // namespace

void FaultArm(Fault point, int skip) {
    g_faultCountdown[static_cast<int>(point)] = skip + 1;
}

void FaultsClear() {
    for (int& countdown : g_faultCountdown) countdown = 0;
}

bool FaultFires(Fault point) {
    int& countdown = g_faultCountdown[static_cast<int>(point)];
    return countdown > 0 && --countdown == 0;
}

void SetRewriteHook(void (*hook)()) {
    g_rewriteHook = hook;
}

void RunRewriteHook() {
    if (void (*hook)() = std::exchange(g_rewriteHook, nullptr)) hook();
}

#endif
