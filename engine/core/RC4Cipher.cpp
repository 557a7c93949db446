#include "core/RC4Cipher.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "core/Random.h"

namespace Orva::Crypto {
namespace {

// The key string with its terminating zero: every 21st payload byte is stored unchanged.
constexpr char keyText[] = "Qm7rTx2VwLp9sKd4HnYe";
constexpr std::size_t keyLength = sizeof keyText;
static_assert(keyLength == 21);

constexpr std::uint32_t seed = 0x3b7e91c5;
constexpr std::size_t headerBytes = 8;

unsigned char keyByte(std::size_t index)
{
    return static_cast<unsigned char>(keyText[index % keyLength]);
}

char shifted(char byte, unsigned char by)
{
    return static_cast<char>(static_cast<unsigned char>(byte) + by);
}

char unshifted(char byte, unsigned char by)
{
    return static_cast<char>(static_cast<unsigned char>(byte) - by);
}

// The header's key bytes: one fresh draw after seeding per header byte.
std::array<unsigned char, headerBytes> headerKey()
{
    Orva::srand(seed);
    std::array<unsigned char, headerBytes> key{};
    for (unsigned char& byte : key) {
        byte = keyByte(static_cast<std::size_t>(Orva::rand()));
    }
    return key;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The header's value read the way atoi reads a string: leading white space, an optional
// sign, then digits up to the first other byte. Eight bytes cannot overflow.
long parseHeader(const std::array<char, headerBytes>& header)
{
    std::size_t i = 0;
    while (i < header.size() && isSpace(header[i])) {
        ++i;
    }
    bool negative = false;
    if (i < header.size() && (header[i] == '+' || header[i] == '-')) {
        negative = header[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < header.size() && isDigit(header[i]); ++i) {
        value = value * 10 + (header[i] - '0');
    }
    return negative ? -value : value;
}

} // namespace

std::string RC4Cipher::encrypt(const std::string& plain)
{
    if (plain.size() > MaxTextBytes) {
        throw std::length_error("RC4Cipher::encrypt: a stored text holds at most 99999999 bytes");
    }
    const auto key = headerKey();
    std::string stored(headerBytes + plain.size(), '\0');
    std::size_t length = plain.size();
    for (std::size_t j = headerBytes; j-- > 0;) {
        stored[j] = shifted(static_cast<char>('0' + length % 10), key[j]);
        length /= 10;
    }
    for (std::size_t i = 0; i < plain.size(); ++i) {
        stored[headerBytes + i] = shifted(plain[i], keyByte(i));
    }
    return stored;
}

std::string RC4Cipher::decrypt(const std::string& stored)
{
    // Seeded and drawn even for input too short to hold a header, so the generator ends in
    // the same place after every load.
    const auto key = headerKey();
    if (stored.size() < headerBytes) {
        return {};
    }
    std::array<char, headerBytes> header{};
    for (std::size_t j = 0; j < headerBytes; ++j) {
        header[j] = unshifted(stored[j], key[j]);
    }
    const long announced = parseHeader(header);
    if (announced <= 0) {
        return {};
    }
    const std::size_t length = std::min(static_cast<std::size_t>(announced), stored.size() - headerBytes);
    std::string plain(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        plain[i] = unshifted(stored[headerBytes + i], keyByte(i));
    }
    return plain;
}

bool RC4Cipher::isStoredForm(const std::string& bytes)
{
    if (bytes.size() < headerBytes) {
        return false;
    }
    const auto key = headerKey();
    for (std::size_t j = 0; j < headerBytes; ++j) {
        if (!isDigit(unshifted(bytes[j], key[j]))) {
            return false;
        }
    }
    return true;
}

} // namespace Orva::Crypto
