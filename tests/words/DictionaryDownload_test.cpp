#include "words/DictionaryDownload.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

#include "WordsTestSupport.h"
#include "settings/SettingsStore.h"
#include "words/DictionaryFile.h"
#include "words/DictionarySources.h"

namespace quorlix {
namespace {

using test::CallLog;
using test::RecordingMessageBoxes;
using test::RecordingSurface;
using test::TempFolder;

// A one-thread HTTP/1.0 server on 127.0.0.1 answering from a table of raw
// responses by path (a response is sent as given, then the socket closes).
class TinyServer {
public:
    explicit TinyServer(std::map<std::string, std::string> responses) : m_responses(std::move(responses))
    {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        EXPECT_EQ(::bind(m_socket, reinterpret_cast<sockaddr*>(&addr), len), 0);
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        ::listen(m_socket, 8);
        m_thread = std::thread([this] { serve(); });
    }
    ~TinyServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_socket);
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(m_port); }

private:
    void serve()
    {
        while (!m_stop) {
            pollfd p{m_socket, POLLIN, 0};
            const int client = ::poll(&p, 1, 50) > 0 ? ::accept(m_socket, nullptr, nullptr) : -1;
            if (client < 0)
                continue;
            std::string request;
            char buffer[2048];
            for (ssize_t n = 1; n > 0 && request.find("\r\n\r\n") == std::string::npos;)
                if ((n = ::recv(client, buffer, sizeof buffer, 0)) > 0)
                    request.append(buffer, static_cast<std::size_t>(n));
            const std::size_t start = request.find(' ') + 1;
            const auto it = m_responses.find(request.substr(start, request.find(' ', start) - start));
            const std::string reply =
                it != m_responses.end() ? it->second : "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
            for (std::size_t sent = 0; sent < reply.size();) {
                const ssize_t n = ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            ::close(client);
        }
    }

    std::map<std::string, std::string> m_responses;
    int m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

std::string ok(const std::string& body)
{
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string realDictionary(const TempFolder& dir, std::vector<std::string> words = {"able", "boat", "cat", "zebra"})
{
    const std::string path = dir.folder() + "made.dct";
    EXPECT_TRUE(createDictionary(path, words).isOk());
    std::string bytes = dir.read("made.dct");
    std::filesystem::remove(path);
    return bytes;
}

// A dictionary of a few thousand words with 20 KiB zeroed in its middle: its
// table "A" and first pages are whole, later tables are not.
std::string holedDictionary(const TempFolder& dir)
{
    std::vector<std::string> words;
    for (char letter = 'a'; letter <= 'z'; ++letter)
        for (int i = 0; i < 200; ++i)
            words.push_back(letter + std::string("word") + std::to_string(i));
    std::string bytes = realDictionary(dir, words);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2), 20 * 1024, '\0');
    return bytes;
}

// Success, a 404, a file that is not a dictionary, one damaged after its
// first table and a dropped connection.
TEST(DownloadFile, ReplacesTheFileOnlyWithAVerifiedDictionary)
{
    TempFolder dir;
    const std::string good = realDictionary(dir);
    const std::string cut = "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + good.substr(0, 10);
    TinyServer server({{"/software/good.dct", ok(good)},
                       {"/software/junk.dct", ok("<html>not here</html>")},
                       {"/software/holed.dct", ok(holedDictionary(dir))},
                       {"/software/drop.dct", cut}});
    using ::testing::Eq;
    const std::string notADictionary = "The downloaded file is not a Quorlix dictionary file.";
    const std::vector<std::tuple<const char*, bool, ::testing::Matcher<const std::string&>>> rows{
        {"/software/good.dct", true, Eq("")},
        {"/software/missing.dct", false, Eq("The server answered 404.")},
        {"/software/junk.dct", false, Eq(notADictionary)},
        {"/software/holed.dct", false, Eq(notADictionary)},
        {"/software/drop.dct", false, ::testing::HasSubstr("transfer closed")}}; // the HTTP library's words
    for (const auto& [path, succeeds, message] : rows) {
        dir.write("target.dct", "the old file");
        const Status s = DownloadFile(server.base() + path, dir.folder() + "target.dct");
        EXPECT_EQ(s.isOk(), succeeds) << path << ": " << s.message();
        EXPECT_THAT(s.message(), message) << path;
        EXPECT_TRUE(dir.read("target.dct") == (succeeds ? good : "the old file")) << path; // no bytes dumped
        const auto entries = std::filesystem::directory_iterator(dir.folder());
        EXPECT_EQ(std::distance(begin(entries), end(entries)), 1) << path; // no temporary file left behind
    }
}

// A digest published beside the file must match it; one that is absent is no
// obstacle, one that cannot be read stops the download.
TEST(DownloadDictionary, ChecksTheDigestPublishedBesideTheFile)
{
    TempFolder dir;
    const std::string good = realDictionary(dir);
    dir.write("good.dct", good);
    std::string digest;
    ASSERT_TRUE(sha256OfFile(dir.folder() + "good.dct", &digest).isOk());
    std::string upper = digest;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string flipped = good;
    flipped[flipped.size() - 100] = static_cast<char>(flipped[flipped.size() - 100] ^ 0x20);
    TinyServer server({{"/software/good.dct", ok(good)},
                       {"/software/good.dct.sha256", ok(digest + "  good.dct\n")},
                       {"/software/upper.dct", ok(good)},
                       {"/software/upper.dct.sha256", ok(" " + upper + "\n")},
                       {"/software/flipped.dct", ok(flipped)},
                       {"/software/flipped.dct.sha256", ok(digest + "  flipped.dct\n")},
                       {"/software/plain.dct", ok(good)},
                       {"/software/junkdigest.dct", ok(good)},
                       {"/software/junkdigest.dct.sha256", ok("<html>moved</html>")},
                       {"/software/broken.dct", ok(good)},
                       {"/software/broken.dct.sha256", "HTTP/1.0 500 Oops\r\nContent-Length: 0\r\n\r\n"}});
    // name, kept, digest checked, message part
    const std::vector<std::tuple<const char*, bool, bool, const char*>> rows{
        {"good.dct", true, true, ""},
        {"upper.dct", true, true, ""},
        {"flipped.dct", false, true, "does not match flipped.dct.sha256 (its SHA-256 digest differs)"},
        {"plain.dct", true, false, ""},
        {"junkdigest.dct", false, false, "junkdigest.dct.sha256 cannot be used"},
        {"broken.dct", false, false, "Cannot read broken.dct.sha256: The server answered 500."}};
    for (const auto& [name, kept, checked, messagePart] : rows) {
        SCOPED_TRACE(name);
        dir.write("target.dct", "the old file");
        bool digestChecked = false;
        const Status s =
            downloadDictionary(dictionaryAddress(server.base(), name), dir.folder() + "target.dct", &digestChecked);
        EXPECT_EQ(s.isOk(), kept) << s.message();
        EXPECT_NE(s.message().find(messagePart), std::string::npos) << s.message();
        if (kept) {
            EXPECT_EQ(digestChecked, checked);
        }
        EXPECT_TRUE(dir.read("target.dct") == (kept ? good : "the old file"));
    }
}

TEST(DownloadBase, NoServerUnlessOneIsNamed)
{
    MemorySettingsStore store;
    EXPECT_EQ(downloadBase(store), "");
    store.set("Settings", "DownloadBase", " http://mirror.example/dl/ ");
    EXPECT_EQ(downloadBase(store), "http://mirror.example/dl");
    EXPECT_EQ(dictionaryAddress(downloadBase(store), "wordlist_french.dct"),
              "http://mirror.example/dl/software/wordlist_french.dct");
}

TEST(DownloadWindowLogic, OptionsAndAlreadyPresentMessage)
{
    TempFolder dir;
    dir.write("wordlist_french.dct", "x");
    dir.write("other.dct", "x");
    RecordingMessageBoxes boxes;
    DownloadWindow w = openDownloadWindow(dir.folder());
    EXPECT_EQ(w.present, std::vector<std::string>{"wordlist_french.dct"});
    downloadOptionChosen(w, 1, dir.folder(), boxes);
    EXPECT_EQ(w.option, 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "File \"wordlist_french.dct\" already exists in folder: \"" + dir.folder() +
                                       "\" You do not need to download this file again. Please select a different "
                                       "dictionary file to download.");
    EXPECT_EQ(boxes.shown[0].icon, Icon::Critical);
}

// A name this computer's word lists give is built, never downloaded; one they
// would give once a package is installed names the package; nothing is
// asked of a server unless one is named. A failed build leaves no folder.
TEST(DownloadWindowLogic, WordListsFirstThenANamedServer)
{
    TempFolder lists;
    lists.write("dutch", "aardappel\nboot\nzebra\n");
    // name, base, outcome, first message, obtained from
    const std::vector<std::tuple<std::string, std::string, DownloadOutcome, std::string, std::string>> rows{
        {"wordlist_dutch.dct", "http://h", DownloadOutcome::Completed,
         "Build \"wordlist_dutch.dct\" now?\r\n\r\nMade from the word list on this computer: " + lists.folder() +
             "dutch. No Internet connection is needed.",
         lists.folder() + "dutch"},
        {"wordlist_polish.dct", "", DownloadOutcome::Unavailable,
         "\"wordlist_polish.dct\" cannot be had now.\r\n\r\nNot on this computer yet: install the package wpolish "
         "first (apt install wpolish).",
         ""},
        {"mine.dct", "", DownloadOutcome::Unavailable,
         "\"mine.dct\" cannot be had now.\r\n\r\nNo word list of this computer gives mine.dct, and no server is "
         "named (the DownloadBase setting in the [Settings] section).",
         ""},
        {"wordlist_polish.dct", "http://h", DownloadOutcome::Failed, "Download \"wordlist_polish.dct\" now?",
         "http://h/software/wordlist_polish.dct"}};
    for (const auto& [name, base, expected, first, from] : rows) {
        SCOPED_TRACE(name + " " + base);
        TempFolder dir;
        const std::string target = dir.folder() + "new/quorlix/";
        RecordingMessageBoxes boxes;
        RecordingSurface surface;
        boxes.answers = {Answer::Yes};
        DownloadWindow w = openDownloadWindow(dir.folder());
        w.otherName = name;
        std::string checkFile = "before.dct";
        DownloadRequest flag;
        DictionaryCheckControls controls{true, true, true};
        std::vector<std::string> obtained;
        const auto outcome = acceptDownload(
            w, target, base, checkFile, flag, controls, surface, boxes,
            [&](const DictionarySource& source, const std::string& path) {
                obtained.push_back(source.kind == DictionarySource::Kind::WordLists ? source.lists.at(0)
                                                                                     : source.address);
                EXPECT_TRUE(std::filesystem::is_directory(target)); // made before, private
                return source.kind == DictionarySource::Kind::WordLists ? createDictionary(path, {"aardappel"})
                                                                        : Status::ioError("answered 404");
            },
            lists.folder());
        EXPECT_EQ(outcome, expected);
        EXPECT_EQ(checkFile, name);
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_TRUE(boxes.shown[0].text.starts_with(first)) << boxes.shown[0].text;
        EXPECT_EQ(obtained, from.empty() ? std::vector<std::string>{} : std::vector<std::string>{from});
        // Only a completed one leaves the folder it made.
        EXPECT_EQ(std::filesystem::exists(dir.folder() + "new"), outcome == DownloadOutcome::Completed);
    }
}

TEST(DownloadWindowLogic, AcceptFollowsTheDialogue)
{
    // option, typed name, answer, fetch succeeds, outcome, check file afterwards, fetched
    const std::vector<std::tuple<int, const char*, Answer, bool, DownloadOutcome, std::string, bool>> rows{
        {5, "   ", Answer::Yes, true, DownloadOutcome::NoName, "before.dct", false},
        {1, "", Answer::No, true, DownloadOutcome::Declined, "wordlist_french.dct", false}, // still renames
        {6, "ignored", Answer::Yes, true, DownloadOutcome::Completed, "wordlist_english_abridged.dct", true},
        {2, "", Answer::Yes, false, DownloadOutcome::Failed, "wordlist_german.dct", true},
        {5, "../x.dct", Answer::Yes, true, DownloadOutcome::Failed, "../x.dct", false}}; // folder in the name
    for (const auto& [option, typed, answer, fetchSucceeds, expectedOutcome, name, fetched] : rows) {
        SCOPED_TRACE(name);
        TempFolder dir;
        CallLog log;
        RecordingMessageBoxes boxes(&log);
        RecordingSurface surface(&log);
        boxes.answers = {answer};
        DownloadWindow w = openDownloadWindow(dir.folder());
        w.option = option;
        w.otherName = typed;
        std::string checkFile = "before.dct";
        DownloadRequest flag;
        DictionaryCheckControls controls{true, true, true};
        std::vector<std::string> fetches;
        // No word list here: every name comes from the named server.
        TempFolder noLists;
        const auto outcome = acceptDownload(
            w, dir.folder(), "http://h", checkFile, flag, controls, surface, boxes,
            [&](const DictionarySource& source, const std::string& path) {
                fetches.push_back(source.address + " -> " + path);
                return fetchSucceeds ? Status::ok() : Status::ioError("answered 404");
            },
            noLists.folder());
        EXPECT_EQ(outcome, expectedOutcome);
        EXPECT_TRUE(flag.requested);
        EXPECT_EQ(checkFile, name);
        const std::string fetch = "http://h/software/" + name + " -> " + dir.folder() + name;
        EXPECT_EQ(fetches, fetched ? std::vector<std::string>{fetch} : std::vector<std::string>{});
        if (fetched) {
            EXPECT_FALSE(controls.checkBox || controls.menuChecked || controls.modeOptionsEnabled);
            EXPECT_EQ(surface.callsStartingWith("setStatus:"),
                      std::vector<std::string>{"setStatus:No Dictionary Check"});
        }
        std::vector<std::string> texts = {
            "Download \"" + name +
            "\" now?\r\n\r\nYou must be connected to the Internet prior to selecting the 'YES' button.\r\n\r\n"
            "This application will appear to be frozen while the download is in progress, please be patient.\r\n\r\n"
            "If this computer does not have Internet access you may also download this file manually at the "
            "following web address:\r\nhttp://h/software/" + name};
        if (outcome == DownloadOutcome::NoName)
            texts = {"No File Name Entered."};
        else
            EXPECT_EQ(boxes.shown.at(0).buttons, Buttons::YesNo);
        if (outcome == DownloadOutcome::Completed)
            texts.push_back("Download Complete: " + dir.folder() + name +
                            " is set as your new default dictionary file. Use the Dictionary menu to change your "
                            "default dictionary file if you so desire.");
        if (outcome == DownloadOutcome::Failed) {
            ASSERT_EQ(boxes.shown.size(), 2u);
            EXPECT_EQ(boxes.shown[1].text.rfind("Download Failed: ", 0), 0u);
            EXPECT_EQ(boxes.shown[1].icon, Icon::Critical);
            texts.push_back(boxes.shown[1].text);
        }
        EXPECT_EQ(boxes.texts(), texts);
    }
}

} // namespace
} // namespace quorlix
