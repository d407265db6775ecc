#pragma once
// The version block an executable of this program carries, so that the about
// box can read the version back from the file on any platform.
//
// Layout (all numbers little-endian):
//   16 bytes  magic
//   u32       payload size in bytes (at most kVersionBlockMaxPayload)
//   u32       FNV-1a checksum of the payload
//   payload   entries, each: u16 path length, path (UTF-8, e.g.
//             "\StringFileInfo\040704E4\FileVersion"), u16 value length, value
//             (strings end with their NUL, which the length counts)
//
// The block is built at compile time from the project version, see
// VersionBlock.cpp.in.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr std::size_t kVersionBlockMagicSize = 16;
inline constexpr std::size_t kVersionBlockHeaderSize = kVersionBlockMagicSize + 8;
// Far more than the block ever holds; a reader never allocates beyond it.
inline constexpr std::size_t kVersionBlockMaxPayload = 64 * 1024;

// The reader's own copy of these bytes sits in the same executable; what
// follows it fails the size and checksum check, so it is never taken for a block.
inline constexpr std::array<unsigned char, kVersionBlockMagicSize> kVersionBlockMagic = {
    0xB7, 'P', 'l', 'e', 'n', 'V', 'e', 'r', 'I', 'n', 'f', 'o', 0x0D, 0x0A, 0x1A, 0x00};

struct TVersionEntry {
    std::string_view Path;
    std::string_view Value;
    bool IsString; // strings get their terminating NUL
};

constexpr std::uint32_t VersionBlockChecksum(const unsigned char* data, std::size_t size)
{
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 16777619u;
    }
    return hash;
}

template <std::size_t N>
constexpr std::size_t VersionBlockSize(const std::array<TVersionEntry, N>& entries)
{
    std::size_t size = kVersionBlockHeaderSize;
    for (const TVersionEntry& e : entries)
        size += 4 + e.Path.size() + e.Value.size() + (e.IsString ? 1 : 0);
    return size;
}

template <std::size_t Size, std::size_t N>
constexpr std::array<unsigned char, Size> MakeVersionBlock(const std::array<TVersionEntry, N>& entries)
{
    std::array<unsigned char, Size> block{};
    std::size_t pos = 0;
    for (unsigned char c : kVersionBlockMagic)
        block[pos++] = c;
    const auto put32 = [&block](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            block[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    pos = kVersionBlockHeaderSize;
    for (const TVersionEntry& e : entries) {
        const std::size_t valueSize = e.Value.size() + (e.IsString ? 1 : 0);
        block[pos++] = static_cast<unsigned char>(e.Path.size());
        block[pos++] = static_cast<unsigned char>(e.Path.size() >> 8);
        for (char c : e.Path)
            block[pos++] = static_cast<unsigned char>(c);
        block[pos++] = static_cast<unsigned char>(valueSize);
        block[pos++] = static_cast<unsigned char>(valueSize >> 8);
        for (char c : e.Value)
            block[pos++] = static_cast<unsigned char>(c);
        if (e.IsString)
            block[pos++] = 0;
    }
    const std::size_t payload = Size - kVersionBlockHeaderSize;
    put32(kVersionBlockMagicSize, static_cast<std::uint32_t>(payload));
    put32(kVersionBlockMagicSize + 4,
          VersionBlockChecksum(block.data() + kVersionBlockHeaderSize, payload));
    return block;
}
