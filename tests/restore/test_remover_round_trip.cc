// The two programs against each other on many generated hosts files: what the remover
// appends, the restore tool takes out again.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "remover/patch_sequence.h"
#include "restore/entry_cut.h"
#include "restore_fixtures.h"

namespace {

using namespace restore_test;

class QuietPatchSink final : public PatchSink {
  public:
    void SetStatus(int, const char*) override {}
    void Pause(unsigned) override {}
    void Enable(int) override {}
    void Message(const char*, const char*) override {}
    void End(int) override {}
};

// Deterministic everywhere, unlike the standard distributions.
uint32_t Below(uint32_t& state, uint32_t bound) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % bound;
}

// Text and blank lines, CR LF or LF ends or both, a lone CR inside a line now and then,
// sometimes no final line break, sometimes a final Ctrl-Z.
std::string GenerateHostsFile(uint32_t& state) {
    static const char kText[] = "abcdefghijklmnopqrstuvwxyz0123456789 .#:\t-";
    uint32_t style = Below(state, 3);  // CR LF, LF, mixed
    std::string file;
    for (uint32_t line = 0, lines = Below(state, 6); line < lines; ++line) {
        if (Below(state, 4) != 0) {
            for (uint32_t i = 0, n = 1 + Below(state, 30); i < n; ++i) {
                file += kText[Below(state, sizeof kText - 1)];
            }
            if (Below(state, 12) == 0) file.insert(file.size() - 1, "\r");
        }
        if (line == lines - 1 && Below(state, 4) == 0) break;
        file += style == 0 || (style == 2 && Below(state, 2) == 0) ? "\r\n" : "\n";
    }
    if (Below(state, 6) == 0) file += '\x1a';
    return file;
}

TEST(RemoverRoundTrip, WhatTheRemoverAppendsIsRemovedAgain) {
    ScratchDir dir("round-trip");
    uint32_t state = 0x5eed1234u;
    int byteForByte = 0;
    for (int i = 0; i < 300; ++i) {
        std::string original = GenerateHostsFile(state);
        if (FindAdvertHost(original.data(), static_cast<long>(original.size())) != kNoMatch) {
            continue;
        }
        SCOPED_TRACE(Visible(original));
        std::string hosts = dir.UseLayout(Below(state, 2) + 1);
        std::remove(hosts.c_str());
        if (!original.empty() || Below(state, 2) == 0) {
            ASSERT_TRUE(WriteBytes(hosts, original));
        }

        QuietPatchSink patchSink;
        RunPatchSequence(patchSink);
        std::string kept = original;  // the remover cuts a final Ctrl-Z
        if (!kept.empty() && kept.back() == '\x1a') kept.pop_back();
        ASSERT_EQ(Visible(ReadBytes(hosts)), Visible(kept + "\r\n" + kEntry + "\r\n"));

        RecordingSink sink(IDYES);
        RunRestore(sink);
        ASSERT_EQ(sink.shown.back(), "0x40 Vantrel: Adverts has ben restored!");
        // Back as it was, less blank CR LF lines at its end, or with a CR LF after a last
        // line that had no line break.
        std::string expected = kept;
        if (!kept.empty() && kept.back() != '\n') expected += "\r\n";
        while (expected.size() >= 2 && expected.compare(expected.size() - 2, 2, "\r\n") == 0 &&
               (expected.size() == 2 || expected[expected.size() - 3] == '\n')) {
            expected.resize(expected.size() - 2);
        }
        EXPECT_EQ(Visible(ReadBytes(hosts)), Visible(expected));
        size_t n = kept.size();
        if (n == 0 || (n >= 3 && kept.compare(n - 2, 2, "\r\n") == 0 && kept[n - 3] != '\n')) {
            EXPECT_EQ(Visible(ReadBytes(hosts)), Visible(kept));
            ++byteForByte;
        }
    }
    plat::SetSystemLayout(nullptr);
    EXPECT_GT(byteForByte, 60);  // the headline case came up often enough to mean something
}

}  // namespace
