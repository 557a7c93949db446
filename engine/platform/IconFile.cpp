#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <iterator>
#include <optional>
#include <span>
#include <vector>

#include "platform/PlatformState.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS 4096
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

// Icon files decoded to RGBA pixels, kept behind icon handles.

using namespace Orva::Platform::detail;
using Orva::Platform::IconImage;

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t MaxIconFileSize = 16u << 20;
constexpr std::array<std::uint8_t, 8> PngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int MaxIconSide = 256;

std::uint32_t readLE(Bytes bytes, std::size_t offset, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
    }
    return value;
}

bool startsWith(Bytes bytes, Bytes prefix)
{
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

std::uint32_t readBE32(Bytes bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | bytes[offset + i];
    }
    return value;
}

// The PNG as stb_image may read it, or nothing. stb_image grows its buffer to a data chunk's
// announced length before reading it, so a length past the end of the file would have it ask
// for up to 4 GiB for nothing: such a file fails to decode either way and is turned down. It
// also copies an empty data chunk into a buffer it has not made yet when that chunk comes
// first: empty data chunks carry nothing and are left out of the copy it reads. Chunks after
// IEND are never read and not checked.
std::optional<std::vector<std::uint8_t>> pngForStb(Bytes bytes)
{
    constexpr std::size_t ChunkHeader = 8;
    constexpr std::size_t ChunkCrc = 4;
    constexpr std::array<std::uint8_t, 4> DataType = {'I', 'D', 'A', 'T'};
    constexpr std::array<std::uint8_t, 4> EndType = {'I', 'E', 'N', 'D'};
    const auto isType = [bytes](std::size_t offset, const std::array<std::uint8_t, 4>& type) {
        return std::equal(type.begin(), type.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset + 4));
    };
    std::vector<std::uint8_t> kept(bytes.begin(), bytes.begin() + PngSignature.size());
    std::size_t offset = PngSignature.size();
    while (bytes.size() - offset >= ChunkHeader) {
        const std::size_t length = readBE32(bytes, offset);
        if (length > bytes.size() - offset - ChunkHeader) {
            return std::nullopt;
        }
        if (isType(offset, EndType)) {
            break;
        }
        const std::size_t chunkEnd =
            offset + std::min(ChunkHeader + length + ChunkCrc, bytes.size() - offset);
        if (length != 0 || !isType(offset, DataType)) {
            kept.insert(kept.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                        bytes.begin() + static_cast<std::ptrdiff_t>(chunkEnd));
        }
        offset = chunkEnd;
    }
    kept.insert(kept.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end());
    return kept;
}

std::optional<IconImage> decodeWithStb(Bytes bytes)
{
    std::optional<std::vector<std::uint8_t>> png;
    if (startsWith(bytes, PngSignature)) {
        png = pngForStb(bytes);
        if (!png) {
            return std::nullopt;
        }
        bytes = *png;
    }
    if (bytes.size() > INT_MAX) {
        return std::nullopt;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                                            &channels, STBI_rgb_alpha);
    if (pixels == nullptr) {
        return std::nullopt;
    }
    // stb_image accepts a bitmap of no rows; an icon without pixels is malformed all the same.
    if (width < 1 || height < 1) {
        stbi_image_free(pixels);
        return std::nullopt;
    }
    IconImage image{width, height, {}};
    image.rgba.assign(pixels,
                      pixels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    stbi_image_free(pixels);
    return image;
}

// An icon entry's bitmap: a header, the colour rows bottom-up, then a 1-bpp mask (set
// bits transparent). The header's height counts both, so it is twice the icon's.
std::optional<IconImage> decodeIconBitmap(Bytes bytes)
{
    constexpr std::size_t MinimumHeaderSize = 40;
    if (bytes.size() < MinimumHeaderSize) {
        return std::nullopt;
    }
    const std::size_t headerSize = readLE(bytes, 0, 4);
    const auto width = static_cast<std::int32_t>(readLE(bytes, 4, 4));
    const auto doubledHeight = static_cast<std::int32_t>(readLE(bytes, 8, 4));
    const std::uint32_t bitCount = readLE(bytes, 14, 2);
    const std::uint32_t compression = readLE(bytes, 16, 4);
    if (headerSize < MinimumHeaderSize || headerSize > bytes.size() || compression != 0 ||
        (bitCount != 24 && bitCount != 32) || width < 1 || width > MaxIconSide || doubledHeight < 2 ||
        doubledHeight % 2 != 0 || doubledHeight / 2 > MaxIconSide) {
        return std::nullopt;
    }
    const int height = doubledHeight / 2;
    const std::size_t colourStride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    const std::size_t maskStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::size_t maskOffset = headerSize + colourStride * static_cast<std::size_t>(height);
    if (maskOffset > bytes.size()) {
        return std::nullopt;
    }
    const bool hasMask = maskOffset + maskStride * static_cast<std::size_t>(height) <= bytes.size();
    const std::size_t bytesPerPixel = bitCount / 8;

    IconImage image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height) * 4)};
    bool anyAlpha = false;
    for (int row = 0; row < height; ++row) {
        const std::size_t sourceRow = static_cast<std::size_t>(height - 1 - row);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* source = &bytes[headerSize + sourceRow * colourStride + bytesPerPixel * x];
            std::uint8_t* target = &image.rgba[(static_cast<std::size_t>(row) * width + x) * 4];
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
            target[3] = bitCount == 32 ? source[3] : 0xFF;
            anyAlpha = anyAlpha || (bitCount == 32 && source[3] != 0);
        }
    }
    // 32-bpp entries written without alpha (all zero) rely on the mask, as 24-bpp do.
    if (hasMask && (bitCount == 24 || !anyAlpha)) {
        for (int row = 0; row < height; ++row) {
            const std::size_t sourceRow = static_cast<std::size_t>(height - 1 - row);
            for (int x = 0; x < width; ++x) {
                const std::uint8_t maskByte = bytes[maskOffset + sourceRow * maskStride + x / 8];
                const bool transparent = (maskByte & (0x80 >> (x % 8))) != 0;
                image.rgba[(static_cast<std::size_t>(row) * width + x) * 4 + 3] = transparent ? 0 : 0xFF;
            }
        }
    }
    return image;
}

