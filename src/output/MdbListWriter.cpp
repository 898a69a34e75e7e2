#include "output/MdbListWriter.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "platform/AtomicFile.h"

namespace quorlix {

namespace {

std::string_view trimBlanks(std::string_view s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

// Passwords reach 60 characters plus a separator after each of 59 positions
// (178 in all): the default 50-character field would refuse them.
constexpr std::uint16_t kPasswordFieldSize = 255;

std::vector<jet::TextColumn> columnsOf(MdbTableLayout layout)
{
    if (layout == MdbTableLayout::SavedList)
        return {{"Last_Name", true}, {"First_Name", true}, {"Password", true, kPasswordFieldSize}};
    return {{"Last Name", false}, {"First Name", false}, {"Password", false, kPasswordFieldSize}};
}

} // namespace

jet::JetVersion mdbFormatFromSetting(std::string_view value)
{
    return value == "Jet4" ? jet::JetVersion::Jet4 : jet::JetVersion::Jet3;
}

Status MdbListWriter::start(jet::JetVersion version, const std::vector<jet::TextColumn>& columns)
{
    Status status = m_file.open(m_path);
    if (status.isOk())
        m_db = jet::DatabaseWriter::create(m_file.tempPath(), version, "", &status);
    if (m_db)
        status = m_db->createTable(kPasswordTableName, columns);
    if (!status.isOk()) {
        // The temporary file goes with discard(): name the file the user chose.
        status = m_file.namingTarget(std::move(status));
        discard();
    }
    return status;
}

std::unique_ptr<MdbListWriter> MdbListWriter::open(const std::string& path, MdbTableLayout layout,
                                                   jet::JetVersion version, Status* error)
{
    std::unique_ptr<MdbListWriter> writer(new MdbListWriter(path, layout));
    Status status = writer->start(version, columnsOf(layout));
    if (error)
        *error = status;
    return status.isOk() ? std::move(writer) : nullptr;
}

std::unique_ptr<MdbListWriter> MdbListWriter::open(const std::string& path, const HandOut& handOut,
                                                   jet::JetVersion version, Status* error)
{
    std::vector<jet::TextColumn> columns = columnsOf(MdbTableLayout::SavedList);
    // Names run longer than Access's default 50 characters now and then.
    if (handOut.hasNames())
        columns[0].size = columns[1].size = kPasswordFieldSize;
    std::unique_ptr<MdbListWriter> writer(new MdbListWriter(path, MdbTableLayout::SavedList));
    writer->m_hashColumn = handOut.hash.has_value();
    if (writer->m_hashColumn)
        columns.push_back({"Hash", true, kPasswordFieldSize});
    Status status = writer->start(version, columns);
    if (error)
        *error = status;
    return status.isOk() ? std::move(writer) : nullptr;
}

MdbListWriter::~MdbListWriter()
{
    if (m_db)
        discard();
}

void MdbListWriter::add(std::string_view password)
{
    if (!m_db || !m_status.isOk())
        return;
    const std::string_view value = m_layout == MdbTableLayout::ConvertedList ? trimBlanks(password) : password;
    std::vector<std::optional<std::string_view>> row{std::nullopt, std::nullopt, value};
    if (m_hashColumn)
        row.push_back(std::nullopt);
    m_status = m_file.namingTarget(m_db->appendRow(row));
}

void MdbListWriter::addRow(const ListRow& row)
{
    if (!m_db || !m_status.isOk())
        return;
    const auto orNull = [](std::string_view s) { return s.empty() ? std::nullopt : std::optional(s); };
    std::vector<std::optional<std::string_view>> values{orNull(row.lastName), orNull(row.firstName), row.password};
    if (m_hashColumn)
        values.push_back(orNull(row.hash));
    m_status = m_file.namingTarget(m_db->appendRow(values));
}

Status MdbListWriter::complete(bool keepAfterRefusal)
{
    if (!m_db)
        return m_status.isOk() ? Status::ioError("The database " + m_path + " was already closed.") : m_status;
    const Status closed = m_file.namingTarget(m_db->close());
    m_db.reset();
    // The writer completes a valid file after a refused record (a value too
    // long, a format limit), but not after an I/O error.
    const bool fileUsable = closed.isOk() || closed.code() != Status::Code::IoError;
    if (m_status.isOk())
        m_status = closed;
    if (!fileUsable || (!keepAfterRefusal && !m_status.isOk())) {
        m_file.abandon();
        return m_status;
    }
    const Status moved = m_file.commit();
    if (!moved.isOk() && m_status.isOk())
        m_status = moved;
    return m_status;
}

Status MdbListWriter::finish() { return complete(false); }

Status MdbListWriter::closeUnfinished() { return complete(true); }

void MdbListWriter::discard()
{
    m_db.reset(); // a writer dropped without close() removes its file
    m_file.abandon();
}

void installMdbListWriter(std::function<std::string()> formatSetting)
{
    registerMdbListWriterFactory(
        [formatSetting = std::move(formatSetting)](const std::string& path, const HandOut& handOut,
                                                   Status* error) -> std::unique_ptr<ListWriter> {
            const std::string setting = formatSetting ? formatSetting() : std::string("Jet3");
            return MdbListWriter::open(path, handOut, mdbFormatFromSetting(setting), error);
        });
}

} // namespace quorlix
