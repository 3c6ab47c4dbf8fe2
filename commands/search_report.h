// The computer's search at the console: what it tells is printed as the
// console shows it (the ruler of root moves, a progress mark per legal root
// move, the book's candidates and draw, mates and stalemates) and the mates
// go into the transcript.
#pragma once

#include "engine/search_observer.h"
#include "model/game_state.h"

namespace chess {

class ConsoleSearchReport : public SearchObserver {
  public:
    explicit ConsoleSearchReport(GameSession& session) : g_(session) {}

    void book_candidates(const std::string* moves, int count) override;
    void book_move_chosen(int number) override;
    void root_moves_listed(int moves) override;
    void root_move_searched() override;
    void root_moves_done() override;
    void mate_found(const std::string& move_text) override;
    void no_legal_move(bool mated) override;
    void alternate_move_used() override;
    void depth_increased() override;

  private:
    GameSession& g_;
};

// The computer's choice for `search_side` at the record's depth, or at
// `depth` when it is given (the record's depth kept), on the threads the
// session was given, reported on the console.
void search_at_console(GameState& g, int depth = 0);

}  // namespace chess
