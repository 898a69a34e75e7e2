#include "output/MdbListWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/jet/JetReader.h"
#include "support/MdbOut.h"

namespace fs = std::filesystem;
using namespace quorlix;

namespace {

using Row = std::vector<std::optional<std::string>>;

class MdbOut : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("mdblist-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        registerMdbListWriterFactory({});
        fs::remove_all(m_dir);
    }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path m_dir;
};

// Table names, column names and rows of the password table.
struct ReadBack {
    int versionByte = -1;
    std::vector<std::string> tables;
    std::vector<jet::ColumnInfo> columns;
    std::vector<Row> rows;
};

ReadBack readBack(const std::string& file)
{
    quorlix::testing::keepDatabaseCopy(file);
    ReadBack r;
    Status status;
    auto db = jet::DatabaseReader::open(file, "", &status);
    EXPECT_TRUE(db) << status.message();
    if (!db)
        return r;
    r.versionByte = jet::formatVersionByte(*db);
    r.tables = db->tables();
    EXPECT_TRUE(jet::describeTable(*db, kPasswordTableName, &r.columns).isOk());
    auto t = db->openTable(kPasswordTableName, &status);
    EXPECT_TRUE(t) << status.message();
    if (!t)
        return r;
    while (t->next())
        r.rows.push_back({t->field(0), t->field(1), t->field(2)});
    EXPECT_TRUE(t->status().isOk());
    return r;
}

// The longest password a run can make: 60 characters with a hyphen and a blank
// after each of the first 59 (178 in all).
std::string longestPassword()
{
    std::string pw;
    for (int i = 1; i <= 60; ++i) {
        pw += static_cast<char>('A' + i % 26);
        if (i < 60)
            pw += "- ";
    }
    return pw;
}

struct LayoutCase {
    MdbTableLayout layout;
    jet::JetVersion version;
    std::vector<std::string> names;
    bool zeroLength;
    std::vector<std::optional<std::string>> stored; // Password values read back
    const char* copyName;
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
    quorlix::testing::keepDatabaseCopy(file, c.copyName);

    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(files(), std::vector<std::string>{"list.mdb"});

    const ReadBack r = readBack(file);
    EXPECT_EQ(r.versionByte, c.version == jet::JetVersion::Jet3 ? 0 : 1);
    EXPECT_EQ(r.tables, std::vector<std::string>{"Password Database"});
    ASSERT_EQ(r.columns.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(r.columns[i].name, c.names[i]);
        EXPECT_EQ(r.columns[i].type, static_cast<int>(jet::ColumnType::Text));
        EXPECT_EQ(r.columns[i].allowZeroLength, c.zeroLength);
    }
    ASSERT_EQ(r.rows.size(), c.stored.size() + 1);
    for (std::size_t i = 0; i < c.stored.size(); ++i)
        EXPECT_EQ(r.rows[i], (Row{std::nullopt, std::nullopt, c.stored[i]})) << i;
    EXPECT_EQ(r.rows.back(), (Row{std::nullopt, std::nullopt, longestPassword()}));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, MdbLayouts,
    ::testing::Values(LayoutCase{MdbTableLayout::SavedList, jet::JetVersion::Jet3,
                                 {"Last_Name", "First_Name", "Password"}, true, {"abc", " pad ", "q\"<&>,"},
                                 "list-saved-jet3.mdb"},
                      LayoutCase{MdbTableLayout::SavedList, jet::JetVersion::Jet4,
                                 {"Last_Name", "First_Name", "Password"}, true, {"abc", " pad ", "q\"<&>,"},
                                 "list-saved-jet4.mdb"},
                      LayoutCase{MdbTableLayout::ConvertedList, jet::JetVersion::Jet3,
                                 {"Last Name", "First Name", "Password"}, false, {"abc", "pad", "q\"<&>,"},
                                 "list-converted-jet3.mdb"},
                      LayoutCase{MdbTableLayout::ConvertedList, jet::JetVersion::Jet4,
                                 {"Last Name", "First Name", "Password"}, false, {"abc", "pad", "q\"<&>,"},
                                 "list-converted-jet4.mdb"}),
    [](const ::testing::TestParamInfo<LayoutCase>& p) { return std::to_string(p.index); });

