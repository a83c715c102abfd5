// The run file: the reader of events and proof lines, and its limits.
#include "run/run_file.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "run/limits.h"
#include "run/run_text.h"

namespace dravik::run {
namespace {

Script Parse(const std::string& text)
{
    std::istringstream in(text);
    return ParseScript(in);
}

TEST(Script, ReadsEventsSkippingBlanksAndComments)
{
    const Script s =
        Parse("# a comment\n\n  1 down 39\r\n1 up 39  \n   # indented comment\n5 reset\n5 clock\n9 down 65535\n");
    ASSERT_FALSE(s.error);
    ASSERT_EQ(s.events.size(), 5U);
    EXPECT_EQ(s.events[0].kind, EventKind::KeyDown);
    EXPECT_EQ(s.events[0].keyCode, 39);
    EXPECT_EQ(s.events[1].kind, EventKind::KeyUp);
    EXPECT_EQ(s.events[2].kind, EventKind::Reset);
    EXPECT_EQ(s.events[3].kind, EventKind::Clock);
    EXPECT_EQ(s.events[3].tick, 5U);
    EXPECT_EQ(s.events[4].keyCode, 65535);
}

TEST(Script, NamesTheFirstBadLine)
{
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"1 jump", "unknown event"},
        {"1 down", "missing key code"},
        {"1 down 39 40", "extra argument"},
        {"1 reset now", "extra argument"},
        {"1 down x", "not a number"},
        {"1 down 65536", "out of range"},
        {"1 down -1", "out of range"},
        {"0 clock", "below 1"},
        {"-3 clock", "below 1"},
        {"abc clock", "not a number"},
        {"99999999999999999999999 clock", "too large"},
        {"7", "missing event"},
    };
    for (const auto& [line, what] : bad) {
        const Script s = Parse("1 down 39\n# fine so far\n" + line + "\n2 up 39\n");
        ASSERT_TRUE(s.error) << line;
        EXPECT_EQ(s.error->line, 3) << line;
        EXPECT_NE(s.error->message.find(what), std::string::npos) << line << " -> " << s.error->message;
        EXPECT_TRUE(s.events.empty());
    }
    const Script backwards = Parse("5 down 39\n4 up 39\n");
    ASSERT_TRUE(backwards.error);
    EXPECT_EQ(backwards.error->line, 2);
    EXPECT_NE(backwards.error->message.find("smaller"), std::string::npos);
}

TEST(Script, GarbageNeverCrashesTheReader)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 200, '\0');
        for (char& c : text) {
            c = static_cast<char>(random() % 4 == 0 ? "0123456789 \n#-updownresetclock"[random() % 30] : random());
        }
        const Script s = Parse(text);
        if (s.error) {
            EXPECT_GE(s.error->line, 1);
            EXPECT_TRUE(s.events.empty());
        }
    }
}

// A hostile input of `size` bytes: `head`, then `unit` over and over, handed
// out 4 KB at a time. Counts what the reader takes and the most heap in use
// while it reads.
class HostileInput : public std::streambuf {
public:
    HostileInput(const std::string& head, const std::string& unit, std::size_t size) : size_(size)
    {
        chunk_ = head;
        while (chunk_.size() < 4096) {
            chunk_ += unit;
        }
        firstHead_ = chunk_;
        chunk_.clear();
        while (chunk_.size() < 4096) {
            chunk_ += unit;
        }
        baseline_ = HeapInUse();
    }
    std::size_t taken = 0;
    std::size_t heapGrowth = 0;

protected:
    int_type underflow() override
    {
        if (taken >= size_) {
            return traits_type::eof();
        }
        std::string& next = taken == 0 ? firstHead_ : chunk_;
        taken += next.size();
        heapGrowth = std::max(heapGrowth, HeapInUse() - std::min(HeapInUse(), baseline_));
        setg(next.data(), next.data(), next.data() + next.size());
        return traits_type::to_int_type(next[0]);
    }

private:
    static std::size_t HeapInUse()
    {
#if defined(__SANITIZE_ADDRESS__)
        return 0;  // the sanitizer keeps its own heap
#else
        return mallinfo2().uordblks;
#endif
    }
    std::size_t size_;
    std::size_t baseline_ = 0;
    std::string firstHead_, chunk_;
};

