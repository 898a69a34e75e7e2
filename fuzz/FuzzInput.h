#pragma once
// What the fuzz targets share: the input as text, and a scratch folder of the
// process for readers that take a file name.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace quorlix::fuzz {

inline std::string_view text(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// A folder of this process, removed when it exits normally.
inline const std::string& scratchFolder()
{
    // Never destroyed, so the exit handler below can still read it.
    static const std::string* folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorlix-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchFolder(), ignored);
        });
        return new std::string(pattern + "/");
    }();
    return *folder;
}

inline std::string scratchPath(std::string_view name)
{
    return scratchFolder() + std::string(name);
}

// Writes the input to the scratch file name and returns its path.
inline std::string writeScratch(std::string_view name, std::string_view bytes)
{
    const std::string path = scratchPath(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        std::abort();
    return path;
}

// Stops the run with the input kept: a property the code promises did not hold.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    std::abort();
}

} // namespace quorlix::fuzz
