#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace quorlix {
namespace {

using testing::readBytes;
using testing::writeBytes;

namespace fs = std::filesystem;

// The unprivileged account the root-only cases switch to.
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

struct stat statOf(const fs::path& p)
{
    struct stat st {
    };
    ::stat(p.c_str(), &st);
    return st;
}

Status writeFile(const std::string& path, const std::string& bytes)
{
    AtomicFile file;
    if (Status s = file.open(path); !s)
        return s;
    file.write(bytes);
    return file.commit();
}

// Runs fn in a child process as uid/gid; true when it returned true.
bool runAs(uid_t uid, gid_t gid, const std::function<bool()>& fn)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const bool switched = ::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0;
        ::_exit(switched && fn() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class AtomicFileTest : public testing::TempFolderTest {};

TEST_F(AtomicFileTest, NextWriteRemovesLeftoversOfKilledWritersOnly)
{
    const std::string dead = path(std::string(kTemporaryFilePrefix) + "dead01");
    const std::string live = path(std::string(kTemporaryFilePrefix) + "live01");
    writeBytes(dead, "half a list");
    writeBytes(live, "a list being written");
    writeBytes(path("other.txt"), "kept");
    // A writer still at work holds the lock on its file.
    const int held = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    ASSERT_TRUE(writeFile(path("list.txt"), "new\r\n").isOk());

    EXPECT_EQ(files(),
              (std::vector<std::string>{std::string(kTemporaryFilePrefix) + "live01", "list.txt", "other.txt"}));
    ::close(held);
}

TEST_F(AtomicFileTest, SignalCleanUpRemovesTheFileBeingWritten)
{
    writeBytes(path("list.txt"), "old\r\n");
    AtomicFile file;
    ASSERT_TRUE(file.open(path("list.txt")).isOk());
    file.write("new\r\n");
    removeMarkedTemporaryFiles();
    EXPECT_EQ(files(), std::vector<std::string>{"list.txt"});
    EXPECT_FALSE(file.commit().isOk());
    EXPECT_EQ(readBytes(path("list.txt")), "old\r\n");
}

TEST_F(AtomicFileTest, NamesUpToTheLongestTheFolderTakesAreWritten)
{
    for (std::size_t length : {238u, 255u}) {
        const std::string name(length, 'a');
        ASSERT_TRUE(writeFile(path(name), "x\r\n").isOk()) << length;
        EXPECT_EQ(readBytes(path(name)), "x\r\n") << length;
        fs::remove(path(name));
    }
    EXPECT_TRUE(files().empty());
}

// A device (-o /dev/null, a terminal) is written to, never replaced. The
// devices are made here, so a fault can't turn one of the machine's into a
// plain file: a terminal of the test's own, reached through a link in the
// test's folder, and, where the test may make device files (root), a node of
// the null device in the folder itself, which a replacing write could rename over.
TEST_F(AtomicFileTest, DevicesAreWrittenToNotReplaced)
{
    const fs::path spare = m_dir / "spare";
    fs::create_directory(spare);
    const testing::TemporaryFilesIn temporaryFiles(spare);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);
    // Held open and raw: the terminal passes the bytes as they are, and the
    // program's close does not hang it up.
    const int held = ::open(terminal.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    struct termios raw {};
    ASSERT_EQ(::tcgetattr(held, &raw), 0);
    ::cfmakeraw(&raw);
    ASSERT_EQ(::tcsetattr(held, TCSANOW, &raw), 0);
    fs::create_symlink(terminal, m_dir / "terminal");

    Status written = writeFile(path("terminal"), "new\r\n");
    EXPECT_TRUE(written.isOk()) << written.message();
    EXPECT_TRUE(S_ISCHR(statOf(terminal).st_mode));
    // The terminal hands the bytes on a moment later.
    std::string got;
    char buffer[64];
    for (pollfd ready{master, POLLIN, 0}; got.size() < 5 && ::poll(&ready, 1, 10000) == 1;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0 && errno != EAGAIN)
            break;
        got.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    EXPECT_EQ(got, "new\r\n");
    ::close(held);
    ::close(master);

    std::vector<std::string> expected{"spare", "terminal"};
    if (::mknod(path("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
        written = writeFile(path("null"), "new\r\n");
        EXPECT_TRUE(written.isOk()) << written.message();
        EXPECT_TRUE(S_ISCHR(statOf(path("null")).st_mode));
        expected.insert(expected.begin(), "null");
    } else {
        std::cout << "the null device case needs a user who may make device files; not run\n";
    }
    EXPECT_EQ(files(), expected);
    EXPECT_TRUE(fs::is_empty(spare));
}

struct ReplaceCase {
    const char* name;
    // Prepares the folder; returns the path to write to.
    std::function<std::string(const fs::path&)> prepare;
    const char* realFile; // where the new contents must land
    bool givenStaysLink;
    unsigned mode;
};

class AtomicFileReplace : public AtomicFileTest, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(AtomicFileReplace, ReplacesTheRealFileAndKeepsItsMode)
{
    const ReplaceCase& c = GetParam();
    const std::string given = c.prepare(m_dir);
    ASSERT_TRUE(writeFile(given, "new\r\n").isOk());
    EXPECT_EQ(readBytes(m_dir / c.realFile), "new\r\n");
    EXPECT_EQ(fs::is_symlink(given), c.givenStaysLink);
    EXPECT_EQ(statOf(m_dir / c.realFile).st_mode & 07777, c.mode);
}

std::string existing(const fs::path& p, fs::perms mode)
{
    writeBytes(p, "old\r\n");
    fs::permissions(p, mode);
    return p.string();
}

constexpr auto kRwRwR = static_cast<fs::perms>(0664);
constexpr auto kRwRR = static_cast<fs::perms>(0644);

INSTANTIATE_TEST_SUITE_P(
    Cases, AtomicFileReplace,
    ::testing::Values(
        ReplaceCase{"NewFileIsOwnerOnly", [](const fs::path& d) { return (d / "list.txt").string(); }, "list.txt",
                    false, 0600},
        ReplaceCase{"ExistingFileKeepsItsMode", [](const fs::path& d) { return existing(d / "list.txt", kRwRwR); },
                    "list.txt", false, 0664},
        ReplaceCase{"LinkIsFollowed",
                    [](const fs::path& d) {
                        existing(d / "real.txt", kRwRR);
                        fs::create_symlink(d / "real.txt", d / "link.txt");
                        return (d / "link.txt").string();
                    },
                    "real.txt", true, 0644},
        ReplaceCase{"RelativeLinkChainIntoAnotherFolder",
                    [](const fs::path& d) {
                        fs::create_directory(d / "sub");
                        existing(d / "sub" / "real.txt", kRwRwR);
                        fs::create_symlink("sub/real.txt", d / "second.txt");
                        fs::create_symlink("second.txt", d / "first.txt");
                        return (d / "first.txt").string();
                    },
                    "sub/real.txt", true, 0664},
        ReplaceCase{"DanglingLinkCreatesItsTarget",
                    [](const fs::path& d) {
                        fs::create_symlink("made.txt", d / "link.txt");
                        return (d / "link.txt").string();
                    },
                    "made.txt", true, 0600}),
    [](const auto& row) { return std::string(row.param.name); });

// The folder takes no new file but the file may be written: rewriting it in
// place could leave it half old, half new, so the replacement is refused and
// the file stays as it was (root ignores folder modes, so the write then runs
// as another user). Nothing goes to $TMPDIR either.
TEST_F(AtomicFileTest, FileWhoseFolderTakesNoNewFileIsRefusedAndKept)
{
    const bool root = ::geteuid() == 0;
    fs::permissions(m_dir, static_cast<fs::perms>(0755)); // open to the other user
    const fs::path spare = m_dir / "spare";
    fs::create_directory(spare);
    fs::permissions(spare, static_cast<fs::perms>(01777));
    const fs::path folder = m_dir / "locked";
    fs::create_directory(folder);
    const std::string list = existing(folder / "list.txt", static_cast<fs::perms>(0666));
    if (root) {
        ASSERT_EQ(::chown(list.c_str(), kNobody, kNogroup), 0);
    }
    fs::permissions(folder, static_cast<fs::perms>(0555));
    const std::string expected =
        list + " can't be replaced safely: the folder " + folder.string() + "/ is not writable";
    const auto refused = [&] {
        return checkReplaceable(list).message() == expected && writeFile(list, "new\r\n").message() == expected;
    };
    bool written = false;
    {
        const testing::TemporaryFilesIn temporaryFiles(spare);
        written = root ? runAs(kNobody, kNogroup, refused) : refused();
    }

    EXPECT_TRUE(written);
    EXPECT_EQ(readBytes(list), "old\r\n");
    EXPECT_TRUE(fs::is_empty(spare));
}

// Root's new file of another user's list goes back to that user; a user that
// is not root is refused another user's file, even one it may write.
TEST_F(AtomicFileTest, FileOfAnotherUserIsGivenBackByRootAndRefusedToOthers)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make files of other users";
    fs::permissions(m_dir, static_cast<fs::perms>(0777));
    const std::string list = existing(m_dir / "list.txt", static_cast<fs::perms>(0666));
    const std::string other = existing(m_dir / "other.txt", kRwRwR);
    ASSERT_EQ(::chown(other.c_str(), kNobody, kNogroup), 0);

    EXPECT_TRUE(runAs(kNobody, kNogroup, [&] {
        return writeFile(list, "new\r\n").message() ==
               list + " belongs to another user (root): passwords are never written into a file of another user.";
    }));
    EXPECT_EQ(readBytes(list), "old\r\n");
    EXPECT_TRUE(writeFile(other, "new\r\n").isOk()); // root gives the new file back
    const struct stat st = statOf(other);
    EXPECT_EQ(readBytes(other), "new\r\n");
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNogroup);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(files(), (std::vector<std::string>{"list.txt", "other.txt"}));
}

// Files and links another user planted in a sticky folder open to all, as in
// /tmp. User A (kUserA) writes; B (nobody) planted. Links are followed only as
// the kernel's protected_symlinks rule would follow them, whatever the
// machine's setting; passwords never go into B's files.
constexpr uid_t kUserA = 61001;

struct PlantedCase {
    const char* name;
    // Prepares the shared folder; returns the name A writes to.
    std::function<std::string(const fs::path& shared, const fs::path& home)> prepare;
    // The refusal, with SHARED standing for the folder; empty: written.
    std::string refusal;
};

class PlantedFiles : public AtomicFileTest, public ::testing::WithParamInterface<PlantedCase>
{
};

void plant(const fs::path& p, uid_t owner)
{
    ASSERT_EQ(::lchown(p.c_str(), owner, owner), 0) << p;
}

TEST_P(PlantedFiles, AreRefusedUnlessTheKernelWouldAllowThem)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as two other users";
    const PlantedCase& c = GetParam();
    fs::permissions(m_dir, static_cast<fs::perms>(0755));
    const fs::path shared = m_dir / "shared";
    const fs::path home = m_dir / "home";
    fs::create_directory(shared);
    fs::permissions(shared, static_cast<fs::perms>(01777));
    fs::create_directory(home);
    plant(home, kUserA);
    writeBytes(home / "notes.txt", "A's notes\r\n");
    plant(home / "notes.txt", kUserA);
    writeBytes(m_dir / "b-secret.txt", "B's file\r\n");
    fs::permissions(m_dir / "b-secret.txt", static_cast<fs::perms>(0666));
    plant(m_dir / "b-secret.txt", kNobody);
    const std::string given = (shared / c.prepare(shared, home)).string();
    std::string refusal = c.refusal;
    for (auto at = refusal.find("SHARED"); at != std::string::npos; at = refusal.find("SHARED"))
        refusal.replace(at, 6, shared.string() + "/");

    EXPECT_TRUE(runAs(kUserA, kUserA, [&] {
        const Status checked = checkReplaceable(given);
        const Status written = writeFile(given, "passwords\r\n");
        return checked.message() == refusal && written.message() == refusal;
    })) << refusal;
    // B's files and A's notes are as they were; a refused write made nothing.
    EXPECT_EQ(readBytes(m_dir / "b-secret.txt"), "B's file\r\n");
    if (!c.refusal.empty()) {
        EXPECT_EQ(readBytes(home / "notes.txt"), "A's notes\r\n");
    }
    for (const auto& e : fs::directory_iterator(shared))
        EXPECT_FALSE(e.path().filename().string().starts_with(kTemporaryFilePrefix)) << e.path();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlantedFiles,
    ::testing::Values(
        PlantedCase{"FileOfAnotherUser",
                    [](const fs::path& shared, const fs::path&) {
                        writeBytes(shared / "list.txt", "B's list\r\n");
                        fs::permissions(shared / "list.txt", static_cast<fs::perms>(0666));
                        plant(shared / "list.txt", kNobody);
                        return "list.txt";
                    },
                    "SHAREDlist.txt belongs to another user (nobody): passwords are never written into a file of "
                    "another user."},
        PlantedCase{"LinkToAFileOfItsOwner",
                    [](const fs::path& shared, const fs::path&) {
                        fs::create_symlink(shared.parent_path() / "b-secret.txt", shared / "codes.txt");
                        plant(shared / "codes.txt", kNobody);
                        return "codes.txt";
                    },
                    "SHAREDcodes.txt is a link of another user (nobody) in SHARED, a folder everyone may write to: "
                    "such a link is not followed."},
        PlantedCase{"LinkToAFileOfTheWriter",
                    [](const fs::path& shared, const fs::path& home) {
                        fs::create_symlink(home / "notes.txt", shared / "codes.txt");
                        plant(shared / "codes.txt", kNobody);
                        return "codes.txt";
                    },
                    "SHAREDcodes.txt is a link of another user (nobody) in SHARED, a folder everyone may write to: "
                    "such a link is not followed."},
        PlantedCase{"DanglingLinkOfAnotherUser",
                    [](const fs::path& shared, const fs::path& home) {
                        fs::create_symlink(home / "made.txt", shared / "codes.txt");
                        plant(shared / "codes.txt", kNobody);
                        return "codes.txt";
                    },
                    "SHAREDcodes.txt is a link of another user (nobody) in SHARED, a folder everyone may write to: "
                    "such a link is not followed."},
        // What the kernel follows is followed: the writer's own link, and one
        // of the folder's owner (root here).
        PlantedCase{"OwnLinkIsFollowed",
                    [](const fs::path& shared, const fs::path& home) {
                        fs::create_symlink(home / "notes.txt", shared / "mine.txt");
                        plant(shared / "mine.txt", kUserA);
                        return "mine.txt";
                    },
                    ""},
        PlantedCase{"LinkOfTheFolderOwnerIsFollowed",
                    [](const fs::path& shared, const fs::path& home) {
                        fs::create_symlink(home / "notes.txt", shared / "root.txt");
                        return "root.txt";
                    },
                    ""},
        PlantedCase{"NewFile", [](const fs::path&, const fs::path&) { return "new.txt"; }, ""}),
    [](const auto& row) { return std::string(row.param.name); });

// Root in a sticky folder open to all: a file of another user than the
// folder's owner may have been planted there, and is refused as the kernel's
// protected_regular rule refuses to open it.
TEST_F(AtomicFileTest, RootRefusesAFilePlantedInAFolderOpenToAll)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    const fs::path shared = m_dir / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, static_cast<fs::perms>(01777));
    const std::string list = existing(shared / "list.txt", static_cast<fs::perms>(0666));
    plant(list, kNobody);
    EXPECT_EQ(writeFile(list, "passwords\r\n").message(),
              list + " belongs to another user (nobody) in " + shared.string() +
                  "/, a folder everyone may write to: passwords are not written into a file someone may have "
                  "planted there.");
    EXPECT_EQ(readBytes(list), "old\r\n");
}

