// FindAdvertHost and CutEntryLine on byte strings: where the name is found, and which bytes
// a run with the answer Yes writes back.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "restore/entry_cut.h"
#include "restore_fixtures.h"

namespace {

using restore_test::kEntry;
using restore_test::kHost;
using restore_test::Upper;
using restore_test::Visible;

const std::string CRLF = "\r\n";
const std::string LF = "\n";
const std::string CR = "\r";
const std::string T = "127.0.0.1       localhost";
const std::string U = "::1             localhost";

long Find(const std::string& bytes) {
    return FindAdvertHost(bytes.data(), static_cast<long>(bytes.size()));
}

// The file after one run answered Yes; unchanged when the name is not in it.
std::string Restored(const std::string& before) {
    long n = static_cast<long>(before.size());
    long m = FindAdvertHost(before.data(), n);
    if (m == kNoMatch) return before;
    EntryCut cut = CutEntryLine(before.data(), n, m);
    std::string after = before.substr(0, static_cast<size_t>(cut.headLength));
    if (cut.tailStart < n) after += before.substr(static_cast<size_t>(cut.tailStart));
    return after;
}

struct FindCase {
    const char* name;
    std::string bytes;
    long expected;
};

TEST(FindAdvertHost, FindsTheFirstOccurrenceInAnyLetterCase) {
    long L = static_cast<long>(kHost.size());
    std::string dotless = kHost;
    // Bytes 0x20 apart that are not letters: a blanket "| 0x20" fold would take them as equal.
    for (char& c : dotless) {
        if (c == '.') c = '\x0e';
    }
    const FindCase cases[] = {
        {"empty file", "", kNoMatch},
        {"shorter than the name", kHost.substr(0, kHost.size() - 1), kNoMatch},
        {"name alone", kHost, 0},
        {"name at byte 0", kHost + CRLF + T, 0},
        {"name ending on the last byte", T + CRLF + kEntry, static_cast<long>(T.size() + 2 + 16)},
        {"upper case", T + LF + Upper(kHost), static_cast<long>(T.size() + 1)},
        {"first of two", "x" + kHost + kHost, 1},
        {"broken start, then whole", kHost.substr(0, kHost.size() - 1) + kHost, L - 1},
        {"inside a longer name", "ads." + kHost + ".example", 4},
        {"non-letters are not folded", dotless, kNoMatch},
        {"zero bytes around it", std::string("\0\0", 2) + kHost + std::string("\0", 1), 2},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(Find(c.bytes), c.expected) << c.name << ": " << Visible(c.bytes);
    }
}

TEST(FindAdvertHost, ReadsNoByteBeyondTheImage) {
    // The name cut short by the end of the image, with the rest of it just past the end.
    std::string bytes = T + kHost;
    long shortened = static_cast<long>(bytes.size()) - 1;
    EXPECT_EQ(FindAdvertHost(bytes.data(), shortened), kNoMatch);
    EXPECT_EQ(FindAdvertHost(nullptr, 0), kNoMatch);
}

struct CutCase {
    const char* name;
    std::string before;
    std::string after;
};

void ExpectRestored(const CutCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(Visible(Restored(cases[i].before)), Visible(cases[i].after))
            << cases[i].name << "\n  before: " << Visible(cases[i].before);
    }
}

TEST(CutEntryLine, FilesWithOneKindOfLineEnd) {
    const std::string E = kEntry;
    const CutCase cases[] = {
        {"remover on T CR LF", T + CRLF + CRLF + E + CRLF, T + CRLF},
        {"remover on T without a final break", T + CRLF + E + CRLF, T + CRLF},
        {"hosts file the remover created", CRLF + E + CRLF, ""},
        {"blank lines before go", T + CRLF + CRLF + CRLF + E + CRLF + U + CRLF,
         T + CRLF + U + CRLF},
        {"blank lines after stay", T + CRLF + E + CRLF + CRLF + U + CRLF,
         T + CRLF + CRLF + U + CRLF},
        {"entry first", E + CRLF + U + CRLF, U + CRLF},
        {"only blank lines before", CRLF + CRLF + E + CRLF + U, U},
        {"no final break", T + CRLF + E, T + CRLF},
        {"entry alone", E, ""},
        {"all LF", T + LF + E + LF + U + LF, T + LF + U + LF},
        {"lone-LF blank lines stay", T + LF + LF + LF + E + LF + U + LF, T + LF + LF + LF + U + LF},
        {"all LF, entry first", E + LF + U + LF, U + LF},
        {"trailing blanks go with the line", T + CRLF + E + "   " + CRLF + U + CRLF,
         T + CRLF + U + CRLF},
        {"comment naming the host", T + CRLF + "# keeps " + kHost + " away" + CRLF + U + CRLF,
         T + CRLF + U + CRLF},
        {"longer host ending in it", T + CRLF + "0.0.0.0 ads." + kHost + CRLF + U + CRLF,
         T + CRLF + U + CRLF},
        {"upper case", T + CRLF + Upper(E) + CRLF + U + CRLF, T + CRLF + U + CRLF},
        {"comment before the entry goes first", "# " + kHost + CRLF + E + CRLF, E + CRLF},
        {"twice: one copy stays", T + CRLF + CRLF + E + CRLF + CRLF + E + CRLF,
         T + CRLF + CRLF + E + CRLF},
    };
    ExpectRestored(cases, std::size(cases));
}

