#pragma once
// The program's own read-only viewer: a text file (a password list, CSV or
// HTML) line by line, or a database table by table, read through the Jet
// reader. Lines and cells live in compact lists, so a list of millions of
// rows opens without a copy per row.

#include <QWidget>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/ResultList.h"
#include "ui/PasswordListView.h"

class QComboBox;
class QLabel;
class QTableView;

namespace quorlix::ui
{

class ResultListModel;
class TableModel;

// One table as read: column names and the cells of each column.
struct TableContents {
    std::vector<std::string> columns;
    std::vector<ResultList> cells; // one list per column, a row per record
    std::size_t rows = 0;
    std::uint64_t rowsInFile = 0; // more than rows when the view stops early
};

class ViewerWindow final : public QWidget
{
    Q_OBJECT
public:
    // Opens a viewer on the file (a table view for .mdb and .dct files),
    // over the main window of from.
    static ViewerWindow* open(const std::string& path, const QWidget* from = nullptr);
    ~ViewerWindow() override;

    bool loading() const { return m_thread.joinable(); }
    // The text shown under the view ("12 lines", "3 tables", an error).
    QString summary() const;
    int shownRows() const;
    QString cell(int row, int column) const;

    // Rows read per table at most; a larger table shows its first rows.
    static constexpr std::size_t kMaxTableRows = 2'000'000;

signals:
    void loaded();

private:
    explicit ViewerWindow(const std::string& path);
    void loadText();
    void loadTable(const std::string& table);
    void finish(std::function<void()> apply);

    std::string m_path;
    bool m_database = false;
    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    std::string m_password;

    QLabel* m_summary;
    QComboBox* m_tables = nullptr;
    PasswordListView* m_lines = nullptr;
    QTableView* m_table = nullptr;
    std::unique_ptr<ResultList> m_text;
    ResultListModel* m_textModel = nullptr;
    std::unique_ptr<TableContents> m_contents;
    TableModel* m_tableModel = nullptr;
};

} // namespace quorlix::ui
