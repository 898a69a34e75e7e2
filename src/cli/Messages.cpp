#include "cli/Messages.h"

#include <cstdio>

namespace quorlix::cli
{

std::string prefixedLines(std::string_view text)
{
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string_view::npos) {
            line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
            if (line.starts_with(kPrefix))
                line.remove_prefix(kPrefix.size());
            out.append(kPrefix).append(line).push_back('\n');
        }
        start = end + 1;
    }
    return out;
}

void say(std::string_view text)
{
    const std::string lines = prefixedLines(text);
    std::fwrite(lines.data(), 1, lines.size(), stderr);
    std::fflush(stderr);
}

} // namespace quorlix::cli