// Where the line ends are mixed, or the first line of an all-LF file is short, exactly the
// matched line goes, with its line end and the blank CR LF lines directly before it.
TEST(CutEntryLine, TakesExactlyTheMatchedLineWhateverTheLineEnds) {
    const std::string E = kEntry;
    const CutCase cases[] = {
        {"all LF, one-character first line", "x" + LF + E + LF + U + LF, "x" + LF + U + LF},
        {"all LF, blank first line", LF + E + LF + U + LF, LF + U + LF},
        {"all LF, two blank first lines", LF + LF + E + LF, LF + LF},
        {"one-character lone-LF line after CR LF", T + CRLF + "x" + LF + E + CRLF + U + CRLF,
         T + CRLF + "x" + LF + U + CRLF},
        {"two lone-LF blank lines after CR LF", T + CRLF + LF + LF + E + CRLF + U + CRLF,
         T + CRLF + LF + LF + U + CRLF},
        {"remover on T LF", T + LF + CRLF + E + CRLF, T + LF},
        {"entry ends in a lone LF", T + CRLF + CRLF + E + LF + U + LF, T + CRLF + U + LF},
        {"lone CR ends the matched line", T + CRLF + E + CR + U + CRLF + "z" + CRLF,
         T + CRLF + "z" + CRLF},
        {"lone CR ends the line before", T + CR + E + CRLF + U + CRLF, U + CRLF},
        {"lone CR before the host name", T + CRLF + "0.0.0.0" + CR + kHost + CRLF + U + CRLF,
         T + CRLF + U + CRLF},
        {"CR CR LF ends the matched line", T + CRLF + E + CR + CRLF + U + CRLF,
         T + CRLF + U + CRLF},
        {"CR CR LF line before is not blank", T + CRLF + CR + CRLF + E + CRLF,
         T + CRLF + CR + CRLF},
        {"matched line ends in a lone CR", T + CRLF + E + CR, T + CRLF},
        {"blank CR LF lines after a lone-LF line", T + LF + CRLF + CRLF + E + CRLF + U + LF,
         T + LF + U + LF},
    };
    ExpectRestored(cases, std::size(cases));
}

TEST(CutEntryLine, AMatchOutsideTheImageCutsNothing) {
    std::string bytes = T + CRLF + kEntry + CRLF;
    long n = static_cast<long>(bytes.size());
    for (long m : {-1L, n, n + 5}) {
        EntryCut cut = CutEntryLine(bytes.data(), n, m);
        EXPECT_EQ(cut.headLength, n) << m;
        EXPECT_GE(cut.tailStart, n) << m;
    }
}

// The cut as the original index rules make it, to show that on files whose line ends are
// all CR LF or all LF the results are theirs, apart from the one case they get wrong.
EntryCut IndexRulesCut(const std::string& b, long m) {
    long n = static_cast<long>(b.size());
    long p = m;
    while (p > 0 && b[p] != '\r' && b[p + 1] != '\n') --p;
    while (p >= 2 && b[p - 2] == '\r' && b[p - 1] == '\n') p -= 2;
    long head = p > 0 ? p + 2 : 0;
    while (p < n - 3 && b[p + 2] == '\r' && b[p + 3] == '\n') p += 2;
    ++p;
    while (p < n - 1 && b[p] != '\r' && b[p + 1] != '\n') ++p;
    return {head, p + 2};
}

// A deterministic generator: the same files on every system.
class Lcg {
  public:
    explicit Lcg(uint32_t seed) : state_(seed) {}
    uint32_t Below(uint32_t bound) {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) % bound;
    }

  private:
    uint32_t state_;
};

TEST(CutEntryLine, MatchesTheIndexRulesOnUniformLineEnds) {
    Lcg random(20240611u);
    int compared = 0;
    for (int i = 0; i < 4000; ++i) {
        bool crlf = random.Below(2) == 0;
        const std::string& end = crlf ? CRLF : LF;
        int lines = static_cast<int>(random.Below(7));
        int entryAt = static_cast<int>(random.Below(static_cast<uint32_t>(lines) + 1));
        std::string file;
        for (int line = 0; line <= lines; ++line) {
            if (line == entryAt) {
                file += random.Below(3) == 0 ? "# " + kHost : kEntry;
            } else if (random.Below(3) != 0) {
                // Text lines of one to four characters; no CR, LF or host name.
                file += std::string(1 + random.Below(4), static_cast<char>('a' + random.Below(3)));
            }
            if (line < lines || random.Below(2) == 0) file += end;
        }
        long m = Find(file);
        ASSERT_NE(m, kNoMatch) << Visible(file);
        long start = m;
        while (start > 0 && file[start - 1] != '\n') --start;
        // The index rules' one flaw on such files: an all-LF line starting at byte 1 or 2.
        if (!crlf && (start == 1 || start == 2)) continue;
        EntryCut mine = CutEntryLine(file.data(), static_cast<long>(file.size()), m);
        EntryCut rules = IndexRulesCut(file, m);
        long n = static_cast<long>(file.size());
        EXPECT_EQ(mine.headLength, rules.headLength) << Visible(file);
        EXPECT_EQ(std::min(mine.tailStart, n), std::min(rules.tailStart, n)) << Visible(file);
        ++compared;
    }
    EXPECT_GT(compared, 3000);
}

}  // namespace
