#include "output/Roster.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace quorlix {
namespace {

struct PersonText {
    std::string last, first, user;
    bool operator==(const PersonText&) const = default;
};

std::vector<PersonText> people(const Roster& r)
{
    std::vector<PersonText> out;
    for (std::size_t i = 0; i < r.size(); ++i) {
        const Person p = r.person(i);
        out.push_back({std::string(p.lastName), std::string(p.firstName), std::string(p.userName)});
    }
    return out;
}

Status parse(const std::string& bytes, RosterKind kind, Roster& out, RosterColumns columns = {})
{
    return parseRoster(bytes, kind, columns, "r", out);
}

TEST(Roster, CsvWithQuotesCommasAccentsCrLfAndBom)
{
    Roster r;
    const std::string head = "\xEF\xBB\xBF"
                             "Student ID,Last Name,First Name,Login\r\n"
                             "1,\"O'Brien, Jr.\",S\xC3\xA9" "an,sobrien\r\n"
                             "2,M\xC3\xBCller,\"Anna \"\"Annie\"\"\",amuller\r\n";
    // The last line without its end, blanks around a name trimmed.
    const Status s = parse(head + "3,Zhang,  Wei ,wzhang", RosterKind::Csv, r);
    ASSERT_TRUE(s) << s.message();
    EXPECT_TRUE(r.hasUserNames());
    EXPECT_EQ(people(r), (std::vector<PersonText>{{"O'Brien, Jr.", "S\xC3\xA9" "an", "sobrien"},
                                                  {"M\xC3\xBC" "ller", "Anna \"Annie\"", "amuller"},
                                                  {"Zhang", "Wei", "wzhang"}}));
    // A quoted line break is valid CSV, but no name holds one.
    EXPECT_EQ(parse(head + "3,\"Line\r\nBreak\",Wei,wzhang\r\n", RosterKind::Csv, r).message(),
              "The roster r: line 4 has a tab or line break inside a name.");
}

TEST(Roster, HeadersAreFoundByTheirUsualNamesOrByTheUsersChoice)
{
    struct Case {
        const char* header;
        RosterColumns columns;
        PersonText first;
        bool users;
    };
    const Case cases[] = {
        {"last_name,first_name", {}, {"A", "B", ""}, false},
        {"SURNAME,Given Name,User-Name", {}, {"A", "B", "C"}, true},
        {"Family Name,Forename,login", {}, {"A", "B", "C"}, true},
        {"first,last", {}, {"B", "A", ""}, false},
        {"Nom,Prenom,Account", {"Nom", "Prenom", "Account"}, {"A", "B", "C"}, true},
        {"x,y,z", {"y", "x", ""}, {"B", "A", ""}, false},
    };
    for (const Case& c : cases) {
        Roster r;
        const Status s = parse(std::string(c.header) + "\nA,B,C\n", RosterKind::Csv, r, c.columns);
        if (std::string(c.header).find(',', std::string(c.header).find(',') + 1) == std::string::npos) {
            // Two columns: the rows have two fields.
            ASSERT_TRUE(parse(std::string(c.header) + "\nA,B\n", RosterKind::Csv, r, c.columns)) << c.header;
        } else {
            ASSERT_TRUE(s) << c.header << ": " << s.message();
        }
        ASSERT_EQ(r.size(), 1u) << c.header;
        EXPECT_EQ(people(r)[0], c.first) << c.header;
        EXPECT_EQ(r.hasUserNames(), c.users) << c.header;
    }
}

TEST(Roster, TextLinesAreLastCommaFirst)
{
    Roster r;
    ASSERT_TRUE(parse("Smith, John\r\nDe la Cruz,Maria\nMadonna\n", RosterKind::Lines, r));
    EXPECT_EQ(people(r), (std::vector<PersonText>{{"Smith", "John", ""}, {"De la Cruz", "Maria", ""}, {"Madonna", "", ""}}));
    EXPECT_FALSE(r.hasUserNames());
}

TEST(Roster, RefusalsNameTheLine)
{
    struct Case {
        const char* name;
        std::string bytes;
        RosterKind kind;
        RosterColumns columns;
        std::string message;
    };
    const Case cases[] = {
        {"EmptyLine", "Smith, John\n\nDoe, Jane\n", RosterKind::Lines, {},
         "The roster r: line 2 is empty; every row must name a person."},
        {"EmptyCsvRow", "last,first\nA,B\n,\n", RosterKind::Csv, {},
         "The roster r: line 3 is empty; every row must name a person."},
        {"BlankCsvLine", "last,first\nA,B\n\nC,D\n", RosterKind::Csv, {},
         "The roster r: line 3 is empty; every row must name a person."},
        {"DuplicateUser", "last,first,user\nA,B,ab\nC,D,cd\nE,F,ab\nG,H,cd\n", RosterKind::Csv, {},
         "The roster r: line 4 gives the user name \"ab\" again, already given on line 2."},
        {"NotUtf8", "Smith, John\nM\xFCller, Anna\n", RosterKind::Lines, {},
         "The roster r: line 2 is not UTF-8 text; save the roster as UTF-8 (in a spreadsheet: CSV UTF-8)."},
        {"Utf16", std::string("\xFF\xFE" "S\0m\0", 6), RosterKind::Lines, {},
         "The roster r is UTF-16 text; save it as UTF-8 (in a spreadsheet: CSV UTF-8)."},
        {"UnclosedQuote", "last,first\nA,\"B\nC,D\n", RosterKind::Csv, {},
         "The roster r: line 2 opens a quoted field that is never closed."},
        {"TextAfterQuote", "last,first\n\"A\"x,B\n", RosterKind::Csv, {},
         "The roster r: line 2 has text after the closing quote of a field."},
        {"FieldCount", "last,first\nA,B\nSmith, Jr.,C\n", RosterKind::Csv, {},
         "The roster r: line 3 has 3 fields; the header has 2. A name with a comma must be in double quotes."},
        {"NoNameColumns", "id,email\n1,a@b\n", RosterKind::Csv, {},
         "The roster r has no name columns: its header line names \"id\", \"email\". Head them Last Name and "
         "First Name (or last_name, surname, first_name, given name)."},
        {"ChosenColumnMissing", "last,first\nA,B\n", RosterKind::Csv, {"", "", "Login"},
         "The roster r has no column \"Login\": its header line names \"last\", \"first\"."},
        {"UserWithColon", "last,first,user\nA,B,a:b\n", RosterKind::Csv, {},
         "The roster r: line 2 has the user name \"a:b\", which holds a blank, comma, colon or control character; "
         "account systems refuse such names."},
        {"TabInName", "Smith\t, John\tX\n", RosterKind::Lines, {}, "The roster r: line 1 has a tab or line break inside a name."},
        {"HeaderOnly", "last,first\r\n", RosterKind::Csv, {}, "The roster r names nobody."},
        {"NothingAtAll", "", RosterKind::Lines, {}, "The roster r names nobody."},
    };
    for (const Case& c : cases) {
        Roster r;
        const Status s = parse(c.bytes, c.kind, r, c.columns);
        EXPECT_EQ(s.message(), c.message) << c.name;
        EXPECT_EQ(r.size(), 0u) << c.name;
    }
}

TEST(Roster, TenMillionPeopleAndNotOneMore_slow)
{
    std::string bytes;
    bytes.reserve(2 * (kMaxRosterPeople + 1));
    for (std::size_t i = 0; i < kMaxRosterPeople; ++i)
        bytes += "x\n";
    Roster r;
    ASSERT_TRUE(parse(bytes, RosterKind::Lines, r));
    EXPECT_EQ(r.size(), kMaxRosterPeople);
    bytes += "y\n";
    EXPECT_EQ(parse(bytes, RosterKind::Lines, r).message(),
              "The roster r: line 10000001 is one person too many: a roster holds at most 10,000,000 people.");
}

TEST(Roster, KindByEndingAndNumberedUserNames)
{
    EXPECT_EQ(rosterKindOf("class.CSV"), RosterKind::Csv);
    EXPECT_EQ(rosterKindOf("class.txt"), RosterKind::Lines);
    EXPECT_EQ(rosterKindOf("csv"), RosterKind::Lines);
    EXPECT_EQ(numberedUserName("pupil", 1, 120), "pupil001");
    EXPECT_EQ(numberedUserName("pupil", 120, 120), "pupil120");
    EXPECT_EQ(numberedUserName("pupil", 7, 1000), "pupil0007");
}

using RosterFileTest = testing::TempFolderTest;

TEST_F(RosterFileTest, ReadsFromDiskAndNamesAMissingFile)
{
    testing::writeBytes(m_dir / "class.csv", "Last Name,First Name\r\nDoe,Jane\r\n");
    Roster r;
    ASSERT_TRUE(readRoster(path("class.csv"), {}, r));
    EXPECT_EQ(people(r), (std::vector<PersonText>{{"Doe", "Jane", ""}}));
    EXPECT_EQ(readRoster(path("none.csv"), {}, r).message(), "The roster " + path("none.csv") + " cannot be opened.");
}

} // namespace
} // namespace quorlix
