#include "words/DictionaryFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/HomeFolder.h"

namespace quorlix {

std::string programFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string folder = ec ? std::filesystem::current_path().string() : exe.parent_path().string();
    return folder.ends_with('/') ? folder : folder + "/";
}

bool isBareFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string_view::npos;
}

bool fileExists(const std::string& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec)
        return false;
    if (std::filesystem::is_directory(status)) {
        std::filesystem::directory_iterator it(path, ec);
        return !ec && it != std::filesystem::directory_iterator();
    }
    return std::filesystem::exists(status);
}

namespace {

constexpr std::array<std::string_view, 6> kListOrder = {
    "wordlist_english_all.dct", "wordlist_english_abridged.dct", "wordlist_french.dct",
    "wordlist_german.dct",      "wordlist_italian.dct",          "wordlist_spanish.dct"};

// "" stays "": names relative to the working folder.
std::string withSlash(std::string folder) { return folder.empty() || folder.ends_with('/') ? folder : folder + '/'; }

} // namespace

std::vector<std::string> availableDictionaries(const std::string& programFolder)
{
    return DictionaryPlaces({programFolder}).available();
}

DictionaryPlaces DictionaryPlaces::ofThisProgram()
{
    std::string user;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        user = std::string(xdg) + "/quorlix/";
    else if (const std::string home = homeFolder(); !home.empty())
        user = withSlash(home) + ".local/share/quorlix/";
    else
        user = "/tmp/quorlix-" + std::to_string(::getuid()) + "/";
    const std::string program = programFolder();
    const std::string installed =
        withSlash((std::filesystem::path(program) / ".." / "share" / "quorlix").lexically_normal().string());
    std::vector<std::string> candidates{user, installed, program};
    // A program installed in the user's own prefix finds one folder twice.
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    DictionaryPlaces places;
    places.m_user = user;
    for (const std::string& folder : candidates) {
        if (std::string why = untrustedFolderReason(folder); !why.empty())
            places.m_skipped.push_back({folder, std::move(why)});
        else
            places.m_folders.push_back(folder);
    }
    return places;
}

DictionaryPlaces::DictionaryPlaces(std::vector<std::string> folders) : m_folders(std::move(folders))
{
    if (m_folders.empty())
        m_folders.push_back(programFolder());
    for (std::string& f : m_folders)
        f = withSlash(f);
    m_user = m_folders.front();
}

std::vector<std::string> DictionaryPlaces::skippedNotes() const
{
    std::vector<std::string> notes;
    for (const Skipped& s : m_skipped)
        notes.push_back("Skipped the dictionary folder " + s.folder + ": " + s.why + ".");
    return notes;
}

std::string DictionaryPlaces::folderOf(std::string_view name) const
{
    if (name.find('/') != std::string_view::npos)
        return {};
    for (const std::string& folder : m_folders)
        if (!name.empty() && fileExists(folder + std::string(name)))
            return folder;
    // Where a download would put it; never a skipped folder, whose files
    // must not be read (the first searched one then says "not found").
    for (const Skipped& s : m_skipped)
        if (s.folder == m_user)
            return m_folders.empty() ? std::string() : m_folders.front();
    return userFolder();
}

std::vector<std::string> DictionaryPlaces::available() const
{
    std::vector<std::string> out;
    for (std::string_view name : kListOrder)
        for (const std::string& folder : m_folders)
            if (fileExists(folder + std::string(name))) {
                out.emplace_back(name);
                break;
            }
    return out;
}

std::vector<DictionaryPlaces::Found> DictionaryPlaces::all() const
{
    std::vector<Found> out;
    std::set<std::string> seen;
    for (const std::string& folder : m_folders) {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            if (entry.path().extension() == ".dct" && entry.is_regular_file(ec))
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        for (auto& name : names)
            if (seen.insert(name).second)
                out.push_back({std::move(name), folder});
    }
    return out;
}

Status makeUserFolder(const std::string& folder, std::vector<std::string>* created)
{
    // The folders to make, from the deepest existing one down.
    std::vector<std::string> missing;
    std::filesystem::path p = std::filesystem::path(folder).lexically_normal();
    if (!p.has_filename())
        p = p.parent_path();
    std::error_code ec;
    for (; !p.empty() && !std::filesystem::exists(p, ec); p = p.parent_path()) {
        missing.push_back(p.string());
        if (p == p.parent_path())
            break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST)
            return Status::ioError("Cannot make the folder " + *it + ": " + std::strerror(errno) + ".");
        if (created)
            created->push_back(*it);
    }
    if (const std::string why = untrustedFolderReason(folder); !why.empty())
        return Status::invalidArgument("The dictionary folder " + folder + " is not used: " + why + ".");
    return Status::ok();
}

void removeCreatedFolders(const std::vector<std::string>& created)
{
    for (auto it = created.rbegin(); it != created.rend(); ++it)
        if (::rmdir(it->c_str()) != 0)
            break; // not empty: something was put there meanwhile
}

} // namespace quorlix
