#pragma once

// Builders for the image files the icon loader reads, written byte by byte so the tests
// know every pixel: PNG (stored deflate), BMP, and ICO with DIB or PNG entries.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ImageBytes {

using Bytes = std::vector<std::uint8_t>;

// Pixels as RGBA, rows top to bottom.
struct Pixels
{
    int width;
    int height;
    Bytes rgba;
};

inline Pixels pattern(int width, int height, std::uint8_t alpha = 0xFF)
{
    Pixels pixels{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.rgba.insert(pixels.rgba.end(),
                               {static_cast<std::uint8_t>(x * 16), static_cast<std::uint8_t>(y * 16),
                                static_cast<std::uint8_t>(x ^ y), alpha});
        }
    }
    return pixels;
}

inline void put16(Bytes& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void put32(Bytes& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

inline void put32BigEndian(Bytes& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

inline std::uint32_t crc32(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void pngChunk(Bytes& out, const char* type, const Bytes& data)
{
    put32BigEndian(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32BigEndian(out, crc32(typed.data(), typed.size()));
}

inline Bytes png(const Pixels& pixels)
{
    Bytes raw;
    for (int y = 0; y < pixels.height; ++y) {
        raw.push_back(0); // no filter
        const auto row = pixels.rgba.begin() + static_cast<std::ptrdiff_t>(y) * pixels.width * 4;
        raw.insert(raw.end(), row, row + pixels.width * 4);
    }
    Bytes zlib = {0x78, 0x01};
    for (std::size_t offset = 0; offset < raw.size();) {
        const std::size_t length = std::min<std::size_t>(raw.size() - offset, 65535);
        zlib.push_back(offset + length == raw.size() ? 1 : 0);
        put16(zlib, static_cast<std::uint32_t>(length));
        put16(zlib, static_cast<std::uint32_t>(~length & 0xFFFF));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                    raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
        offset += length;
    }
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32BigEndian(zlib, (b << 16) | a);

    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32BigEndian(header, static_cast<std::uint32_t>(pixels.width));
    put32BigEndian(header, static_cast<std::uint32_t>(pixels.height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA
    pngChunk(out, "IHDR", header);
    pngChunk(out, "IDAT", zlib);
    pngChunk(out, "IEND", {});
    return out;
}

inline void bitmapInfoHeader(Bytes& out, int width, int height, int bitCount, std::uint32_t compression = 0)
{
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(bitCount));
    put32(out, compression);
    for (int i = 0; i < 5; ++i)
        put32(out, 0);
}

// Colour rows bottom-up, each padded to four bytes; BGR or BGRA.
inline void bitmapRows(Bytes& out, const Pixels& pixels, int bitCount)
{
    for (int y = pixels.height - 1; y >= 0; --y) {
        std::size_t written = 0;
        for (int x = 0; x < pixels.width; ++x) {
            const std::uint8_t* p = &pixels.rgba[(static_cast<std::size_t>(y) * pixels.width + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0]});
            written += 3;
            if (bitCount == 32) {
                out.push_back(p[3]);
                ++written;
            }
        }
        for (; written % 4 != 0; ++written)
            out.push_back(0);
    }
}

inline Bytes bmp24(const Pixels& pixels)
{
    Bytes body;
    bitmapInfoHeader(body, pixels.width, pixels.height, 24);
    bitmapRows(body, pixels, 24);
    Bytes out = {'B', 'M'};
    put32(out, static_cast<std::uint32_t>(14 + body.size()));
    put32(out, 0);
    put32(out, 54);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// An icon entry's bitmap; the mask marks as transparent every pixel whose alpha is 0.
inline Bytes iconBitmap(const Pixels& pixels, int bitCount, bool withMask = true)
{
    Bytes out;
    bitmapInfoHeader(out, pixels.width, pixels.height * 2, bitCount);
    bitmapRows(out, pixels, bitCount);
    if (!withMask)
        return out;
    const std::size_t stride = (static_cast<std::size_t>(pixels.width) + 31) / 32 * 4;
    for (int y = pixels.height - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < pixels.width; ++x) {
            if (pixels.rgba[(static_cast<std::size_t>(y) * pixels.width + x) * 4 + 3] == 0)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

struct IconEntry
{
    int width;
    int height;
    int bitCount;
    Bytes data;
};

inline Bytes ico(const std::vector<IconEntry>& entries)
{
    Bytes out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const IconEntry& entry : entries) {
        out.push_back(static_cast<std::uint8_t>(entry.width == 256 ? 0 : entry.width));
        out.push_back(static_cast<std::uint8_t>(entry.height == 256 ? 0 : entry.height));
        out.push_back(0);
        out.push_back(0);
        put16(out, 1);
        put16(out, static_cast<std::uint32_t>(entry.bitCount));
        put32(out, static_cast<std::uint32_t>(entry.data.size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(entry.data.size());
    }
    for (const IconEntry& entry : entries)
        out.insert(out.end(), entry.data.begin(), entry.data.end());
    return out;
}

inline bool writeFile(const std::string& path, const Bytes& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace ImageBytes
