// The console layer: the number format, print zones, line ends, reading a
// reply and the one field reader every prompt uses.
#include "io/console_io.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace chess {
namespace {

struct TestConsole {
    std::istringstream in;
    std::ostringstream out;
    Console con;
    explicit TestConsole(const std::string& input, bool terminal = false) : in(input) {
        con.in = &in;
        con.out = &out;
        con.input_is_terminal = terminal;
    }
};

TEST(NumberFormat, SignPositionDigitsAndOneBlank) {
    EXPECT_EQ(format_number(8), " 8 ");
    EXPECT_EQ(format_number(0), " 0 ");
    EXPECT_EQ(format_number(74), " 74 ");
    EXPECT_EQ(format_number(-37), "-37 ");
    EXPECT_EQ(format_number(-32768), "-32768 ");
    EXPECT_EQ(format_number(32767), " 32767 ");
}

TEST(ConsoleOutput, LinesEndWithCarriageReturnAndLineFeed) {
    TestConsole t("");
    print_text(t.con, "A");
    print_number(t.con, -5);
    print_line(t.con, "B");
    print_line(t.con);
    EXPECT_EQ(t.out.str(), "A-5 B\r\n\r\n");
}

TEST(ConsoleOutput, PrintZonesAreFourteenColumnsWide) {
    TestConsole t("");
    print_text(t.con, "    A B C D E F G H   ");  // 22 characters
    next_print_zone(t.con);
    print_text(t.con, "X");
    EXPECT_EQ(t.out.str(), "    A B C D E F G H         X");
    EXPECT_EQ(t.con.column, 29);

    TestConsole u("");
    print_text(u.con, "ABCDEFGHIJKLM");  // 13: one blank to column 14
    next_print_zone(u.con);
    print_text(u.con, "|");
    print_line(u.con);
    print_text(u.con, "X");  // a new line starts at column 0 again
    next_print_zone(u.con);
    print_text(u.con, "|");
    EXPECT_EQ(u.out.str(), "ABCDEFGHIJKLM |\r\nX             |");
}

// A stream buffer that records what had been written at each flush.
class FlushRecorder : public std::stringbuf {
  public:
    std::vector<std::string> flushed;

