// The opening book: replies read from "MYBOOK.TXT" (Black to move) and
// "WMYBOOK.TXT" (White to move) during the first nine moves.
//
// Book file: records of two fields, a 64-character placement key (rank 8
// first, files A..H, letters "KQRBNP.pnbrqk") and a move text such as "E7E5".
// A field ends at a comma or a line end (CR LF, LF or CR); blanks and tabs in
// front of it are skipped, blanks inside or at its end belong to it; a field
// that begins with a double quote runs to the closing quote, commas included,
// and what follows the quote up to the comma or line end is dropped. Blank
// lines before a key are skipped. Only the first 64 characters of a key are
// compared. A key beginning "ZZ" ends the book; without it at most 5000
// records are read.
//
// Hand-over contract between the lookup and the callers that play a reply:
//
// - book_lookup clears `book_reply_pending` and `book_reply_castles` to 0 at
//   its start. When it returns a reply (`move_code` != 0) it sets
//   `book_reply_pending` = 1, `chosen_index` = `last_legal_root` = 1, and
//   `book_reply_castles` = 1 when the reply's upper-cased text is exactly one
//   of "E1G1", "E8G8", "E1C1", "E8C8". The board and the move lists are not
//   touched.
// - `search` must leave `book_reply_pending` = 0 whenever the book did not
//   answer, also when it does not consult the book at all (move 10 and later,
//   book off), so that a stale flag never turns a searched move into a book
//   reply.
// - A caller that plays the choice (the computer's turn of the game loop, and
//   SWAP) plays it with play_chosen_move (engine/move_choice.h), which hands a
//   pending reply over right before make_move. Callers that do not play the
//   choice (SUGGEST, the check test after a refused user move, a SWAP that
//   ends the game) call drop_book_reply.
#pragma once

#include "engine/search_observer.h"
#include "model/game_state.h"

namespace chess {

// Looks the current placement up in the book of `search_side`, tells the
// observer the candidates, draws one and tells which. Leaves `move_code` =
// the reply (0 when there is none) and, for a reply, `chosen_index` =
// `last_legal_root` = 1 and the pending hand-over described above. Records
// whose move does not name two squares A1..H8, whose from-square holds no
// piece of the side to move, or whose to-square holds one of its pieces, are
// skipped; at most 15 candidates are kept. Nothing of the file is kept
// between lookups.
void book_lookup(GameState& g, SearchObserver& observer);

// Puts the pending reply (`move_code`) into row 1 of the ply-1 list with the
// flag word of an ordinary move of the piece on its from-square, moves the
// rook for a castling text, and clears `book_reply_pending`. Does nothing when
// no reply is pending.
void book_hand_over(GameState& g);

// Forgets a book reply that is not going to be played: `book_reply_pending`
// and `book_reply_castles` to 0.
void drop_book_reply(GameSession& s);

}  // namespace chess
