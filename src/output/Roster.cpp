#include "output/Roster.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <numeric>
#include <optional>

#include "output/TextLines.h"

namespace quorlix {

namespace {

// Headers, written as normalize() leaves them, in the order they are preferred.
constexpr std::array kLastNameHeaders{"lastname", "surname", "familyname", "last", "family", "nachname", "nom"};
constexpr std::array kFirstNameHeaders{"firstname", "givenname", "forename", "first", "given", "vorname", "prenom"};
constexpr std::array kUserNameHeaders{"username", "user", "login", "loginname", "account", "accountname", "userid",
                                      "uid", "samaccountname"};

// Lower-case ASCII without blanks, "_", "-" and ".": "Last Name", "last_name"
// and "LastName" are one header.
std::string normalize(std::string_view header)
{
    std::string out;
    for (char c : header) {
        if (c == ' ' || c == '_' || c == '-' || c == '.' || c == '\t')
            continue;
        out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return out;
}

std::string_view trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string withDigitGroups(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

bool hasControl(std::string_view s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// Collects people and refuses what a roster must not hold.
class Builder {
public:
    Builder(const std::string& name, Roster& out) : m_name(name), m_out(out) {}

    Status refuse(std::size_t line, const std::string& what) const
    {
        return Status::invalidArgument("The roster " + m_name + ": line " + std::to_string(line) + " " + what);
    }

    Status add(std::size_t line, std::string_view last, std::string_view first, std::string_view user)
    {
        last = trim(last);
        first = trim(first);
        user = trim(user);
        if (last.empty() && first.empty() && user.empty())
            return refuse(line, "is empty; every row must name a person.");
        if (m_out.size() == kMaxRosterPeople)
            return refuse(line, "is one person too many: a roster holds at most " +
                                    withDigitGroups(kMaxRosterPeople) + " people.");
        if (hasControl(last) || hasControl(first))
            return refuse(line, "has a tab or line break inside a name.");
        if (!user.empty() && (hasControl(user) || user.find_first_of(" :,") != std::string_view::npos))
            return refuse(line, "has the user name \"" + std::string(user) +
                                    "\", which holds a blank, comma, colon or control character; account "
                                    "systems refuse such names.");
        m_out.add(last, first, user);
        m_lines.push_back(line);
        return Status::ok();
    }

    // A user name given twice, named by both its lines.
    Status checkUserNames() const
    {
        if (!m_out.hasUserNames())
            return Status::ok();
        std::vector<std::uint32_t> order(m_out.size());
        std::iota(order.begin(), order.end(), 0u);
        const auto userOf = [this](std::uint32_t i) { return m_out.person(i).userName; };
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return userOf(a) < userOf(b); });
        // The pair whose second entry comes first in the file is the one reported.
        std::optional<std::pair<std::uint32_t, std::uint32_t>> found;
        for (std::size_t k = 1; k < order.size(); ++k) {
            if (userOf(order[k]).empty() || userOf(order[k]) != userOf(order[k - 1]))
                continue;
            if (!found || order[k] < found->second)
                found = {order[k - 1], order[k]};
        }
        if (found)
            return refuse(m_lines[found->second], "gives the user name \"" + std::string(userOf(found->first)) +
                                                      "\" again, already given on line " +
                                                      std::to_string(m_lines[found->first]) + ".");
        return Status::ok();
    }

    Status finish() const
    {
        if (m_out.empty())
            return Status::invalidArgument("The roster " + m_name + " names nobody.");
        return checkUserNames();
    }

private:
    const std::string& m_name;
    Roster& m_out;
    std::vector<std::size_t> m_lines; // the line each person starts on
};

// The line of the first byte that is not UTF-8, or 0.
std::size_t firstLineNotUtf8(std::string_view bytes)
{
    std::size_t line = 1;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        if (!isValidUtf8(bytes.substr(start, end - start)))
            return line;
        start = end + 1;
        ++line;
    }
    return 0;
}

Status parseLines(std::string_view bytes, Builder& builder)
{
    std::size_t line = 0;
    std::size_t start = 0;
    while (start < bytes.size()) {
        ++line;
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view text = bytes.substr(start, end - start);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        start = end + 1;
        const auto comma = text.find(',');
        const std::string_view last = comma == std::string_view::npos ? text : text.substr(0, comma);
        const std::string_view first = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (const Status s = builder.add(line, last, first, {}); !s)
            return s;
    }
    return Status::ok();
}

// RFC 4180 records: fields split by commas, records by CR LF (a lone LF is
// taken too), quoted fields with "" for a quote, which may hold commas and
// line breaks.
class CsvReader {
public:
    explicit CsvReader(std::string_view bytes) : m_bytes(bytes) {}

