// Lists handed out, read back with tools no one here wrote: pdftotext and
// pdftoppm (poppler), zbarimg (zbar), mkpasswd (whois), Python's csv, html
// and crypt modules, and mdb-export (mdbtools).

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "output/HandOut.h"
#include "output/ListWriter.h"
#include "output/MdbListWriter.h"
#include "output/PasswordHash.h"
#include "output/SlipWriter.h"
#include "support/TempFolder.h"

namespace quorlix {
namespace {

const std::string kReader =
    (std::filesystem::path(QUORLIX_TEST_DATA_DIR).parent_path() / "output" / "read_lists.py").string();

struct Output {
    int code = -1;
    std::string text;
};

// stderr goes with stdout unless the command sends it elsewhere.
Output run(const std::string& command, bool withErrors = true)
{
    Output out;
    FILE* pipe = ::popen((command + (withErrors ? " 2>&1" : "")).c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.text.append(buffer, n);
    const int status = ::pclose(pipe);
    out.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

bool have(const std::string& tool) { return run("command -v " + tool).code == 0; }

std::string shellQuoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string json(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string json(const std::vector<std::vector<std::string>>& rows)
{
    std::string out = "[";
    for (const auto& row : rows) {
        out += out.size() > 1 ? ",[" : "[";
        for (std::size_t i = 0; i < row.size(); ++i)
            out += (i ? "," : "") + json(row[i]);
        out += "]";
    }
    return out + "]";
}

// A roster with what breaks naive writers: quotes, commas, accents, a name
// outside Latin-1 for the PDF only.
std::shared_ptr<Roster> tricky(bool users)
{
    auto r = std::make_shared<Roster>();
    r->add("O'Brien, Jr.", "S\xC3\xA9" "an", users ? "sobrien" : "");
    r->add("M\xC3\xBC" "ller", "Anna \"Annie\"", users ? "amuller" : "");
    r->add("N\xC3\xBA\xC3\xB1" "ez", "Jos\xC3\xA9", users ? "jnunez" : "");
    r->add("<Tag> & Co", "Zo\xC3\xAB", users ? "ztag" : "");
    r->setHasUserNames(users);
    return r;
}

const std::vector<std::string> kPasswords = {"0OoQ1lIi|!", "ab cd-ef<gh>&\"q'", "Zz9,Yy8;Xx7", "1234567890abcdefghij"};

class HandOutTest : public testing::TempFolderTest {
protected:
    void TearDown() override
    {
        registerMdbListWriterFactory({});
        TempFolderTest::TearDown();
    }
    // Writes passwords through openHandOutList, as Save As does.
    void write(const std::string& name, ListFormat format, const HandOut& handOut,
               const std::vector<std::string>& passwords = kPasswords)
    {
        Status s;
        auto writer = openHandOutList(path(name), format, handOut, &s);
        ASSERT_TRUE(writer) << s.message();
        writer->begin();
        for (const auto& p : passwords)
            writer->add(p);
        const Status done = writer->finish();
        ASSERT_TRUE(done) << done.message();
        EXPECT_EQ(testing::modeOf(m_dir / name), 0600u) << name;
    }
    void expectRead(const char* kind, const std::string& name, const std::vector<std::vector<std::string>>& rows)
    {
        testing::writeBytes(m_dir / "expected.json", json(rows));
        const Output o = run("python3 " + shellQuoted(kReader) + " " + kind + " " + shellQuoted(path(name)) + " " +
                             shellQuoted(path("expected.json")));
        EXPECT_EQ(o.code, 0) << kind << " " << name << "\n" << o.text;
    }
};

TEST_F(HandOutTest, SlipsShowEveryNameAndPasswordToPdftotextAndEveryQrCodeToZbarimg_slow)
{
    if (!have("pdftotext") || !have("pdftoppm") || !have("zbarimg"))
        GTEST_SKIP() << "poppler-utils and zbar-tools are needed (scripts/setup.sh installs them)";
    for (int perPage : {1, 4, 8, 10}) {
        SCOPED_TRACE("slips per page: " + std::to_string(perPage));
        HandOut handOut;
        handOut.roster = tricky(true);
        handOut.note = "Your school account \xE2\x80\x94 change it at first log-in";
        handOut.slips = {perPage == 10 ? PaperSize::Letter : PaperSize::A4, perPage, true, "Term starts"};
        write("slips.pdf", ListFormat::Pdf, handOut);

        // Text comes out in reading order; a wrapped line is joined again.
        const Output text = run("pdftotext -enc UTF-8 " + shellQuoted(path("slips.pdf")) + " -");
        ASSERT_EQ(text.code, 0) << text.text;
        const auto squeeze = [](std::string s) {
            std::erase(s, ' ');
            std::erase(s, '\n');
            return s;
        };
        const std::string all = squeeze(text.text);
        for (std::size_t i = 0; i < kPasswords.size(); ++i) {
            const Person p = handOut.roster->person(i);
            EXPECT_NE(all.find(squeeze(std::string(p.firstName) + std::string(p.lastName))), std::string::npos)
                << p.lastName;
            EXPECT_NE(all.find("Username:" + std::string(p.userName)), std::string::npos) << p.userName;
            EXPECT_NE(all.find(squeeze(groupedForReading(kPasswords[i]))), std::string::npos) << kPasswords[i];
        }
        // pdftotext joins a word broken at its hyphen across two lines.
        std::string note = squeeze(handOut.note), unhyphened = all;
        std::erase(note, '-');
        std::erase(unhyphened, '-');
        EXPECT_NE(unhyphened.find(note), std::string::npos);

        // Every page at 150 dpi, every code found and read back to its password.
        ASSERT_EQ(run("pdftoppm -r 150 -png " + shellQuoted(path("slips.pdf")) + " " + shellQuoted(path("page"))).code, 0);
        const Output codes = run("cd " + shellQuoted(m_dir.string()) + " && zbarimg -q --raw page*.png 2>/dev/null", false);
        std::multiset<std::string> read;
        std::string line;
        for (char c : codes.text) {
            if (c == '\n') {
                read.insert(line);
                line.clear();
            } else {
                line += c;
            }
        }
        EXPECT_EQ(read, std::multiset<std::string>(kPasswords.begin(), kPasswords.end())) << codes.text;
        run("rm -f " + shellQuoted(m_dir.string()) + "/page*.png");
    }
}

TEST(SlipText, GroupsOfFourAndVisibleBlanks)
{
    EXPECT_EQ(groupedForReading("abcdefghij"), "abcd efgh ij");
    EXPECT_EQ(groupedForReading("abcd"), "abcd");
    EXPECT_EQ(groupedForReading("ab cd"), "ab\xE2\x90\xA3" "c d");
    // A character of several bytes counts once.
    EXPECT_EQ(groupedForReading("\xC3\xA9t\xC3\xA9s\xC3\xA9"), "\xC3\xA9t\xC3\xA9s \xC3\xA9");
}

TEST_F(HandOutTest, EveryHashVerifiesWithLibxcryptPythonAndMkpasswd)
{
    const std::vector<std::string> passwords = {"plain", "with blank", "s\xC3\xBC\xC3\x9F", "x:y\"z'\\"};
    for (HashScheme scheme : {HashScheme::Yescrypt, HashScheme::Sha512crypt, HashScheme::Bcrypt}) {
        const std::string name(hashSchemeName(scheme));
        SCOPED_TRACE(name);
        HandOut handOut;
        handOut.userPrefix = "pupil";
        handOut.hash = scheme;
        handOut.rows = passwords.size();
        write("accounts.chpasswd", ListFormat::Chpasswd, handOut, passwords);
        const std::string text = read("accounts.chpasswd");
        // user:hash lines, LF only: chpasswd -e would take a CR into the hash.
        ASSERT_EQ(text.find('\r'), std::string::npos);
        std::vector<std::string> hashes;
        std::string pairs;
        for (std::size_t start = 0, i = 0; start < text.size(); ++i) {
            const std::size_t end = text.find('\n', start);
            const std::string line = text.substr(start, end - start);
            start = end + 1;
            ASSERT_EQ(line.substr(0, 9), numberedUserName("pupil", i + 1, passwords.size()) + ":");
            hashes.push_back(line.substr(9));
            EXPECT_TRUE(verifyPassword(passwords[i], hashes.back())) << line;
            EXPECT_FALSE(verifyPassword(passwords[i] + "x", hashes.back())) << line;
            pairs += passwords[i] + "\t" + hashes.back() + "\n";
        }
        ASSERT_EQ(hashes.size(), passwords.size());
        // Each hash has its own salt.
        EXPECT_EQ(std::set<std::string>(hashes.begin(), hashes.end()).size(), hashes.size());

        testing::writeBytes(m_dir / "pairs.txt", pairs);
        testing::writeBytes(m_dir / "expected.json", "[true,true,true,true]");
        const Output py = run("python3 " + shellQuoted(kReader) + " crypt " + shellQuoted(path("pairs.txt")) + " " +
                              shellQuoted(path("expected.json")));
        EXPECT_EQ(py.code, 0) << py.text;

        if (!have("mkpasswd"))
            continue;
        // mkpasswd makes the same hash from the password and the salt part of ours.
        const char* method = scheme == HashScheme::Yescrypt     ? "yescrypt"
                             : scheme == HashScheme::Sha512crypt ? "sha512crypt"
                                                                 : "bcrypt";
        for (std::size_t i = 0; i < passwords.size(); ++i) {
            const std::string& h = hashes[i];
            std::string salt, rounds;
            if (scheme == HashScheme::Yescrypt) {
                salt = h.substr(0, h.rfind('$')); // $y$j9T$SALT: mkpasswd takes the whole setting
            } else if (scheme == HashScheme::Sha512crypt) {
                salt = h.substr(3, h.find('$', 3) - 3);
            } else {
                rounds = " -R " + std::to_string(std::stoi(h.substr(4, 2)));
                salt = h.substr(7, 22);
            }
            const Output made = run(std::string("mkpasswd -m ") + method + rounds + " -S " + shellQuoted(salt) + " " +
                                    shellQuoted(passwords[i]));
            EXPECT_EQ(made.text, h + "\n") << passwords[i];
        }
    }
}

TEST(PasswordHash, BcryptRefusesWhatItWouldCutAndSaltsComeFromTheSource)
{
    const PasswordHasher bcrypt(HashScheme::Bcrypt);
    std::string out;
    EXPECT_TRUE(bcrypt.hash(std::string(72, 'a'), out));
    EXPECT_EQ(out.substr(0, 7), "$2b$10$");
    EXPECT_EQ(bcrypt.hash(std::string(73, 'a'), out).message(),
              "bcrypt reads only the first 72 bytes of a password, and one password has 73: choose yescrypt or "
              "sha512crypt.");
    // A scripted salt source makes a known setting; the source is asked for every hash.
    int asked = 0;
    const PasswordHasher sha(HashScheme::Sha512crypt, [&asked](void* p, std::size_t n) {
        ++asked;
        std::memset(p, 0, n);
    });
    ASSERT_TRUE(sha.hash("pw", out));
    EXPECT_EQ(out.substr(0, 20), "$6$" + std::string(16, '.') + "$");
    std::vector<std::string> hashes;
    ASSERT_TRUE(sha.hashAll({"a", "b", "c"}, hashes, 1));
    EXPECT_EQ(asked, 4);
    EXPECT_TRUE(verifyPassword("c", hashes[2]));
    EXPECT_EQ(hashSchemeFromName("md5"), std::nullopt);
}

TEST_F(HandOutTest, ManagerCsvsParseIntoExactlyTheHeaderAndRows)
{
    if (!have("python3"))
        GTEST_SKIP() << "python3 is needed";
    HandOut handOut;
    handOut.roster = tricky(true);
    handOut.note = "change it, \"please\"";
    write("vault.csv", ListFormat::ManagerCsv, handOut);
    std::vector<std::vector<std::string>> rows{{"title", "username", "password", "notes"}};
    for (std::size_t i = 0; i < kPasswords.size(); ++i) {
        const Person p = handOut.roster->person(i);
        rows.push_back({std::string(p.firstName) + " " + std::string(p.lastName), std::string(p.userName),
                        kPasswords[i], handOut.note});
    }
    expectRead("csv", "vault.csv", rows);

    // Without names the title numbers the entries, so that they stay apart.
    write("plain.csv", ListFormat::ManagerCsv, HandOut{}, {"a", "b"});
    expectRead("csv", "plain.csv", {{"title", "username", "password", "notes"}, {"Password 1", "", "a", ""},
                                    {"Password 2", "", "b", ""}});

    // Bitwarden's import takes only its own column names, so its list has those.
    write("bitwarden.csv", ListFormat::BitwardenCsv, handOut);
    rows = {{"folder", "favorite", "type", "name", "notes", "fields", "reprompt", "login_uri", "login_username",
             "login_password", "login_totp"}};
    for (std::size_t i = 0; i < kPasswords.size(); ++i) {
        const Person p = handOut.roster->person(i);
        rows.push_back({"", "", "login", std::string(p.firstName) + " " + std::string(p.lastName), handOut.note, "",
                        "", "", std::string(p.userName), kPasswords[i], ""});
    }
    expectRead("csv", "bitwarden.csv", rows);
}

TEST_F(HandOutTest, RosterRoundTripsIntoCsvHtmlAndMdb)
{
    if (!have("python3") || !have("mdb-export"))
        GTEST_SKIP() << "python3 and mdbtools are needed";
    // Parsed from a CSV roster with CR LF lines, as the user's file would be.
    auto roster = std::make_shared<Roster>();
    const std::string csv = "Last Name,First Name\r\n\"O'Brien, Jr.\",S\xC3\xA9" "an\r\nM\xC3\xBCller,\"Anna "
                            "\"\"Annie\"\"\"\r\nN\xC3\xBA\xC3\xB1" "ez,Jos\xC3\xA9\r\n<Tag> & Co,Zo\xC3\xAB\r\n";
    ASSERT_TRUE(parseRoster(csv, RosterKind::Csv, {}, "r.csv", *roster));
    HandOut handOut;
    handOut.roster = roster;
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < kPasswords.size(); ++i) {
        const Person p = roster->person(i);
        rows.push_back({std::string(p.lastName), std::string(p.firstName), kPasswords[i]});
    }

    write("list.csv", ListFormat::Csv, handOut);
    std::vector<std::vector<std::string>> csvRows{{"Quorlix"}, {"Password List"}, {""},
                                                  {"Last Name", "First Name", "Password"}};
    csvRows.insert(csvRows.end(), rows.begin(), rows.end());
    for (const char* tail : {"", "Created by: Quorlix", "https://quorlix.example.org/", "support@quorlix.example.org"})
        csvRows.push_back({tail});
    expectRead("csv", "list.csv", csvRows);

    write("list.htm", ListFormat::Htm, handOut);
    std::vector<std::vector<std::string>> cells{{"Last Name", "First Name", "Password"}};
    cells.insert(cells.end(), rows.begin(), rows.end());
    expectRead("html", "list.htm", cells);

    installMdbListWriter({});
    write("list.mdb", ListFormat::Mdb, handOut);
    std::vector<std::vector<std::string>> records{{"Last_Name", "First_Name", "Password"}};
    records.insert(records.end(), rows.begin(), rows.end());
    expectRead("mdb", "list.mdb", records);

    // With a hash scheme both lists gain a Hash column that verifies.
    handOut.hash = HashScheme::Sha512crypt;
    write("hashed.mdb", ListFormat::Mdb, handOut);
    const Output exported = run("mdb-export -Q -d '\t' " + shellQuoted(path("hashed.mdb")) + " 'Password Database'");
    ASSERT_EQ(exported.code, 0) << exported.text;
    EXPECT_EQ(exported.text.substr(0, exported.text.find('\n')), "Last_Name\tFirst_Name\tPassword\tHash");
    std::size_t verified = 0;
    for (std::size_t i = 0; i < kPasswords.size(); ++i) {
        const std::size_t at = exported.text.find("\t$6$", exported.text.find(kPasswords[i]));
        ASSERT_NE(at, std::string::npos) << kPasswords[i];
        const std::string hash = exported.text.substr(at + 1, exported.text.find('\n', at) - at - 1);
        verified += verifyPassword(kPasswords[i], hash);
    }
    EXPECT_EQ(verified, kPasswords.size());
}

TEST_F(HandOutTest, ListsThatCannotCarryTheHandOutAreRefusedBeforeAFileExists)
{
    struct Case {
        ListFormat format;
        HandOut handOut;
        std::string message;
    };
    HandOut hashed;
    hashed.hash = HashScheme::Yescrypt;
    HandOut oddPages;
    oddPages.slips.perPage = 3;
    const Case cases[] = {
        {ListFormat::Chpasswd, HandOut{},
         "A list for chpasswd needs user names: a roster with a user-name column, or a user-name prefix (pupil "
         "makes pupil001, pupil002, ...)."},
        {ListFormat::Txt, hashed, "Only CSV, MDB and chpasswd lists carry password hashes; txt lists have none."},
        {ListFormat::Pdf, hashed, "Only CSV, MDB and chpasswd lists carry password hashes; pdf lists have none."},
        {ListFormat::Pdf, oddPages, "Slips come 1, 4, 8 or 10 to a page, not 3."},
    };
    for (const Case& c : cases) {
        Status s;
        EXPECT_EQ(openHandOutList(path("x"), c.format, c.handOut, &s), nullptr);
        EXPECT_EQ(s.message(), c.message);
        EXPECT_TRUE(files().empty());
    }
}

TEST_F(HandOutTest, TextListsWithNamesUserNamesAndHashColumns)
{
    HandOut names;
    names.roster = tricky(false);
    names.namesInText = true;
    write("names.txt", ListFormat::Txt, names, {"p1", "p2", "p3", "p4", "p5"});
    EXPECT_EQ(read("names.txt"), "O'Brien, Jr., S\xC3\xA9" "an\tp1\r\nM\xC3\xBC" "ller, Anna \"Annie\"\tp2\r\n"
                                 "N\xC3\xBA\xC3\xB1" "ez, Jos\xC3\xA9\tp3\r\n<Tag> & Co, Zo\xC3\xAB\tp4\r\n\tp5\r\n");
    // Asked for without names, a text list stays one password per line.
    names.namesInText = false;
    write("plain.txt", ListFormat::Txt, names, {"p1", "p2"});
    EXPECT_EQ(read("plain.txt"), "p1\r\np2\r\n");

    HandOut prefix;
    prefix.userPrefix = "guest";
    prefix.rows = 1000;
    write("wifi.chpasswd", ListFormat::Chpasswd, prefix, {"a:b", "c d"});
    EXPECT_EQ(read("wifi.chpasswd"), "guest0001:a:b\nguest0002:c d\n");
}

} // namespace
} // namespace quorlix
