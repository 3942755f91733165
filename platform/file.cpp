#include "platform/file.h"

#include "platform/faults.h"

namespace plat {

bool WriteBytes(FILE* file, const void* bytes, size_t count) {
    if (FaultFires(Fault::Write)) {
        fwrite(bytes, 1, count / 2, file);
        return false;
    }
    return fwrite(bytes, 1, count, file) == count;
}

}  // namespace plat
