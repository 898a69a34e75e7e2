#include "settings/QtSettingsStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quorlix {
namespace {

TEST(QtSettingsStoreTest, TextsComeBackUnchangedInTheirSections)
{
    std::string pattern = ::testing::TempDir() + "quorlix_ini_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string ini = pattern + "/Quorlix.ini";
    const std::vector<std::string> texts{",", "a,b", "\"x\", y", " ", "", ";", "=", "[x]", "#", "\\", "caf\xC3\xA9"};
    {
        QtSettingsStore store(ini);
        for (std::size_t i = 0; i < texts.size(); ++i)
            store.set("LastSettings", "Key" + std::to_string(i), texts[i]);
        store.set("Settings", "PlaySound", "False");
        ASSERT_TRUE(store.sync().isOk());
    }
    QtSettingsStore store(ini);
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(store.get("LastSettings", "Key" + std::to_string(i), "*"), texts[i]);
    EXPECT_EQ(store.get("LastSettings", "PlaySound", "True"), "True");
    EXPECT_EQ(store.get("Settings", "PlaySound", "True"), "False");
    std::stringstream text;
    text << std::ifstream(ini).rdbuf();
    EXPECT_NE(text.str().find("[LastSettings]"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("[Settings]"), std::string::npos) << text.str();
    // A hand-edited comma list is still one text, not a list.
    std::ofstream(ini) << "[LastSettings]\nTypeCharacter=a,b\n";
    EXPECT_EQ(QtSettingsStore(ini).get("LastSettings", "TypeCharacter", "*"), "a,b");
    std::filesystem::remove_all(pattern);

    const std::string name = QtSettingsStore().fileName(); // the application's own INI file
    EXPECT_NE(name.find("Quorlix"), std::string::npos) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".ini") << name;
}

} // namespace
} // namespace quorlix
