#pragma once

// The sample game's level, as its stage and scripts make it: a board of 7 by 5 tiles of one
// unit, tile (0, 0) at (-3, -2); the player starts on tile (0, 0), and each tapped direction
// moves it one tile unless that would leave the board; the level ends as the player reaches
// the exit on tile (6, 4); a coin is worth one point and is taken by passing over its tile.
// Expected outcomes are worked out from these rules and the taps, never read from a run.

#include <algorithm>
#include <istream>
#include <optional>
#include <vector>

#include "window/InputKeys.h"

namespace SampleRules {

struct Tile
{
    int col = 0;
    int row = 0;

    bool operator==(const Tile&) const = default;
};

constexpr int Columns = 7;
constexpr int Rows = 5;
constexpr Tile Start{0, 0};
constexpr Tile Exit{6, 4};
// Two placed by the level's stage, four by its board's data.
const std::vector<Tile> Coins{{2, 0}, {5, 4}, {3, 2}, {0, 3}, {2, 3}, {6, 3}};

// The world position of a tile's centre.
constexpr float worldX(const Tile& tile)
{
    return static_cast<float>(tile.col - 3);
}
constexpr float worldY(const Tile& tile)
{
    return static_cast<float>(tile.row - 2);
}

struct Outcome
{
    Tile end = Start;
    int score = 0;
    bool reachedExit = false;
};

// The tile one tap of the key leads to from `from`, or nothing for a key that moves nothing.
inline std::optional<Tile> step(const Tile& from, unsigned key)
{
    using Keys = Orva::InputKeys;
    Tile to = from;
    switch (key) {
    case Keys::ORVA_ARROW_LEFT:
        --to.col;
        break;
    case Keys::ORVA_ARROW_RIGHT:
        ++to.col;
        break;
    case Keys::ORVA_ARROW_UP:
        ++to.row;
        break;
    case Keys::ORVA_ARROW_DOWN:
        --to.row;
        break;
    default:
        return std::nullopt;
    }
    if (to.col < 0 || to.col >= Columns || to.row < 0 || to.row >= Rows) {
        return from;
    }
    return to;
}

// Where the taps lead and what they earn; taps after the exit do nothing.
inline Outcome play(const std::vector<unsigned>& taps)
{
    Outcome outcome;
    std::vector<Tile> left = Coins;
    for (const unsigned key : taps) {
        const std::optional<Tile> next = step(outcome.end, key);
        if (outcome.reachedExit || !next) {
            continue;
        }
        outcome.end = *next;
        const auto coin = std::find(left.begin(), left.end(), outcome.end);
        if (coin != left.end()) {
            left.erase(coin);
            ++outcome.score;
        }
        outcome.reachedExit = outcome.end == Exit;
    }
    return outcome;
}

// The keys a recording ("key pressed time" triples) presses, in the order of their times.
inline std::vector<unsigned> pressesOf(std::istream& recording)
{
    struct Press
    {
        float time;
        unsigned key;
    };
    std::vector<Press> presses;
    unsigned key = 0;
    int pressed = 0;
    float time = 0;
    while (recording >> key >> pressed >> time) {
        if (pressed != 0) {
            presses.push_back({time, key});
        }
    }
    std::stable_sort(presses.begin(), presses.end(),
                     [](const Press& a, const Press& b) { return a.time < b.time; });
    std::vector<unsigned> keys;
    for (const Press& press : presses) {
        keys.push_back(press.key);
    }
    return keys;
}

} // namespace SampleRules
