#include "settings/QtSettingsStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/LastSettings.h"

namespace quorlix {
namespace {

class QtSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "quorlix_ini_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_ini = (m_dir / "Quorlix.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string iniText() const
    {
        std::ifstream in(m_ini);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path m_dir;
    std::string m_ini;
};

class QtValueTest : public QtSettingsStoreTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(QtValueTest, TextComesBackUnchanged)
{
    {
        QtSettingsStore store(m_ini);
        store.set("LastSettings", "TypeCharacter", GetParam());
        ASSERT_TRUE(store.sync().isOk());
    }
    QtSettingsStore store(m_ini);
    EXPECT_EQ(store.get("LastSettings", "TypeCharacter", "*"), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Texts, QtValueTest,
                         ::testing::Values(",", "a,b", "\"", "\"x\", y", " ", "", ";", "=", "[x]", "#", "\\", "True",
                                           "0", "wordlist_english_abridged.dct", "caf\xC3\xA9"));

TEST_F(QtSettingsStoreTest, MissingKeyGivesDefaultAndSectionsAreApart)
{
    QtSettingsStore store(m_ini);
    EXPECT_EQ(store.get("LastSettings", "PasswordAmount", "25"), "25");
    store.set("Settings", "PlaySound", "False");
    EXPECT_EQ(store.get("LastSettings", "PlaySound", "True"), "True");
    EXPECT_EQ(store.get("Settings", "PlaySound", "True"), "False");
}

TEST_F(QtSettingsStoreTest, WritesIniSections)
{
    {
        QtSettingsStore store(m_ini);
        store.set("LastSettings", "PasswordAmount", "25");
        store.set("Settings", "SaveAsBox", "1");
        ASSERT_TRUE(store.sync().isOk());
    }
    const std::string text = iniText();
    EXPECT_NE(text.find("[LastSettings]"), std::string::npos) << text;
    EXPECT_NE(text.find("PasswordAmount=25"), std::string::npos) << text;
    EXPECT_NE(text.find("[Settings]"), std::string::npos) << text;
}

TEST_F(QtSettingsStoreTest, HandEditedCommaListReadsAsText)
{
    {
        std::ofstream out(m_ini);
        out << "[LastSettings]\nTypeCharacter=a,b\n";
    }
    QtSettingsStore store(m_ini);
    EXPECT_EQ(store.get("LastSettings", "TypeCharacter", "*"), "a,b");
}

TEST_F(QtSettingsStoreTest, LastSettingsRoundTrip)
{
    OptionState saved;
    saved.run = RunValues{9, 3, 44};
    saved.checks.strong = true;
    saved.checks.dictionaryMode = DictionaryMode::Hybrid;
    saved.method = GenerationMethod::RandomWords;
    saved.pool.setFlag('!', 1);
    saved.pool.setFlag('A', 0);
    saved.rules.rule[44] = 4;
    saved.inserts.blank[2] = 1;
    saved.dictionaryFile = "my list, \"2\".dct";
    saved.pool.recount();
    {
        QtSettingsStore store(m_ini);
        saveLastSettings(store, saved);
        ASSERT_TRUE(store.sync().isOk());
    }
    QtSettingsStore store(m_ini);
    OptionState loaded;
    EXPECT_TRUE(loadLastSettings(store, loaded).empty());
    EXPECT_EQ(loaded, saved);
}

TEST(QtSettingsStoreUserTest, UsesTheApplicationsIniFile)
{
    QtSettingsStore store;
    const std::string name = store.fileName();
    EXPECT_NE(name.find("Quorlix"), std::string::npos) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".ini") << name;
}

} // namespace
} // namespace quorlix
