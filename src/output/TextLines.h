#pragma once
// Reading text password lists (conversions, sorting, Open Text File): lines ended by
// CR LF, a lone CR or a lone LF, read through a fixed buffer, and the text
// of a line as UTF-8 whatever code page the file was written in.

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

class LineReader {
public:
    explicit LineReader(const std::string& path);
    bool isOpen() const { return static_cast<bool>(m_in.is_open()); }
    bool failed() const { return m_in.bad(); }

    // The next line without its end; false at the end of the file. A file that
    // ends with a line end has no empty line after it.
    bool next(std::string* line);

private:
    bool fill();

    std::ifstream m_in;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_skipLf = false;
};

// Well-formed UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool isValidUtf8(std::string_view s);

// A line as UTF-8: kept when it is valid UTF-8, else read as code page 1252
// (the lists of older Windows programs). Every reader of text lists decodes
// through this one function.
std::string asUtf8(std::string_view line);

} // namespace quorlix