// A name that was free when the write began and was taken before it ended
// (another program, or a file planted meanwhile) is not replaced.
TEST_F(AtomicFileTest, NewFileDoesNotReplaceOneThatAppearedMeanwhile)
{
    AtomicFile file;
    ASSERT_TRUE(file.open(path("list.txt")).isOk());
    file.write("passwords\r\n");
    writeBytes(path("list.txt"), "appeared\r\n");
    EXPECT_EQ(file.commit().message(),
              path("list.txt") + " was created by someone else while it was being written; it is left as it is.");
    EXPECT_EQ(read("list.txt"), "appeared\r\n");
    EXPECT_EQ(files(), std::vector<std::string>{"list.txt"});
}

// The group of a file cannot always be kept (a group the user is not in): the
// new file then loses what the group and others could read.
TEST_F(AtomicFileTest, GroupThatCannotBeKeptLeavesTheFileOwnerOnly)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a file a group its owner is not in";
    fs::permissions(m_dir, static_cast<fs::perms>(0777));
    const std::string list = existing(m_dir / "list.txt", static_cast<fs::perms>(0664));
    ASSERT_EQ(::chown(list.c_str(), kUserA, 0), 0);
    EXPECT_TRUE(runAs(kUserA, kUserA, [&] { return writeFile(list, "new\r\n").isOk(); }));
    EXPECT_EQ(readBytes(list), "new\r\n");
    EXPECT_EQ(statOf(list).st_gid, static_cast<gid_t>(kUserA));
    EXPECT_EQ(statOf(list).st_mode & 07777, 0600u);
}

} // namespace
} // namespace quorlix
