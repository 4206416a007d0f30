#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace wuvo {

// Four-character box type as its big-endian 32-bit code.
constexpr uint32_t FourCC(const char (&code)[5])
{
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
           uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}

// An unsigned big-endian value of `count` bytes (at most 8).
inline uint64_t ReadBigEndian(const uint8_t* bytes, uint32_t count)
{
    uint64_t value = 0;
    for (uint32_t i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

// A big-endian cursor bounded to one box inside the loaded moov body. Any
// read past the bound throws the box's reader error instead of reading on.
class BoxReader {
public:
    BoxReader(const uint8_t* data, uint32_t position, uint32_t end, const char* text)
        : data_(data), position_(position), end_(end), text_(text)
    {
    }

    uint8_t ReadBE8() { return static_cast<uint8_t>(ReadBig(1)); }
    uint16_t ReadBE16() { return static_cast<uint16_t>(ReadBig(2)); }
    uint32_t ReadBE32() { return static_cast<uint32_t>(ReadBig(4)); }
    uint64_t ReadBE64() { return ReadBig(8); }

    void ReadBytes(uint8_t* destination, uint32_t count)
    {
        Require(count);
        std::memcpy(destination, data_ + position_, count);
        position_ += count;
    }

    void Skip(uint32_t count)
    {
        Require(count);
        position_ += count;
    }

    // Refuses a table before anything is allocated for it: `count` entries
    // of `entryBytes` each must fit in what is left of the box.
    void RequireEntries(uint32_t count, uint32_t entryBytes) const
    {
        if (uint64_t{count} * entryBytes > Remaining())
            Fail();
    }

    uint32_t Position() const { return position_; }
    uint32_t Remaining() const { return end_ - position_; }
    const char* Text() const { return text_; }
    [[noreturn]] void Fail() const { throw std::logic_error(text_); }

private:
    void Require(uint32_t count) const
    {
        if (count > Remaining())
            Fail();
    }

    uint64_t ReadBig(uint32_t count)
    {
        Require(count);
        uint64_t value = ReadBigEndian(data_ + position_, count);
        position_ += count;
        return value;
    }

    const uint8_t* data_;
    uint32_t position_;
    uint32_t end_;
    const char* text_;
};

}  // namespace wuvo
