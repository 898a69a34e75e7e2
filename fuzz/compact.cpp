// Compacting and repairing a damaged source: a copy is either refused or a
// database that opens; the source of a failed repair is left as it was.

#include "FuzzInput.h"
#include "output/Compact.h"
#include "platform/jet/Jet.h"

using namespace quorlix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzz::text(data, size);
    const std::string source = fuzz::writeScratch("source.mdb", bytes);
    const std::string target = fuzz::scratchPath("target.mdb");
    std::error_code ignored;
    std::filesystem::remove(target, ignored);

    if (compactDatabase(source, target)) {
        Status error;
        if (!jet::DatabaseReader::open(target, "", &error) && error.code() != Status::Code::InvalidArgument)
            fuzz::fail("a compacted copy does not open");
    } else if (std::filesystem::exists(target)) {
        fuzz::fail("a failed compaction left a target file");
    }

    if (!repairDatabase(source)) {
        std::ifstream in(source, std::ios::binary);
        const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (after != bytes)
            fuzz::fail("a failed repair changed its source");
    }
    return 0;
}
