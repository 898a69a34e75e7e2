#include "words/WordText.h"

#include <cstdint>
#include <vector>

namespace quorlix {

namespace {

struct CodePoint {
    std::uint32_t value; // 0xFFFFFFFF for a stray byte
    std::size_t begin;
    std::size_t size;
};

std::vector<CodePoint> decode(std::string_view text)
{
    std::vector<CodePoint> out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t size = 1;
        std::uint32_t value = b;
        if (b >= 0xC0 && b < 0xE0)
            size = 2, value = b & 0x1Fu;
        else if (b >= 0xE0 && b < 0xF0)
            size = 3, value = b & 0x0Fu;
        else if (b >= 0xF0 && b < 0xF8)
            size = 4, value = b & 0x07u;
        else if (b >= 0x80)
            size = 0;
        bool ok = size != 0 && i + size <= text.size();
        for (std::size_t k = 1; ok && k < size; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                ok = false;
            else
                value = (value << 6) | (c & 0x3Fu);
        }
        if (!ok) {
            out.push_back({0xFFFFFFFFu, i, 1});
            ++i;
            continue;
        }
        out.push_back({value, i, size});
        i += size;
    }
    return out;
}

void encode(std::uint32_t cp, std::string& out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::uint32_t toLower(std::uint32_t cp)
{
    if (cp >= 'A' && cp <= 'Z')
        return cp + 32;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)
        return cp + 32;
    if (cp == 0x178)
        return 0xFF;
    if (cp == 0x152 || cp == 0x160 || cp == 0x17D)
        return cp + 1; // OE, S and Z with caron
    return cp;
}

std::uint32_t toUpper(std::uint32_t cp)
{
    if (cp >= 'a' && cp <= 'z')
        return cp - 32;
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7)
        return cp - 32;
    if (cp == 0xFF)
        return 0x178;
    if (cp == 0x153 || cp == 0x161 || cp == 0x17E)
        return cp - 1;
    return cp;
}

} // namespace

std::string trimVoid(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            out += c;
    return out;
}

std::string asciiUpper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = asciiUpper(c);
    return out;
}

std::string lowerWord(std::string_view text)
{
    bool ascii = true;
    for (char c : text)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    std::string out;
    out.reserve(text.size());
    if (ascii) {
        for (char c : text)
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        return out;
    }
    for (const CodePoint& cp : decode(text)) {
        if (cp.value == 0xFFFFFFFFu)
            out += text[cp.begin];
        else
            encode(toLower(cp.value), out);
    }
    return out;
}

std::size_t characterCount(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return decode(text).size();
    return text.size();
}

std::string upperCharacterAt(std::string_view text, std::size_t q)
{
    const auto cps = decode(text);
    if (q == 0 || q > cps.size())
        return std::string(text);
    const CodePoint& cp = cps[q - 1];
    std::string out(text.substr(0, cp.begin));
    if (cp.value == 0xFFFFFFFFu)
        out += text[cp.begin];
    else
        encode(toUpper(cp.value), out);
    out += text.substr(cp.begin + cp.size);
    return out;
}

std::string upperWord(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const CodePoint& cp : decode(text)) {
        if (cp.value == 0xFFFFFFFFu)
            out += text[cp.begin];
        else
            encode(toUpper(cp.value), out);
    }
    return out;
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace quorlix
