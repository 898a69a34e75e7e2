#include "output/MdbListWriter.h"

#include <gtest/gtest.h>

#include "OutputTestKit.h"

using namespace quorlix;
using namespace quorlix::testing;

namespace {

using MdbOut = OutputTest;

int versionByte(const std::string& file)
{
    jet::FileHeader header;
    EXPECT_TRUE(jet::readFileHeader(file, &header).isOk());
    return header.versionByte;
}

Tables tablesOf(const std::string& file)
{
    Tables t;
    EXPECT_TRUE(readDatabase(file, "", &t).isOk());
    return t;
}

// The longest password a run can make: 60 characters with a hyphen and a blank after each of the first 59.
std::string longestPassword()
{
    std::string pw;
    for (int i = 1; i <= 60; ++i)
        pw += std::string(1, static_cast<char>('A' + i % 26)) + (i < 60 ? "- " : "");
    return pw;
}

struct LayoutCase {
    MdbTableLayout layout;
    jet::JetVersion version;
    std::vector<std::string> names;
    bool zeroLength;
    std::string padded; // " pad " as stored
};

class MdbLayouts : public MdbOut, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(MdbLayouts, WritesOneRecordPerPasswordWithNullNames)
{
    const LayoutCase& c = GetParam();
    const std::string file = path("list.mdb");
    Status status;
    auto w = MdbListWriter::open(file, c.layout, c.version, &status);
    ASSERT_TRUE(w) << status.message();
    w->begin();
    for (const std::string& pw : {std::string("abc"), std::string(" pad "), std::string("q\"<&>,"), longestPassword()})
        w->add(pw);
    const Status finished = w->finish();
    ASSERT_TRUE(finished.isOk()) << finished.message();
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(files(), std::vector<std::string>{"list.mdb"});
    EXPECT_EQ(versionByte(file), c.version == jet::JetVersion::Jet3 ? 0 : 1);
    EXPECT_EQ(tablesOf(file), passwordTable({"abc", c.padded, "q\"<&>,", longestPassword()}));

    auto db = jet::DatabaseReader::open(file, "", &status);
    ASSERT_TRUE(db);
    std::vector<jet::ColumnInfo> columns;
    ASSERT_TRUE(jet::describeTable(*db, kPasswordTableName, &columns).isOk());
    ASSERT_EQ(columns.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(columns[i].name, c.names[i]);
        EXPECT_EQ(columns[i].type, static_cast<int>(jet::ColumnType::Text));
        EXPECT_EQ(columns[i].allowZeroLength, c.zeroLength);
    }
}

const std::vector<std::string> kSavedNames{"Last_Name", "First_Name", "Password"};
const std::vector<std::string> kConvertedNames{"Last Name", "First Name", "Password"};

INSTANTIATE_TEST_SUITE_P(
    Layouts, MdbLayouts,
    ::testing::Values(LayoutCase{MdbTableLayout::SavedList, jet::JetVersion::Jet3, kSavedNames, true, " pad "},
                      LayoutCase{MdbTableLayout::SavedList, jet::JetVersion::Jet4, kSavedNames, true, " pad "},
                      LayoutCase{MdbTableLayout::ConvertedList, jet::JetVersion::Jet3, kConvertedNames, false, "pad"},
                      LayoutCase{MdbTableLayout::ConvertedList, jet::JetVersion::Jet4, kConvertedNames, false, "pad"}),
    [](const ::testing::TestParamInfo<LayoutCase>& p) {
        return std::string(p.param.layout == MdbTableLayout::SavedList ? "Saved" : "Converted") +
               (p.param.version == jet::JetVersion::Jet3 ? "Jet3" : "Jet4");
    });

// The conversion layout refuses a blank value and finish() drops the file; a saved list stores it.
TEST_F(MdbOut, ZeroLengthPasswordOnlyWhereAllowed)
{
    Status status;
    for (MdbTableLayout layout : {MdbTableLayout::SavedList, MdbTableLayout::ConvertedList}) {
        const bool saved = layout == MdbTableLayout::SavedList;
        const std::string file = path(saved ? "saved.mdb" : "dropped.mdb");
        auto w = MdbListWriter::open(file, layout, jet::JetVersion::Jet3, &status);
        ASSERT_TRUE(w);
        for (const char* pw : {"one", saved ? "" : "   ", "two"})
            w->add(pw);
        EXPECT_EQ(w->status().isOk(), saved);
        EXPECT_EQ(w->finish().isOk(), saved);
    }
    EXPECT_EQ(tablesOf(path("saved.mdb")), passwordTable({"one", "", "two"}));
    EXPECT_EQ(files(), (std::vector<std::string>{"saved.mdb"}));
}

TEST_F(MdbOut, ExistingFileIsReplacedOnlyByACompleteWrite)
{
    const std::string file = path("old.mdb");
    writeBytes(file, "earlier contents");
    Status status;
    // Discarded, failed (longer than a Text field holds) and abandoned writes leave the earlier file;
    // only a finished one replaces it.
    for (int how : {0, 1, 2, 3}) {
        EXPECT_EQ(read("old.mdb"), "earlier contents");
        auto w = MdbListWriter::open(file, MdbTableLayout::SavedList, jet::JetVersion::Jet3, &status);
        ASSERT_TRUE(w);
        w->add(how == 1 ? std::string(300, 'x') : "new");
        if (how == 0)
            w->discard();
        if (how == 1 || how == 3) {
            EXPECT_EQ(w->finish().isOk(), how == 3);
        }
    }
    EXPECT_EQ(files(), std::vector<std::string>{"old.mdb"});
    EXPECT_EQ(tablesOf(file), passwordTable({"new"}));
    EXPECT_FALSE(MdbListWriter::open(path("no/such/x.mdb"), MdbTableLayout::SavedList, jet::JetVersion::Jet3, &status));
    EXPECT_FALSE(status.isOk());
}

TEST_F(MdbOut, RegisteredFactoryFollowsTheFormatSetting)
{
    std::string setting;
    installMdbListWriter([&setting] { return setting; });
    struct Case {
        std::string setting;
        int versionByte;
    };
    for (const Case& c : {Case{"Jet3", 0}, Case{"Jet4", 1}, Case{"", 0}, Case{"jet4", 0}}) {
        setting = c.setting;
        const std::string file = path("f" + c.setting + ".mdb");
        Status status;
        auto w = openListFile(file, ListFormat::Mdb, &status);
        ASSERT_TRUE(w) << status.message();
        w->begin();
        w->add("pw");
        ASSERT_TRUE(w->finish().isOk());
        EXPECT_EQ(versionByte(file), c.versionByte) << c.setting;
        EXPECT_EQ(tablesOf(file), passwordTable({"pw"}));
    }
    installMdbListWriter({}); // no setting to read: Jet 3
    Status status;
    auto w = openListFile(path("default.mdb"), ListFormat::Mdb, &status);
    ASSERT_TRUE(w && w->finish().isOk());
    EXPECT_EQ(versionByte(path("default.mdb")), 0);
}

} // namespace
