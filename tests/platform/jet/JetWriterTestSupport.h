#pragma once
// A deliberately small, independent decoder for the page structures of the
// files the Jet writer produces: it follows the readers (libmdb, mdb-reader)
// rather than the writer's code, so the two cannot share a mistake. Also the
// helpers that write a test database, read one back through the libmdb-based
// reader.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/jet/JetReader.h"
#include "platform/jet/JetWriter.h"
#include "support/MdbOut.h"
#include "support/TempFolder.h"

namespace quorlix::jet::testing
{

inline std::string slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::filesystem::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

using quorlix::testing::TempFolder;

inline std::uint32_t u8At(const std::string& s, std::size_t at)
{
    return static_cast<unsigned char>(s.at(at));
}
inline std::uint32_t u16At(const std::string& s, std::size_t at)
{
    return u8At(s, at) | (u8At(s, at + 1) << 8);
}
inline std::uint32_t u32At(const std::string& s, std::size_t at)
{
    return u16At(s, at) | (u16At(s, at + 2) << 16);
}

// One database file in memory.
class RawDatabase
{
public:
    // The version byte of page 0 tells Jet 3 from Jet 4.
    explicit RawDatabase(std::string bytes) : m_bytes(std::move(bytes))
    {
        m_jet4 = m_bytes.size() > 0x14 && m_bytes[0x14] != 0;
        m_pageSize = m_jet4 ? 4096 : 2048;
    }
    bool jet4() const { return m_jet4; }
    std::size_t pageSize() const { return m_pageSize; }
    std::size_t pageCount() const { return m_bytes.size() / m_pageSize; }
    std::string page(std::uint32_t n) const { return m_bytes.substr(std::size_t{n} * m_pageSize, m_pageSize); }

    // Rows of a data page as byte strings, slot order.
    std::vector<std::string> rows(std::uint32_t pageNumber) const
    {
        const std::string p = page(pageNumber);
        const std::size_t countAt = m_jet4 ? 12 : 8;
        std::vector<std::string> out;
        const std::uint32_t n = u16At(p, countAt);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint32_t start = u16At(p, countAt + 2 + 2 * i) & 0x1FFF;
            std::uint32_t end = i == 0 ? static_cast<std::uint32_t>(m_pageSize) : u16At(p, countAt + 2 * i) & 0x1FFF;
            out.push_back(p.substr(start, end - start));
        }
        return out;
    }
    std::string rowAt(std::uint32_t pointer) const { return rows(pointer >> 8).at(pointer & 0xFF); }

    // Pages a usage map row lists, ascending.
    std::vector<std::uint32_t> mapPages(const std::string& map) const
    {
        std::vector<std::uint32_t> pages;
        if (u8At(map, 0) == 0) {
            const std::uint32_t start = u32At(map, 1);
            for (std::size_t i = 0; i < (map.size() - 5) * 8; ++i)
                if (u8At(map, 5 + i / 8) & (1u << (i % 8)))
                    pages.push_back(start + static_cast<std::uint32_t>(i));
        } else {
            const std::size_t perPage = (m_pageSize - 4) * 8;
            for (std::size_t k = 0; 1 + 4 * k + 4 <= map.size(); ++k) {
                const std::uint32_t bitmap = u32At(map, 1 + 4 * k);
                if (bitmap == 0)
                    continue;
                const std::string b = page(bitmap);
                for (std::size_t i = 0; i < perPage; ++i)
                    if (u8At(b, 4 + i / 8) & (1u << (i % 8)))
                        pages.push_back(static_cast<std::uint32_t>(k * perPage + i));
            }
        }
        return pages;
    }

    // Row pointer of the map of pages a table owns, from its definition.
    std::uint32_t ownedMap(std::uint32_t tdefPage) const { return u32At(page(tdefPage), m_jet4 ? 55 : 35); }

private:
    std::string m_bytes;
    bool m_jet4 = false;
    std::size_t m_pageSize = 2048;
};

using Row = std::vector<std::optional<std::string>>;
struct TableContent {
    std::string name;
    std::vector<TextColumn> columns;
    std::vector<Row> rows;
};

// Writes the tables and keeps a copy for the outside readers; returns the
// first failing call's status (close()'s when all went well).
inline Status writeTables(const std::filesystem::path& path, JetVersion version, std::string_view password,
                          const std::vector<TableContent>& tables, WriterOptions options = {})
{
    if (options.creationDate < 0)
        options.creationDate = 45000.5;
    Status status;
    auto w = createDatabaseWriter(path.string(), version, password, options, &status);
    if (!w)
        return status;
    std::vector<std::optional<std::string_view>> values;
    for (const TableContent& t : tables) {
        bool ok = w->createTable(t.name, t.columns).isOk();
        for (std::size_t r = 0; ok && r < t.rows.size(); ++r) {
            values.assign(t.rows[r].begin(), t.rows[r].end());
            ok = w->appendRow(values).isOk();
        }
        if (!ok)
            break;
    }
    status = w->close();
    quorlix::testing::keepDatabaseCopy(path.string());
    return status;
}

// All rows of a table through the reader, or the failure that ended the walk.
inline Status readRows(DatabaseReader& db, std::string_view table, std::vector<Row>* rows,
                       std::uint64_t* rowCount = nullptr)
{
    Status status;
    auto reader = db.openTable(table, &status);
    if (!reader)
        return status;
    rows->clear();
    if (rowCount)
        *rowCount = reader->rowCount();
    while (reader->next()) {
        rows->emplace_back();
        for (std::size_t i = 0; i < reader->columnNames().size(); ++i)
            rows->back().push_back(reader->field(i));
    }
    return reader->status();
}

// A whole file as the reader sees it: user tables in catalog order, their
// columns with sizes and properties, the stored row count and every row.
struct ReadTable {
    std::vector<ColumnInfo> columns;
    std::uint64_t rowCount = 0;
    std::vector<Row> rows;
};
struct ReadBack {
    Status status;
    JetVersion version = JetVersion::Jet3;
    std::vector<std::string> names;
    std::map<std::string, ReadTable> tables;
};

inline ReadBack readBack(const std::filesystem::path& path, std::string_view password = "")
{
    ReadBack out;
    auto db = DatabaseReader::open(path.string(), password, &out.status);
    if (!db)
        return out;
    out.version = db->version();
    out.names = db->tables();
    for (const std::string& name : out.names) {
        ReadTable& t = out.tables[name];
        out.status = describeTable(*db, name, &t.columns);
        if (out.status.isOk())
            out.status = readRows(*db, name, &t.rows, &t.rowCount);
        if (!out.status.isOk())
            break;
    }
    return out;
}

} // namespace quorlix::jet::testing
