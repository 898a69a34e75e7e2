#include "words/DictionaryFile.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/AtomicFile.h"

namespace quorlix {

namespace {

char letterTable(char letter, bool* ok)
{
    const char upper = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
    *ok = upper >= 'A' && upper <= 'Z';
    return upper;
}

// Position of the "Word" field, or npos.
std::size_t wordColumn(const jet::TableReader& table)
{
    const auto& names = table.columnNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& n = names[i];
        if (n.size() == kDictionaryWordField.size() &&
            std::equal(n.begin(), n.end(), kDictionaryWordField.begin(), [](char a, char b) {
                return (a | 0x20) == (b | 0x20);
            }))
            return i;
    }
    return std::string::npos;
}

Status missingWordField(char letter)
{
    return Status::notFound("Field 'Word' not found in table '" + std::string(1, letter) + "'.");
}

} // namespace

DictionaryFailure classifyDictionaryFailure(const Status& failure)
{
    switch (failure.code()) {
    case Status::Code::InvalidFileName:
        return DictionaryFailure::InvalidFileName;
    case Status::Code::NotFound:
        return DictionaryFailure::NotADictionary;
    default:
        return DictionaryFailure::Unknown;
    }
}

std::string dictionaryFailureMessage(const Status& failure, const std::string& fullPath, bool singleWindowRun)
{
    const DictionaryFailure kind = classifyDictionaryFailure(failure);
    if (kind == DictionaryFailure::NotADictionary)
        return fullPath + " file appears to not be a Quorlix dictionary file or is damaged. Please re-download this "
                          "file and try again.";
    if (kind == DictionaryFailure::InvalidFileName && singleWindowRun)
        return "It appears that no dictionary file has been selected (from the 'Random Words' window) to create "
               "random words with. You must first select a dictionary file before executing this request. If you do "
               "not have any dictionary files listed to select from, this means that you must download (free) one or "
               "more in order to use them. Select the 'DOWNLOAD DICTIONARY FILE' option from the 'DICTIONARY' menu.";
    return fullPath + " file triggered an unknown error. This file may be damaged. please re-download this "
                      "dictionary file and try again.";
}

DictionaryFile::DictionaryFile(std::string path, std::unique_ptr<jet::DatabaseReader> db)
    : m_path(std::move(path)), m_db(std::move(db))
{
}

std::unique_ptr<DictionaryFile> DictionaryFile::openDictionary(const std::string& programFolder,
                                                               const std::string& fileName, Status* error)
{
    return openPath(programFolder + fileName, error);
}

std::unique_ptr<DictionaryFile> DictionaryFile::openPath(const std::string& fullPath, Status* error)
{
    Status status;
    auto db = jet::DatabaseReader::open(fullPath, kDictionaryPassword, &status);
    if (error)
        *error = status;
    if (!db)
        return nullptr;
    return std::unique_ptr<DictionaryFile>(new DictionaryFile(fullPath, std::move(db)));
}

std::unique_ptr<jet::TableReader> DictionaryFile::openLetter(char letter, Status* error)
{
    bool ok = false;
    const char table = letterTable(letter, &ok);
    if (!ok) {
        if (error)
            *error = Status::notFound("Table '" + std::string(1, letter) + "' not found in " + m_path + ".");
        return nullptr;
    }
    return m_db->openTable(std::string(1, table), error);
}

Status DictionaryFile::verifyDictionary()
{
    Status status;
    auto table = openLetter('A', &status);
    if (!table)
        return status;
    const std::size_t column = wordColumn(*table);
    if (column == std::string::npos)
        return missingWordField('A');
    if (!table->next()) {
        if (!table->status().isOk())
            return table->status();
        // Reading a field of an empty record set has no current record.
        return Status::corruption("No current record.");
    }
    table->field(column);
    return table->status();
}

Status DictionaryFile::countWords(WordCounts* counts)
{
    *counts = WordCounts{};
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        Status status;
        auto table = openLetter(letter, &status);
        if (!table)
            return status;
        // Walk the whole table, as moving to its last record does: a table
        // whose pages cannot all be read fails here instead of mid-run.
        std::int32_t n = 0;
        while (table->next())
            ++n;
        if (!table->status().isOk())
            return table->status();
        counts->count[static_cast<std::size_t>(letter - 'A')] = n;
        counts->total += n;
    }
    return Status::ok();
}

Status DictionaryFile::readWords(char letter, std::vector<std::string>* words)
{
    words->clear();
    Status status;
    auto table = openLetter(letter, &status);
    if (!table)
        return status;
    const std::size_t column = wordColumn(*table);
    if (column == std::string::npos) {
        bool ok = false;
        return missingWordField(letterTable(letter, &ok));
    }
    // The count comes from the file; a damaged one must not decide an allocation.
    words->reserve(static_cast<std::size_t>(std::min<std::uint64_t>(table->rowCount(), 1u << 20)));
    while (table->next()) {
        if (auto word = table->field(column))
            words->push_back(std::move(*word));
    }
    return table->status();
}

Status createDictionary(const std::string& path, const std::vector<std::string>& words, jet::JetVersion version)
{
    std::array<std::vector<std::size_t>, 26> byLetter;
    for (std::size_t i = 0; i < words.size(); ++i) {
        bool ok = false;
        const char letter = words[i].empty() ? '\0' : letterTable(words[i][0], &ok);
        if (!ok)
            return Status::invalidArgument("The word \"" + words[i] + "\" does not begin with a letter from A to Z.");
        byLetter[static_cast<std::size_t>(letter - 'A')].push_back(i);
    }

    FileReplacement replacement;
    Status status = replacement.open(path);
    if (!status.isOk())
        return status;
    auto writer = jet::DatabaseWriter::create(replacement.tempPath(), version, kDictionaryPassword, &status);
    if (!writer)
        return status;
    const std::vector<jet::TextColumn> columns{{std::string(kDictionaryWordField), false}};
    for (std::size_t letter = 0; letter < byLetter.size() && status.isOk(); ++letter) {
        status = writer->createTable(std::string(1, static_cast<char>('A' + letter)), columns);
        std::vector<std::optional<std::string_view>> row(1);
        for (std::size_t index : byLetter[letter]) {
            if (!status.isOk())
                break;
            row[0] = words[index];
            status = writer->appendRow(row);
        }
    }
    const Status closed = writer->close();
    writer.reset();
    if (status.isOk())
        status = closed;
    if (status.isOk())
        status = replacement.commit();
    return status;
}

} // namespace quorlix
