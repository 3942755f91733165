#include "platform/file.h"

#include <cstdlib>

#include "platform/faults.h"

namespace plat {

bool WriteBytes(FILE* file, const void* bytes, size_t count) {
    if (FaultFires(Fault::Write)) {
        fwrite(bytes, 1, count / 2, file);
        return false;
    }
    return fwrite(bytes, 1, count, file) == count;
}

bool ReadAll(FILE* file, char** bytes, long* size) {
    *bytes = nullptr;
    *size = 0;
    long length = -1;
    if (fseek(file, 0, SEEK_END) == 0 && !FaultFires(Fault::Tell)) length = ftell(file);
    if (length < 0 || fseek(file, 0, SEEK_SET) != 0) return false;
    if (length == 0) return true;
    // malloc, not new: a failed allocation gives null without the exception machinery, which
    // would weigh more than the rest of a program.
    char* data = FaultFires(Fault::Allocate)
                     ? nullptr
                     : static_cast<char*>(malloc(static_cast<size_t>(length)));
    if (!data) return false;
    size_t got = fread(data, 1, static_cast<size_t>(length), file);
    if (ferror(file) || FaultFires(Fault::Read)) {
        free(data);
        return false;
    }
    *bytes = data;
    *size = static_cast<long>(got);
    return true;
}

}  // namespace plat
