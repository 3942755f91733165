// FindAdvertHost and CutEntryLine on byte strings: which bytes a run answered Yes writes back.

#include <gtest/gtest.h>

#include <string>

#include "build_config.h"
#include "restore/entry_cut.h"
#include "tests/support/test_files.h"

namespace {

using testfiles::Show;

const std::string CRLF = "\r\n", LF = "\n", CR = "\r", Z = "\x1a", bom = "\xef\xbb\xbf";
const std::string T = "127.0.0.1       localhost", U = "::1             localhost";
const std::string h = QUORVEL_ADVERT_HOST, E = "0.0.0.0         " + h, kNothing = "(nothing found)";

// Where the name counts: the remover's line first, in any letter case; else a whole name of an
// entry, never the first field, a comment or part of a longer name. What goes: that line with
// its line end (CR LF, a lone LF or a lone CR) and the empty CR LF lines the remover put before
// it. A final Ctrl-Z and a leading byte-order mark are no bytes of a line.
TEST(EntryCut, TakesTheAdvertHostsLineAndTheBlankCrLfLinesBeforeIt) {
    std::string unfolded = h, H = h;  // '.' and 0x0E differ by 0x20 but are not letters
    for (char& c : unfolded) c = c == '.' ? '\x0e' : c;
    for (char& c : H) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    // A: what the remover appends to a file that ends in a line break; x, l16: users' lines.
    const std::string A = CRLF + E + CRLF, x = "0.0.0.0 " + h, l16 = "127.0.0.1       " + h;
    const struct {
        const char* name;
        std::string before, after;
    } cases[] = {
        {"empty", "", kNothing},
        {"name cut short", "a " + h.substr(1), kNothing},
        {"first field after blanks", " \t" + h + CRLF, kNothing},
        {"only letters fold", "a " + unfolded, kNothing},
        {"inside a longer name", "a b" + h + CRLF, kNothing},
        {"longer name", "a " + h + ".example.lan", kNothing},
        {"Ctrl-Z before the line end is a byte", T + CRLF + E + Z + CRLF, kNothing},
        {"upper case, name ends the file", "a\t" + H, ""},
        {"two blanks before the name", "a  " + h + " b" + CRLF + U, "a b" + CRLF + U},
        {"zero byte as a field", std::string("\0 ", 2) + h, ""},
        {"comment line passed over", "# " + h + CRLF + "a " + h, "# " + h + CRLF},
        // The remover's line is its entry byte for byte, wherever a user's line stands.
        {"trailing blank", "a " + h + CRLF + E + " ", E + " "},
        {"another address as long", l16 + CRLF + A, l16 + CRLF},
        {"remover on T CR LF", T + CRLF + A, T + CRLF},
        {"remover on T, no final break", T + A, T + CRLF},
        {"file the remover created", A, ""},
        {"blank lines before go", T + CRLF + CRLF + A + U + CRLF, T + CRLF + U + CRLF},
        {"blank lines after stay", T + A + CRLF + U + CRLF, T + CRLF + CRLF + U + CRLF},
        {"entry first", E + CRLF + U + CRLF, U + CRLF},
        {"no final break", T + CRLF + E, T + CRLF},
        {"twice: one copy stays", T + CRLF + A + A, T + CRLF + A},
        {"all LF, blank lines stay", T + LF + LF + LF + E + LF + U + LF, T + LF + LF + LF + U + LF},
        {"short LF line after CR LF", T + CRLF + "x" + LF + E + CRLF, T + CRLF + "x" + LF},
        {"entry ends in a lone LF", T + CRLF + CRLF + E + LF + U + LF, T + CRLF + U + LF},
        {"lines ending in lone CRs", T + CR + x + CR + U + CR, T + CR + U + CR},
        {"lone CR before", T + CR + E + CRLF + U + CRLF, T + CR + U + CRLF},
        {"user's line ended by CR CR LF", T + CRLF + x + CR + CRLF + U, T + CRLF + CRLF + U},
        {"name ended by a lone CR", "a " + h + CR + "x" + LF, "x" + LF},
        {"upper-case entry ended by a final lone CR", T + LF + "0.0.0.0         " + H + CR, T + LF},
        {"empty CR LF line after a lone CR goes", T + CRLF + CR + A, T + CRLF + CR},
        {"final Ctrl-Z stays", T + CRLF + E + Z, T + CRLF + Z},
        {"byte-order mark stays", bom + x + CRLF + "# caf\xc3\xa9", bom + "# caf\xc3\xa9"},
        // Of a line naming other hosts too, only the advert host goes.
        {"shared", "1.2.3.4 in " + h + " fs # my" + CRLF + U, "1.2.3.4 in fs # my" + CRLF + U},
        {"shared, tabs", "0.0.0.0\t" + H + "\tads\t# x" + CRLF, "0.0.0.0\tads\t# x" + CRLF},
        {"shared, name last", "1.2.3.4 a.test  " + h + CRLF + U, "1.2.3.4 a.test" + CRLF + U},
        {"alone with a comment", T + CRLF + "0.0.0.0 " + h + " # blocked" + CRLF, T + CRLF},
        {"every copy goes", "1.2.3.4 " + h + " a\t" + H + " b # " + h + CRLF + U,
         "1.2.3.4 a b # " + h + CRLF + U},
        {"only copies", T + CRLF + "0.0.0.0 " + h + " " + H + CRLF + U + CRLF, T + CRLF + U + CRLF},
    };
    for (const auto& c : cases) {  // the file after one run answered Yes
        std::string bytes = c.before;
        long n = static_cast<long>(bytes.size()), m = FindAdvertHost(bytes.data(), n);
        if (m != kNoMatch) bytes.resize(static_cast<size_t>(CutAdvertHost(bytes.data(), n, m)));
        EXPECT_EQ(Show(m == kNoMatch ? kNothing : bytes), Show(c.after)) << c.name;
    }
}

}  // namespace
