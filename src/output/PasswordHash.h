#pragma once
// Password hashes for account systems (chpasswd -e, /etc/shadow), made by
// libxcrypt: crypt_gensalt_rn for the setting, crypt_rn for the hash. Salts
// come from the secure random source; every hash has its own.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace quorlix {

// Each at libxcrypt's default cost.
enum class HashScheme { Yescrypt, Sha512crypt, Bcrypt };

// "yescrypt", "sha512crypt", "bcrypt"; nullopt for any other name.
std::optional<HashScheme> hashSchemeFromName(std::string_view name);
std::string_view hashSchemeName(HashScheme scheme);

// bcrypt reads no further than this; a longer password would match others.
inline constexpr std::size_t kBcryptMaxBytes = 72;
// The bcrypt cost ($2b$10$): 2^10 rounds.
inline constexpr unsigned long kBcryptCost = 10;

// Fills size bytes; the program passes secureRandomBytes, tests a script.
using SaltSource = std::function<void(void* out, std::size_t size)>;

class PasswordHasher {
public:
    explicit PasswordHasher(HashScheme scheme, SaltSource salt = {});

    // The hash of password ("$y$...", "$6$...", "$2b$..."). A password bcrypt
    // cannot hold whole, or one libxcrypt refuses, gives a Status.
    Status hash(std::string_view password, std::string& out) const;

    // Hashes passwords[i] into hashes[i] on up to `threads` threads (0: one per
    // core). The first failure in list order is returned; hashes is then unusable.
    Status hashAll(const std::vector<std::string>& passwords, std::vector<std::string>& hashes,
                   unsigned threads = 0) const;

    HashScheme scheme() const { return m_scheme; }

private:
    HashScheme m_scheme;
    SaltSource m_salt;
};

// Whether hash is a hash of password, by libxcrypt's crypt_rn.
bool verifyPassword(std::string_view password, std::string_view hash);

} // namespace quorlix
