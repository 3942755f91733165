// mbtool: inspects MB images and turns them into .bmp files, through the same library the
// remover ships.
//
//   mbtool info FILE
//   mbtool bmp FILE OUT [--background RRGGBB] [--premultiply] [--tint N] [--cycle N]
//
// OUT is replaced whole, or not at all, by the programs' own rewrite (through a link, the file
// behind it; its mode and, run by root, its owner kept). What names a descriptor (/dev/stdout,
// /dev/stderr, /dev/fd/N, /proc/self/fd/N) and what is no plain file (a device, a pipe) is
// written into where it stands.
//
// Exit status: 0 done; 1 the image did not load or no bitmap could be built; 2 bad arguments
// or a file that cannot be read or written.

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "image/image.h"
#include "platform/file.h"
#include "platform/file_replace.h"

namespace {

const char* ResultName(int result) {
    switch (result) {
        case MbNoData:
            return "MbNoData";
        case MbOk:
            return "MbOk";
        case MbBadMagic:
            return "MbBadMagic";
        case MbBadSize:
            return "MbBadSize";
        case MbBadType:
            return "MbBadType";
        case MbBadCompression:
            return "MbBadCompression";
        case MbNoMemory:
            return "MbNoMemory";
        case MbCorrupt:
            return "MbCorrupt";
        default:
            return "unknown";
    }
}

int Usage(const char* problem) {
    fprintf(stderr,
            "mbtool: %s\n"
            "usage: mbtool info FILE\n"
            "       mbtool bmp FILE OUT [--background RRGGBB] [--premultiply] [--tint N] "
            "[--cycle N]\n",
            problem);
    return 2;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>& data) {
    FILE* f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "mbtool: cannot open %s: %s\n", path, strerror(errno));
        return false;
    }
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0)
        data.insert(data.end(), buffer, buffer + got);
    const bool ok = !ferror(f);
    if (!ok) fprintf(stderr, "mbtool: cannot read %s\n", path);
    fclose(f);
    return ok;
}

// A whole decimal number in [low, high].
bool ParseNumber(const char* text, long low, long high, long& value) {
    char* end;
    errno = 0;
    value = strtol(text, &end, 10);
    return *text && !*end && errno == 0 && value >= low && value <= high;
}

// RRGGBB as written on the web, to a COLORREF (red in the low byte).
bool ParseColour(const char* text, uint32_t& colour) {
    if (strlen(text) != 6 || strspn(text, "0123456789abcdefABCDEF") != 6) return false;
    const unsigned long rgb = strtoul(text, nullptr, 16);
    colour = static_cast<uint32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16);
    return true;
}

void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The descriptor OUT names: /dev/stdout, /dev/stderr, /dev/fd/N or /proc/self/fd/N, however
// its folder is spelled (/dev//stdout, /proc/PID/fd/N); -1 for any other name.
int NamedDescriptor(const char* out) {
    const char* slash = strrchr(out, '/');
    const char* name = slash ? slash + 1 : out;
    const std::string folder = slash ? std::string(out, name) : ".";
    char real[PATH_MAX], fds[32];
    if (!realpath(folder.c_str(), real)) return -1;
    if (!strcmp(real, "/dev")) {
        return !strcmp(name, "stdout")   ? STDOUT_FILENO
               : !strcmp(name, "stderr") ? STDERR_FILENO
                                         : -1;
    }
    snprintf(fds, sizeof fds, "/proc/%ld/fd", static_cast<long>(getpid()));
    long fd;
    const bool digits = strspn(name, "0123456789") == strlen(name);
    return !strcmp(real, fds) && digits && ParseNumber(name, 0, INT_MAX, fd) ? static_cast<int>(fd)
                                                                             : -1;
}

