#include "words/DictionaryFolder.h"

#include <filesystem>
#include <system_error>

namespace quorlix {

std::string programFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string folder = ec ? std::filesystem::current_path().string() : exe.parent_path().string();
    return folder.ends_with('/') ? folder : folder + "/";
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

std::vector<std::string> availableDictionaries(const std::string& programFolder)
{
    static constexpr std::array<std::string_view, 6> kOrder = {
        "wordlist_english_all.dct", "wordlist_english_abridged.dct", "wordlist_french.dct",
        "wordlist_german.dct",      "wordlist_italian.dct",          "wordlist_spanish.dct"};
    std::vector<std::string> out;
    for (std::string_view name : kOrder)
        if (fileExists(inProgramFolder(programFolder, name)))
            out.emplace_back(name);
    return out;
}

} // namespace quorlix
