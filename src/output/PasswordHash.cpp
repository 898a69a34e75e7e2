#include "output/PasswordHash.h"

#include "platform/Worker.h"

#include <crypt.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

#include "platform/Random.h"

namespace quorlix {

namespace {

const char* prefixOf(HashScheme scheme)
{
    switch (scheme) {
    case HashScheme::Yescrypt:
        return "$y$";
    case HashScheme::Sha512crypt:
        return "$6$";
    case HashScheme::Bcrypt:
        return "$2b$";
    }
    return "$y$";
}

// crypt_data is 32 KiB: too much for a thread's stack in a loop, and it holds
// the password, so it is wiped after use.
struct CryptArea {
    CryptArea() : data(std::make_unique<crypt_data>()) {}
    ~CryptArea() { explicit_bzero(data.get(), sizeof(crypt_data)); }
    std::unique_ptr<crypt_data> data;
};

} // namespace

std::optional<HashScheme> hashSchemeFromName(std::string_view name)
{
    if (name == "yescrypt")
        return HashScheme::Yescrypt;
    if (name == "sha512crypt")
        return HashScheme::Sha512crypt;
    if (name == "bcrypt")
        return HashScheme::Bcrypt;
    return std::nullopt;
}

std::string_view hashSchemeName(HashScheme scheme)
{
    switch (scheme) {
    case HashScheme::Yescrypt:
        return "yescrypt";
    case HashScheme::Sha512crypt:
        return "sha512crypt";
    case HashScheme::Bcrypt:
        return "bcrypt";
    }
    return "yescrypt";
}

PasswordHasher::PasswordHasher(HashScheme scheme, SaltSource salt) : m_scheme(scheme), m_salt(std::move(salt))
{
    if (!m_salt)
        m_salt = [](void* out, std::size_t size) { secureRandomBytes(out, size); };
}

Status PasswordHasher::hash(std::string_view password, std::string& out) const
{
    if (m_scheme == HashScheme::Bcrypt && password.size() > kBcryptMaxBytes)
        return Status::invalidArgument("bcrypt reads only the first 72 bytes of a password, and one password has " +
                                       std::to_string(password.size()) + ": choose yescrypt or sha512crypt.");
    if (password.find('\0') != std::string_view::npos)
        return Status::invalidArgument("A password with a NUL character cannot be hashed.");
    unsigned char random[16];
    m_salt(random, sizeof random);
    char setting[CRYPT_GENSALT_OUTPUT_SIZE];
    // libxcrypt's own default for bcrypt is its minimum, cost 5, kept for old
    // systems; a list of account passwords gets the cost most systems use now.
    const unsigned long cost = m_scheme == HashScheme::Bcrypt ? kBcryptCost : 0;
    const char* made = crypt_gensalt_rn(prefixOf(m_scheme), cost, reinterpret_cast<const char*>(random),
                                        sizeof random, setting, sizeof setting);
    explicit_bzero(random, sizeof random);
    if (!made)
        return Status::unsupported("libxcrypt cannot make a " + std::string(hashSchemeName(m_scheme)) +
                                   " setting: " + std::strerror(errno));
    const std::string phrase(password);
    CryptArea area;
    const char* hashed = crypt_rn(phrase.c_str(), setting, area.data.get(), sizeof(crypt_data));
    explicit_bzero(const_cast<char*>(phrase.data()), phrase.size());
    // A failed crypt_rn returns null or a string starting with '*'.
    if (!hashed || hashed[0] == '*')
        return Status::unsupported("libxcrypt could not hash a password with " +
                                   std::string(hashSchemeName(m_scheme)) + ".");
    out.assign(hashed);
    return Status::ok();
}

Status PasswordHasher::hashAll(const std::vector<std::string>& passwords, std::vector<std::string>& hashes,
                               unsigned threads) const
{
    hashes.assign(passwords.size(), {});
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, passwords.size()));
    std::vector<Status> failures(passwords.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < passwords.size();)
            failures[i] = hash(passwords[i], hashes[i]);
    };
    if (threads <= 1) {
        work();
    } else {
        std::vector<std::thread> pool;
        for (unsigned t = 1; t < threads; ++t)
            pool.push_back(startWorker(work));
        work();
        for (auto& t : pool)
            t.join();
    }
    for (const Status& s : failures)
        if (!s)
            return s;
    return Status::ok();
}

bool verifyPassword(std::string_view password, std::string_view hash)
{
    const std::string phrase(password), setting(hash);
    CryptArea area;
    const char* made = crypt_rn(phrase.c_str(), setting.c_str(), area.data.get(), sizeof(crypt_data));
    return made && made[0] != '*' && hash == made;
}

} // namespace quorlix
