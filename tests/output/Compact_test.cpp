#include "output/Compact.h"

#include <gtest/gtest.h>

#include "OutputTestKit.h"
#include "support/RecordingMessageBoxes.h"

using namespace quorlix;
using namespace quorlix::testing;

namespace {

const fs::path kSamples = fs::path(QUORLIX_SHARED_DIR) / "samples" / "jet";

class CompactTest : public TempDirTest {
protected:
    void write(const std::string& file, jet::JetVersion version, std::string_view password, const Tables& tables,
               const std::vector<jet::TextColumn>& columns)
    {
        Status status;
        auto w = jet::DatabaseWriter::create(path(file), version, password, &status);
        ASSERT_TRUE(w) << status.message();
        for (const auto& [name, rows] : tables) {
            ASSERT_TRUE(w->createTable(name, columns).isOk());
            for (const Row& row : rows) {
                std::vector<std::optional<std::string_view>> v(row.begin(), row.end());
                ASSERT_TRUE(w->appendRow(v).isOk());
            }
        }
        ASSERT_TRUE(w->close().isOk());
        keepDatabaseCopy(path(file));
    }
};

struct SampleCase {
    const char* file;
    bool copyable; // only Text fields of up to 50 characters
};

class CompactSamples : public CompactTest, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(CompactSamples, CopiesTextOnlyDatabasesAndRefusesTheRest)
{
    if (!fs::exists(kSamples))
        GTEST_SKIP() << "no samples";
    const SampleCase& c = GetParam();
    const std::string source = (kSamples / c.file).string();
    const Status status = compactDatabase(source, path("out.mdb"));
    if (!c.copyable) {
        EXPECT_EQ(status.code(), Status::Code::Unsupported) << status.message();
        EXPECT_TRUE(files().empty()) << "a refused compaction leaves no file";
        return;
    }
    ASSERT_TRUE(status.isOk()) << status.message();
    Tables before, after;
    ASSERT_TRUE(readDatabase(source, "", &before).isOk());
    ASSERT_TRUE(readDatabase(path("out.mdb"), "", &after).isOk());
    EXPECT_EQ(after, before);
    jet::FileHeader in, out;
    ASSERT_TRUE(jet::readFileHeader(source, &in).isOk());
    ASSERT_TRUE(jet::readFileHeader(path("out.mdb"), &out).isOk());
    EXPECT_EQ(out.versionByte, in.versionByte); // both readers check the kept copies in CI

