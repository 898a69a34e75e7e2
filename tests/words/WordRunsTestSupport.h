#pragma once
// A dictionary source from memory and a run context over recorders, for the
// Random Words run tests.

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "WordsTestSupport.h"
#include "platform/Random.h"
#include "platform/ResultList.h"
#include "words/WordRuns.h"

namespace quorlix::test {

class MemoryWordSource : public WordSource {
public:
    Status load(const std::string& folder, const std::string& name, WordTables* tables) override
    {
        loads.push_back(folder + name);
        if (!failure.isOk())
            return failure;
        *tables = words;
        return Status::ok();
    }
    std::string failureMessage(const Status& s, const std::string& fullPath, bool single) const override
    {
        return "failed:" + fullPath + ":" + s.message() + (single ? ":single" : ":multi");
    }
    WordTables words;
    Status failure;
    std::vector<std::string> loads;
};

// A fresh folder under the system temp folder, removed at the end.
class TempFolder {
public:
    TempFolder()
    {
        m_path = std::filesystem::temp_directory_path() /
                 ("quorlix-words-" + std::to_string(::getpid()) + "-" + std::to_string(s_next++));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string folder() const { return m_path.string() + "/"; }
    void touch(const std::string& name, const std::string& bytes = "x") const
    {
        std::ofstream(m_path / name, std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const
    {
        std::ifstream in(m_path / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path m_path;
    static inline int s_next = 0;
};

// Everything a run needs, recorded.
struct WordRunFixture {
    explicit WordRunFixture(std::vector<double> draws) : random(std::move(draws)) { dir.touch(settings.dictionary); }

    WordRunContext context()
    {
        return WordRunContext{settings, checks, surface, boxes, list, yield, state, random, source, dir.folder()};
    }

    TempFolder dir;
    CallLog log;
    RecordingSurface surface{log};
    RecordingBoxes boxes{log};
    ResultList list;
    Yielder yield{surface, std::chrono::milliseconds(0)};
    RunState state;
    ScriptedRandom random;
    MemoryWordSource source;
    WordSettings settings;
    CheckOptions checks;
};

} // namespace quorlix::test
