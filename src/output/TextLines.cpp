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
        std::size_t extra = 0;
        if (c < 0x80)
            extra = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            extra = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            extra = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3;
        else
            return false;
        if (i + extra >= s.size() && extra > 0)
            return false;
        // The second byte's range also shuts out overlong forms, UTF-16
        // surrogates and code points past U+10FFFF.
        const unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
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
