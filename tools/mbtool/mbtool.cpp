// mbtool: inspects MB images and turns them into .bmp files, through the same library the
// remover ships.
//
//   mbtool info FILE
//   mbtool bmp FILE OUT [--background RRGGBB] [--premultiply] [--tint N] [--cycle N]
//
// OUT is replaced whole, or not at all, through a link to the file behind it; a device, a pipe,
// /dev/stdout, /dev/fd/N or a file the tool holds open under another name is written into.
//
// Exit status: 0 done; 1 the image did not load or no bitmap could be built; 2 bad arguments
// or a file that cannot be read or written.

#include <dirent.h>
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

bool WriteAll(int fd, const void* bytes, size_t size) {
    const char* at = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t written = write(fd, at, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Writes the two parts to a temporary file in the folder of the file OUT names (the file
// behind a link, so that the link stays) and renames it there only once it is complete on
// disk, so a failed write (a full disk) leaves the file as it was and no temporary file behind.
// The new file keeps the old one's permissions.
bool WriteBeside(const char* out, const void* head, size_t headSize, const void* body,
                 size_t bodySize) {
    char behind[PATH_MAX];
    struct stat info;
    if (lstat(out, &info) == 0 && S_ISLNK(info.st_mode)) {
        if (!realpath(out, behind)) return false;
        out = behind;
    }
    std::string temp = std::string(out) + ".XXXXXX";
    const int fd = mkstemp(&temp[0]);
    if (fd < 0) return false;
    const mode_t mask = umask(0);  // mkstemp makes 0600; give what fopen would have
    umask(mask);
    const mode_t mode = stat(out, &info) == 0 ? info.st_mode & 07777 : 0666 & ~mask;
    bool written = fchmod(fd, mode) == 0 && WriteAll(fd, head, headSize) &&
                   WriteAll(fd, body, bodySize) && fsync(fd) == 0;
    if (close(fd) != 0) written = false;
    if (written && rename(temp.c_str(), out) == 0) return true;
    unlink(temp.c_str());
    return false;
}

// A descriptor of this process open on the file `info` describes, or -1.
int HeldOpen(const struct stat& info) {
    DIR* folder = opendir("/proc/self/fd");
    if (!folder) return -1;
    int found = -1;
    while (const dirent* entry = readdir(folder)) {
        long fd;
        struct stat held;
        if (ParseNumber(entry->d_name, 0, INT_MAX, fd) && fd != dirfd(folder) &&
            fstat(static_cast<int>(fd), &held) == 0 && held.st_dev == info.st_dev &&
            held.st_ino == info.st_ino) {
            found = static_cast<int>(fd);
            break;
        }
    }
    closedir(folder);
    return found;
}

// A stream rather than a file to replace: standard output by name, a descriptor by its name
// in /dev/fd, a file already open as one of ours under any name (/dev/stderr, /proc/self/fd/1),
// or anything but a plain file (a device, a pipe). Its descriptor, -1 if it cannot
// be opened, or -2 for a plain file or none. Standard output is written where it stands,
// so that output appended to a file stays appended.
int StreamOut(const char* out) {
    static const char kFdFolder[] = "/dev/fd/";
    if (!strcmp(out, "/dev/stdout")) return dup(STDOUT_FILENO);
    long fd;
    if (!strncmp(out, kFdFolder, sizeof kFdFolder - 1) &&
        strspn(out + sizeof kFdFolder - 1, "0123456789") == strlen(out + sizeof kFdFolder - 1) &&
        ParseNumber(out + sizeof kFdFolder - 1, 0, INT_MAX, fd)) {
        return dup(static_cast<int>(fd));
    }
    struct stat info;
    if (stat(out, &info) != 0) return -2;
    if (!S_ISREG(info.st_mode)) return open(out, O_WRONLY | O_CLOEXEC);
    const int held = HeldOpen(info);
    return held >= 0 ? dup(held) : -2;
}

// OUT gets the two parts: a stream directly, a file through WriteBeside.
bool WriteOut(const char* out, const void* head, size_t headSize, const void* body,
              size_t bodySize) {
    const int fd = StreamOut(out);
    if (fd == -2) return WriteBeside(out, head, headSize, body, bodySize);
    bool written = fd >= 0 && WriteAll(fd, head, headSize) && WriteAll(fd, body, bodySize);
    if (fd >= 0 && close(fd) != 0) written = false;
    return written;
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
    const bool written = WriteOut(out, fileHeader, sizeof fileHeader, block, blockSize);
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
