#pragma once
// Byte-level helpers for the Jet writer. Every on-disk field goes through
// these: Jet is little-endian (index keys excepted), and writing host integers
// or copying structs would tie the file format to the compiler.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quorlix::jet
{

// Appenders grow dst by exactly the field's width.
inline void putU8(std::string* dst, std::uint32_t v)
{
    dst->push_back(static_cast<char>(v & 0xFF));
}
inline void putU16(std::string* dst, std::uint32_t v)
{
    putU8(dst, v);
    putU8(dst, v >> 8);
}
inline void putU24(std::string* dst, std::uint32_t v)
{
    putU16(dst, v);
    putU8(dst, v >> 16);
}
inline void putU32(std::string* dst, std::uint32_t v)
{
    putU16(dst, v);
    putU16(dst, v >> 16);
}
inline void putF64(std::string* dst, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    putU32(dst, static_cast<std::uint32_t>(bits));
    putU32(dst, static_cast<std::uint32_t>(bits >> 32));
}
// Index keys compare as raw bytes, so their numbers are big-endian.
inline void putU24BE(std::string* dst, std::uint32_t v)
{
    putU8(dst, v >> 16);
    putU8(dst, v >> 8);
    putU8(dst, v);
}
inline void putU32BE(std::string* dst, std::uint32_t v)
{
    putU8(dst, v >> 24);
    putU24BE(dst, v);
}
inline void putZeros(std::string* dst, std::size_t n)
{
    dst->append(n, '\0');
}

// In-place writers for fields patched after the rest is laid out.
// Precondition: p points at width writable bytes.
inline void setU8(char* p, std::uint32_t v)
{
    p[0] = static_cast<char>(v & 0xFF);
}
inline void setU16(char* p, std::uint32_t v)
{
    setU8(p, v);
    setU8(p + 1, v >> 8);
}
inline void setU32(char* p, std::uint32_t v)
{
    setU16(p, v);
    setU16(p + 2, v >> 16);
}

// Decoders, the mirror of the appenders (used by self-checks and tests).
inline std::uint32_t getU8(const char* p)
{
    return static_cast<unsigned char>(p[0]);
}
inline std::uint32_t getU16(const char* p)
{
    return getU8(p) | (getU8(p + 1) << 8);
}
inline std::uint32_t getU32(const char* p)
{
    return getU16(p) | (getU16(p + 2) << 16);
}
inline double getF64(const char* p)
{
    std::uint64_t bits = getU32(p) | (static_cast<std::uint64_t>(getU32(p + 4)) << 32);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Page/row pointers as tables and long values store them.
inline std::uint32_t pageRow(std::uint32_t page, std::uint32_t row)
{
    return (page << 8) | (row & 0xFF);
}

// RC4 keystream of n bytes for key (n <= 256). Page 0 is hidden with it.
std::string rc4Stream(std::string_view key, std::size_t n);

} // namespace quorlix::jet
