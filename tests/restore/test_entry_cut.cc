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

// The remover's line first, in any letter case and with a CR before its LF; else a whole name
// of an entry, never the first field, a comment or part of a longer name.
TEST(FindAdvertHost, FindsTheRemoversLineElseTheNameAsAWholeHostName) {
    // Where the name starts: after "a "; in E after T CR LF; on the line after "a " host CR LF.
    const long user = 2, second = static_cast<long>(T.size() + 2 + 16);
    const long next = static_cast<long>(kHost.size() + 4);
    std::string unfolded = kHost;  // '.' and 0x0E differ by 0x20 but are not letters
    for (char& c : unfolded) c = c == '.' ? '\x0e' : c;
    const struct {
        std::string bytes;
        long expected;
    } cases[] = {
        {"", kNoMatch},
        {"a " + kHost.substr(1), kNoMatch},
        {kHost + " a", kNoMatch},          // the first field
        {" \t" + kHost + CRLF, kNoMatch},  // still the first field
        {"a " + unfolded, kNoMatch},
        {"a b" + kHost + CRLF, kNoMatch},  // inside a longer name
        {"a " + kHost + ".example.lan", kNoMatch},
        {"a # " + kHost, kNoMatch},    // in a comment
        {"a\t" + Upper(kHost), user},  // ends on the last byte
        {"a " + kHost + "#x", user},
        {"a " + kHost + CR + "x" + LF, user},
        {"a  " + kHost + " b" + CRLF, 3},
        {std::string("\0 ", 2) + kHost, user},
        {T + CRLF + E, second},
        {T + LF + Upper(E) + CR, static_cast<long>(T.size() + 1 + 16)},
        {"a\t" + kHost + CRLF + E + CRLF, next + 16},
        {"# " + kHost + CRLF + "a " + kHost, next + 2},
        {"a " + kHost + CRLF + "0.0.0.0        " + kHost, user},  // eight blanks: not the entry
        {"a " + kHost + CRLF + E + " ", user},
    };
    for (const auto& c : cases) EXPECT_EQ(Find(c.bytes), c.expected) << Show(c.bytes);
}

// The file after one run answered Yes.
std::string Restored(const std::string& before) {
    long n = static_cast<long>(before.size());
    EntryCut cut = CutEntryLine(before.data(), n, Find(before));
    return before.substr(0, cut.headLength) +
           (cut.tailStart < n ? before.substr(cut.tailStart) : "");
}

// All-CR LF and all-LF files first, then the mended cases: mixed line ends, lone CRs and short
// first lines, where exactly the matched line goes with its line end and the blank CR LF lines
// directly before it.
TEST(CutEntryLine, TakesTheMatchedLineAndTheBlankCrLfLinesBeforeIt) {
    const struct {
        const char* name;
        std::string before, after;
    } cases[] = {
        {"remover on T CR LF", T + CRLF + CRLF + E + CRLF, T + CRLF},
        {"remover on T, no final break", T + CRLF + E + CRLF, T + CRLF},
        {"file the remover created", CRLF + E + CRLF, ""},
        {"blank lines before go", T + CRLF + CRLF + CRLF + E + CRLF + U + CRLF,
         T + CRLF + U + CRLF},
        {"blank lines after stay", T + CRLF + E + CRLF + CRLF + U + CRLF,
         T + CRLF + CRLF + U + CRLF},
        {"entry first", E + CRLF + U + CRLF, U + CRLF},
        {"no final break", T + CRLF + E, T + CRLF},
        {"comment naming the host stays", T + CRLF + "# " + kHost + " off" + CRLF + CRLF + E + CRLF,
         T + CRLF + "# " + kHost + " off" + CRLF},
        {"user's line before the remover's stays",
         T + CRLF + "0.0.0.0\t" + kHost + CRLF + CRLF + E + CRLF,
         T + CRLF + "0.0.0.0\t" + kHost + CRLF},
        {"another address", "127.0.0.1 " + kHost + CRLF + U + CRLF, U + CRLF},
        {"twice: one copy stays", T + CRLF + CRLF + E + CRLF + CRLF + E + CRLF,
         T + CRLF + CRLF + E + CRLF},
        {"all LF", T + LF + E + LF + U + LF, T + LF + U + LF},
        {"all LF, blank lines stay", T + LF + LF + LF + E + LF + U + LF, T + LF + LF + LF + U + LF},
        {"all LF, one-character first line", "x" + LF + E + LF + U + LF, "x" + LF + U + LF},
        {"all LF, blank first line", LF + E + LF + U + LF, LF + U + LF},
        {"short LF line after CR LF", T + CRLF + "x" + LF + E + CRLF, T + CRLF + "x" + LF},
        {"LF blanks after CR LF", T + CRLF + LF + LF + E + CRLF + U + CRLF,
         T + CRLF + LF + LF + U + CRLF},
        {"remover on T LF", T + LF + CRLF + E + CRLF, T + LF},
        {"entry ends in a lone LF", T + CRLF + CRLF + E + LF + U + LF, T + CRLF + U + LF},
        {"lone CR inside the matched line", T + CRLF + E + CR + U + CRLF + "z" + CRLF,
         T + CRLF + "z" + CRLF},
        {"lone CR before the matched line", T + CR + E + CRLF + U + CRLF, U + CRLF},
        {"CR CR LF line is not blank", T + CRLF + CR + CRLF + E + CRLF, T + CRLF + CR + CRLF},
    };
    for (const auto& c : cases) EXPECT_EQ(Show(Restored(c.before)), Show(c.after)) << c.name;
}

}  // namespace