    // Repairing a copy of the sample in place gives the same tables.
    fs::copy_file(source, path("repair.mdb"));
    ASSERT_TRUE(repairDatabase(path("repair.mdb")).isOk());
    ASSERT_TRUE(readDatabase(path("repair.mdb"), "", &after).isOk());
    EXPECT_EQ(after, before);
    EXPECT_EQ(files(), (std::vector<std::string>{"out.mdb", "repair.mdb"}));
}

INSTANTIATE_TEST_SUITE_P(
    Jet, CompactSamples,
    ::testing::Values(SampleCase{"adox_jet4.mdb", true}, SampleCase{"emptyV2000.mdb", true},
                      SampleCase{"delTestV1997.mdb", true}, SampleCase{"overflowTestV1997.mdb", true},
                      SampleCase{"queryTestV1997.mdb", true}, SampleCase{"compIndexTestV1997.mdb", false},
                      SampleCase{"delColTestV1997.mdb", false}, SampleCase{"indexTestV1997.mdb", false},
                      SampleCase{"test2V1997.mdb", false}, SampleCase{"testIndexCodesV1997.mdb", false},
                      SampleCase{"testV1997.mdb", false}),
    [](const ::testing::TestParamInfo<SampleCase>& p) {
        std::string n = p.param.file;
        return n.substr(0, n.find('.'));
    });

class CompactVersions : public CompactTest, public ::testing::WithParamInterface<jet::JetVersion> {};

TEST_P(CompactVersions, KeepsFormatPasswordNullsAndZeroLengthRule)
{
    const std::string pw = "kfz lomb 7316";
    std::vector<Row> many;
    for (int i = 0; i < 1500; ++i)
        many.push_back({std::nullopt, i % 3 ? std::optional<std::string>("") : std::nullopt, "pw" + std::to_string(i)});
    write("src.dct", GetParam(), pw, {{"A", many}, {"Z", {{"z", "", "\xC3\xA9"}}}},
          {{"Last_Name", true}, {"First_Name", true}, {"Password", false}});
    ASSERT_TRUE(compactDatabase(path("src.dct"), path("dst.dct")).isOk());

    jet::FileHeader header;
    ASSERT_TRUE(jet::readFileHeader(path("dst.dct"), &header).isOk());
    EXPECT_EQ(header.password, pw);
    EXPECT_EQ(header.versionByte, GetParam() == jet::JetVersion::Jet3 ? 0 : 1);
    Tables before, after;
    ASSERT_TRUE(readDatabase(path("src.dct"), pw, &before).isOk());
    ASSERT_TRUE(readDatabase(path("dst.dct"), pw, &after).isOk());
    EXPECT_EQ(after, before);

    Status status;
    auto db = jet::DatabaseReader::open(path("dst.dct"), pw, &status);
    ASSERT_TRUE(db);
    std::vector<jet::ColumnInfo> columns;
    ASSERT_TRUE(jet::describeTable(*db, "A", &columns).isOk());
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(std::vector<bool>({columns[0].allowZeroLength, columns[1].allowZeroLength, columns[2].allowZeroLength}),
              std::vector<bool>({true, true, false}));
}

INSTANTIATE_TEST_SUITE_P(Versions, CompactVersions, ::testing::Values(jet::JetVersion::Jet3, jet::JetVersion::Jet4),
                         [](const ::testing::TestParamInfo<jet::JetVersion>& p) {
                             return p.param == jet::JetVersion::Jet3 ? "Jet3" : "Jet4";
                         });

TEST_F(CompactTest, RepairSalvagesReadableRowsCompactionRefuses)
{
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i)
        rows.push_back({"word" + std::to_string(i)});
    write("damaged.mdb", jet::JetVersion::Jet3, "", {{"A", rows}, {"B", {{"b"}}}}, {{"Word", false}});
    // Blank out one data page of a user table (its type byte becomes 0).
    std::string bytes = read("damaged.mdb");
    bool blanked = false;
    for (std::size_t page = 1; page * 2048 < bytes.size() && !blanked; ++page) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + page * 2048);
        const std::uint32_t owner = p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<std::uint32_t>(p[7]) << 24);
        if (p[0] == 0x01 && owner > 5 && owner < 0x10000) {
            std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(page * 2048), 2048, '\0');
            blanked = true;
        }
    }
    ASSERT_TRUE(blanked);
    writeBytes(path("damaged.mdb"), bytes);

    EXPECT_EQ(compactDatabase(path("damaged.mdb"), path("copy.mdb")).code(), Status::Code::Corruption);
    EXPECT_FALSE(fs::exists(path("copy.mdb")));
    EXPECT_EQ(read("damaged.mdb"), bytes);

    ASSERT_TRUE(repairDatabase(path("damaged.mdb")).isOk());
    Tables after;
    ASSERT_TRUE(readDatabase(path("damaged.mdb"), "", &after).isOk());
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1].second, (std::vector<Row>{{"b"}}));
    const auto& kept = after[0].second;
    EXPECT_GT(kept.size(), 2000u);
    EXPECT_LT(kept.size(), 3000u);
    std::size_t next = 0; // what survives keeps its order
    for (const Row& r : kept) {
        const auto n = static_cast<std::size_t>(std::stoi(r[0]->substr(4)));
        EXPECT_GE(n, next);
        next = n + 1;
    }
}

TEST_F(CompactTest, RefusesHeadersTheWriterCannotReproduce)
{
    write("plain.mdb", jet::JetVersion::Jet3, "", {{"T", {{"a"}}}}, {{"F", true}});
    const std::string plain = read("plain.mdb");
    // Header fields sit under a fixed XOR mask: flipping stored bits flips the plain value by the same bits.
    struct Case {
        const char* name;
        std::size_t offset;
        unsigned char flip;
    };
    for (const Case& c : {Case{"code page", 0x3C, 0x06}, Case{"sort order", 0x3A, 0x0C}, Case{"encrypted", 0x3E, 0x01}}) {
        std::string bytes = plain;
        bytes[c.offset] = static_cast<char>(bytes[c.offset] ^ c.flip);
        writeBytes(path("odd.mdb"), bytes);
        EXPECT_EQ(compactDatabase(path("odd.mdb"), path("copy.mdb")).code(), Status::Code::Unsupported) << c.name;
        EXPECT_EQ(repairDatabase(path("odd.mdb")).code(), Status::Code::Unsupported) << c.name;
        EXPECT_EQ(read("odd.mdb"), bytes) << c.name;
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"odd.mdb", "plain.mdb"}));
}

class ScriptedDialogs : public DatabaseToolDialogs {
public:
    std::optional<ChosenFile> chooseOpenFile(std::string_view title, std::string_view filter) override
    {
        calls.push_back("open:" + std::string(title) + "|" + std::string(filter));
        return openAnswer;
    }
    std::optional<ChosenFile> chooseSaveFile(std::string_view title, std::string_view filter,
                                             std::string_view proposed) override
    {
        calls.push_back("save:" + std::string(title) + "|" + std::string(filter) + "|" + std::string(proposed));
        return saveAnswer;
    }
    std::optional<ChosenFile> openAnswer, saveAnswer;
    std::vector<std::string> calls;
};

TEST(CompactNames, ProposedTargets)
{
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"PASS.MDB", "passx.mdb"}, {"a.mdb", "ax.mdb"}, {".mdb", std::nullopt}, {"passwords.mdb", "passwords.mdbx.mdb"},
        {"Lists", "lx.mdb"}};
    for (const auto& [title, proposed] : cases)
        EXPECT_EQ(proposedCompactTarget(title), proposed) << title;
}

