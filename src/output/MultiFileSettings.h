#pragma once
// Multi-file mode: a run writes a numbered series of files instead of filling
// the display. Held in memory only; inactive at every program start.

#include <cstdint>
#include <string>

namespace quorlix {

struct MultiFileSettings {
    std::int16_t active = 0;  // 1 while multi-file mode is in force
    std::string filePreface;  // fixed first part of every file name
    std::int16_t totalFiles = 0;
    std::string directory;    // always ends in the path separator once set
    // "txt", "mdb", "htm", "csv", or a hand-out list: "pdf", "chpasswd",
    // "manager-csv", "bitwarden-csv"; empty until chosen
    std::string fileType;

    // The ending of the files: the type, but "csv" for the password-manager lists.
    std::string extension() const
    {
        return fileType == "manager-csv" || fileType == "bitwarden-csv" ? "csv" : fileType;
    }
    // directory + filePreface + n + "." + extension()
    std::string filePath(int n) const { return directory + shownName(n); }
    // The name shown to the user: filePreface + n + "." + extension()
    std::string shownName(int n) const { return filePreface + std::to_string(n) + "." + extension(); }
};

} // namespace quorlix
