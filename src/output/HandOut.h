#pragma once
// Handing passwords out: what a list needs beyond the passwords when each
// password goes to a person. The roster names the people, in order; a prefix
// can make user names; a hash scheme adds the hashed form for account
// systems; the slip options shape the printable PDF.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "output/PasswordHash.h"
#include "output/Roster.h"

namespace quorlix {

enum class PaperSize { A4, Letter };

struct SlipOptions {
    PaperSize paper = PaperSize::A4;
    int perPage = 8;     // 1, 4, 8 or 10
    bool qrCode = false; // a QR code of the password beside it
    std::string heading; // above the name; empty: none
};

inline constexpr int kSlipsPerPageChoices[] = {1, 4, 8, 10};
bool isSlipsPerPageChoice(int perPage);

struct HandOut {
    // The people, password n to person n; null: a list without names.
    std::shared_ptr<const Roster> roster;
    // Makes user names prefix001, prefix002, ... when the roster has none.
    std::string userPrefix;
    // Hashes chpasswd lists, and adds a Hash column to CSV and MDB lists.
    std::optional<HashScheme> hash;
    // TXT lists get "Last, First<TAB>password" lines.
    bool namesInText = false;
    // A line the user types, on every slip and in the notes column of the
    // password-manager list; empty: none.
    std::string note;
    SlipOptions slips;
    // How many rows the list will hold: numbered user names are as wide as
    // the largest number. The roster's size when there is a roster.
    std::size_t rows = 0;

    bool hasNames() const { return roster && !roster->empty(); }
    bool hasUserNames() const { return (roster && roster->hasUserNames()) || !userPrefix.empty(); }
    // Whether a list written with this differs from a plain one at all.
    bool isPlain() const { return !roster && userPrefix.empty() && !hash; }
};

} // namespace quorlix
