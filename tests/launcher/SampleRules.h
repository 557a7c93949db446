#pragma once

// The sample game's level, as its stage and scripts make it: a board of 7 by 5 tiles, tile
// (0, 0) centred at (-3, -2); the player starts on tile (0, 0); each tapped arrow moves it one
// tile unless that would leave the board; reaching the exit on tile (6, 4) ends the level; a
// coin is worth one point and is taken by passing over its tile. Expected outcomes are worked
// out from these rules and the taps, never read from a run.

#include <algorithm>
#include <istream>
#include <utility>
#include <vector>

#include "window/InputKeys.h"

namespace SampleRules {

using Tile = std::pair<int, int>;

const Tile Exit{6, 4};

struct Outcome
{
    Tile end{0, 0};
    int score = 0;
    bool reachedExit = false;
};

inline Outcome play(const std::vector<unsigned>& keys)
{
    using Keys = Orva::InputKeys;
    // Two placed by the level's stage, four by its board's data.
    std::vector<Tile> coins{{2, 0}, {5, 4}, {3, 2}, {0, 3}, {2, 3}, {6, 3}};
    Outcome outcome;
    for (const unsigned key : keys) {
        auto [col, row] = outcome.end;
        col += key == Keys::ORVA_ARROW_RIGHT ? 1 : key == Keys::ORVA_ARROW_LEFT ? -1 : 0;
        row += key == Keys::ORVA_ARROW_UP ? 1 : key == Keys::ORVA_ARROW_DOWN ? -1 : 0;
        if (outcome.reachedExit || col < 0 || col > 6 || row < 0 || row > 4) {
            continue;
        }
        outcome.end = {col, row};
        outcome.score += static_cast<int>(std::erase(coins, outcome.end));
        outcome.reachedExit = outcome.end == Exit;
    }
    return outcome;
}

// The keys a recording ("key pressed time" triples, in time order) presses.
inline std::vector<unsigned> pressesOf(std::istream& recording)
{
    std::vector<unsigned> keys;
    unsigned key = 0;
    int pressed = 0;
    float time = 0;
    while (recording >> key >> pressed >> time) {
        if (pressed != 0) {
            keys.push_back(key);
        }
    }
    return keys;
}

} // namespace SampleRules