TEST_F(MdbOut, ZeroLengthPasswordOnlyWhereAllowed)
{
    Status status;
    auto saved = MdbListWriter::open(path("saved.mdb"), MdbTableLayout::SavedList, jet::JetVersion::Jet3, &status);
    ASSERT_TRUE(saved);
    saved->add("");
    ASSERT_TRUE(saved->finish().isOk());
    EXPECT_EQ(readBack(path("saved.mdb")).rows, (std::vector<Row>{{std::nullopt, std::nullopt, ""}}));

    // The conversion layout refuses a blank value: finish() drops the file,
    // closeUnfinished() keeps the records before the refused one.
    for (bool keep : {false, true}) {
        const std::string file = path(keep ? "kept.mdb" : "dropped.mdb");
        auto conv = MdbListWriter::open(file, MdbTableLayout::ConvertedList, jet::JetVersion::Jet3, &status);
        ASSERT_TRUE(conv);
        conv->add("one");
        conv->add("   ");
        conv->add("two");
        EXPECT_FALSE(conv->status().isOk());
        const Status end = keep ? conv->closeUnfinished() : conv->finish();
        EXPECT_FALSE(end.isOk());
        EXPECT_EQ(fs::exists(file), keep);
        if (keep) {
            EXPECT_EQ(readBack(file).rows, (std::vector<Row>{{std::nullopt, std::nullopt, "one"}}));
        }
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"kept.mdb", "saved.mdb"}));
}

TEST_F(MdbOut, ExistingFileIsReplacedOnlyByACompleteWrite)
{
    const std::string file = path("old.mdb");
    {
        std::ofstream(file) << "earlier contents";
    }
    Status status;
    // Dropped and failed writes leave the earlier file as it was.
    {
        auto w = MdbListWriter::open(file, MdbTableLayout::SavedList, jet::JetVersion::Jet3, &status);
        ASSERT_TRUE(w);
        w->add("x");
        w->discard();
    }
    {
        auto w = MdbListWriter::open(file, MdbTableLayout::SavedList, jet::JetVersion::Jet3, &status);
        ASSERT_TRUE(w);
        w->add(std::string(300, 'x')); // longer than a Text field holds
        EXPECT_FALSE(w->finish().isOk());
    }
    {
        auto w = MdbListWriter::open(file, MdbTableLayout::SavedList, jet::JetVersion::Jet3, &status);
        ASSERT_TRUE(w);
        w->add("y");
        // destroyed without finish()
    }
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "earlier contents");
    EXPECT_EQ(files(), std::vector<std::string>{"old.mdb"});

    auto w = MdbListWriter::open(file, MdbTableLayout::SavedList, jet::JetVersion::Jet3, &status);
    ASSERT_TRUE(w);
    w->add("new");
    ASSERT_TRUE(w->finish().isOk());
    EXPECT_EQ(readBack(file).rows, (std::vector<Row>{{std::nullopt, std::nullopt, "new"}}));

    EXPECT_FALSE(MdbListWriter::open(path("no/such/folder/x.mdb"), MdbTableLayout::SavedList, jet::JetVersion::Jet3,
                                     &status));
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
    for (const Case& c : {Case{"Jet3", 0}, Case{"Jet4", 1}, Case{"", 0}, Case{"jet4", 0}, Case{"ACE", 0}}) {
        setting = c.setting;
        const std::string file = path("f" + std::to_string(c.versionByte) + c.setting + ".mdb");
        Status status;
        auto w = openListFile(file, ListFormat::Mdb, &status);
        ASSERT_TRUE(w) << status.message();
        w->begin();
        w->add("pw");
        ASSERT_TRUE(w->finish().isOk());
        const ReadBack r = readBack(file);
        EXPECT_EQ(r.versionByte, c.versionByte) << c.setting;
        EXPECT_EQ(r.columns.size(), 3u);
        EXPECT_EQ(r.columns[0].name, "Last_Name");
    }
    installMdbListWriter({});
    Status status;
    auto w = openListFile(path("default.mdb"), ListFormat::Mdb, &status);
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->finish().isOk());
    EXPECT_EQ(readBack(path("default.mdb")).versionByte, 0);
}

} // namespace
