#include "output/FollowedFile.h"

#include <cstring>

#include "platform/Worker.h"

namespace quorlix {

FollowedFile::FollowedFile(const std::string& path, ListFormat format)
    : m_path(path), m_format(format), m_following(format != ListFormat::Mdb)
{
}

bool FollowedFile::start()
{
    // The file starts with the first row, once the run is under way: until
    // then nothing of it exists, and an interrupt is the run's to answer.
    Status opened;
    m_writer = openListFile(m_path, m_format, &opened);
    if (!m_writer)
        return false;
    m_writer->begin();
    m_current.reserve(kChunkBytes);
    m_made = 1;
    try {
        m_thread = startWorker([this] { write(); });
    } catch (const std::system_error&) {
        drop();
        return false;
    }
    return true;
}

FollowedFile::~FollowedFile()
{
    stop();
    drop();
}

void FollowedFile::follow(std::string_view row)
{
    if (!m_following)
        return;
    if (!m_writer && !start()) {
        m_following = false;
        return;
    }
    if (row.size() > 0xFFFF) {
        m_following = false; // not followed; Save As writes the list
        return;
    }
    if (m_current.size() + 2 + row.size() > kChunkBytes)
        handOff();
    const char length[2] = {static_cast<char>(row.size() & 0xFF), static_cast<char>(row.size() >> 8)};
    m_current.append(length, 2);
    m_current.append(row.data(), row.size());
    ++m_rows;
}

void FollowedFile::rowsChanged()
{
    // Rows already written cannot be taken back; none written, nothing changes.
    if (m_rows > 0)
        m_following = false;
}

void FollowedFile::handOff()
{
    std::unique_lock lock(m_mutex);
    m_full.push_back(std::move(m_current));
    m_changed.notify_all();
    if (m_free.empty() && m_made < kChunks) {
        ++m_made;
        lock.unlock();
        m_current = PodBuffer<char>();
        m_current.reserve(kChunkBytes);
        return;
    }
    m_changed.wait(lock, [this] { return !m_free.empty() || m_failure; });
    if (!m_free.empty()) {
        m_current = std::move(m_free.back());
        m_free.pop_back();
    } else {
        m_following = false; // the writer failed; completeFor() reports it
        m_current = PodBuffer<char>();
    }
}

void FollowedFile::write()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_full.empty() || m_done; });
        if (m_full.empty())
            return;
        PodBuffer<char> chunk = std::move(m_full.front());
        m_full.erase(m_full.begin());
        lock.unlock();
        try {
            for (std::size_t at = 0; at + 2 <= chunk.size();) {
                const std::size_t length =
                    static_cast<unsigned char>(chunk[at]) | static_cast<std::size_t>(static_cast<unsigned char>(chunk[at + 1])) << 8;
                m_writer->add(std::string_view(chunk.data() + at + 2, length));
                at += 2 + length;
            }
        } catch (...) {
            lock.lock();
            m_failure = std::current_exception();
            m_changed.notify_all();
            return;
        }
        chunk.clear(); // it held passwords
        lock.lock();
        m_free.push_back(std::move(chunk));
        m_changed.notify_all();
    }
}

void FollowedFile::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void FollowedFile::drop()
{
    m_following = false;
    if (m_writer) {
        m_writer->discard();
        m_writer.reset();
    }
}

bool FollowedFile::completeFor(const std::string& path, ListFormat format, const ResultList& list, Status* result)
{
    if (!m_following || !m_writer || path != m_path || format != m_format || list.sorted() ||
        m_rows != list.count()) {
        stop();
        drop();
        return false;
    }
    if (!m_current.empty())
        handOff();
    stop();
    m_following = false;
    if (m_failure) {
        drop();
        try {
            std::rethrow_exception(m_failure);
        } catch (const std::exception& e) {
            *result = Status::ioError(e.what());
        } catch (...) {
            *result = Status::ioError("The file could not be written.");
        }
        return true;
    }
    *result = m_writer->finish();
    if (!result->isOk())
        m_writer->discard();
    m_writer.reset();
    return true;
}

} // namespace quorlix