TEST_F(CompactTest, CompactCommandPaths)
{
    write("PASS.MDB", jet::JetVersion::Jet3, "", passwordTable({"pw"}),
          {{"Last_Name", true}, {"First_Name", true}, {"Password", true}});
    const std::string source = path("PASS.MDB");
    const std::string original = read("PASS.MDB");
    writeBytes(path("old.mdb"), "older file");
    const std::string failed =
        "message:Database Error: Database file already in use, file name is the same or Cancel was selected.";
    const std::string openCall = "open:Select Database File to Compact|MS-Access Database File (*.mdb)|*.mdb";
    const std::string saveCall = "save:Enter New Database File Name|MS-Access Database File (*.mdb)|*.mdb|passx.mdb";
    struct Case {
        const char* name;
        std::optional<ChosenFile> open, save;
        CallLog expectedLog;
        std::vector<std::string> expectedDialogs;
    };
    const std::vector<Case> cases{
        {"cancel open", std::nullopt, std::nullopt, {failed, "enableOn"}, {openCall}},
        {"short title", ChosenFile{path(".mdb"), ".mdb"}, std::nullopt, {"message:Incorrect File Name"}, {openCall}},
        {"onto itself", ChosenFile{source, "PASS.MDB"}, ChosenFile{path("./PASS.MDB"), "PASS.MDB"},
         {"setStatus:Compacting Database File: PASS.MDB", "enableOff", failed, "enableOn"}, {openCall, saveCall}},
        {"bad source", ChosenFile{path("old.mdb"), "old.mdb"}, ChosenFile{path("new.mdb"), "new.mdb"},
         {"setStatus:Compacting Database File: new.mdb", "enableOff", failed, "enableOn"},
         {openCall, "save:Enter New Database File Name|MS-Access Database File (*.mdb)|*.mdb|oldx.mdb"}},
        {"replaces target", ChosenFile{source, "PASS.MDB"}, ChosenFile{path("old.mdb"), "old.mdb"},
         {"setStatus:Compacting Database File: old.mdb", "enableOff", "enableOn",
          "setStatus:Compacted Database File: old.mdb"},
         {openCall, saveCall}},
    };
    for (const Case& c : cases) {
        CallLog log;
        RecordingSurface window(&log);
        RecordingMessageBoxes boxes(&log);
        ScriptedDialogs dialogs;
        dialogs.openAnswer = c.open;
        dialogs.saveAnswer = c.save;
        CompactDB(dialogs, boxes, window);
        EXPECT_EQ(log, c.expectedLog) << c.name;
        EXPECT_EQ(dialogs.calls, c.expectedDialogs) << c.name;
        for (const auto& shown : boxes.shown)
            EXPECT_TRUE(shown.icon == Icon::None && shown.buttons == Buttons::Ok && shown.title == "Quorlix");
        EXPECT_EQ(read("PASS.MDB"), original) << c.name;
    }
    Tables copy;
    ASSERT_TRUE(readDatabase(path("old.mdb"), "", &copy).isOk());
    EXPECT_EQ(copy, passwordTable({"pw"}));
    EXPECT_EQ(files(), (std::vector<std::string>{"PASS.MDB", "old.mdb"}));
}

TEST_F(CompactTest, RepairCommandPaths)
{
    write("list.mdb", jet::JetVersion::Jet3, "", {{"T", {{"a"}, {""}, {std::nullopt}}}}, {{"F", true}});
    writeBytes(path("junk.mdb"), std::string(8192, 'j'));
    struct Case {
        std::optional<ChosenFile> file;
        CallLog expectedLog;
    };
    const std::vector<Case> cases{
        {std::nullopt, {"message:Repair unsuccessful!", "enableOn"}},
        {ChosenFile{path("junk.mdb"), "junk.mdb"},
         {"setStatus:Repairing Database File: junk.mdb", "enableOff", "message:Repair unsuccessful!", "enableOn"}},
        {ChosenFile{path("list.mdb"), "list.mdb"},
         {"setStatus:Repairing Database File: list.mdb", "enableOff", "setStatus:Repaired Database File: list.mdb",
          "enableOn"}},
    };
    for (const Case& c : cases) {
        CallLog log;
        RecordingSurface window(&log);
        RecordingMessageBoxes boxes(&log);
        ScriptedDialogs dialogs;
        dialogs.saveAnswer = c.file;
        RepairDB(dialogs, boxes, window);
        EXPECT_EQ(log, c.expectedLog);
        EXPECT_EQ(dialogs.calls, std::vector<std::string>{
                                     "save:Select Database File to Repair|MS-Access Database File (*.mdb)|*.mdb|"});
    }
    EXPECT_EQ(read("junk.mdb"), std::string(8192, 'j'));
    Tables after;
    ASSERT_TRUE(readDatabase(path("list.mdb"), "", &after).isOk());
    EXPECT_EQ(after, (Tables{{"T", {{"a"}, {""}, {std::nullopt}}}}));
    EXPECT_EQ(files(), (std::vector<std::string>{"junk.mdb", "list.mdb"}));
}

} // namespace