  protected:
    int sync() override {
        flushed.push_back(str());
        return 0;
    }
};

TEST(ConsoleOutput, EachPromptMarkAndLineIsFlushedAsPrinted) {
    FlushRecorder buffer;
    std::ostream out(&buffer);
    Console con;
    con.out = &out;
    print_text(con, " 1 ) WHITE TO MOVE ");
    print_line(con, "=====");
    print_text(con, ".");
    print_text(con, ".");
    EXPECT_EQ(buffer.flushed,
              (std::vector<std::string>{" 1 ) WHITE TO MOVE ", " 1 ) WHITE TO MOVE =====\r\n",
                                        " 1 ) WHITE TO MOVE =====\r\n.",
                                        " 1 ) WHITE TO MOVE =====\r\n.."}));
}

TEST(ReadReply, PipedInputGetsALineEndAfterEachReply) {
    TestConsole t("first\nsecond\r\n");
    std::string line;
    print_text(t.con, "Q1 ");
    ASSERT_TRUE(read_reply(t.con, line));
    EXPECT_EQ(line, "first");
    print_text(t.con, "Q2 ");
    ASSERT_TRUE(read_reply(t.con, line));
    EXPECT_EQ(line, "second");  // the CR of a CR LF line is not part of the reply
    EXPECT_EQ(t.out.str(), "Q1 \r\nQ2 \r\n");
    EXPECT_EQ(t.con.column, 0);
}

TEST(ReadReply, TerminalInputIsNotEchoed) {
    TestConsole t("first\n", true);
    std::string line;
    print_text(t.con, "Q1 ");
    ASSERT_TRUE(read_reply(t.con, line));
    EXPECT_EQ(t.out.str(), "Q1 ");
}

TEST(ReadReply, EndOfInputEndsTheConsole) {
    TestConsole t("last");  // a last line without a line end is still a reply
    std::string line;
    ASSERT_TRUE(read_reply(t.con, line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(read_reply(t.con, line));
    EXPECT_TRUE(t.con.ended);
    EXPECT_EQ(line, "");
    // After the end nothing is printed and nothing is read.
    print_line(t.con, "gone");
    EXPECT_EQ(ask_number(t.con, "PROMPT "), 0);
    EXPECT_EQ(ask_text(t.con, "PROMPT "), "");
    EXPECT_EQ(t.out.str(), "\r\n");
}

TEST(ReadReply, EndOfInputAtAPromptPrintsNoLineEnd) {
    TestConsole t("");
    EXPECT_EQ(ask_number(t.con, "    PLAY AS BLACK (1=YES) "), 0);
    EXPECT_TRUE(t.con.ended);
    EXPECT_EQ(t.out.str(), "    PLAY AS BLACK (1=YES) ");
}

TEST(FieldReader, BlanksCommasAndQuotes) {
    EXPECT_EQ(first_field("E2E4"), "E2E4");
    EXPECT_EQ(first_field("   \t E2E4"), "E2E4");
    EXPECT_EQ(first_field("E2E4, E7E5"), "E2E4");
    EXPECT_EQ(first_field("E2 E4  "), "E2 E4  ");  // inner and trailing blanks belong to it
    EXPECT_EQ(first_field("\"A,B.TXT\",rest"), "A,B.TXT");
    EXPECT_EQ(first_field("  \"  QUOTED  \"  after"), "  QUOTED  ");
    EXPECT_EQ(first_field("\"unclosed, quote"), "unclosed, quote");
    EXPECT_EQ(first_field(""), "");
    EXPECT_EQ(first_field(",E2E4"), "");

    std::string_view rest;
    EXPECT_EQ(first_field("-6,E1", &rest), "-6");
    EXPECT_EQ(first_field(rest), "E1");
    EXPECT_EQ(first_field(" \"5\" , G2", &rest), "5");
    EXPECT_EQ(first_field(rest), "G2");
    EXPECT_EQ(first_field("NOCOMMA", &rest), "NOCOMMA");
    EXPECT_EQ(rest, "");
}

TEST(FieldReader, NumbersFromSignAndLeadingDigits) {
    EXPECT_EQ(field_number("1"), 1);
    EXPECT_EQ(field_number("  1"), 1);
    EXPECT_EQ(field_number("\t1"), 1);
    EXPECT_EQ(field_number("+1"), 1);
    EXPECT_EQ(field_number("-1"), -1);
    EXPECT_EQ(field_number("01"), 1);
    EXPECT_EQ(field_number("1X"), 1);
    EXPECT_EQ(field_number("12.7"), 12);
    EXPECT_EQ(field_number("X1"), 0);
    EXPECT_EQ(field_number(""), 0);
    EXPECT_EQ(field_number("-"), 0);
    EXPECT_EQ(field_number("+ 1"), 0);
    EXPECT_EQ(field_number("99999"), 32767);
    EXPECT_EQ(field_number("65537"), 32767);  // saturates, never wraps to 1
    EXPECT_EQ(field_number("32768"), 32767);
    EXPECT_EQ(field_number("-32768"), -32768);
    EXPECT_EQ(field_number("-99999"), -32768);
    EXPECT_EQ(field_number("000000000000000000000007"), 7);
    EXPECT_EQ(field_number("123456789012345678901234567890"), 32767);
}

TEST(FieldReader, AskNumberReadsTheFirstField) {
    TestConsole t("1,5\n  -3 apples\n\"12\"\n");
    EXPECT_EQ(ask_number(t.con, "A "), 1);
    EXPECT_EQ(ask_number(t.con, "B "), -3);
    EXPECT_EQ(ask_number(t.con, "C "), 12);
    EXPECT_EQ(t.out.str(), "A \r\nB \r\nC \r\n");
}

}  // namespace
}  // namespace chess
