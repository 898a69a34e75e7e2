#include "words/DictionaryFolder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>

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
    const char* home = std::getenv("HOME");
    if (xdg && xdg[0] == '/')
        user = std::string(xdg) + "/quorlix/";
    else if (home && home[0] != '\0')
        user = std::string(home) + "/.local/share/quorlix/";
    else
        user = "/tmp/quorlix-" + std::to_string(::getuid()) + "/";
    const std::string program = programFolder();
    const std::string installed =
        withSlash((std::filesystem::path(program) / ".." / "share" / "quorlix").lexically_normal().string());
    std::vector<std::string> folders{user, installed, program};
    // A program installed in the user's own prefix finds one folder twice.
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return DictionaryPlaces(std::move(folders));
}

DictionaryPlaces::DictionaryPlaces(std::vector<std::string> folders) : m_folders(std::move(folders))
{
    if (m_folders.empty())
        m_folders.push_back(programFolder());
    for (std::string& f : m_folders)
        f = withSlash(f);
}

std::string DictionaryPlaces::folderOf(std::string_view name) const
{
    if (name.find('/') != std::string_view::npos)
        return {};
    for (const std::string& folder : m_folders)
        if (!name.empty() && fileExists(folder + std::string(name)))
            return folder;
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

} // namespace quorlix
