#include "restore/entry_cut.h"

#include "build_config.h"

namespace {

constexpr char kAdvertHost[] = QUORVEL_ADVERT_HOST;
constexpr long kHostLength = sizeof kAdvertHost - 1;
static_assert(kHostLength > 0, "the advert host name must not be empty");
// The remover's line: the address and nine blanks before the name.
constexpr char kEntryAddress[] = "0.0.0.0         ";
constexpr long kAddressLength = sizeof kEntryAddress - 1;

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

// The line's content is line[0, length): its line end and one CR before the LF left out.
bool IsRemoversLine(const char* line, long length) {
    if (length != kAddressLength + kHostLength) return false;
    for (long i = 0; i < kAddressLength; ++i) {
        if (line[i] != kEntryAddress[i]) return false;
    }
    return IsHostAt(line + kAddressLength);
}

// The name standing as a whole name of a hosts entry: before any comment, after a blank that
// follows some other field, and ending at a blank, a CR or the comment. So a longer name
// holding it, a comment mentioning it or the address field never counts. Its position, or
// kNoMatch.
long NameInLine(const char* line, long length) {
    long part = 0;
    while (part < length && line[part] != '#') ++part;
    bool fieldBefore = false;  // a non-blank byte somewhere before line[at - 1]
    for (long at = 1; at + kHostLength <= part; ++at) {
        if (at >= 2 && !IsBlank(line[at - 2])) fieldBefore = true;
        long end = at + kHostLength;
        if (fieldBefore && IsBlank(line[at - 1]) && IsHostAt(line + at) &&
            (end == part || IsBlank(line[end]) || line[end] == '\r')) {
            return at;
        }
    }
    return kNoMatch;
}

// The length of the content of the line at start (its bytes before the LF, less one CR at
// their end), and in *next where the following line starts.
long LineContent(const char* image, long n, long start, long* next) {
    long end = start;
    while (end < n && image[end] != '\n') ++end;
    *next = end + 1;
    return end > start && image[end - 1] == '\r' ? end - 1 - start : end - start;
}

}  // namespace

long FindAdvertHost(const char* image, long n) {
    // The remover's own line wins over a line the user wrote before it.
    for (long start = 0, next; start < n; start = next) {
        if (IsRemoversLine(image + start, LineContent(image, n, start, &next))) {
            return start + kAddressLength;
        }
    }
    for (long start = 0, next; start < n; start = next) {
        long at = NameInLine(image + start, LineContent(image, n, start, &next));
        if (at != kNoMatch) return start + at;
    }
    return kNoMatch;
}

EntryCut CutEntryLine(const char* image, long n, long m) {
    if (m < 0 || m >= n) return {n, n};

    long start = m;
    while (start > 0 && image[start - 1] != '\n') --start;
    // The remover puts a line break before its line; on a file that ended in one that makes
    // a blank CR LF line, and taking it too gives the user back the file they had.
    while (start >= 2 && image[start - 1] == '\n' && image[start - 2] == '\r' &&
           (start == 2 || image[start - 3] == '\n')) {
        start -= 2;
    }

    long end = m;
    while (end < n && image[end] != '\n') ++end;
    if (end < n) ++end;
    return {start, end};
}
