#include "words/DictionaryCheck.h"

#include <filesystem>

#include "words/WordRuns.h"
#include "words/WordText.h"

namespace quorlix {

namespace {

// Letters of the password upper-cased, without allocating (passwords are at
// most a few dozen characters).
struct Letters {
    char text[128];
    std::size_t size = 0;
};

void collectLetters(std::string_view password, Letters& out)
{
    for (char c : password) {
        if (out.size == sizeof out.text)
            break;
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            out.text[out.size++] = asciiUpper(c);
    }
}

} // namespace

bool dictionaryHit(const DictionaryIndex& index, std::string_view password, int drawnLength, DictionaryMode mode)
{
    if (drawnLength <= 3)
        return false;
    Letters letters;
    collectLetters(password, letters);
    if (letters.size < 4)
        return false;
    if (mode == DictionaryMode::Whole)
        return index.containsWord(password, WordTables::indexOf(letters.text[0]));
    // The last three letters never choose a table.
    std::uint32_t tables = 0;
    for (std::size_t k = 0; k + 3 < letters.size; ++k)
        tables |= DictionaryIndex::tableBit(WordTables::indexOf(letters.text[k]));
    return index.anyWordIn(password, tables);
}

Status DictionaryChecker::prepare(const std::string& fileName)
{
    if (!m_source)
        return m_index ? Status::ok() : Status::notFound("No dictionary source.");
    const std::string folder = m_places.folderOf(fileName);
    const std::string path = folder + fileName;
    // The messages are those of a word run's dictionary: the same files, the same remedies.
    if (!fileExists(path)) {
        m_index.reset();
        m_indexedPath.clear();
        return Status::notFound(dictionaryNotFoundMessage(path));
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    const auto time = ec ? std::filesystem::file_time_type{} : std::filesystem::last_write_time(path, ec);
    const std::int64_t stamp = time.time_since_epoch().count();
    if (!ec && m_index && path == m_indexedPath && size == m_indexedSize && stamp == m_indexedTime)
        return Status::ok();
    m_index.reset();
    m_indexedPath.clear();
    WordTables tables;
    if (Status s = m_source->load(folder, fileName, &tables); !s)
        return Status::corruption(m_source->failureMessage(s, path, false));
    m_index = std::make_shared<const DictionaryIndex>(tables);
    if (!ec) {
        m_indexedPath = path;
        m_indexedSize = size;
        m_indexedTime = stamp;
    }
    return Status::ok();
}

bool DictionaryChecker::accept(std::string_view password, int drawnLength, DictionaryMode mode)
{
    if (!m_index || drawnLength <= 3)
        return true;
    Letters letters;
    collectLetters(password, letters);
    if (letters.size < 4)
        return true;
    if (dictionaryHit(*m_index, password, drawnLength, mode)) {
        if (!m_multiFileName)
            m_surface.setStatus(kDictionaryHitStatus);
        return false;
    }
    if (mode == DictionaryMode::Hybrid) {
        if (m_multiFileName)
            m_surface.setStatus("Writing to File: " + *m_multiFileName);
        else
            m_surface.setStatus(kDictionaryPassStatus);
    }
    return true;
}

} // namespace quorlix
