#pragma once
// A list file written while its rows are made. A run into an unsorted
// display adds each row once and never moves it, so a file of the display
// can be written as the rows come, on a thread of its own beside the run,
// and the Save that follows the run only completes it (saveChosenFile with
// SaveContext::prewritten). When the rows saved turn out not to be the
// rows followed (a sorted list, a cleared one, another file chosen), the
// followed file is dropped and Save As writes the list as usual.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "output/ListWriter.h"
#include "output/SaveAs.h"
#include "platform/ResultList.h"
#include "platform/ResultListBuffer.h"

namespace quorlix {

class alignas(64) FollowedFile final : public RowFollower, public PrewrittenFile {
public:
    // A file at path (a temporary name until it is completed), started when
    // the first row comes. One that cannot be started follows nothing; Save
    // As then writes and reports as it always does. Mdb is never followed.
    FollowedFile(const std::string& path, ListFormat format);
    // Drops a file not completed.
    ~FollowedFile() override;
    FollowedFile(const FollowedFile&) = delete;
    FollowedFile& operator=(const FollowedFile&) = delete;

    // On the thread that adds rows.
    void follow(std::string_view row) override;
    void rowsChanged() override;

    bool completeFor(const std::string& path, ListFormat format, const ResultList& list, Status* result) override;

    std::size_t rowsFollowed() const { return m_rows; }

private:
    // Rows travel to the writer in chunks of length-prefixed rows.
    static constexpr std::size_t kChunkBytes = std::size_t{1} << 18;
    static constexpr std::size_t kChunks = 4;

    bool start();
    void handOff();
    void write();
    void stop();
    void drop();

    std::string m_path;
    ListFormat m_format;
    std::unique_ptr<ListWriter> m_writer;
    bool m_following = false;
    std::size_t m_rows = 0;
    PodBuffer<char> m_current; // the chunk being filled

    // What the writer thread touches, on cache lines apart from the rows
    // being gathered above.
    alignas(64) std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<PodBuffer<char>> m_full; // for the writer, oldest first
    std::vector<PodBuffer<char>> m_free;
    std::size_t m_made = 0; // chunks in circulation
    bool m_done = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

} // namespace quorlix
