// dict download from the system's word lists and from a named server, the
// folders dictionaries are looked up in, and what a download says it did.

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <sodium.h>

#include "CliRun.h"

namespace {

using namespace quorlix::testing;

std::string sha256Hex(const std::string& bytes)
{
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    char hex[sizeof digest * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

class CliDictionaries : public CliFolderTest {
protected:
    // A launcher that puts fakeDict in place of /usr/share/dict for the one
    // process (a private mount namespace), or "" where that cannot be done.
    std::string withWordLists(const std::string& fakeDict) const
    {
        if (::geteuid() != 0 ||
            std::system("unshare -m --propagation private true 2>/dev/null") != 0)
            return {};
        return "unshare -m --propagation private sh -c 'mount --bind \"$0\" /usr/share/dict && exec \"$@\"' '" +
               fakeDict + "'";
    }
    std::string ini() const { return readBytes(iniPath()); }
};

// The word lists of this system, in place of the placeholder server: --list
// shows what each name is built from or which package gives it, a name with
// its list installed is built, and one without names its package and leaves
// nothing behind.
TEST_F(CliDictionaries, BuildsFromTheSystemWordListsAndNamesMissingPackages)
{
    fs::create_directories(m_dir / "dict");
    writeBytes(m_dir / "dict" / "dutch", "aardappel\nboterham\nfiets\nzebra\n06-dealer\n");
    const std::string launcher = withWordLists((m_dir / "dict").string());
    if (launcher.empty())
        GTEST_SKIP() << "needs root and a private mount namespace to put a word-list folder in place of "
                        "/usr/share/dict";

    CliResult r = run("dict download --list", launcher);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("wordlist_dutch.dct\tDutch\tfrom /usr/share/dict/dutch\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("wordlist_polish.dct\tPolish\tneeds the package wpolish\n"), std::string::npos);
    EXPECT_NE(r.out.find("wordlist_german.dct\tGerman\tneeds the package wngerman (present in "), std::string::npos);
    EXPECT_EQ(r.out.find("any other name"), std::string::npos); // no server named
    EXPECT_EQ(errLines(r), (std::vector<std::string>{
                               "quorlix-cli: Built and downloaded dictionaries go to " + userFolder() + ".",
                               "quorlix-cli: No server is named: set DownloadBase in the [Settings] section of " +
                                   iniPath() + ", or give --from URL, to download names the word lists cannot give."}));
    EXPECT_FALSE(fs::exists(data())); // listing makes no folder

    r = run("dict download wordlist_polish.dct", launcher);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "quorlix-cli: dict download: wordlist_polish.dct is built from a word list that is not "
                     "installed: install the package wpolish first (apt install wpolish), then run this again.\n");
    r = run("dict download mine.dct", launcher);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "quorlix-cli: dict download: mine.dct is not made from a word list of this system, and no "
                     "server is named (DownloadBase, or --from).\n"
                     "quorlix-cli: See what can be had with: quorlix-cli dict download --list\n");
    EXPECT_FALSE(fs::exists(data()));

    writeIni("[LastSettings]\nDictionaryCheck=True\n");
    r = run("dict download wordlist_dutch.dct", launcher);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(errLines(r),
              (std::vector<std::string>{
                  "quorlix-cli: Building wordlist_dutch.dct from /usr/share/dict/dutch ...",
                  "quorlix-cli: wordlist_dutch.dct: 4 words into " + userFolder() + ".",
                  "quorlix-cli: wordlist_dutch.dct is now the dictionary of the dictionary check, which this switched "
                  "off; switch it on again in the window, or use it for one run with generate --dict whole (or "
                  "hybrid)."}));
    EXPECT_EQ(modeOf(userFolder()), 0700u);
    EXPECT_NE(ini().find("DictionaryFile=wordlist_dutch.dct"), std::string::npos) << ini();
    EXPECT_NE(ini().find("DictionaryCheck=False"), std::string::npos) << ini();
    r = run("dict search fiets");
    EXPECT_EQ(r.out, "Found: fiets\n");
}

// A server the user names: the file and the digest beside it come from a
// loopback server; flipped bytes that still make a dictionary are refused by
// the digest, and a failed download leaves no folder and no file.
TEST_F(CliDictionaries, DownloadsFromANamedServerAndChecksItsDigest)
{
    fs::create_directories(m_dir / "www" / "software");
    writeBytes(m_dir / "words.txt", "alpha\nbravo\ncharlie\n");
    ASSERT_EQ(run("dict build words.txt " + (m_dir / "made.dct").string()).code, 0);
    const std::string good = readBytes(m_dir / "made.dct");
    std::string flipped = good;
    flipped[flipped.size() - 200] = static_cast<char>(flipped[flipped.size() - 200] ^ 0x01);
    writeBytes(m_dir / "www" / "software" / "mine.dct", good);
    writeBytes(m_dir / "www" / "software" / "mine.dct.sha256", sha256Hex(good) + "  mine.dct\n");
    writeBytes(m_dir / "www" / "software" / "bad.dct", flipped);
    writeBytes(m_dir / "www" / "software" / "bad.dct.sha256", sha256Hex(good) + "  bad.dct\n");
    writeBytes(m_dir / "www" / "software" / "plain.dct", good);

    // The server prints its process id, then its port; it ends by itself after a minute at most.
    std::FILE* server = ::popen(("echo $$; exec '" + std::string(QUORLIX_SERVE_FILES_PATH) + "' '" +
                                 (m_dir / "www").string() + "' 60 2>/dev/null")
                                    .c_str(),
                                "r");
    ASSERT_NE(server, nullptr);
    char pidLine[32] = {};
    char portLine[32] = {};
    ASSERT_NE(std::fgets(pidLine, sizeof pidLine, server), nullptr);
    ASSERT_NE(std::fgets(portLine, sizeof portLine, server), nullptr);
    const pid_t serverPid = std::atoi(pidLine);
    const std::string base = "http://127.0.0.1:" + std::to_string(std::atoi(portLine));

    // name, exit code, the lines on standard error (after the first)
    CliResult r = run("dict download bad.dct --from " + base);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(errLines(r), (std::vector<std::string>{
                               "quorlix-cli: Downloading " + base + "/software/bad.dct ...",
                               "quorlix-cli: Download Failed: " + base + "/software/bad.dct",
                               "quorlix-cli: The downloaded file does not match bad.dct.sha256 (its SHA-256 digest "
                               "differs), so it was not kept.",
                               "quorlix-cli: Nothing was saved."}));
    EXPECT_FALSE(fs::exists(data())); // not even the folder
    r = run("dict download nosuch.dct --from " + base + "/");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("quorlix-cli: The server answered 404.\n"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(data()));

    r = run("dict download mine.dct --from " + base);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(errLines(r).at(1), "quorlix-cli: mine.dct: downloaded into " + userFolder() + " (matches mine.dct.sha256).");
    EXPECT_EQ(readBytes(userFolder() + "mine.dct"), good);

    // The DownloadBase setting names the server for names the word lists cannot give.
    writeIni("[Settings]\nDownloadBase=" + base + "\n");
    r = run("dict download plain.dct");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(errLines(r).at(1), "quorlix-cli: plain.dct: downloaded into " + userFolder() +
                                     " (no plain.dct.sha256 to check it against).");
    EXPECT_EQ(errLines(r).at(2), "quorlix-cli: plain.dct is now the dictionary of the dictionary check (which is off; "
                                 "generate --dict whole or hybrid uses it).");
    r = run("dict download --list");
    EXPECT_NE(r.out.find("any other name\t\tfrom " + base + "/software/NAME\n"), std::string::npos) << r.out;

    // A name installed beside the program is shadowed, and the user is told.
    fs::copy_file(m_dir / "www" / "software" / "mine.dct", m_dir / "www" / "software" / "wordlist_english_abridged.dct");
    r = run("dict download wordlist_english_abridged.dct --from " + base);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string program = fs::path(QUORLIX_CLI_PATH).parent_path().string() + "/";
    EXPECT_EQ(errLines(r).at(0), "quorlix-cli: wordlist_english_abridged.dct already exists in " + program +
                                     "; the one made now in " + userFolder() +
                                     " takes its place (remove it to use the other again).");
    ::kill(serverPid, SIGTERM);
    ::pclose(server);
}

// Without HOME the folders are those of the password database's home, never
// a guessable folder in /tmp; a folder another could have put files into is
// skipped, and the user is told which and why.
TEST_F(CliDictionaries, FoldersOthersCouldPlantAreSkipped)
{
    const passwd* me = ::getpwuid(::getuid());
    ASSERT_NE(me, nullptr);
    const std::string home = me->pw_dir;
    CliResult r = run("dict download --list", "env -i PATH=/usr/bin:/bin");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("quorlix-cli: Built and downloaded dictionaries go to " + home +
                         (home.ends_with('/') ? "" : "/") + ".local/share/quorlix/.\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(home + (home.ends_with('/') ? "" : "/") + ".config/Quorlix/Quorlix.ini"), std::string::npos)
        << r.err;

    fs::create_directories(userFolder());
    writeBytes(m_dir / "words.txt", "alpha\nbravo\n");
    ASSERT_EQ(run("dict build words.txt planted.dct").code, 0);
    fs::permissions(userFolder(), fs::perms::all);
    r = run("dict list");
    EXPECT_EQ(r.out.find("planted.dct"), std::string::npos) << r.out;
    EXPECT_EQ(errLines(r).at(0),
              "quorlix-cli: Skipped the dictionary folder " + userFolder() + ": anyone may write into it.");
    r = run("words -n 1 --dictionary planted.dct");
    EXPECT_NE(r.code, 0);
    r = run("dict build words.txt other.dct");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("quorlix-cli: The dictionary folder " + userFolder() +
                         " is not used: anyone may write into it.\n"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(userFolder() + "other.dct"));

    if (::geteuid() == 0) {
        fs::permissions(userFolder(), fs::perms::owner_all);
        ASSERT_EQ(::chown(userFolder().c_str(), 65534, 65534), 0);
        r = run("dict list");
        EXPECT_EQ(r.out.find("planted.dct"), std::string::npos) << r.out;
        EXPECT_EQ(errLines(r).at(0).rfind("quorlix-cli: Skipped the dictionary folder " + userFolder() +
                                              ": it belongs to ",
                                          0),
                  0u)
            << r.err;
        EXPECT_NE(r.err.find("(uid 65534), not to you."), std::string::npos) << r.err;
    }
}

} // namespace