TEST(Script, StopsAtAHostileLongLineAfterReadingAFewKilobytes)
{
    struct Case {
        std::string head, unit;
        long line;
        std::size_t mostTaken;
    };
    const std::size_t forty = std::size_t{40} << 20;
    const Case cases[] = {
        {"1 down 39", " x", 1, 2 * 4096},                                   // fields without end
        {"", std::string(1, '\0'), 1, 2 * 4096},                            // /dev/zero
        {"1 down 39\n# a comment", " without end", 2, kMaxComment + 8192},  // a comment may be longer, not endless
    };
    for (const Case& c : cases) {
        HostileInput input(c.head, c.unit, forty);
        std::istream in(&input);
        const Script s = ParseScript(in);
        ASSERT_TRUE(s.error) << c.head;
        EXPECT_EQ(s.error->line, c.line) << c.head;
        EXPECT_NE(s.error->message.find("longer than"), std::string::npos) << s.error->message;
        EXPECT_TRUE(s.events.empty());
        EXPECT_LE(input.taken, c.mostTaken) << c.head << ": the reader went on reading the line";
        EXPECT_LT(input.heapGrowth, std::size_t{1} << 20) << c.head << ": the reader kept the line in memory";
    }
    // A line of exactly the longest length is still read.
    EXPECT_FALSE(Parse("1 down 39" + std::string(kMaxLine - 9, ' ') + "\n").error);
}

// The proof a recording carries: hash lines read back as they were
// written, and a file whose tail was tampered with refused.
TEST(Script, ReadsTheProofLinesAndRefusesATamperedTail)
{
    const std::string hash = HashLine(640, 0x0123456789abcdefULL);
    EXPECT_EQ(hash, "# hash 640 0123456789abcdef");
    const Script proved = Parse("1 down 39\n" + hash + "\n641 up 39\n# final {\"tick\": 700, \"x\": [1]}\n# after\n");
    ASSERT_FALSE(proved.error) << proved.error->message;
    ASSERT_EQ(proved.hashes.size(), 1U);
    EXPECT_EQ(proved.hashes[0].tick, 640U);
    EXPECT_EQ(proved.hashes[0].hash, 0x0123456789abcdefULL);
    EXPECT_EQ(proved.hashes[0].line, 2);
    std::string error;
    EXPECT_EQ(RunEnd(proved, error), std::optional<std::uint64_t>(700)) << error;

    // What no recorder writes: each names its line.
    const std::pair<std::string, std::string> bad[] = {
        {"# final {\"tick\": 5}\n6 down 39\n", "line 2: nothing but comments may follow"},
        {"1 clock\n# final {\"tick\": 5}\n# final {\"tick\": 5}\n", "line 3: a second"},
        {"# hash 640 0123\n", "line 1: a \"# hash\" line is"},
        {"# hash 0 0123456789abcdef\n", "below 1"},
        {"# hash 640 0123456789abcdef\n# hash 640 0123456789abcdef\n", "line 2: the hash's tick 640 does not come"},
        {"007 down 39\n", "not plain"},
        {"+5 down 39\n", "not plain"},
        {"1 down 037\n", "not plain"},
    };
    for (const auto& [text, what] : bad) {
        const Script s = Parse(text);
        ASSERT_TRUE(s.error) << text;
        const std::string said = "line " + std::to_string(s.error->line) + ": " + s.error->message;
        EXPECT_NE(said.find(what), std::string::npos) << text << " -> " << said;
    }
    // Events or hashes beyond the final tick: a recording ends at most one
    // tick before the player's last events.
    for (const std::string text :
         {"9 down 39\n# final {\"tick\": 7}\n", "# hash 640 0123456789abcdef\n# final {\"tick\": 7}\n"}) {
        EXPECT_FALSE(RunEnd(Parse(text), error)) << text;
        EXPECT_NE(error.find("after the final tick 7"), std::string::npos) << error;
    }
    EXPECT_EQ(RunEnd(Parse("8 up 39\n# final {\"tick\": 7}\n"), error), std::optional<std::uint64_t>(7));
    // The tick is read wherever the final line's object holds it, as JSON would.
    EXPECT_EQ(FinalTick({1, R"( { "keys" : "0,}\"" , "balls": {"a": [[1, 2]]}, "tick" : 12 } )"}, error),
              std::optional<std::uint64_t>(12))
        << error;
    for (const std::string state :
         {"nonsense", R"({"tick": -1})", R"({"tick": 1e3})", R"({"ticks": 5})", R"({"tick": 100000001})"}) {
        EXPECT_FALSE(FinalTick({4, state}, error)) << state;
        EXPECT_TRUE(error.starts_with("line 4: ")) << error;
    }
}

}  // namespace
}  // namespace dravik::run
