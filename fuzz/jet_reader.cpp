// The Jet reader on any file: opening it without a password and, when its
// header holds one, with that password; listing its tables and walking every
// table's rows and fields. A refusal is fine; a crash, a hang or a leak is not.

#include "FuzzInput.h"
#include "platform/jet/JetReader.h"

using namespace quorlix;

namespace {

// Enough rows to cross several data pages; a walk of a damaged file ends there.
constexpr int kMaxRows = 2000;

void readAll(jet::DatabaseReader& db)
{
    for (const std::string& name : db.tables()) {
        std::vector<jet::ColumnInfo> columns;
        (void)jet::describeTable(db, name, &columns);
        Status error;
        auto table = db.openTable(name, &error);
        if (!table)
            continue;
        const std::size_t fields = table->columnNames().size();
        for (int row = 0; row < kMaxRows && table->next(); ++row) {
            for (std::size_t i = 0; i <= fields; ++i)
                (void)table->field(i);
            if (fields > 0)
                (void)table->field(table->columnNames().front());
        }
        (void)table->rowCount();
        (void)table->status();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::writeScratch("list.mdb", fuzz::text(data, size));
    jet::FileHeader header;
    const Status headerStatus = jet::readFileHeader(path, &header);

    Status error;
    auto db = jet::DatabaseReader::open(path, "", &error);
    if (db) {
        (void)jet::formatVersionByte(*db);
        readAll(*db);
    } else if (headerStatus && !header.password.empty()) {
        if (error.code() != Status::Code::InvalidArgument)
            fuzz::fail("a protected file opened without its password was not refused for the password");
        db = jet::DatabaseReader::open(path, header.password, &error);
        if (db)
            readAll(*db);
    }
    return 0;
}
