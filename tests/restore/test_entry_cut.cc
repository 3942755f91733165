// FindAdvertHost and CutEntryLine on byte strings: where the name is found, and which bytes
// a run answered Yes writes back.

#include <gtest/gtest.h>

#include <string>

#include "restore/entry_cut.h"
#include "restore_fixtures.h"

namespace {

using namespace restore_test;

const std::string CRLF = "\r\n", LF = "\n", CR = "\r";
const std::string T = "127.0.0.1       localhost", U = "::1             localhost";
const std::string E = kEntry;

long Find(const std::string& bytes) {
    return FindAdvertHost(bytes.data(), static_cast<long>(bytes.size()));
}

TEST(FindAdvertHost, FindsTheFirstOccurrenceInAnyLetterCase) {
    std::string unfolded = kHost;  // '.' and 0x0E differ by 0x20 but are not letters
    for (char& c : unfolded) c = c == '.' ? '\x0e' : c;
    const struct {
        std::string bytes;
        long expected;
    } cases[] = {
        {"", kNoMatch},
        {kHost.substr(1), kNoMatch},
        {kHost, 0},
        {T + CRLF + E, static_cast<long>(T.size() + 2 + 16)},  // ends on the last byte
        {T + LF + Upper(kHost), static_cast<long>(T.size() + 1)},
        {"x" + kHost + kHost, 1},
        {kHost.substr(0, kHost.size() - 1) + kHost, static_cast<long>(kHost.size() - 1)},
        {unfolded, kNoMatch},
        {std::string("\0\0", 2) + kHost, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(Find(c.bytes), c.expected) << Visible(c.bytes);
}

// The file after one run answered Yes.
std::string Restored(const std::string& before) {
    long n = static_cast<long>(before.size());
    EntryCut cut = CutEntryLine(before.data(), n, Find(before));
    return before.substr(0, cut.headLength) +
           (cut.tailStart < n ? before.substr(cut.tailStart) : "");
}

struct CutCase {
    const char* name;
    std::string before, after;
};

TEST(CutEntryLine, FilesWithOneKindOfLineEnd) {
    const CutCase cases[] = {
        {"remover on T CR LF", T + CRLF + CRLF + E + CRLF, T + CRLF},
        {"remover on T, no final break", T + CRLF + E + CRLF, T + CRLF},
        {"file the remover created", CRLF + E + CRLF, ""},
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
        {"trailing blanks", T + CRLF + E + "   " + CRLF + U + CRLF, T + CRLF + U + CRLF},
        {"comment naming the host", T + CRLF + "# " + kHost + " off" + CRLF + U + CRLF,
         T + CRLF + U + CRLF},
        {"longer host name", "0.0.0.0 ads." + kHost + CRLF + U + CRLF, U + CRLF},
        {"upper case", T + CRLF + Upper(E) + CRLF, T + CRLF},
        {"comment before the entry goes first", "# " + kHost + CRLF + E + CRLF, E + CRLF},
        {"twice: one copy stays", T + CRLF + CRLF + E + CRLF + CRLF + E + CRLF,
         T + CRLF + CRLF + E + CRLF},
    };
    for (const CutCase& c : cases) {
        EXPECT_EQ(Visible(Restored(c.before)), Visible(c.after)) << c.name;
    }
}

// Mixed line ends, lone CRs, and short first lines of all-LF files: exactly the matched
// line goes, with its line end and the blank CR LF lines directly before it.
TEST(CutEntryLine, TakesExactlyTheMatchedLineWhateverTheLineEnds) {
    const CutCase cases[] = {
        {"all LF, one-character first line", "x" + LF + E + LF + U + LF, "x" + LF + U + LF},
        {"all LF, blank first line", LF + E + LF + U + LF, LF + U + LF},
        {"all LF, two blank first lines", LF + LF + E + LF, LF + LF},
        {"short lone-LF line after CR LF", T + CRLF + "x" + LF + E + CRLF, T + CRLF + "x" + LF},
        {"lone-LF blanks after CR LF", T + CRLF + LF + LF + E + CRLF + U + CRLF,
         T + CRLF + LF + LF + U + CRLF},
        {"remover on T LF", T + LF + CRLF + E + CRLF, T + LF},
        {"entry ends in a lone LF", T + CRLF + CRLF + E + LF + U + LF, T + CRLF + U + LF},
        {"lone CR inside the matched line", T + CRLF + E + CR + U + CRLF + "z" + CRLF,
         T + CRLF + "z" + CRLF},
        {"lone CR inside the line", T + CR + E + CRLF + U + CRLF, U + CRLF},
        {"lone CR before the name", T + CRLF + "0.0.0.0" + CR + kHost + CRLF + U + CRLF,
         T + CRLF + U + CRLF},
        {"CR CR LF ends the matched line", T + CRLF + E + CR + CRLF + U + CRLF,
         T + CRLF + U + CRLF},
        {"CR CR LF line is not blank", T + CRLF + CR + CRLF + E + CRLF, T + CRLF + CR + CRLF},
        {"last line ends in a lone CR", T + CRLF + E + CR, T + CRLF},
    };
    for (const CutCase& c : cases) {
        EXPECT_EQ(Visible(Restored(c.before)), Visible(c.after)) << c.name;
    }
}

}  // namespace
