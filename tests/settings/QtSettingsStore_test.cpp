#include "settings/QtSettingsStore.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/TempFolder.h"

namespace quorlix {
namespace {

TEST(QtSettingsStoreTest, TextsComeBackUnchangedInTheirSections)
{
    const testing::TempFolder dir;
    const std::string ini = dir.path("Quorlix.ini");
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

    const std::string name = QtSettingsStore().fileName(); // the application's own INI file
    EXPECT_NE(name.find("Quorlix"), std::string::npos) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".ini") << name;
}

} // namespace
} // namespace quorlix
