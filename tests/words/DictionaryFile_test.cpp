#include "words/DictionaryFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/jet/JetReader.h"
#include "words/DictionaryWordSource.h"
#include "WordsTestSupport.h"
#include "support/MdbOut.h"

namespace fs = std::filesystem;
using namespace quorlix;

namespace {

class DictionaryDir : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return m_folder + name; }

    // A database with the given tables, each with the given single column.
    void writeDb(const std::string& file, std::string_view password,
                 const std::vector<std::pair<std::string, std::vector<std::string>>>& tables,
                 const std::string& column = "Word")
    {
        Status status;
        auto w = jet::DatabaseWriter::create(path(file), jet::JetVersion::Jet3, password, &status);
        ASSERT_TRUE(w) << status.message();
        for (const auto& [name, words] : tables) {
            ASSERT_TRUE(w->createTable(name, {{column, false}}).isOk());
            for (const auto& word : words)
                ASSERT_TRUE(w->appendRow({std::string_view(word)}).isOk());
        }
        ASSERT_TRUE(w->close().isOk());
        quorlix::testing::keepDatabaseCopy(path(file));
    }

    quorlix::test::TempFolder m_dir;
    std::string m_folder = m_dir.folder();
};

class DictionaryVersions : public DictionaryDir, public ::testing::WithParamInterface<jet::JetVersion> {};

TEST_P(DictionaryVersions, CreatedFileReadsBackInRecordOrder)
{
    const std::vector<std::string> words{"zebra", "Apple", "apricot", "Banana", "zoo", "avocado", "Quiz", "Éa"};
    // "Éa" does not start with A-Z: the whole write is refused, nothing is left.
    EXPECT_EQ(createDictionary(path("x.dct"), words, GetParam()).code(), Status::Code::InvalidArgument);
    EXPECT_FALSE(fs::exists(path("x.dct")));

    std::vector<std::string> good(words.begin(), words.end() - 1);
    good.push_back("e\xC3\xA9" "clair"); // after the first letter anything 1252 holds
    ASSERT_TRUE(createDictionary(path("wordlist_test.dct"), good, GetParam()).isOk());
    quorlix::testing::keepDatabaseCopy(path("wordlist_test.dct"));

    jet::FileHeader header;
    ASSERT_TRUE(jet::readFileHeader(path("wordlist_test.dct"), &header).isOk());
    EXPECT_EQ(header.password, "kfz lomb 7316");

    Status status;
    auto dict = DictionaryFile::openDictionary(m_folder, "wordlist_test.dct", &status);
    ASSERT_TRUE(dict) << status.message();
    EXPECT_EQ(dict->fullPath(), m_folder + "wordlist_test.dct");
    EXPECT_TRUE(dict->verifyDictionary().isOk());

    WordCounts counts;
    ASSERT_TRUE(dict->countWords(&counts).isOk());
    EXPECT_EQ(counts.total, 8);
    EXPECT_EQ(counts.count[0], 3); // Apple apricot avocado
    EXPECT_EQ(counts.count[4], 1); // eclair
    EXPECT_EQ(counts.count[25], 2);

    const std::vector<std::pair<char, std::vector<std::string>>> letters{
        {'a', {"Apple", "apricot", "avocado"}}, {'E', {"e\xC3\xA9" "clair"}}, {'C', {}}};
    for (const auto& [letter, want] : letters) {
        std::vector<std::string> got{"stale"};
        ASSERT_TRUE(dict->readWords(letter, &got).isOk()) << letter;
        EXPECT_EQ(got, want) << letter;
    }
    std::vector<std::string> got;
    EXPECT_EQ(dict->readWords('1', &got).code(), Status::Code::NotFound);
}

// The word source reads the tables two at a time on two processors: the
// same words in the same order as reading each table in turn, and the
// terminal streams back as they were (libmdb is kept quiet meanwhile).
TEST_P(DictionaryVersions, WordSourceReadsWhatEachTableHolds)
{
    std::vector<std::string> words;
    for (char letter = 'a'; letter <= 'z'; ++letter)
        for (int i = 0; i < 40 * (letter % 7 + 1); ++i)
            words.push_back(std::string(1, letter) + std::to_string(i * 7919 % 1000));
    ASSERT_TRUE(createDictionary(path("many.dct"), words, GetParam()).isOk());
    std::FILE* const out = stdout;
    std::FILE* const err = stderr;
    DictionaryWordSource source;
    WordTables tables;
    tables.table('B').push_back("stale");
    ASSERT_TRUE(source.load(m_folder, "many.dct", &tables).isOk());
    EXPECT_EQ(stdout, out);
    EXPECT_EQ(stderr, err);
    auto dict = DictionaryFile::openDictionary(m_folder, "many.dct", nullptr);
    ASSERT_TRUE(dict);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::vector<std::string> want;
        ASSERT_TRUE(dict->readWords(letter, &want).isOk());
        EXPECT_EQ(tables.table(letter), want) << letter;
    }
    EXPECT_EQ(tables.totalWords(), words.size());
}

