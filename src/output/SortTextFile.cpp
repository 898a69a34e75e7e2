#include "output/SortTextFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <vector>

#include "output/TextLines.h"
#include "platform/AtomicFile.h"
#include "platform/ResultListOrder.h"

namespace quorlix {

namespace {

void setError(Status* error, Status status)
{
    if (error)
        *error = std::move(status);
}

Status readWhole(const std::string& path, std::uint64_t sizeHint, PodBuffer<char>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return Status::ioError("Could not open " + path + ": " + std::strerror(errno));
    bytes.reserve(static_cast<std::size_t>(sizeHint) + 1);
    for (;;) {
        if (bytes.size() == bytes.capacity())
            bytes.reserve(bytes.capacity() * 2);
        const std::size_t got = std::fread(bytes.end(), 1, bytes.capacity() - bytes.size(), f);
        if (got == 0)
            break;
        bytes.resize(bytes.size() + got);
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return Status::ioError("Could not read " + path);
    return Status::ok();
}

// Drops the line ends from bytes in place, leaving the lines back to back, and
// returns where each line starts plus one entry for the end of the last.
// firstEnd receives the first line end ("" when there is none).
PodBuffer<std::uint64_t> splitLines(PodBuffer<char>& bytes, std::string* firstEnd)
{
    PodBuffer<std::uint64_t> starts;
    const std::size_t size = bytes.size();
    std::size_t read = 0;
    std::size_t write = 0;
    // At least one line, so an empty file reads as one empty line.
    do {
        starts.push_back(write);
        while (read < size && bytes[read] != '\r' && bytes[read] != '\n')
            bytes[write++] = bytes[read++];
        if (read < size) {
            const bool cr = bytes[read] == '\r';
            ++read;
            const bool crLf = cr && read < size && bytes[read] == '\n';
            if (crLf)
                ++read;
            if (firstEnd->empty())
                *firstEnd = crLf ? "\r\n" : cr ? "\r" : "\n";
        }
    } while (read < size);
    starts.push_back(write);
    bytes.resize(write);
    return starts;
}

// Lines that are not UTF-8 are read as code page 1252 and become UTF-8, as in
// the conversions and Open Text File.
void recodeLines(PodBuffer<char>& bytes, PodBuffer<std::uint64_t>& starts)
{
    PodBuffer<char> recoded;
    recoded.reserve(bytes.size() + bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
        const std::string line =
            asUtf8(std::string_view(bytes.data() + starts[i], static_cast<std::size_t>(starts[i + 1] - starts[i])));
        starts[i] = recoded.size();
        recoded.append(line.data(), line.size());
    }
    starts[starts.size() - 1] = recoded.size();
    bytes = std::move(recoded);
}

} // namespace

namespace
{

struct SortedLines {
    PodBuffer<char> bytes;
    PodBuffer<std::uint64_t> starts;
    PodBuffer<std::uint32_t> order;
    std::size_t count = 0;
    std::string lineEnd; // the file's first; CR LF when it has none

    std::string_view line(std::uint32_t i) const
    {
        return std::string_view(bytes.data() + starts[i], static_cast<std::size_t>(starts[i + 1] - starts[i]));
    }
};

// False when no file exists at path (error stays Ok) or it cannot be read.
bool readSorted(const std::string& path, bool caseSensitive, SortedLines& sorted, Status* error)
{
    setError(error, Status::ok());
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if (S_ISDIR(st.st_mode)) {
        setError(error, Status::invalidFileName(path + " is a folder, not a text file."));
        return false;
    }

    PodBuffer<char>& bytes = sorted.bytes;
    if (Status read = readWhole(path, static_cast<std::uint64_t>(st.st_size), bytes); !read.isOk()) {
        setError(error, std::move(read));
        return false;
    }
    // Line ends are ASCII: a file that is UTF-8 as a whole is so line by line.
    // Checked before the line ends go, since lines joined may form a
    // character neither holds alone.
    const bool utf8 = isValidUtf8(std::string_view(bytes.data(), bytes.size()));
    sorted.starts = splitLines(bytes, &sorted.lineEnd);
    // A list keeps its own line ends; one without any gets the lists' CR LF.
    if (sorted.lineEnd.empty())
        sorted.lineEnd = "\r\n";
    if (!utf8)
        recodeLines(bytes, sorted.starts);
    sorted.count = sorted.starts.size() - 1;
    if (sorted.count > UINT32_MAX) {
        setError(error, Status::tooLarge(path + " has too many lines to sort."));
        return false;
    }
    sorted.order.reserve(sorted.count);
    appendSortedRows(
        0, static_cast<std::uint32_t>(sorted.count), [&](std::uint32_t i) { return sorted.line(i); }, !caseSensitive,
        sorted.order);
    return true;
}

// The lines in sorted order, each followed by lineEnd, in large pieces.
void writeSorted(const SortedLines& sorted, std::string_view lineEnd,
                 const std::function<void(std::string_view)>& write)
{
    std::string buffer;
    buffer.reserve(1 << 18);
    const std::size_t lines = sorted.count;
    for (std::size_t k = 0; k < lines; ++k) {
        // The lines are read in sorted order, all over memory: ask for them ahead.
        if (k + 64 < lines)
            __builtin_prefetch(&sorted.starts[sorted.order[k + 64]]);
        if (k + 32 < lines)
            __builtin_prefetch(sorted.bytes.data() + sorted.starts[sorted.order[k + 32]]);
        buffer.append(sorted.line(sorted.order[k]));
        buffer.append(lineEnd);
        if (buffer.size() >= (1 << 18) - 256) {
            write(buffer);
            buffer.clear();
        }
    }
    write(buffer);
}

} // namespace

bool SortTextFile(const std::string& path, bool caseSensitive, Status* error)
{
    SortedLines sorted;
    if (!readSorted(path, caseSensitive, sorted, error))
        return false;
    AtomicFile out;
    if (Status opened = out.open(path); !opened.isOk()) {
        setError(error, std::move(opened));
        return false;
    }
    writeSorted(sorted, sorted.lineEnd, [&out](std::string_view bytes) { out.write(bytes); });
    if (Status done = out.commit(); !done.isOk()) {
        setError(error, std::move(done));
        return false;
    }
    return true;
}

bool sortTextFileInto(const std::string& path, bool caseSensitive, const std::function<void(std::string_view)>& write,
                      Status* error)
{
    SortedLines sorted;
    if (!readSorted(path, caseSensitive, sorted, error))
        return false;
    // Standard output, where every tool of a pipe expects LF.
    writeSorted(sorted, "\n", write);
    return true;
}

} // namespace quorlix