    // The next record; false at the end. line() is the line it starts on.
    // A syntax fault is put in error (with the line it is on) and ends the reading.
    bool next(std::vector<std::string>& fields, std::string& error)
    {
        fields.clear();
        if (m_pos >= m_bytes.size())
            return false;
        m_recordLine = m_line;
        std::string field;
        bool quoted = false;
        while (true) {
            if (m_pos < m_bytes.size() && m_bytes[m_pos] == '"' && field.empty() && !quoted) {
                quoted = true;
                ++m_pos;
                const std::size_t openedOn = m_line;
                while (true) {
                    if (m_pos >= m_bytes.size()) {
                        error = "line " + std::to_string(openedOn) + " opens a quoted field that is never closed.";
                        return false;
                    }
                    const char c = m_bytes[m_pos++];
                    if (c == '"') {
                        if (m_pos < m_bytes.size() && m_bytes[m_pos] == '"') {
                            field.push_back('"');
                            ++m_pos;
                            continue;
                        }
                        break;
                    }
                    if (c == '\n')
                        ++m_line;
                    field.push_back(c);
                }
            }
            // Unquoted text, or what follows a closing quote up to the field's end.
            while (m_pos < m_bytes.size() && m_bytes[m_pos] != ',' && m_bytes[m_pos] != '\n' &&
                   !(m_bytes[m_pos] == '\r' && m_pos + 1 < m_bytes.size() && m_bytes[m_pos + 1] == '\n')) {
                if (quoted && m_bytes[m_pos] != ' ' && m_bytes[m_pos] != '\t') {
                    error = "line " + std::to_string(m_line) + " has text after the closing quote of a field.";
                    return false;
                }
                field.push_back(m_bytes[m_pos++]);
            }
            fields.push_back(std::move(field));
            field.clear();
            quoted = false;
            if (m_pos >= m_bytes.size())
                return true;
            const char c = m_bytes[m_pos];
            if (c == ',') {
                ++m_pos;
                continue;
            }
            m_pos += c == '\r' ? 2 : 1;
            ++m_line;
            return true;
        }
    }
    std::size_t line() const { return m_recordLine; }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    std::size_t m_recordLine = 1;
};

template <std::size_t N>
std::optional<std::size_t> findColumn(const std::vector<std::string>& normalized, const std::string& wanted,
                                      const std::array<const char*, N>& defaults)
{
    if (!wanted.empty()) {
        const auto it = std::find(normalized.begin(), normalized.end(), normalize(wanted));
        if (it == normalized.end())
            return std::nullopt;
        return static_cast<std::size_t>(it - normalized.begin());
    }
    for (const char* name : defaults) {
        const auto it = std::find(normalized.begin(), normalized.end(), name);
        if (it != normalized.end())
            return static_cast<std::size_t>(it - normalized.begin());
    }
    return std::nullopt;
}

Status parseCsv(std::string_view bytes, const RosterColumns& columns, const std::string& name, Builder& builder,
                Roster& out)
{
    CsvReader reader(bytes);
    std::vector<std::string> fields;
    std::string error;
    if (!reader.next(fields, error))
        return Status::invalidArgument("The roster " + name + (error.empty() ? " is empty." : ": " + error));
    std::vector<std::string> headers;
    std::string shown;
    for (const auto& f : fields) {
        headers.push_back(normalize(f));
        shown += (shown.empty() ? "\"" : ", \"") + std::string(trim(f)) + "\"";
    }
    const auto last = findColumn(headers, columns.lastName, kLastNameHeaders);
    const auto first = findColumn(headers, columns.firstName, kFirstNameHeaders);
    const auto user = findColumn(headers, columns.userName, kUserNameHeaders);
    const auto missing = [&](const std::string& column) {
        return Status::invalidArgument("The roster " + name + " has no column \"" + column +
                                       "\": its header line names " + shown + ".");
    };
    if (!columns.lastName.empty() && !last)
        return missing(columns.lastName);
    if (!columns.firstName.empty() && !first)
        return missing(columns.firstName);
    if (!columns.userName.empty() && !user)
        return missing(columns.userName);
    if (!last && !first)
        return Status::invalidArgument("The roster " + name +
                                       " has no name columns: its header line names " + shown +
                                       ". Head them Last Name and First Name (or last_name, surname, first_name, "
                                       "given name).");
    out.setHasUserNames(user.has_value());
    const std::size_t width = headers.size();
    while (reader.next(fields, error)) {
        const std::size_t line = reader.line();
        const bool blank = fields.size() == 1 && trim(fields[0]).empty();
        if (!blank && fields.size() != width)
            return builder.refuse(line, "has " + std::to_string(fields.size()) + " fields; the header has " +
                                            std::to_string(width) + ". A name with a comma must be in double quotes.");
        const auto field = [&](const std::optional<std::size_t>& column) {
            return column && !blank ? std::string_view(fields[*column]) : std::string_view{};
        };
        if (const Status s = builder.add(line, field(last), field(first), field(user)); !s)
            return s;
    }
    if (!error.empty())
        return Status::invalidArgument("The roster " + name + ": " + error);
    return Status::ok();
}

} // namespace

Person Roster::person(std::size_t index) const
{
    const char* p = m_text.data() + m_starts[index];
    const std::string_view last(p);
    const std::string_view first(p + last.size() + 1);
    const std::string_view user(first.data() + first.size() + 1);
    return {last, first, user};
}

void Roster::add(std::string_view lastName, std::string_view firstName, std::string_view userName)
{
    m_starts.push_back(m_text.size());
    for (std::string_view part : {lastName, firstName, userName}) {
        m_text.append(part);
        m_text.push_back('\0');
    }
}

RosterKind rosterKindOf(std::string_view path)
{
    return path.size() >= 4 && normalize(path.substr(path.size() - 4)) == "csv" && path[path.size() - 4] == '.'
               ? RosterKind::Csv
               : RosterKind::Lines;
}

Status parseRoster(std::string_view bytes, RosterKind kind, const RosterColumns& columns, const std::string& name,
                   Roster& out)
{
    out = Roster();
    out.setPath(name);
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return Status::invalidArgument("The roster " + name +
                                       " is UTF-16 text; save it as UTF-8 (in a spreadsheet: CSV UTF-8).");
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    if (const std::size_t line = firstLineNotUtf8(bytes))
        return Status::invalidArgument("The roster " + name + ": line " + std::to_string(line) +
                                       " is not UTF-8 text; save the roster as UTF-8 (in a spreadsheet: CSV UTF-8).");
    Builder builder(name, out);
    Status s = kind == RosterKind::Csv ? parseCsv(bytes, columns, name, builder, out) : parseLines(bytes, builder);
    if (s)
        s = builder.finish();
    if (!s) {
        out = Roster();
        out.setPath(name);
    }
    return s;
}

Status readRoster(const std::string& path, const RosterColumns& columns, Roster& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Status::notFound("The roster " + path + " cannot be opened.");
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    if (in.bad())
        return Status::ioError("The roster " + path + " cannot be read.");
    return parseRoster(bytes, rosterKindOf(path), columns, path, out);
}

std::string numberedUserName(std::string_view prefix, std::size_t number, std::size_t total)
{
    const std::size_t width = std::max<std::size_t>(3, std::to_string(total).size());
    std::string digits = std::to_string(number);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return std::string(prefix) + digits;
}

} // namespace quorlix
