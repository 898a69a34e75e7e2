#include "ui/ViewerWindow.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <stdexcept>

#include "output/DisplayTools.h"
#include "platform/jet/JetReader.h"
#include "ui/HelpWindows.h"
#include "ui/ResultListModel.h"
#include "ui/Widgets.h"

namespace quorlix::ui
{

namespace
{

QString countText(std::size_t n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

bool isDatabase(const std::string& path)
{
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    return suffix == QStringLiteral("mdb") || suffix == QStringLiteral("dct");
}

} // namespace

class TableModel final : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;
    void show(const TableContents* contents)
    {
        beginResetModel();
        m_contents = contents;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_contents ? 0 : static_cast<int>(m_contents->rows);
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_contents ? 0 : static_cast<int>(m_contents->columns.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return qs(m_contents->cells[static_cast<std::size_t>(index.column())].rowAdded(
            static_cast<std::size_t>(index.row())));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || !m_contents)
            return {};
        if (orientation == Qt::Vertical)
            return section + 1;
        return qs(m_contents->columns[static_cast<std::size_t>(section)]);
    }

private:
    const TableContents* m_contents = nullptr;
};

ViewerWindow* ViewerWindow::open(const std::string& path, const QWidget* from)
{
    auto* viewer = new ViewerWindow(path);
    centreOnMainWindow(viewer, from);
    viewer->show();
    return viewer;
}

ViewerWindow::ViewerWindow(const std::string& path) : QWidget(nullptr, Qt::Window), m_path(path)
{
    setObjectName(QStringLiteral("ViewerWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(QString::fromStdString(path)).fileName() + QStringLiteral(" - Quorlix"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quorlix.svg")));
    m_database = isDatabase(path);

    auto* file = new QLabel(QString::fromStdString(path), this);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary = new QLabel(tr("Reading..."), this);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    auto* close = new QPushButton(tr("&Close"), this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    if (m_database) {
        m_tables = new QComboBox(this);
        m_tables->setObjectName(QStringLiteral("cboTable"));
        auto* tableRow = new QHBoxLayout;
        auto* tableLabel = new QLabel(tr("&Table:"), this);
        tableLabel->setBuddy(m_tables);
        tableRow->addWidget(tableLabel);
        tableRow->addWidget(m_tables, 1);
        layout->addLayout(tableRow);
        m_table = new QTableView(this);
        m_table->setObjectName(QStringLiteral("tblRecords"));
        m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_table->setFont(fixed);
        m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        m_table->verticalHeader()->setDefaultSectionSize(QFontMetrics(fixed).height() + 6);
        m_table->horizontalHeader()->setStretchLastSection(true);
        m_tableModel = new TableModel(this);
        m_table->setModel(m_tableModel);
        layout->addWidget(m_table, 1);
    } else {
        m_lines = new PasswordListView(this);
        m_lines->setObjectName(QStringLiteral("lstLines"));
        m_lines->setFont(fixed);
        m_textModel = new ResultListModel(this);
        m_lines->setModel(m_textModel);
        layout->addWidget(m_lines, 1);
    }
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_summary, 1);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    setHelpTopic(this, QStringLiteral("View/Edit Files"));
    closeOnEscape(this);
    resize(640, 480);

    if (!m_database) {
        loadText();
        return;
    }
    // The table list comes from the first page and the catalog: quick.
    jet::FileHeader header;
    Status status = jet::readFileHeader(path, &header);
    std::unique_ptr<jet::DatabaseReader> db;
    if (status) {
        m_password = header.password;
        db = jet::DatabaseReader::open(path, m_password, &status);
    }
    if (!db) {
        m_summary->setText(tr("This file could not be read as a database: %1").arg(qs(status.message())));
        return;
    }
    for (const auto& table : db->tables())
        m_tables->addItem(qs(table));
    connect(m_tables, &QComboBox::currentTextChanged, this, [this](const QString& table) {
        if (!table.isEmpty() && !loading())
            loadTable(table.toStdString());
    });
    if (m_tables->count() > 0)
        loadTable(m_tables->currentText().toStdString());
    else
        m_summary->setText(tr("The database holds no tables."));
}

ViewerWindow::~ViewerWindow()
{
    m_cancel.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

void ViewerWindow::finish(std::function<void()> apply)
{
    QPointer<ViewerWindow> self(this);
    QMetaObject::invokeMethod(
        qApp,
        [self, apply = std::move(apply)] {
            if (!self)
                return;
            self->m_thread.join();
            apply();
            if (self->m_tables)
                self->m_tables->setEnabled(true);
            emit self->loaded();
        },
        Qt::QueuedConnection);
}

void ViewerWindow::loadText()
{
    auto lines = std::make_shared<std::unique_ptr<ResultList>>(std::make_unique<ResultList>());
    m_thread = std::thread([this, lines] {
        (*lines)->setUpdating(false);
        Status read;
        try {
            read = readTextFileInto(m_path, **lines, [this] {
                if (m_cancel.load())
                    throw std::runtime_error("closed");
            });
        } catch (const std::runtime_error&) {
            read = Status::cancelled(); // the window closed while it read
        }
        finish([this, lines, read] {
            m_text = std::move(*lines);
            m_textModel->showList(m_text.get());
            const QString count = countText(m_text->count(), "line", "lines");
            m_summary->setText(read ? count : count + QStringLiteral(" - ") + qs(read.message()));
        });
    });
}

void ViewerWindow::loadTable(const std::string& table)
{
    m_tables->setEnabled(false);
    m_summary->setText(tr("Reading..."));
    m_tableModel->show(nullptr);
    m_contents.reset();
    auto contents = std::make_shared<std::unique_ptr<TableContents>>(std::make_unique<TableContents>());
    m_thread = std::thread([this, table, contents] {
        Status status;
        TableContents& c = **contents;
        auto db = jet::DatabaseReader::open(m_path, m_password, &status);
        std::unique_ptr<jet::TableReader> reader = db ? db->openTable(table, &status) : nullptr;
        if (reader) {
            c.columns = reader->columnNames();
            c.cells.resize(c.columns.size());
            for (auto& column : c.cells)
                column.setUpdating(false);
            c.rowsInFile = reader->rowCount();
            while (!m_cancel.load() && c.rows < kMaxTableRows && reader->next()) {
                for (std::size_t i = 0; i < c.columns.size(); ++i)
                    c.cells[i].add(reader->field(i).value_or(std::string()));
                ++c.rows;
            }
            status = reader->status();
        }
        finish([this, contents, status] {
            m_contents = std::move(*contents);
            m_tableModel->show(m_contents.get());
            QString text = countText(m_contents->rows, "record", "records");
            if (m_contents->rowsInFile > m_contents->rows)
                text = tr("The first %1 of %2 records").arg(m_contents->rows).arg(m_contents->rowsInFile);
            if (!status)
                text += QStringLiteral(" - ") + qs(status.message());
            m_summary->setText(text);
        });
    });
}

QString ViewerWindow::summary() const
{
    return m_summary->text();
}

int ViewerWindow::shownRows() const
{
    return m_database ? m_tableModel->rowCount() : m_textModel->rowCount();
}

QString ViewerWindow::cell(int row, int column) const
{
    if (m_database)
        return m_tableModel->data(m_tableModel->index(row, column), Qt::DisplayRole).toString();
    return QString::fromStdString(m_textModel->rowText(row));
}

} // namespace quorlix::ui