INSTANTIATE_TEST_SUITE_P(Versions, DictionaryVersions,
                         ::testing::Values(jet::JetVersion::Jet3, jet::JetVersion::Jet4),
                         [](const ::testing::TestParamInfo<jet::JetVersion>& p) {
                             return p.param == jet::JetVersion::Jet3 ? "Jet3" : "Jet4";
                         });

TEST_F(DictionaryDir, FailuresFallIntoTheThreeClasses)
{
    std::vector<std::pair<std::string, std::vector<std::string>>> full;
    for (char c = 'A'; c <= 'Z'; ++c)
        full.push_back({std::string(1, c), {std::string(1, c) + "x"}});
    writeDb("good.dct", kDictionaryPassword, full);
    writeDb("noA.dct", kDictionaryPassword, {{"B", {"bee"}}});
    writeDb("noWord.dct", kDictionaryPassword, {{"A", {"ant"}}}, "Term");
    writeDb("emptyA.dct", kDictionaryPassword, {{"A", {}}});
    writeDb("otherPassword.dct", "secret", full);
    writeDb("list.mdb", "", {{"Password Database", {"pw"}}});
    fs::create_directories(path("folder.dct"));
    std::ofstream(path("text.dct")) << std::string(5000, 'x');

    // name, opens (openDictionary succeeds), failure class
    const std::vector<std::tuple<std::string, bool, DictionaryFailure>> cases{
        {"good.dct", true, DictionaryFailure::Unknown},
        {"", false, DictionaryFailure::InvalidFileName},
        {"folder.dct", false, DictionaryFailure::InvalidFileName},
        {"missing.dct", false, DictionaryFailure::Unknown},
        {"text.dct", false, DictionaryFailure::Unknown},
        {"otherPassword.dct", false, DictionaryFailure::Unknown},
        {"noA.dct", true, DictionaryFailure::NotADictionary},
        {"noWord.dct", true, DictionaryFailure::NotADictionary},
        {"list.mdb", true, DictionaryFailure::NotADictionary},
        {"emptyA.dct", true, DictionaryFailure::Unknown}};
    for (const auto& [name, opens, failure] : cases) {
        Status status;
        auto dict = DictionaryFile::openDictionary(m_folder, name, &status);
        ASSERT_EQ(dict != nullptr, opens) << name << ": " << status.message();
        if (dict)
            status = dict->verifyDictionary();
        if (name == "good.dct") {
            EXPECT_TRUE(status.isOk()) << status.message();
            continue;
        }
        ASSERT_FALSE(status.isOk()) << name;
        EXPECT_EQ(classifyDictionaryFailure(status), failure) << name << ": " << status.message();
    }

    // A file missing one letter table verifies (only "A" is looked at) but
    // cannot be counted.
    writeDb("noQ.dct", kDictionaryPassword, {{"A", {"ant"}}, {"B", {"bee"}}});
    Status status;
    auto dict = DictionaryFile::openDictionary(m_folder, "noQ.dct", &status);
    ASSERT_TRUE(dict);
    EXPECT_TRUE(dict->verifyDictionary().isOk());
    WordCounts counts;
    EXPECT_EQ(classifyDictionaryFailure(dict->countWords(&counts)), DictionaryFailure::NotADictionary);

    // Tables C and D missing (each thread may take one): a load names C, as
    // reading in order would.
    std::vector<std::pair<std::string, std::vector<std::string>>> gaps;
    for (char c = 'A'; c <= 'Z'; ++c)
        if (c != 'C' && c != 'D')
            gaps.push_back({std::string(1, c), std::vector<std::string>(200, std::string(1, c) + "word")});
    writeDb("gaps.dct", kDictionaryPassword, gaps);
    WordTables tables;
    status = DictionaryWordSource().load(m_folder, "gaps.dct", &tables);
    EXPECT_EQ(classifyDictionaryFailure(status), DictionaryFailure::NotADictionary);
    EXPECT_EQ(status.message(), "Table 'C' not found in " + path("gaps.dct") + ".");
}

TEST(DictionaryMessages, ExactTexts)
{
    const std::string path = "/opt/quorlix/wordlist_german.dct";
    const std::string notDict = path +
        " file appears to not be a Quorlix dictionary file or is damaged. Please re-download this file and try again.";
    const std::string unknown = path +
        " file triggered an unknown error. This file may be damaged. please re-download this dictionary file and try "
        "again.";
    const std::string noFile =
        "It appears that no dictionary file has been selected (from the 'Random Words' window) to create random "
        "words with. You must first select a dictionary file before executing this request. If you do not have any "
        "dictionary files listed to select from, this means that you must download (free) one or more in order to "
        "use them. Select the 'DOWNLOAD DICTIONARY FILE' option from the 'DICTIONARY' menu.";
    const std::vector<std::tuple<Status, bool, std::string>> cases{{Status::notFound("x"), false, notDict},
                                                                   {Status::invalidFileName("x"), true, noFile},
                                                                   {Status::invalidFileName("x"), false, unknown},
                                                                   {Status::corruption("x"), true, unknown}};
    for (const auto& [status, singleWindow, text] : cases)
        EXPECT_EQ(dictionaryFailureMessage(status, path, singleWindow), text) << status.message();
}

} // namespace
