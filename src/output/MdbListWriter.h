#pragma once
// Password lists as Jet databases: one table "Password Database" with three
// Text fields, one record per password, written through the Jet component to
// a temporary file that replaces the target only when complete.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "output/ListWriter.h"
#include "platform/AtomicFile.h"
#include "platform/Status.h"
#include "platform/jet/Jet.h"

namespace quorlix {

inline constexpr std::string_view kPasswordTableName = "Password Database";

enum class MdbTableLayout {
    // Save As and the multi-file runs: "Last_Name", "First_Name", "Password",
    // zero-length text allowed; the name fields stay Null.
    SavedList,
    // The text conversion: "Last Name", "First Name", "Password", zero-length
    // text refused; each password is trimmed of leading and trailing blanks.
    ConvertedList,
};

// The value of the setting MdbFormat: "Jet4" selects Jet 4 (Access 2000);
// anything else, the default "Jet3" included, Jet 3 (Access 95/97).
jet::JetVersion mdbFormatFromSetting(std::string_view value);

class MdbListWriter final : public ListWriter {
public:
    ~MdbListWriter() override;
    // Starts the temporary file and creates the table. nullptr with a Status
    // when the file cannot be started.
    static std::unique_ptr<MdbListWriter> open(const std::string& path, MdbTableLayout layout,
                                               jet::JetVersion version, Status* error);
    // A SavedList shaped by a hand-out: the name fields take names of up to
    // 255 characters when there is a roster, and a fourth Text field "Hash"
    // holds the hashed password when a hash scheme is chosen.
    static std::unique_ptr<MdbListWriter> open(const std::string& path, const HandOut& handOut,
                                               jet::JetVersion version, Status* error);

    void begin() override {}
    // After the first refused or failed record later ones are dropped; the
    // failure is kept for finish().
    void add(std::string_view password) override;
    // Empty names are stored as Null, as in a list without names.
    void addRow(const ListRow& row) override;
    // Completes the database and moves it over path. On any failure the
    // temporary file is removed and path is left as it was.
    Status finish() override;
    // Completes what was written so far and moves it into place, even after a
    // refused record (the records before it stay). Returns the first failure.
    Status closeUnfinished() override;
    void discard() override;

    // The first failure so far.
    const Status& status() const { return m_status; }

private:
    MdbListWriter(std::string path, MdbTableLayout layout) : m_path(std::move(path)), m_layout(layout) {}
    Status start(jet::JetVersion version, const std::vector<jet::TextColumn>& columns);
    Status complete(bool keepAfterRefusal);

    std::string m_path;
    FileReplacement m_file;
    MdbTableLayout m_layout;
    bool m_hashColumn = false;
    std::unique_ptr<jet::DatabaseWriter> m_db;
    Status m_status;
};

// Registers the MDB writer with openListFile() (Save As and multi-file runs
// use the SavedList layout). formatSetting returns the current MdbFormat
// setting and is asked at every open; an empty function means "Jet3".
void installMdbListWriter(std::function<std::string()> formatSetting);

} // namespace quorlix
