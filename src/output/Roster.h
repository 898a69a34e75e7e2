#pragma once
// The people a run makes passwords for: read from a roster file, one person
// per row, kept in the file's order. Password n of a run goes to person n.
//
// Two kinds of file:
// - CSV (a name ending in .csv): RFC 4180, UTF-8, a header row naming the
//   columns. The last-name, first-name and user-name columns are found by
//   their headers (RosterColumns), case and blanks, "_" and "-" aside.
// - Any other name: plain text, one "Last, First" per line; a line without a
//   comma is a single name, kept as the last name.
//
// A roster is read whole and checked before anything is generated: a file
// that is not UTF-8, an empty row, a user name given twice, a CSV row with
// more or fewer fields than the header, or more than kMaxRosterPeople rows is
// refused with a sentence that names the file and the line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace quorlix {

inline constexpr std::size_t kMaxRosterPeople = 10'000'000;

struct Person {
    std::string_view lastName;
    std::string_view firstName;
    std::string_view userName; // empty when the roster names no users
};

// Headers to look for; an empty field means the built-in list of that column.
// A header the user names must be there, or the roster is refused.
struct RosterColumns {
    std::string lastName;
    std::string firstName;
    std::string userName;
};

class Roster {
public:
    std::size_t size() const { return m_starts.size(); }
    bool empty() const { return m_starts.empty(); }
    Person person(std::size_t index) const;
    // Whether the roster has a user-name column.
    bool hasUserNames() const { return m_hasUserNames; }
    // The file it was read from, as given.
    const std::string& path() const { return m_path; }

    // Builds a roster in memory (tests, the benchmark).
    void add(std::string_view lastName, std::string_view firstName, std::string_view userName = {});
    void setHasUserNames(bool on) { m_hasUserNames = on; }
    void setPath(std::string path) { m_path = std::move(path); }

private:
    // Each person is lastName \0 firstName \0 userName \0 in one buffer:
    // ten million people cost their text and eight bytes each.
    std::string m_text;
    std::vector<std::uint64_t> m_starts;
    bool m_hasUserNames = false;
    std::string m_path;
};

enum class RosterKind { Csv, Lines };

// Csv for a name ending in ".csv" (any case), else Lines.
RosterKind rosterKindOf(std::string_view path);

// Reads and checks the file at path. On a refusal out is left empty.
Status readRoster(const std::string& path, const RosterColumns& columns, Roster& out);
// The same over bytes in memory; name stands for the file in messages.
Status parseRoster(std::string_view bytes, RosterKind kind, const RosterColumns& columns, const std::string& name,
                   Roster& out);

// User names made from a prefix: prefix + a number of at least three digits,
// as wide as the largest ("pupil001" ... "pupil120"; "pupil0001" for 1,000 people).
std::string numberedUserName(std::string_view prefix, std::size_t number, std::size_t total);

} // namespace quorlix
