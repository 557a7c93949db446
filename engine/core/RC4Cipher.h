#pragma once

#include <cstddef>
#include <string>

#include "core/Export.h"

namespace Orva::Crypto {

// The stored form of game data files (states, scripts, shader sources): every byte shifted
// by a fixed key, behind an 8-digit length header whose bytes are shifted by key bytes picked
// with the engine generator. A scrambling, not a cipher.
//
// Both operations reseed the engine generator with a fixed seed and leave it 8 draws further
// on, so random draws after a load follow the same sequence on every run.
class ORVA_API RC4Cipher
{
public:
    // What puts a text file in the stored form, for messages about one that is not: the
    // tool the build makes (build/bin/scramble).
    static constexpr const char* StoreCommand = "scramble enc <text file> <stored file>";

    // Longest text the 8-digit header can carry.
    static constexpr std::size_t MaxTextBytes = 99'999'999;

    // Throws std::length_error for a text longer than MaxTextBytes.
    static std::string encrypt(const std::string& plain);
    // Never reads past the input: a stored form under 8 bytes or with a negative length
    // gives "", and a length beyond the stored bytes is cut to what is there. Bytes after
    // the announced length are ignored.
    static std::string decrypt(const std::string& stored);
    // Whether the bytes begin as encrypt writes them, with a header of eight digits; a text
    // file written by hand does not. Reseeds the engine generator as decrypt does, so asked
    // beside a decrypt it leaves the sequence as it was.
    static bool isStoredForm(const std::string& bytes);
};

} // namespace Orva::Crypto
