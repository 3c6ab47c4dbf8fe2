// What a search tells the front end that started it. The engine prints
// nothing and writes no files: each front end shows these events its own way
// (the console as text, UCI as "info" lines).
//
// Calls come one at a time and in the order of the events. With several
// threads a call may come from one of the search's own threads, so an
// observer touches nothing the caller's thread uses meanwhile.
#pragma once

#include <cstdint>
#include <string>

namespace chess {

// One depth of a deepening search, ended.
struct DepthReport {
    int depth = 0;
    int16_t move = 0;    // the chosen move's code
    int16_t score = 0;   // the chosen move's score, positive when good for the side searched for
    bool mate = false;   // the move mates at once
    uint64_t nodes = 0;  // since the search began, all depths
    double milliseconds = 0;
};

class SearchObserver {
  public:
    virtual ~SearchObserver() = default;

    // The book was consulted: the candidates it holds for this position,
    // in file order (`count` may be 0).
    virtual void book_candidates(const std::string* moves, int count) {
        (void)moves;
        (void)count;
    }
    // The book's reply drawn: candidate `number`, counted from 1.
    virtual void book_move_chosen(int number) { (void)number; }

    // The ply-1 list is ready: `moves` rows belong to the side searched for,
    // legal or not. Then once per legal root move, in list order, as its
    // search starts (one thread) or its result is settled (several); then
    // once when the loop over them has ended without a mate.
    virtual void root_moves_listed(int moves) { (void)moves; }
    virtual void root_move_searched() {}
    virtual void root_moves_done() {}

    // A root move leaves the opponent mated: `move_text` names it.
    virtual void mate_found(const std::string& move_text) { (void)move_text; }
    // The side searched for has no legal move: mated when its king is
    // attacked, else stalemated.
    virtual void no_legal_move(bool mated) { (void)mated; }
    // The choice would repeat the choice of two searches ago: a close
    // runner-up is played instead, or the next search goes one ply deeper.
    virtual void alternate_move_used() {}
    virtual void depth_increased() {}

    // A deepening search ended one more depth.
    virtual void depth_finished(const DepthReport& report) { (void)report; }
};

}  // namespace chess
