#include "output/DisplayTools.h"

#include "output/TextLines.h"
#include "output/ViewerTexts.h"

namespace quorlix {

Status readTextFileInto(const std::string& path, ResultList& list, const std::function<void()>& yield)
{
    LineReader in(path);
    if (!in.isOpen())
        return Status::ioError("Could not open " + path);
    std::string line;
    while (in.next(&line)) {
        if (yield)
            yield();
        list.add(asUtf8(line));
    }
    if (in.failed())
        return Status::ioError("Could not read " + path);
    return Status::ok();
}

std::string numberedTooltip(std::size_t index, std::string_view text)
{
    return std::to_string(index + 1) + ".  " + std::string(text);
}

std::string viewerFailureMessage(const std::string& path)
{
    std::string type = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    for (char& c : type)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (type == "MDB")
        return "Unable to open " + path + std::string(texts::kMdbViewerHint);
    if (type == "CSV")
        return "Unable to open " + path + std::string(texts::kCsvViewerHint) + std::string(texts::kCsvViewerHintMore);
    return {};
}

} // namespace quorlix
