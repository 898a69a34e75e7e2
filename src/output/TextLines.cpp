#include "output/TextLines.h"

#include "platform/jet/JetReader.h"

namespace quorlix {

LineReader::LineReader(const std::string& path) : m_in(path, std::ios::binary), m_buffer(1 << 16) {}

bool LineReader::next(std::string* line)
{
    line->clear();
    bool any = false;
    for (;;) {
        if (m_pos == m_end && !fill())
            return any;
        if (m_skipLf) {
            m_skipLf = false;
            if (m_buffer[m_pos] == '\n') {
                ++m_pos;
                continue;
            }
        }
        any = true;
        const std::size_t start = m_pos;
        while (m_pos < m_end && m_buffer[m_pos] != '\r' && m_buffer[m_pos] != '\n')
            ++m_pos;
        line->append(m_buffer.data() + start, m_pos - start);
        if (m_pos < m_end) {
            m_skipLf = m_buffer[m_pos] == '\r';
            ++m_pos;
            return true;
        }
    }
}

bool LineReader::fill()
{
    if (!m_in)
        return false;
    m_in.read(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
    m_pos = 0;
    m_end = static_cast<std::size_t>(m_in.gcount());
    return m_end > 0;
}

bool isValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        // Lead byte: the number of bytes that follow and the range of the
        // first of them (no overlong forms, no surrogates, nothing past U+10FFFF).
        std::size_t extra = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + extra >= s.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF))
                return false;
        }
        i += extra + 1;
    }
    return true;
}

std::string asUtf8(std::string_view line)
{
    return isValidUtf8(line) ? std::string(line) : jet::cp1252ToUtf8(line);
}

} // namespace quorlix
