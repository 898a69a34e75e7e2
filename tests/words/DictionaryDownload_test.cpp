#include "words/DictionaryDownload.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "WordsTestSupport.h"
#include "settings/SettingsStore.h"
#include "words/DictionaryFile.h"

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

std::string realDictionary(const TempFolder& dir)
{
    const std::string path = dir.folder() + "made.dct";
    EXPECT_TRUE(createDictionary(path, {"able", "boat", "cat", "zebra"}).isOk());
    std::string bytes = dir.read("made.dct");
    std::filesystem::remove(path);
    return bytes;
}

struct FetchRow {
    const char* path;
    bool succeeds;
    const char* messagePart;
};

class Fetch : public ::testing::TestWithParam<FetchRow> {};

TEST_P(Fetch, ReplacesTheFileOnlyWithAVerifiedDictionary)
{
    TempFolder dir;
    const std::string good = realDictionary(dir);
    TinyServer server({{"/software/good.dct", ok(good)},
                       {"/software/junk.dct", ok("<html>not here</html>")},
                       {"/software/drop.dct", "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + good.substr(0, 10)}});
    dir.touch("target.dct", "the old file");
    const Status s = DownloadFile(server.base() + GetParam().path, dir.folder() + "target.dct");
    EXPECT_EQ(s.isOk(), GetParam().succeeds) << s.message();
    EXPECT_NE(s.message().find(GetParam().messagePart), std::string::npos) << s.message();
    EXPECT_EQ(dir.read("target.dct"), GetParam().succeeds ? good : "the old file");
    // No temporary file is left behind.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.folder()))
        ++files;
    EXPECT_EQ(files, 1u);
}

INSTANTIATE_TEST_SUITE_P(Rows, Fetch,
                         ::testing::Values(FetchRow{"/software/good.dct", true, ""},
                                           FetchRow{"/software/missing.dct", false, "404"},
                                           FetchRow{"/software/junk.dct", false, "not a Quorlix dictionary"},
                                           FetchRow{"/software/drop.dct", false, ""}));

TEST(DownloadBase, ReadFromSettingsWithDefault)
{
    MemorySettingsStore store;
    EXPECT_EQ(downloadBase(store), "https://quorlix.example.org");
    store.set("Settings", "DownloadBase", " http://mirror.example/dl/ ");
    EXPECT_EQ(downloadBase(store), "http://mirror.example/dl");
    EXPECT_EQ(dictionaryAddress(downloadBase(store), "wordlist_french.dct"),
              "http://mirror.example/dl/software/wordlist_french.dct");
}

TEST(DownloadWindowLogic, OptionsAndAlreadyPresentMessage)
{
    TempFolder dir;
    dir.touch("wordlist_french.dct");
    dir.touch("other.dct");
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

struct AcceptRow {
    const char* name;
    int option;
    const char* typed;
    Answer answer;
    bool fetchSucceeds;
    DownloadOutcome outcome;
    const char* checkFileAfter;
    bool fetched;
};

class AcceptDownload : public ::testing::TestWithParam<AcceptRow> {};

TEST_P(AcceptDownload, FollowsTheDialogue)
{
    const AcceptRow& row = GetParam();
    TempFolder dir;
    CallLog log;
    RecordingMessageBoxes boxes(&log);
    RecordingSurface surface(&log);
    boxes.answers = {row.answer};
    DownloadWindow w = openDownloadWindow(dir.folder());
    w.option = row.option;
    w.otherName = row.typed;
    std::string checkFile = "before.dct";
    DownloadRequest flag;
    DictionaryCheckControls controls{true, true, true};
    std::vector<std::string> fetches;
    const auto outcome = acceptDownload(w, dir.folder(), "http://h", checkFile, flag, controls, surface, boxes,
                                        [&](const std::string& address, const std::string& path) {
                                            fetches.push_back(address + " -> " + path);
                                            return row.fetchSucceeds ? Status::ok() : Status::ioError("answered 404");
                                        });
    EXPECT_EQ(outcome, row.outcome);
    EXPECT_TRUE(flag.requested);
    const std::string name = row.checkFileAfter;
    EXPECT_EQ(checkFile, name);
    if (row.fetched) {
        EXPECT_EQ(fetches, std::vector<std::string>{"http://h/software/" + name + " -> " + dir.folder() + name});
        EXPECT_FALSE(controls.checkBox || controls.menuChecked || controls.modeOptionsEnabled);
        EXPECT_EQ(surface.callsStartingWith("setStatus:"), std::vector<std::string>{"setStatus:No Dictionary Check"});
    } else {
        EXPECT_TRUE(fetches.empty());
    }
    std::vector<std::string> texts = {
        "Download \"" + name +
        "\" now?\r\n\r\nYou must be connected to the Internet prior to selecting the 'YES' button.\r\n\r\n"
        "This application will appear to be frozen while the download is in progress, please be patient.\r\n\r\n"
        "If this computer does not have Internet access you may also download this file manually at the following "
        "web address:\r\nhttp://h/software/" + name};
    if (outcome == DownloadOutcome::NoName)
        texts = {"No File Name Entered."};
    else
        EXPECT_EQ(boxes.shown.at(0).buttons, Buttons::YesNo);
    if (outcome == DownloadOutcome::Completed)
        texts.push_back("Download Complete: " + dir.folder() + name +
                        " is set as your new default dictionary file. Use the Dictionary menu to change your default "
                        "dictionary file if you so desire.");
    if (outcome == DownloadOutcome::Failed) {
        ASSERT_EQ(boxes.shown.size(), 2u);
        EXPECT_EQ(boxes.shown[1].text.rfind("Download Failed: ", 0), 0u);
        EXPECT_EQ(boxes.shown[1].icon, Icon::Critical);
        texts.push_back(boxes.shown[1].text);
    }
    EXPECT_EQ(boxes.texts(), texts);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AcceptDownload,
    ::testing::Values(
        AcceptRow{"blank_name", 5, "   ", Answer::Yes, true, DownloadOutcome::NoName, "before.dct", false},
        AcceptRow{"declined_still_renames", 1, "", Answer::No, true, DownloadOutcome::Declined, "wordlist_french.dct",
                  false},
        AcceptRow{"built_in", 6, "ignored", Answer::Yes, true, DownloadOutcome::Completed,
                  "wordlist_english_abridged.dct", true},
        AcceptRow{"failed", 2, "", Answer::Yes, false, DownloadOutcome::Failed, "wordlist_german.dct", true},
        AcceptRow{"folder_in_name", 5, "../x.dct", Answer::Yes, true, DownloadOutcome::Failed, "../x.dct", false}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace quorlix
