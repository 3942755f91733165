#include "restore/entry_cut.h"

#include <cstring>

#include "build_config.h"

namespace {

constexpr char kAdvertHost[] = QUORVEL_ADVERT_HOST;
constexpr long kHostLength = sizeof kAdvertHost - 1;
static_assert(kHostLength > 0, "the advert host name must not be empty");
// The remover's line: the address and nine blanks before the name, as it writes it.
constexpr char kEntry[] = "0.0.0.0         " QUORVEL_ADVERT_HOST;
constexpr long kAddressLength = sizeof kEntry - 1 - kHostLength;
constexpr char kCtrlZ = 0x1A;

// ASCII letters only: the name must match the same bytes whatever the user's code page.
unsigned char FoldCase(char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

bool IsHostAt(const char* bytes) {
    long i = 0;
    while (i < kHostLength && FoldCase(bytes[i]) == FoldCase(kAdvertHost[i])) ++i;
    return i == kHostLength;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Byte for byte, as the remover compares: a user's line in other letters is not its line.
bool IsRemoversLine(const char* line, long length) {
    return length == sizeof kEntry - 1 && memcmp(line, kEntry, sizeof kEntry - 1) == 0;
}

// The name standing as a whole name of a hosts entry: before any comment, after a blank that
// follows some other field, and ending at a blank or at the end of the part before the comment.
// So a longer name holding it, a comment mentioning it or the address field never counts. Its
// position, or kNoMatch.
long NameInLine(const char* line, long length) {
    long part = 0;
    while (part < length && line[part] != '#') ++part;
    bool fieldBefore = false;  // a non-blank byte somewhere before line[at - 1]
    for (long at = 1; at + kHostLength <= part; ++at) {
        if (at >= 2 && !IsBlank(line[at - 2])) fieldBefore = true;
        long end = at + kHostLength;
        if (fieldBefore && IsBlank(line[at - 1]) && IsHostAt(line + at) &&
            (end == part || IsBlank(line[end]))) {
            return at;
        }
    }
    return kNoMatch;
}

// A final Ctrl-Z belongs to no line: the runtime cuts it when it appends.
long DataEnd(const char* image, long n) {
    return n > 0 && image[n - 1] == kCtrlZ ? n - 1 : n;
}

// A leading UTF-8 byte-order mark belongs to no line either: without it Windows may read the
// file in the local code page, so it is never cut.
long DataStart(const char* image, long n) {
    return n >= 3 && memcmp(image, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
}

// The line at start, in data of n bytes: its content ends at *end, its line end (CR LF, a lone
// LF, a lone CR, or none at the end of the data) at *next.
void FindLine(const char* image, long n, long start, long* end, long* next) {
    long at = start;
    while (at < n && image[at] != '\n' && image[at] != '\r') ++at;
    *end = at;
    bool crLf = at + 1 < n && image[at] == '\r' && image[at + 1] == '\n';
    *next = crLf ? at + 2 : at < n ? at + 1 : n;
}

// The start of the line holding image[at], the data starting at begin.
long LineStart(const char* image, long begin, long at) {
    while (at > begin && image[at - 1] != '\n' && image[at - 1] != '\r') --at;
    return at;
}

// The names of a hosts line (its fields after the address, before any comment), from `at` to
// `part`: false if each is the advert host. With `drop`, each copy of the host goes with the
// blanks directly before it and the bytes after it move up; *kept is then where `part` lands.
bool OtherNames(char* image, long at, long part, bool drop, long* kept) {
    bool others = false;
    long keep = at;
    while (at < part) {
        long from = at;
        while (at < part && IsBlank(image[at])) ++at;
        long field = at;
        while (at < part && !IsBlank(image[at])) ++at;
        if (at - field == kHostLength && IsHostAt(image + field)) continue;
        others = others || at > field;
        if (drop) memmove(image + keep, image + from, static_cast<size_t>(at - from));
        keep += at - from;
    }
    *kept = keep;
    return others;
}

}  // namespace

long FindAdvertHost(const char* image, long n) {
    long begin = DataStart(image, n);
    n = DataEnd(image, n);
    // The remover's own line, as it reads and writes lines, wins over a line the user wrote
    // before it; so a lone CR neither starts nor ends it.
    for (long start = begin, end, next; start < n; start = next) {
        FindLine(image, n, start, &end, &next);
        bool removersBounds =
            (start == begin || image[start - 1] == '\n') && (end == n || image[next - 1] == '\n');
        if (removersBounds && IsRemoversLine(image + start, end - start)) {
            return start + kAddressLength;
        }
    }
    for (long start = begin, end, next; start < n; start = next) {
        FindLine(image, n, start, &end, &next);
        long at = NameInLine(image + start, end - start);
        if (at != kNoMatch) return start + at;
    }
    return kNoMatch;
}

EntryCut CutEntryLine(const char* image, long n, long m) {
    long begin = DataStart(image, n);
    if (m < begin || m >= n) return {n, n};

    long start = LineStart(image, begin, m), end, next;
    FindLine(image, DataEnd(image, n), start, &end, &next);
    // The remover puts a line break before its line, which on a file that ended in a line
    // break makes an empty CR LF line, whatever ended the line before: taking it too gives
    // the user back the file they had. Further empty lines go only where the remover's reader
    // sees them as empty, so a CR CR LF line end stays.
    auto emptyCrLfBefore = [image, begin](long at, bool afterLoneCr) {
        return at >= begin + 2 && image[at - 2] == '\r' && image[at - 1] == '\n' &&
               (at == begin + 2 || image[at - 3] == '\n' || (afterLoneCr && image[at - 3] == '\r'));
    };
    if (emptyCrLfBefore(start, true)) {
        start -= 2;
        while (emptyCrLfBefore(start, false)) start -= 2;
    }
    return {start, next};
}

long CutAdvertHost(char* image, long n, long m) {
    long begin = DataStart(image, n);
    if (m < begin || m >= n) return n;
    long start = LineStart(image, begin, m), end, next, part, kept;
    FindLine(image, DataEnd(image, n), start, &end, &next);
    for (part = start; part < end && image[part] != '#';) ++part;
    long address = start;
    while (address < part && IsBlank(image[address])) ++address;
    while (address < part && !IsBlank(image[address])) ++address;
    if (OtherNames(image, address, part, false, &kept)) {
        OtherNames(image, address, part, true, &kept);
        memmove(image + kept, image + part, static_cast<size_t>(n - part));
        return n - (part - kept);
    }
    EntryCut cut = CutEntryLine(image, n, m);
    long tail = cut.tailStart < n ? n - cut.tailStart : 0;
    memmove(image + cut.headLength, image + n - tail, static_cast<size_t>(tail));
    return cut.headLength + tail;
}