// OUT gets the pieces. A descriptor by name, or anything but a plain file (a device, a pipe), is
// written where it stands, so that output appended to a file stays appended; a plain file is
// replaced whole or not at all, as the programs rewrite the hosts file.
bool WriteOut(const char* out, const plat::FilePiece (&pieces)[2]) {
    int named = NamedDescriptor(out);
    struct stat info;
    int fd = named >= 0                                        ? dup(named)
             : stat(out, &info) == 0 && !S_ISREG(info.st_mode) ? open(out, O_WRONLY | O_CLOEXEC)
                                                               : -2;
    if (fd == -2) return plat::RewriteFile(out, pieces, 2) == plat::RewriteOk;
    FILE* stream = fd >= 0 ? fdopen(fd, "wb") : nullptr;  // "wb" neither truncates nor seeks
    if (!stream) {
        if (fd >= 0) close(fd);
        return false;
    }
    bool written = plat::WriteBytes(stream, pieces[0].bytes, pieces[0].length) &&
                   plat::WriteBytes(stream, pieces[1].bytes, pieces[1].length);
    return fclose(stream) == 0 && written;
}

// Loads a whole file with the bounded load. False when the file cannot be read.
bool LoadFile(const char* path, Image& image, int& result) {
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data)) return false;
    // An empty file is still data: it must read as cut short, not as no data at all.
    static const uint8_t kNothing = 0;
    result = image.ImageLoadMb(data.empty() ? &kNothing : data.data(), data.size());
    return true;
}

int Info(const char* path) {
    Image image;
    int result;
    if (!LoadFile(path, image, result)) return 2;
    printf("result %d %s\n", result, ResultName(result));
    if (result != MbOk) return 1;
    printf("size %dx%d\nbpp %d\npalette %s\ncolours %d\n", image.width, image.height,
           image.bitsPerPixel, image.palette ? "yes" : "no", image.ImageCountColours());
    return 0;
}

int Bmp(int argc, char** argv) {
    const char* in = argv[0];
    const char* out = argv[1];
    uint32_t background = 0xC8D0D4;  // D4D0C8, the classic dialog face
    bool premultiply = false;
    bool tint = false;
    long tintValue = 0, cycles = 0;
    for (int i = 2; i < argc; ++i) {
        const char* option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (!strcmp(option, "--premultiply")) {
            premultiply = true;
        } else if (!strcmp(option, "--background")) {
            if (!hasValue || !ParseColour(argv[++i], background)) {
                return Usage("--background wants six hex digits RRGGBB");
            }
        } else if (!strcmp(option, "--tint")) {
            if (!hasValue || !ParseNumber(argv[++i], 0, 255, tintValue)) {
                return Usage("--tint wants a number from 0 to 255");
            }
            tint = true;
        } else if (!strcmp(option, "--cycle")) {
            if (!hasValue || !ParseNumber(argv[++i], 0, 1000000, cycles)) {
                return Usage("--cycle wants a number from 0 to 1000000");
            }
        } else {
            return Usage("unknown option");
        }
    }

    Image image;
    int result;
    if (!LoadFile(in, image, result)) return 2;
    if (result != MbOk) {
        fprintf(stderr, "mbtool: %s does not load: result %d %s\n", in, result, ResultName(result));
        return 1;
    }
    if (tint && image.palette) image.SetBannerTint(static_cast<uint8_t>(tintValue));
    for (long i = 0; i < cycles; ++i) image.PaletteCycleStep(5);

    uint8_t* block = ImageToDib(&image, background, premultiply);
    if (!block) {
        fprintf(stderr, "mbtool: no bitmap can be built from %s\n", in);
        return 1;
    }
    DibLayout layout;  // a block was built, so its layout exists
    ImageDibLayout(image.bitsPerPixel, image.width, image.height, &layout);
    const size_t blockSize = static_cast<size_t>(layout.size);

    uint8_t fileHeader[14] = {'B', 'M'};
    PutLe32(fileHeader + 2, static_cast<uint32_t>(sizeof fileHeader + blockSize));
    PutLe32(fileHeader + 10, static_cast<uint32_t>(sizeof fileHeader + layout.bitsOffset));
    const plat::FilePiece pieces[2] = {
        {reinterpret_cast<const char*>(fileHeader), sizeof fileHeader},
        {reinterpret_cast<const char*>(block), blockSize}};
    const bool written = WriteOut(out, pieces);
    free(block);
    if (!written) {
        fprintf(stderr, "mbtool: cannot write %s\n", out);
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && !strcmp(argv[1], "info")) return Info(argv[2]);
    if (argc >= 4 && !strcmp(argv[1], "bmp")) return Bmp(argc - 2, argv + 2);
    return Usage(argc < 2 ? "no command" : "bad command or arguments");
}
