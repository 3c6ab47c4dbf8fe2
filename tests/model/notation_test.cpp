// Square and move arithmetic, move text conversion and flag words.
#include "model/notation.h"

#include <gtest/gtest.h>

#include <string>

#include "model/board.h"
#include "movegen/generate.h"
#include "support/session.h"

namespace chess {
namespace {

TEST(MoveText, CoordinateTextGivesFromAndToCells) {
    std::string t = "E2E4";
    EXPECT_EQ(text_to_move(t), 57 * 100 + 55);
    EXPECT_EQ(t, "E2E4");

    std::string castle = "E1G1";
    EXPECT_EQ(text_to_move(castle), 5878);
    std::string corner = "A8H1";
    EXPECT_EQ(text_to_move(corner), 1188);
    std::string back = "H1A8";
    EXPECT_EQ(text_to_move(back), 8811);
}

TEST(MoveText, LowerCaseIsUpperCasedInPlace) {
    std::string t = "e2e4";
    EXPECT_EQ(text_to_move(t), 5755);
    EXPECT_EQ(t, "E2E4");

    // Only a..z change; every character of the text is converted, not only
    // the first four.
    std::string mixed = "e7E5x!";
    EXPECT_EQ(text_to_move(mixed), 5254);
    EXPECT_EQ(mixed, "E7E5X!");
}

TEST(MoveText, RecordFieldsConvertBothWays) {
    auto g = testing::fresh_game();
    g->move_text = "g1f3";
    text_to_move(*g);
    EXPECT_EQ(g->move_word, 7866);
    EXPECT_EQ(g->move_text, "G1F3");

    g->move_word = 5171;
    move_to_text(*g);
    EXPECT_EQ(g->move_text, "E8G8");
}

TEST(MoveText, MoveCodesGiveFourCharacters) {
    EXPECT_EQ(move_to_text(5755), "E2E4");
    EXPECT_EQ(move_to_text(5878), "E1G1");
    EXPECT_EQ(move_to_text(1188), "A8H1");
    EXPECT_EQ(move_to_text(8811), "H1A8");
    EXPECT_EQ(move_to_text(5131), "E8C8");
}

TEST(MoveText, CharactersOutsideTheBoardNameBorderCells) {
    auto g = testing::fresh_game();
    // Rank digit 9 gives row 0, rank digit 0 gives row 9, file I gives
    // column 9: all of them border cells holding 7.
    std::string rank_nine = "E9E4";
    const int16_t m1 = text_to_move(rank_nine);
    EXPECT_EQ(m1, 5055);
    EXPECT_EQ(square_y(move_from(m1)), 0);
    EXPECT_EQ(g->board[move_from(m1)], 7);

    std::string rank_zero = "E2E0";
    const int16_t m2 = text_to_move(rank_zero);
    EXPECT_EQ(m2, 5759);
    EXPECT_EQ(square_y(move_to(m2)), 9);
    EXPECT_EQ(g->board[move_to(m2)], 7);

    std::string file_i = "I2E4";
    const int16_t m3 = text_to_move(file_i);
    EXPECT_EQ(m3, 9755);
    EXPECT_EQ(move_from(m3) / 10, 9);
    EXPECT_EQ(g->board[move_from(m3)], 7);

    // None of them is ever a listed move.
    g->ply = 1;
    generate_moves(*g);
    for (int16_t code : {m1, m2, m3}) {
        g->move_code = code;
        find_move(*g);
        EXPECT_EQ(g->move_index, 0) << code;
    }
    g->move_code = 5755;
    find_move(*g);
    EXPECT_NE(g->move_index, 0);
}

TEST(MoveText, MissingCharactersCountAsCodeZero) {
    // "E2E": the fourth character is code 0, so its row is 57 - 0.
    std::string three = "E2E";
    EXPECT_EQ(text_to_move(three), 5 * 1000 + 7 * 100 + 5 * 10 + 57);
    // "E2": the third character gives file 0 - 64.
    std::string two = "E2";
    EXPECT_EQ(text_to_move(two), 5 * 1000 + 7 * 100 - 64 * 10 + 57);
    // Nothing at all wraps around in 16 bits: -64000 + 5700 - 640 + 57.
    std::string none;
    EXPECT_EQ(text_to_move(none), static_cast<int16_t>(-58883 + 65536));
}

TEST(Notation, UpperFirstChangesOnlyLowerCaseLetters) {
    EXPECT_EQ(upper_first("a"), 'A');
    EXPECT_EQ(upper_first("z"), 'Z');
    EXPECT_EQ(upper_first("quit"), 'Q');
    EXPECT_EQ(upper_first("Q"), 'Q');
    EXPECT_EQ(upper_first("`"), '`');  // just below a
    EXPECT_EQ(upper_first("{"), '{');  // just above z
    EXPECT_EQ(upper_first("7"), '7');
    EXPECT_EQ(upper_first("\xe9"), '\xe9');  // accented letters pass unchanged
    EXPECT_EQ(upper_first(""), '\0');
}

TEST(Notation, NamesTwoSquaresOnlyForA1ToH8) {
    EXPECT_TRUE(names_two_squares("E2E4"));
    EXPECT_TRUE(names_two_squares("a1h8"));
    EXPECT_TRUE(names_two_squares("E1G1 "));
    EXPECT_FALSE(names_two_squares("E2E"));
    EXPECT_FALSE(names_two_squares("E9E4"));
    EXPECT_FALSE(names_two_squares("E2E0"));
    EXPECT_FALSE(names_two_squares("I2E4"));
    EXPECT_FALSE(names_two_squares(""));
}

TEST(Arithmetic, MoveCodeDigitsAndSquares) {
    EXPECT_EQ(move_from(5755), 57);
    EXPECT_EQ(move_to(5755), 55);
    EXPECT_EQ(code_digit_1(5755), 5);
    EXPECT_EQ(code_digit_2(5755), 7);
    EXPECT_EQ(code_digit_3(5755), 5);
    EXPECT_EQ(code_digit_4(5755), 5);
    EXPECT_EQ(square_y(58), 8);
    // Floor division below zero.
    EXPECT_EQ(move_from(-1), -1);
}

TEST(Arithmetic, FlagWordsAndKinds) {
    // A white pawn captures a black knight.
    EXPECT_EQ(move_kind(-1, 2), 3);
    EXPECT_EQ(make_flag_word(1, -1, 2, move_kind(-1, 2)), 1123);
    // A black queen moves to an empty square.
    EXPECT_EQ(move_kind(5, 0), 6);
    EXPECT_EQ(make_flag_word(2, 5, 0, move_kind(5, 0)), 2506);
    // The remaining kinds of ordinary moves.
    EXPECT_EQ(move_kind(-4, 0), 2);
    EXPECT_EQ(move_kind(3, -5), 5);
    // A target of the mover's own colour: no move.
    EXPECT_EQ(move_kind(-6, -1), 1);
    EXPECT_EQ(move_kind(6, 1), 7);
    // The flag word's digits read back as side, mover, captured, kind.
    EXPECT_EQ(code_digit_1(1123), 1);
    EXPECT_EQ(code_digit_2(1123), 1);
    EXPECT_EQ(code_digit_3(1123), 2);
    EXPECT_EQ(code_digit_4(1123), 3);
}

TEST(Constants, TablesIndexedBySideAndCode) {
    EXPECT_EQ(GameState::piece_value[0], 0);
    EXPECT_EQ(GameState::piece_value[7], 0);
    EXPECT_EQ(GameState::piece_value[14], 0);
    EXPECT_EQ(GameState::piece_value[-6 + 7], -1800);
    EXPECT_EQ(GameState::piece_value[3 + 7], 330);
    EXPECT_EQ(GameState::piece_value[2 + 7], 320);
    EXPECT_EQ(GameState::side_sign[0], 0);
    EXPECT_EQ(GameState::side_sign[1], -1);
    EXPECT_EQ(GameState::side_sign[2], 1);
    EXPECT_EQ(GameState::home_y[0], 0);
    EXPECT_EQ(GameState::home_y[1], 8);
    EXPECT_EQ(GameState::home_y[2], 1);
    EXPECT_EQ(GameState::ep_flag_word[-1 + 2], 1114);
    EXPECT_EQ(GameState::ep_flag_word[2], 0);
    EXPECT_EQ(GameState::ep_flag_word[1 + 2], 2114);
    EXPECT_EQ(GameState::ply_base[1], 0);
    EXPECT_EQ(GameState::ply_base[10], 27);
    // The letter of code c is at 1-based position c + 7.
    EXPECT_EQ(GameState::piece_letters[-6 + 6], 'K');
    EXPECT_EQ(GameState::piece_letters[1 + 6], 'p');
    EXPECT_EQ(GameState::board_letters[1 + 6], 'o');
    EXPECT_EQ(GameState::board_letters[0 + 6], '.');
    EXPECT_EQ(GameState::board_letters[6 + 6], 'k');
}

}  // namespace
}  // namespace chess
