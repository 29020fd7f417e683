#include "app/dialogue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace {

constexpr std::int32_t Max32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Min32 = std::numeric_limits<std::int32_t>::min();

// A temporary stream holding `text`, positioned at its start.
std::FILE* StreamOf(const std::string& text) {
  std::FILE* f = std::tmpfile();
  if (f == nullptr) return nullptr;
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  return f;
}

std::string Rest(std::FILE* f) {
  std::string rest;
  for (int c = std::getc(f); c != EOF; c = std::getc(f)) rest.push_back(static_cast<char>(c));
  return rest;
}

struct EntryCase {
  const char* name;  // the test's name: what the case checks
  const char* input;
  EntryOutcome outcome;
  std::int32_t value;  // checked unless Invalid
  const char* rest;    // what the next read would see
};

class ReadEntryCases : public testing::TestWithParam<EntryCase> {};

TEST_P(ReadEntryCases, ConvertsLikeDecimalScanAndLeavesTheRightRest) {
  const EntryCase& c = GetParam();
  std::FILE* f = StreamOf(c.input);
  ASSERT_NE(f, nullptr);
  const Entry e = ReadEntry(f);
  EXPECT_EQ(e.outcome, c.outcome);
  if (c.outcome != EntryOutcome::Invalid) {
    EXPECT_EQ(e.value, c.value);
  }
  EXPECT_EQ(Rest(f), c.rest);
  std::fclose(f);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, ReadEntryCases,
    testing::Values(
        // Accepted range and what stays unread after a number.
        EntryCase{"Accepted_LineEndLeftUnread", "42\n", EntryOutcome::Accepted, 42, "\n"},
        EntryCase{"LowestAccepted_NoLineEnd", "1", EntryOutcome::Accepted, 1, ""},
        EntryCase{"HighestAccepted", "499\n", EntryOutcome::Accepted, 499, "\n"},
        EntryCase{"PlusSign_RestOfLineLeft", "+5 x\n", EntryOutcome::Accepted, 5, " x\n"},
        EntryCase{"LeadingZeros", "007\n", EntryOutcome::Accepted, 7, "\n"},
        EntryCase{"SkipsBlankLines_StopsAtLetter", " \t\n\n  12abc\n", EntryOutcome::Accepted, 12, "abc\n"},
        EntryCase{"SecondNumberLeftForNextRead", "12 34\n", EntryOutcome::Accepted, 12, " 34\n"},
        // Numbers outside 1..499.
        EntryCase{"Zero_OutOfRange", "0\n", EntryOutcome::OutOfRange, 0, "\n"},
        EntryCase{"MinusZero_OutOfRange", "-0\n", EntryOutcome::OutOfRange, 0, "\n"},
        EntryCase{"WindowSize500_OutOfRange", "500\n", EntryOutcome::OutOfRange, 500, "\n"},
        EntryCase{"MinusOne_OutOfRange", "-1\n", EntryOutcome::OutOfRange, -1, "\n"},
        EntryCase{"Int32Max_OutOfRange", "2147483647\n", EntryOutcome::OutOfRange, Max32, "\n"},
        EntryCase{"Int32Min_OutOfRange", "-2147483648\n", EntryOutcome::OutOfRange, Min32, "\n"},
        // Beyond 32 bits: saturated, and every digit consumed.
        EntryCase{"AboveInt32_SaturatesHigh", "2147483648\n", EntryOutcome::OutOfRange, Max32, "\n"},
        EntryCase{"BelowInt32_SaturatesLow", "-2147483649\n", EntryOutcome::OutOfRange, Min32, "\n"},
        EntryCase{"Huge_EveryDigitConsumed", "99999999999 7\n", EntryOutcome::OutOfRange, Max32, " 7\n"},
        EntryCase{"HugeNegative_EveryDigitConsumed", "-99999999999\n3\n", EntryOutcome::OutOfRange, Min32, "\n3\n"},
        EntryCase{"Beyond64Bits_SaturatesHigh", "18446744073709551617123456789\n", EntryOutcome::OutOfRange, Max32, "\n"},
        // Nothing numeric: the rest of that line is dropped, later lines kept.
        EntryCase{"Letters_LineDropped", "abc\n42\n", EntryOutcome::Invalid, 0, "42\n"},
        EntryCase{"LetterBeforeDigits_LineDropped", "  x1 2 3\n8\n", EntryOutcome::Invalid, 0, "8\n"},
        EntryCase{"LoneMinus_LineDropped", "-\n5\n", EntryOutcome::Invalid, 0, "5\n"},
        EntryCase{"SpaceAfterSign_LineDropped", "- 5\n6\n", EntryOutcome::Invalid, 0, "6\n"},
        EntryCase{"TwoSigns_LineDropped", "+-3\n", EntryOutcome::Invalid, 0, ""},
        EntryCase{"LettersWithoutLineEnd_Invalid", "abc", EntryOutcome::Invalid, 0, ""},
        // End of input, with or without white space before it.
        EntryCase{"EmptyInput_Invalid", "", EntryOutcome::Invalid, 0, ""},
        EntryCase{"OnlyWhiteSpace_Invalid", " \n\t\n", EntryOutcome::Invalid, 0, ""},
        EntryCase{"LoneMinusAtEnd_Invalid", "-", EntryOutcome::Invalid, 0, ""}),
    [](const testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.name); });

TEST(Dialogue, EndOfInputIsFinalEvenIfMoreArrivesLater) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ReadEntry(f).outcome, EntryOutcome::Invalid);
  // Text that appears after the end was seen is not waited for or read: a
  // closed console must not turn every later dialogue into a blocking read.
  const long at = std::ftell(f);
  std::FILE* writer = std::fopen(("/proc/self/fd/" + std::to_string(fileno(f))).c_str(), "a");
  ASSERT_NE(writer, nullptr);
  std::fputs("5\n", writer);
  std::fclose(writer);
  EXPECT_EQ(ReadEntry(f).outcome, EntryOutcome::Invalid);
  EXPECT_EQ(ReadEntry(f).outcome, EntryOutcome::Invalid);
  EXPECT_EQ(std::ftell(f), at);
  std::fclose(f);
}

}  // namespace
