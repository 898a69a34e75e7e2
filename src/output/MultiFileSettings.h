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
    std::string fileType;     // "txt", "mdb", "htm", "csv"; empty until chosen

    // directory + filePreface + n + "." + fileType
    std::string filePath(int n) const { return directory + shownName(n); }
    // The name shown to the user: filePreface + n + "." + fileType
    std::string shownName(int n) const { return filePreface + std::to_string(n) + "." + fileType; }
};

} // namespace quorlix
