#include "help/uPopupTexts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct TextCase {
    const char* name;
    std::string source;
    uint32_t number;
    std::optional<std::string> expected;
};

const char ControlCharacters[] = ".topic 1\nA\0B\x01" "C\x1b\tD\n";

const std::string TwoTopics = ".topic 101\nThe chart.\n\n.topic 110\nThe help button.\n";

const TextCase Cases[] = {
    {"first of two", TwoTopics, 101, "The chart."},
    {"second of two", TwoTopics, 110, "The help button."},
    {"number not there", TwoTopics, 102, std::nullopt},
    {"empty source", "", 101, std::nullopt},
    {"CRLF line ends", ".topic 5\r\nOne.\r\n.topic 6\r\nTwo.\r\n", 6, "Two."},
    {"lone CR line ends", ".topic 5\rOne.\r.topic 6\rTwo.\r", 5, "One."},
    {"no line end at the end", ".topic 7\nLast", 7, "Last"},
    {"any case and leading blanks", "  .TOPIC\t12\nTwelve.\n", 12, "Twelve."},
    {"several lines, blank lines around dropped, inside kept",
     ".topic 3\n\n\nFirst line.\nSecond line.\n\nNew paragraph.  \n\n\n.topic 4\nx\n", 3,
     "First line.\nSecond line.\n\nNew paragraph."},
    {"text before any topic is no topic's", "Preamble.\n.topic 1\nOne.\n", 1, "One."},
    {"symbolic topic ends the text before it", ".topic 1\nOne.\n.topic IDH_OTHER\nOther.\n", 1, "One."},
    {"symbolic topic is not looked up", ".topic IDH_1\nOther.\n", 1, std::nullopt},
    {"hex is not decimal", ".topic 0x65\nHex.\n", 101, std::nullopt},
    {"hex is not zero either", ".topic 0x65\nHex.\n", 0, std::nullopt},
    {"digits then letters", ".topic 101abc\nNo.\n", 101, std::nullopt},
    {"negative", ".topic -1\nNo.\n", 0xFFFFFFFFu, std::nullopt},
    {"beyond 32 bits does not wrap", ".topic 4294967296\nNo.\n", 0, std::nullopt},
    {"largest number", ".topic 4294967295\nMax.\n", 0xFFFFFFFFu, "Max."},
    {"leading zeros", ".topic 0101\nPadded.\n", 101, "Padded."},
    {"words after the number", ".topic 8 extra\nEight.\n", 8, "Eight."},
    {"zero", ".topic 0\nZero.\n", 0, "Zero."},
    {"'.topical' is text", ".topic 1\nOne.\n.topical 2\nStill one.\n", 1, "One.\n.topical 2\nStill one."},
    {"'.topic' without a key", ".topic 1\nOne.\n.topic\nOrphan.\n", 1, "One."},
    {"empty text counts as none", ".topic 1\n\n.topic 2\nTwo.\n", 1, std::nullopt},
    {"blank-only text counts as none", ".topic 1\n  \t \n", 1, std::nullopt},
    {"first of duplicates", ".topic 9\nFirst.\n.topic 9\nSecond.\n", 9, "First."},
    {"control characters dropped", std::string(ControlCharacters, sizeof(ControlCharacters) - 1), 1, "ABC\tD"},
    {"UTF-8 mark before the first topic", "\xEF\xBB\xBF.topic 1\nOne.\n", 1, "One."},
    {"bytes above 127 kept", ".topic 1\nGr\xFC\xDF" "e.\n", 1, "Gr\xFC\xDF" "e."},
};

}  // namespace

TEST(PopupTexts, FindsTheTextOfANumber)
{
    for (const TextCase& c : Cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindPopupText(c.source, c.number), c.expected);
        EXPECT_EQ(PopupTextFor(c.source, c.number), c.expected.value_or(NoHelpTopicText));
    }
}

TEST(PopupTexts, MissingTextIsTheSystemsNoTopicText)
{
    EXPECT_EQ(PopupTextFor(TwoTopics, 4242), "No help topic is associated with this item.");
}

TEST(PopupTexts, OnlyTheFirstMegabyteIsRead)
{
    std::string source = ".topic 1\nNear.\n";
    source += std::string(MaxPopupSourceBytes - source.size() - 9, '\n');
    source += ".topic 2\nFar.\n";  // ends at the limit: its text lies beyond
    source += ".topic 3\nBeyond.\n";
    EXPECT_EQ(FindPopupText(source, 1), "Near.");
    EXPECT_EQ(FindPopupText(source, 2), std::nullopt);
    EXPECT_EQ(FindPopupText(source, 3), std::nullopt);
}

TEST(PopupTexts, LongTextsAreCut)
{
    const std::string line(3000, 'x');
    const std::string source = ".topic 1\n" + line + "\n" + line + "\n" + line + "\n" + std::string(10000, 'y');
    const std::optional<std::string> text = FindPopupText(source, 1);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size(), MaxPopupTextLength);
    EXPECT_EQ(text->substr(0, 3001), line + "\n");

    const std::string manyBlankLines = ".topic 1\nA\n" + std::string(500000, '\n') + "B\n";
    const std::optional<std::string> spread = FindPopupText(manyBlankLines, 1);
    ASSERT_TRUE(spread);
    EXPECT_LE(spread->size(), MaxPopupTextLength);
    EXPECT_EQ(spread->substr(0, 2), "A\n");
}
