// The roster reader on any bytes, both kinds: a roster either is refused with
// a sentence that names the roster, or names at least one person, no name
// holds a control character, and no user name is given twice.

#include <set>

#include "FuzzInput.h"
#include "output/Roster.h"

using namespace quorlix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzz::text(data, size);
    for (RosterKind kind : {RosterKind::Csv, RosterKind::Lines}) {
        Roster roster;
        const Status s = parseRoster(bytes, kind, {}, "r", roster);
        if (!s) {
            if (!roster.empty() || !s.message().starts_with("The roster r"))
                std::abort();
            continue;
        }
        if (roster.empty())
            std::abort();
        std::set<std::string_view> users;
        for (std::size_t i = 0; i < roster.size(); ++i) {
            const Person p = roster.person(i);
            for (std::string_view name : {p.lastName, p.firstName, p.userName})
                for (char c : name)
                    if (static_cast<unsigned char>(c) < 0x20)
                        std::abort();
            if (p.lastName.empty() && p.firstName.empty() && p.userName.empty())
                std::abort();
            if (!p.userName.empty() && !users.insert(p.userName).second)
                std::abort();
        }
    }
    return 0;
}
