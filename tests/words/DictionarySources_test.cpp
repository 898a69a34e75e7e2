// Where a missing dictionary comes from (a fake /usr/share/dict folder), and
// the folders dictionaries are read from and written to.

#include "words/DictionarySources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

#include "platform/HomeFolder.h"
#include "support/TempFolder.h"
#include "words/DictionaryBuild.h"
#include "words/DictionaryFile.h"
#include "words/DictionaryFolder.h"

namespace quorlix {
namespace {

using testing::TempFolderTest;
namespace fs = std::filesystem;

class DictionarySourcesTest : public TempFolderTest {
protected:
    std::string dict() const { return (m_dir / "dict").string() + "/"; }
    void list(const std::string& name, const std::string& words) const
    {
        fs::create_directories(m_dir / "dict");
        testing::writeBytes(dict() + name, words);
    }
};

TEST_F(DictionarySourcesTest, WordListsFirstThenANamedServerThenThePackage)
{
    list("nederlands", "fiets\n");
    list("american-english", "able\n");
    list("british-english-huge", "able\n");
    using Kind = DictionarySource::Kind;
    // name, server, prefer the server, kind, what it comes from
    const std::tuple<const char*, const char*, bool, Kind, std::string> rows[] = {
        // the second name of a list counts (wdutch installs both)
        {"wordlist_dutch.dct", "", false, Kind::WordLists, dict() + "nederlands"},
        // two groups: the largest list of each that is there
        {"wordlist_english_all.dct", "", false, Kind::WordLists,
         dict() + "american-english and " + dict() + "british-english-huge"},
        {"wordlist_dutch.dct", "http://s", true, Kind::Server, "http://s/software/wordlist_dutch.dct"},
        {"wordlist_polish.dct", "http://s", false, Kind::Server, "http://s/software/wordlist_polish.dct"},
        {"wordlist_polish.dct", "", false, Kind::Package, "wpolish"},
        {"wordlist_norwegian_nynorsk.dct", "", false, Kind::Package, "wnorwegian"},
        {"mine.dct", "", false, Kind::Nothing, ""},
        {"mine.dct", "http://s", false, Kind::Server, "http://s/software/mine.dct"},
    };
    for (const auto& [name, base, preferServer, kind, from] : rows) {
        SCOPED_TRACE(std::string(name) + " " + base);
        const DictionarySource s = sourceOf(name, base, preferServer, dict());
        EXPECT_EQ(s.kind, kind);
        if (kind == Kind::WordLists) {
            EXPECT_EQ(sourceText(name, s), "built from " + from);
        }
        if (kind == Kind::Server) {
            EXPECT_EQ(s.address, from);
        }
        if (kind == Kind::Package) {
            EXPECT_EQ(s.package, from);
        }
    }
    EXPECT_EQ(sourceText("wordlist_english_all.dct", sourceOf("wordlist_english_all.dct", "", false, m_dir.string())),
              "install the packages wamerican-huge and wbritish-huge first (apt install wamerican-huge "
              "wbritish-huge)");
    // Every name is a shipped-style name, once.
    std::set<std::string> names;
    for (const WordListDictionary& d : wordListDictionaries()) {
        EXPECT_TRUE(d.file.starts_with("wordlist_") && d.file.ends_with(".dct")) << d.file;
        EXPECT_TRUE(names.insert(d.file).second) << d.file;
        EXPECT_FALSE(d.package.empty()) << d.file;
    }
}

// The package suggests exactly the packages whose lists it can build from.
TEST_F(DictionarySourcesTest, ThePackageSuggestsEveryWordListPackage)
{
    std::set<std::string> suggested;
    // The test data folder lies in the source tree's tests/ (it need not exist).
    const fs::path source = fs::path(QUORLIX_TEST_DATA_DIR).parent_path().parent_path();
    const std::string text = testing::readBytes(source / "dist" / "word-list-packages.txt");
    ASSERT_FALSE(text.empty());
    std::istringstream file(text);
    for (std::string line; std::getline(file, line);)
        if (!line.empty() && line[0] != '#')
            suggested.insert(line);
    std::set<std::string> used;
    for (const WordListDictionary& d : wordListDictionaries()) {
        std::istringstream names(d.package);
        for (std::string name; names >> name;)
            used.insert(name);
    }
    EXPECT_EQ(suggested, used);
}

// The diceware package's EFF list numbers its words: the numbers are not words.
TEST_F(DictionarySourcesTest, DiceNumberedListsGiveTheirWords)
{
    list("eff.txt", "11111\tabacus\n11112\tabdomen\n66666\tzoom\n12345 notaword\n");
    DictionaryBuildReport report;
    Status status;
    const std::vector<std::string> words = dictionaryWordsFromLists({dict() + "eff.txt"}, &report, &status);
    ASSERT_TRUE(status.isOk());
    EXPECT_EQ(words, (std::vector<std::string>{"abacus", "abdomen", "zoom"}));
}

TEST_F(DictionarySourcesTest, DigestTextsAsSha256sumWritesThem)
{
    const std::string hex(64, 'a');
    const std::tuple<std::string, bool> rows[] = {
        {hex + "  name.dct\n", true}, {"  " + hex + "\n", true},         {std::string(64, 'A'), true},
        {hex.substr(1), false},       {hex + "0  name.dct", false},      {"<html>" + hex, false},
        {"", false},                  {std::string(63, 'a') + "g", false},
    };
    for (const auto& [text, good] : rows) {
        SCOPED_TRACE(text);
        std::string got;
        EXPECT_EQ(digestFromText(text, &got).isOk(), good);
        if (good) {
            EXPECT_EQ(got, hex);
        }
    }
}

// A folder someone else could have filled is skipped, with the reason; the
// user's own folder is made private and taken away again when unused.
TEST_F(DictionarySourcesTest, FoldersOthersCouldFillAreNeitherSearchedNorWritten)
{
    const fs::path data = m_dir / "data";
    fs::create_directories(data / "quorlix");
    testing::writeBytes(data / "quorlix" / "planted.dct", "x");
    fs::permissions(data / "quorlix", fs::perms::all);
    const char* before = std::getenv("XDG_DATA_HOME");
    const std::string saved = before ? before : "";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    const DictionaryPlaces places = DictionaryPlaces::ofThisProgram();
    if (before)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");

    const std::string user = (data / "quorlix").string() + "/";
    EXPECT_EQ(places.userFolder(), user);
    EXPECT_EQ(std::count(places.folders().begin(), places.folders().end(), user), 0);
    EXPECT_EQ(places.skippedNotes(),
              std::vector<std::string>{"Skipped the dictionary folder " + user + ": anyone may write into it."});
    EXPECT_NE(places.folderOf("planted.dct"), user); // never read from there
    std::vector<std::string> created;
    EXPECT_EQ(makeUserFolder(user, &created).code(), Status::Code::InvalidArgument);

    fs::permissions(data / "quorlix", fs::perms::group_write, fs::perm_options::replace);
    EXPECT_EQ(untrustedFolderReason(user), "its group may write into it");
    EXPECT_EQ(untrustedFolderReason((m_dir / "none").string()), "");

    // Made private, with the folders above it, and only those are removed.
    const std::string fresh = (m_dir / "a" / "b" / "quorlix").string() + "/";
    created.clear();
    ASSERT_TRUE(makeUserFolder(fresh, &created).isOk());
    EXPECT_EQ(created.size(), 3u);
    EXPECT_EQ(testing::modeOf(fresh), 0700u);
    removeCreatedFolders(created);
    EXPECT_FALSE(fs::exists(m_dir / "a"));
    EXPECT_TRUE(fs::exists(m_dir));
}

} // namespace
} // namespace quorlix
