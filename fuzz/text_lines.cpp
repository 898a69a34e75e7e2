// The line reader of conversions, sorting and Open Text File, and its decoding,
// on any bytes: the lines are exactly those between the line ends, and every
// line comes out as valid UTF-8. Sorting the file in place keeps its lines.

#include <algorithm>
#include <vector>

#include "FuzzInput.h"
#include "output/SortTextFile.h"
#include "output/TextLines.h"

using namespace quorlix;

namespace {

// CR LF, a lone CR and a lone LF each end a line; no empty line after a last line end.
std::vector<std::string> expectedLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            line.push_back(c);
            open = true;
        }
    }
    if (open)
        lines.push_back(line);
    return lines;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool strictUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c < 0x80)
            n = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            n = 1;
        else if (c == 0xE0)
            n = 2, lo = 0xA0;
        else if (c == 0xED)
            n = 2, hi = 0x9F;
        else if (c >= 0xE1 && c <= 0xEF)
            n = 2;
        else if (c == 0xF0)
            n = 3, lo = 0x90;
        else if (c == 0xF4)
            n = 3, hi = 0x8F;
        else if (c >= 0xF1 && c <= 0xF3)
            n = 3;
        else
            return false;
        if (s.size() - i <= n)
            return n == 0;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF))
                return false;
        }
        i += n + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzz::text(data, size);
    const std::string path = fuzz::writeScratch("list.txt", bytes);

    std::vector<std::string> lines;
    {
        LineReader reader(path);
        if (!reader.isOpen())
            fuzz::fail("the scratch file does not open");
        std::string line;
        while (reader.next(&line)) {
            if (!strictUtf8(asUtf8(line)))
                fuzz::fail("a decoded line is not valid UTF-8");
            lines.push_back(line);
        }
        if (reader.failed())
            fuzz::fail("reading failed");
    }
    if (lines != expectedLines(bytes))
        fuzz::fail("lines differ from those between the line ends");

    // Sorting keeps every line (it may change the line ends and the order, and
    // writes lines that were not UTF-8 as UTF-8).
    Status status;
    if (!SortTextFile(path, (size & 1) != 0, &status))
        return 0;
    std::vector<std::string> sorted;
    LineReader reader(path);
    std::string line;
    while (reader.next(&line))
        sorted.push_back(line);
    // An empty file sorts as one empty line.
    std::vector<std::string> before;
    for (const std::string& l : lines)
        before.push_back(asUtf8(l));
    if (before.empty())
        before.push_back("");
    std::sort(before.begin(), before.end());
    std::sort(sorted.begin(), sorted.end());
    if (sorted != before)
        fuzz::fail("sorting lost or changed lines");
    return 0;
}
