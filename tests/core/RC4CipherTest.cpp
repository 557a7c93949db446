#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>

#include "core/MathUtils.h"
#include "core/RC4Cipher.h"
#include "core/Random.h"

using Orva::Crypto::RC4Cipher;

namespace {

std::string hex(const std::string& bytes)
{
    std::string out;
    char pair[3];
    for (unsigned char byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        out += pair;
    }
    return out;
}

// A stored form whose header reads as the given 8 characters, built from the key bytes that
// the stored form of "" reveals (its header is "00000000" shifted).
std::string storedHeader(const std::string& digits)
{
    const std::string empty = RC4Cipher::encrypt("");
    std::string header(8, '\0');
    for (std::size_t j = 0; j < 8; ++j) {
        header[j] = static_cast<char>(static_cast<unsigned char>(empty[j]) - '0' +
                                      static_cast<unsigned char>(digits[j]));
    }
    return header;
}

std::string randomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 engine(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out(count, '\0');
    for (char& c : out) {
        c = static_cast<char>(byte(engine));
    }
    return out;
}

} // namespace

TEST(RC4Cipher, ProducesTheKnownStoredForms)
{
    EXPECT_EQ(hex(RC4Cipher::encrypt("")), "78a89481627b699d");
    EXPECT_EQ(hex(RC4Cipher::encrypt("hello")), "78a89481627b69a2b9d2a3dec3");
    EXPECT_EQ(RC4Cipher::decrypt(RC4Cipher::encrypt("")), "");
}

TEST(RC4Cipher, RoundTripsAMebibyteOfArbitraryBytes)
{
    const std::string plain = randomBytes(1 << 20, 20240601);
    ASSERT_NE(plain.find('\0'), std::string::npos);
    ASSERT_TRUE(std::any_of(plain.begin(), plain.end(),
                            [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
    const std::string stored = RC4Cipher::encrypt(plain);
    ASSERT_EQ(stored.size(), plain.size() + 8);
    EXPECT_TRUE(RC4Cipher::decrypt(stored) == plain);
}

TEST(RC4Cipher, HeaderDependsOnLengthAloneAndEachByteShiftsOnItsOwn)
{
    const std::string a = RC4Cipher::encrypt(std::string(64, 'a'));
    std::string differentText(64, 'z');
    differentText[5] = '\0';
    const std::string b = RC4Cipher::encrypt(differentText);
    EXPECT_EQ(a.substr(0, 8), b.substr(0, 8));
    EXPECT_NE(RC4Cipher::encrypt(std::string(63, 'a')).substr(0, 8), a.substr(0, 8));

    std::string changed(64, 'a');
    changed[30] = 'b';
    const std::string c = RC4Cipher::encrypt(changed);
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i] == c[i], i != 8 + 30) << "offset " << i;
    }

    // Every 21st payload byte is shifted by the key's terminating zero.
    for (std::size_t i = 20; i < 64; i += 21) {
        EXPECT_EQ(a[8 + i], 'a') << "payload index " << i;
        EXPECT_NE(a[8 + i - 1], 'a') << "payload index " << i - 1;
    }
}

TEST(RC4Cipher, IgnoresBytesAfterTheAnnouncedLength)
{
    const std::string stored = RC4Cipher::encrypt("payload");
    EXPECT_EQ(RC4Cipher::decrypt(stored + "trailing garbage"), "payload");
}

TEST(RC4Cipher, GivesNothingForInputTooShortForAHeader)
{
    const std::string stored = RC4Cipher::encrypt("");
    for (std::size_t size = 0; size < 8; ++size) {
        EXPECT_EQ(RC4Cipher::decrypt(stored.substr(0, size)), "") << size << " bytes";
    }
}

TEST(RC4Cipher, NeverReadsPastTheInput)
{
    // 99,999,999 bytes announced, 3 present: those 3 come back (the sanitizer build would
    // flag any read beyond them).
    const std::string truncated = storedHeader("99999999") + RC4Cipher::encrypt("abc").substr(8);
    EXPECT_EQ(RC4Cipher::decrypt(truncated), "abc");

    EXPECT_EQ(RC4Cipher::decrypt(storedHeader("-0000003") + "xyz"), "");
}

TEST(RC4Cipher, ReadsTheHeaderTheWayAtoiDoes)
{
    const std::string payload = RC4Cipher::encrypt("abcdefghijkl").substr(8);
    EXPECT_EQ(RC4Cipher::decrypt(storedHeader(" \t+00004") + payload), "abcd");
    EXPECT_EQ(RC4Cipher::decrypt(storedHeader("0006x999") + payload), "abcdef");
    EXPECT_EQ(RC4Cipher::decrypt(storedHeader("x0000012") + payload), "");
    EXPECT_EQ(RC4Cipher::decrypt(storedHeader("00000000") + payload), "");
}

TEST(RC4Cipher, RefusesATextTooLongForTheHeader)
{
    const std::string tooLong(RC4Cipher::MaxTextBytes + 1, 'x');
    EXPECT_THROW(RC4Cipher::encrypt(tooLong), std::length_error);
}

TEST(RC4Cipher, LeavesTheGeneratorAtTheSameDrawAfterEveryCall)
{
    Orva::srand(12345);
    RC4Cipher::decrypt(RC4Cipher::encrypt("some state file"));
    EXPECT_EQ(Orva::Math::Utils::random(0, 32767), 7903);

    RC4Cipher::decrypt("abc");
    EXPECT_EQ(Orva::Math::Utils::random(0, 32767), 7903);

    RC4Cipher::encrypt("x");
    EXPECT_EQ(Orva::rand(), 7903);
}
