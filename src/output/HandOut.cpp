#include "output/HandOut.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "output/ListWriter.h"

namespace quorlix {

bool isSlipsPerPageChoice(int perPage)
{
    return std::find(std::begin(kSlipsPerPageChoices), std::end(kSlipsPerPageChoices), perPage) !=
           std::end(kSlipsPerPageChoices);
}

namespace {

void wipe(std::string& s)
{
    if (!s.empty())
        explicit_bzero(s.data(), s.size());
    s.clear();
}

// Gives password n to person n. Hashing is slow by design (milliseconds
// each), so passwords are hashed a batch at a time on every core and passed
// on in their order.
class PairingWriter final : public ListWriter {
public:
    PairingWriter(std::unique_ptr<ListWriter> inner, const HandOut& handOut)
        : m_inner(std::move(inner)), m_roster(handOut.roster), m_prefix(handOut.userPrefix),
          m_rows(handOut.roster ? handOut.roster->size() : handOut.rows)
    {
        if (handOut.hash) {
            m_hasher.emplace(*handOut.hash);
            m_threads = std::max(1u, std::thread::hardware_concurrency());
        }
    }
    ~PairingWriter() override { dropPending(); }

    void begin() override { m_inner->begin(); }
    void add(std::string_view password) override
    {
        if (!m_status)
            return;
        if (!m_hasher) {
            pass(password, {});
            return;
        }
        m_pending.emplace_back(password);
        // Enough for every core to stay busy, few enough that Stop is heard soon.
        if (m_pending.size() >= 4 * m_threads)
            hashPending();
    }
    // The names come from the roster, whatever the caller had.
    void addRow(const ListRow& row) override { add(row.password); }
    Status finish() override
    {
        hashPending();
        if (!m_status) {
            m_inner->discard();
            return m_status;
        }
        return m_inner->finish();
    }
    Status closeUnfinished() override
    {
        hashPending();
        const Status closed = m_inner->closeUnfinished();
        return m_status ? closed : m_status;
    }
    void discard() override
    {
        dropPending();
        m_inner->discard();
    }

private:
    void pass(std::string_view password, std::string_view hash)
    {
        ListRow row{password};
        row.hash = hash;
        if (m_roster && m_done < m_roster->size()) {
            const Person p = m_roster->person(m_done);
            row.lastName = p.lastName;
            row.firstName = p.firstName;
            row.userName = p.userName;
        }
        if (row.userName.empty() && !m_prefix.empty()) {
            m_userName = numberedUserName(m_prefix, m_done + 1, std::max(m_rows, m_done + 1));
            row.userName = m_userName;
        }
        ++m_done;
        m_inner->addRow(row);
    }
    void hashPending()
    {
        if (m_pending.empty() || !m_status)
            return dropPending();
        m_status = m_hasher->hashAll(m_pending, m_hashes, m_threads);
        if (m_status)
            for (std::size_t i = 0; i < m_pending.size(); ++i)
                pass(m_pending[i], m_hashes[i]);
        dropPending();
    }
    void dropPending()
    {
        for (auto& p : m_pending)
            wipe(p);
        m_pending.clear();
        m_hashes.clear();
    }

    std::unique_ptr<ListWriter> m_inner;
    std::shared_ptr<const Roster> m_roster;
    std::string m_prefix;
    std::size_t m_rows;
    std::optional<PasswordHasher> m_hasher;
    unsigned m_threads = 1;
    std::vector<std::string> m_pending;
    std::vector<std::string> m_hashes;
    std::string m_userName;
    std::size_t m_done = 0;
    Status m_status;
};

} // namespace

std::unique_ptr<ListWriter> pairWithPeople(std::unique_ptr<ListWriter> inner, const HandOut& handOut)
{
    return std::make_unique<PairingWriter>(std::move(inner), handOut);
}

} // namespace quorlix