struct IconEntry
{
    int area;
    std::uint32_t bitCount;
    Bytes data;
};

std::optional<IconImage> decodeIconFile(Bytes bytes)
{
    constexpr std::size_t DirectorySize = 6;
    constexpr std::size_t EntrySize = 16;
    if (bytes.size() < DirectorySize) {
        return std::nullopt;
    }
    const std::size_t count = readLE(bytes, 4, 2);
    if (count == 0 || bytes.size() < DirectorySize + EntrySize * count) {
        return std::nullopt;
    }
    std::vector<IconEntry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = DirectorySize + EntrySize * i;
        const int width = bytes[entry] == 0 ? MaxIconSide : bytes[entry];
        const int height = bytes[entry + 1] == 0 ? MaxIconSide : bytes[entry + 1];
        const std::size_t size = readLE(bytes, entry + 8, 4);
        const std::size_t offset = readLE(bytes, entry + 12, 4);
        if (offset > bytes.size() || size > bytes.size() - offset) {
            continue;
        }
        entries.push_back(
            IconEntry{width * height, readLE(bytes, entry + 6, 2), bytes.subspan(offset, size)});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const IconEntry& a, const IconEntry& b) {
        return a.area != b.area ? a.area > b.area : a.bitCount > b.bitCount;
    });
    for (const IconEntry& entry : entries) {
        auto image =
            startsWith(entry.data, PngSignature) ? decodeWithStb(entry.data) : decodeIconBitmap(entry.data);
        if (image) {
            return image;
        }
    }
    return std::nullopt;
}

std::optional<IconImage> decodeIcon(Bytes bytes)
{
    constexpr std::array<std::uint8_t, 4> IconSignature = {0, 0, 1, 0};
    constexpr std::array<std::uint8_t, 2> BitmapSignature = {'B', 'M'};
    if (startsWith(bytes, IconSignature)) {
        return decodeIconFile(bytes);
    }
    if (startsWith(bytes, PngSignature) || startsWith(bytes, BitmapSignature)) {
        return decodeWithStb(bytes);
    }
    return std::nullopt;
}

// Opened without waiting, so that a pipe at the name is turned down instead of keeping the
// call waiting for a writer; only a regular file is read.
std::optional<std::vector<std::uint8_t>> readFile(const char* path)
{
    const int file = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> bytes;
    struct stat status;
    if (::fstat(file, &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<std::uintmax_t>(status.st_size) <= MaxIconFileSize) {
        bytes.emplace(static_cast<std::size_t>(status.st_size));
        std::size_t done = 0;
        while (done < bytes->size()) {
            const ssize_t count = ::read(file, bytes->data() + done, bytes->size() - done);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                break;
            }
            done += static_cast<std::size_t>(count);
        }
        bytes->resize(done);
    }
    ::close(file);
    return bytes;
}

} // namespace

namespace Orva::Platform {

HICON LoadIconFile(const char* path)
{
    if (path == nullptr) {
        return nullptr;
    }
    const auto bytes = readFile(path);
    return bytes ? LoadIconFromMemory(bytes->data(), bytes->size()) : nullptr;
}

HICON LoadIconFromMemory(const std::uint8_t* bytes, std::size_t size)
{
    if (bytes == nullptr || size > MaxIconFileSize) {
        return nullptr;
    }
    auto image = decodeIcon(std::span<const std::uint8_t>(bytes, size));
    if (!image) {
        return nullptr;
    }
    const std::uintptr_t id = newHandleId();
    state().icons.emplace(id, std::move(*image));
    return toHandle<HICON>(id);
}

const IconImage* GetIconImage(HICON icon)
{
    const auto& icons = state().icons;
    const auto found = icons.find(handleId(icon));
    return found == icons.end() ? nullptr : &found->second;
}

} // namespace Orva::Platform

namespace Orva::Platform::detail {

bool showIcon(const WindowRecord& record, HICON icon)
{
    const IconImage* image = GetIconImage(icon);
    if (image == nullptr) {
        return false;
    }
    // SDL copies the pixels, so the surface only borrows them for the call.
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint8_t*>(image->rgba.data()), image->width,
                                           image->height, 32, image->width * 4, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr) {
        return false;
    }
    SDL_SetWindowIcon(record.window, surface);
    SDL_FreeSurface(surface);
    return true;
}

} // namespace Orva::Platform::detail

BOOL DestroyIcon(HICON icon)
{
    return state().icons.erase(handleId(icon)) != 0 ? 1 : 0;
}
