#include "words/DictionaryWordSource.h"

#include <array>
#include <atomic>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/Worker.h"
#include "platform/jet/JetReader.h"
#include "words/DictionaryFile.h"

namespace quorlix {

namespace {

// Reads the letter tables, taking the next one not yet taken from next,
// until none is left or a table failed (here or on the other thread).
void readTables(DictionaryFile& file, std::atomic<int>& next, std::atomic<bool>& failed, WordTables& tables,
                std::array<Status, WordTables::kTables>& results)
{
    const jet::QuietLibrary quiet;
    for (int t = next++; t < WordTables::kTables && !failed.load(); t = next++) {
        auto& words = tables.tables[static_cast<std::size_t>(t)];
        words.clear();
        results[static_cast<std::size_t>(t)] = file.readWords(static_cast<char>('A' + t), &words);
        if (!results[static_cast<std::size_t>(t)])
            failed.store(true);
    }
}

} // namespace

Status DictionaryWordSource::load(const std::string& programFolder, const std::string& fileName, WordTables* tables)
{
    Status error;
    auto file = DictionaryFile::openDictionary(programFolder, fileName, &error);
    if (!file)
        return error.isOk() ? Status::ioError("The dictionary could not be opened.") : error;
    if (Status s = file->verifyDictionary(); !s)
        return s;
    for (auto& table : tables->tables)
        table.clear();

    // Most of a load is libmdb's work per record. With a second processor, a
    // second opening of the file (libmdb wants a handle per thread) reads
    // tables beside the first; either takes the next table not yet taken.
    // Tables are taken in order, so the first failure in table order is
    // the one a reading in order meets.
    std::unique_ptr<DictionaryFile> second;
    if (processorsAvailable() > 1)
        second = DictionaryFile::openDictionary(programFolder, fileName, nullptr);
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::array<Status, WordTables::kTables> results;
    std::thread helper;
    std::exception_ptr helperFailure;
    if (second) {
        try {
            helper = startWorker([&] {
                try {
                    readTables(*second, next, failed, *tables, results);
                } catch (...) {
                    helperFailure = std::current_exception();
                    failed.store(true);
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: this one reads them all.
        }
    }
    try {
        readTables(*file, next, failed, *tables, results);
    } catch (...) {
        failed.store(true);
        if (helper.joinable())
            helper.join();
        throw;
    }
    if (helper.joinable())
        helper.join();
    if (helperFailure)
        std::rethrow_exception(helperFailure);
    for (const Status& result : results)
        if (!result)
            return result;
    return Status::ok();
}

std::string DictionaryWordSource::failureMessage(const Status& failure, const std::string& fullPath,
                                                 bool singleWindowRun) const
{
    return dictionaryFailureMessage(failure, fullPath, singleWindowRun);
}

} // namespace quorlix
