// The two programs against each other: what the remover appends to a hosts file, the
// restore tool takes out again, on many generated files.

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

// Lines of hosts-file text, blank lines, CR LF or LF ends (or both), sometimes a lone CR
// inside a line, sometimes no final line break, sometimes a final Ctrl-Z.
std::string GenerateHostsFile(Lcg& random) {
    static const char kText[] = "abcdefghijklmnopqrstuvwxyz0123456789 .#:\t-";
    int style = static_cast<int>(random.Below(3));  // 0 CR LF, 1 LF, 2 mixed
    int lines = static_cast<int>(random.Below(6));
    std::string file;
    for (int line = 0; line < lines; ++line) {
        if (random.Below(4) != 0) {
            int length = 1 + static_cast<int>(random.Below(30));
            for (int i = 0; i < length; ++i) file += kText[random.Below(sizeof kText - 1)];
            if (random.Below(12) == 0) file.insert(file.size() - 1, "\r");
        }
        bool last = line == lines - 1;
        if (last && random.Below(4) == 0) break;
        bool crlf = style == 0 || (style == 2 && random.Below(2) == 0);
        file += crlf ? "\r\n" : "\n";
    }
    if (random.Below(6) == 0) file += '\x1a';
    return file;
}

bool EndsInCrLfAfterANonBlankLine(const std::string& file) {
    size_t n = file.size();
    return n >= 3 && file.compare(n - 2, 2, "\r\n") == 0 && file[n - 3] != '\n';
}

// What the tool gives back of a file the remover patched: the file as it was, less blank
// CR LF lines at its end, or with a CR LF added where its last line had no line break.
std::string ExpectedBack(std::string original) {
    if (original.empty()) return original;
    if (original.back() != '\n') return original + "\r\n";
    while (original.size() >= 2 && original.compare(original.size() - 2, 2, "\r\n") == 0 &&
           (original.size() == 2 || original[original.size() - 3] == '\n')) {
        original.resize(original.size() - 2);
    }
    return original;
}

TEST(RemoverRoundTrip, WhatTheRemoverAppendsIsRemovedAgain) {
    ScratchDir dir("round-trip");
    Lcg random(0x5eed1234u);
    int byteForByte = 0;
    for (int i = 0; i < 300; ++i) {
        std::string original = GenerateHostsFile(random);
        if (FindAdvertHost(original.data(), static_cast<long>(original.size())) != kNoMatch) {
            continue;
        }
        SCOPED_TRACE("file " + std::to_string(i) + ": " + Visible(original));
        DWORD platformId = random.Below(2) == 0 ? 1 : 2;
        std::string hosts = UseLayout(dir, platformId);
        bool exists = !original.empty() || random.Below(2) == 0;
        std::remove(hosts.c_str());
        if (exists) {
            ASSERT_TRUE(WriteBytes(hosts, original));
        }

        g_patched = 0;
        QuietPatchSink patchSink;
        RunPatchSequence(patchSink);
        ASSERT_EQ(g_patched, 1);
        std::string kept = original;
        if (!kept.empty() && kept.back() == '\x1a') kept.pop_back();
        std::string patched;
        ASSERT_TRUE(ReadBytes(hosts, &patched));
        ASSERT_EQ(Visible(patched), Visible(kept + "\r\n" + kEntry + "\r\n"));

        RecordingSink sink(IDYES);
        RunRestore(sink);
        ASSERT_EQ(sink.shown.size(), 2u);
        EXPECT_EQ(sink.shown[1].text, kRestored);
        std::string back;
        ASSERT_TRUE(ReadBytes(hosts, &back));
        EXPECT_EQ(Visible(back), Visible(ExpectedBack(kept)));
        if (kept.empty() || EndsInCrLfAfterANonBlankLine(kept)) {
            EXPECT_EQ(Visible(back), Visible(kept));
            ++byteForByte;
        }
    }
    plat::SetSystemLayout(nullptr);
    // The headline case must have come up often enough to mean something.
    EXPECT_GT(byteForByte, 60);
}

}  // namespace
