// FindAdvertHost and CutEntryLine on byte strings: which bytes a run answered Yes writes back.

#include <gtest/gtest.h>

#include <string>

#include "restore/entry_cut.h"
#include "restore_fixtures.h"

namespace {

using namespace restore_test;

const std::string CRLF = "\r\n", LF = "\n", CR = "\r", Z = "\x1a";
const std::string T = "127.0.0.1       localhost", U = "::1             localhost";
const std::string E = kEntry;
const std::string kNothing = "(nothing found)";

// The file after one run answered Yes, or kNothing when the name is not found.
std::string Restored(std::string before) {
    long n = static_cast<long>(before.size()), m = FindAdvertHost(before.data(), n);
    if (m == kNoMatch) return kNothing;
    return before.substr(0, static_cast<size_t>(CutAdvertHost(before.data(), n, m)));
}

// Where the name counts: the remover's line first, in any letter case; else a whole name of an
// entry, never the first field, a comment or part of a longer name. What goes: that line with
// its line end (CR LF, a lone LF or a lone CR) and the empty CR LF lines the remover put before
// it. A final Ctrl-Z and a leading byte-order mark are no bytes of a line.
TEST(EntryCut, TakesTheAdvertHostsLineAndTheBlankCrLfLinesBeforeIt) {
    std::string unfolded = kHost;  // '.' and 0x0E differ by 0x20 but are not letters
    for (char& c : unfolded) c = c == '.' ? '\x0e' : c;
    const std::string h = kHost, H = Upper(kHost), x = "0.0.0.0 " + h, bom = "\xef\xbb\xbf";
    const struct {
        const char* name;
        std::string before, after;
    } cases[] = {
        {"empty", "", kNothing},
        {"name cut short", "a " + kHost.substr(1), kNothing},
        {"first field", kHost + " a", kNothing},
        {"first field after blanks", " \t" + kHost + CRLF, kNothing},
        {"only letters fold", "a " + unfolded, kNothing},
        {"inside a longer name", "a b" + kHost + CRLF, kNothing},
        {"longer name", "a " + kHost + ".example.lan", kNothing},
        {"in a comment", "a # " + kHost, kNothing},
        {"Ctrl-Z before the line end is a byte", T + CRLF + E + Z + CRLF, kNothing},
        {"upper case, name ends the file", "a\t" + Upper(kHost), ""},
        {"comment after the name", "a " + kHost + "#x", ""},
        {"two blanks before the name", "a  " + kHost + " b" + CRLF + U, "a b" + CRLF + U},
        {"zero byte as a field", std::string("\0 ", 2) + kHost, ""},
        {"comment line passed over", "# " + kHost + CRLF + "a " + kHost, "# " + kHost + CRLF},
        {"eight blanks: not the remover's line", "a " + kHost + CRLF + "0.0.0.0        " + kHost,
         "0.0.0.0        " + kHost},
        {"trailing blank: not the remover's line", "a " + kHost + CRLF + E + " ", E + " "},
        {"another address as long: not the remover's line",
         "127.0.0.1       " + kHost + CRLF + CRLF + E + CRLF, "127.0.0.1       " + kHost + CRLF},
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
        {"lines ending in lone CRs",
         "127.0.0.1 localhost\r1.2.3.4 myserver\r0.0.0.0 " + kHost + "\r10.0.0.1 nas\r",
         "127.0.0.1 localhost\r1.2.3.4 myserver\r10.0.0.1 nas\r"},
        {"lone CR before and after", T + CR + E + CR + U + CR, T + CR + U + CR},
        {"lone CR before", T + CR + E + CRLF + U + CRLF, T + CR + U + CRLF},
        {"lone CR after", T + CRLF + E + CR + U + CRLF, T + CRLF + U + CRLF},
        {"user's line ended by CR CR LF", T + CRLF + x + CR + CRLF + U + CRLF,
         T + CRLF + CRLF + U + CRLF},
        {"name ended by a lone CR", "a " + kHost + CR + "x" + LF, "x" + LF},
        {"upper-case entry ended by a final lone CR", T + LF + Upper(E) + CR, T + LF},
        {"empty CR LF line after a lone CR goes", T + CRLF + CR + CRLF + E + CRLF, T + CRLF + CR},
        {"final Ctrl-Z stays", T + CRLF + E + Z, T + CRLF + Z},
        {"byte-order mark stays", bom + x + CRLF + T + " # caf\xc3\xa9" + CRLF,
         bom + T + " # caf\xc3\xa9" + CRLF},
        // Of a line naming other hosts too, only the advert host goes.
        {"shared", T + CRLF + "10.0.0.5 intra " + h + " fs # my" + CRLF + U + CRLF,
         T + CRLF + "10.0.0.5 intra fs # my" + CRLF + U + CRLF},
        {"shared, tabs", T + CRLF + "0.0.0.0\t" + H + "\tads\t# x" + CRLF,
         T + CRLF + "0.0.0.0\tads\t# x" + CRLF},
        {"shared, name last", "1.2.3.4 a.test  " + h + CRLF + U + CRLF,
         "1.2.3.4 a.test" + CRLF + U + CRLF},
        {"alone with a comment", T + CRLF + "0.0.0.0 " + h + " # blocked" + CRLF, T + CRLF},
        {"every copy goes", T + CRLF + "1.2.3.4 " + h + " a\t" + H + " b # " + h + CRLF + U,
         T + CRLF + "1.2.3.4 a b # " + h + CRLF + U},
        {"only copies", T + CRLF + "0.0.0.0 " + h + " " + H + CRLF + U + CRLF, T + CRLF + U + CRLF},
    };
    for (const auto& c : cases) EXPECT_EQ(Show(Restored(c.before)), Show(c.after)) << c.name;
}

}  // namespace
