#include "ui/ToolDialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/HelpWindows.h"
#include "ui/MainWindow.h"
#include "ui/Widgets.h"
#include "words/DictionaryBuild.h"
#include "words/DictionaryFolder.h"
#include "words/DictionarySources.h"
#include "words/DictionaryWordSource.h"
#include "words/WordText.h"

namespace quorlix::ui
{

namespace
{

QPushButton* pushButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QString sizeText(std::uint64_t bytes)
{
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

} // namespace

// ---- Download Dictionary File ------------------------------------------------

DownloadDialog::DownloadDialog(MainWindow& main, DownloadRequest& flag) : QDialog(&main), m_main(main), m_flag(flag)
{
    setObjectName(QStringLiteral("frmDictLanguage"));
    setWindowTitle(QStringLiteral("Dictionay Language Download"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_boxes = std::make_unique<WaitingMessageBoxes>(main.services().prompts, this, main.waitDepth());

    auto* instructions = new QLabel(qs(kDownloadInstructions), this);
    instructions->setWordWrap(true);
    auto* note = new QLabel(qs(kDownloadNote), this);
    note->setWordWrap(true);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);

    auto* choices = new QGridLayout;
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("Text1"));
    // "Other:" last, with its name box.
    int rowAt = 0;
    for (int option : {0, 1, 2, 3, 4, 6, 5}) {
        auto* radio = new QRadioButton(qs(kKnownDictionaries[static_cast<std::size_t>(option)].caption), this);
        radio->setObjectName(QStringLiteral("optLanguage%1").arg(option));
        radio->setFont(fixed);
        connect(radio, &QRadioButton::clicked, this, [this, option] { optionChosen(option); });
        m_options[option] = radio;
        choices->addWidget(radio, rowAt, 0);
        if (option == 5)
            choices->addWidget(m_name, rowAt, 1);
        ++rowAt;
    }
    choices->setColumnStretch(1, 1);

    // Where the chosen name comes from, and what this computer's word lists give.
    m_source = new QLabel(this);
    m_source->setObjectName(QStringLiteral("lblSource"));
    m_source->setWordWrap(true);
    const std::string base = downloadBase(main.services().settings);
    auto* server = new QLabel(base.empty() ? tr("Server: none named (set DownloadBase in the [Settings] section of "
                                                "%1 to download names the word lists cannot give).")
                                                 .arg(qs(main.services().settingsFileName))
                                           : tr("Server: %1").arg(qs(base)),
                              this);
    server->setObjectName(QStringLiteral("lblServer"));
    server->setWordWrap(true);
    auto* listsCaption = new QLabel(tr("Word lists of this computer (a click chooses one):"), this);
    m_lists = new QListWidget(this);
    m_lists->setObjectName(QStringLiteral("lstWordLists"));
    m_lists->setMaximumHeight(110);
    m_lists->setFont(fixed);
    for (const WordListDictionary& d : wordListDictionaries()) {
        const bool installed = !presentLists(d).empty();
        auto* item = new QListWidgetItem(
            qs(d.file) + QStringLiteral("  ") + qs(d.language) +
                (installed ? QString() : tr("  (apt install %1)").arg(qs(d.package))),
            m_lists);
        item->setData(Qt::UserRole, qs(d.file));
        if (!installed)
            item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    }
    connect(m_lists, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        m_options[5]->setChecked(true);
        optionChosen(5);
        m_name->setText(item->data(Qt::UserRole).toString());
    });
    connect(m_name, &QLineEdit::textChanged, this, [this] { showSource(); });

    auto* presentCaption = new QLabel(qs(kPresentCaption), this);
    m_present = new QListWidget(this);
    m_present->setObjectName(QStringLiteral("lstDct"));
    m_present->setMaximumHeight(110);
    connect(m_present, &QListWidget::itemSelectionChanged, this, [this] { m_present->clearSelection(); });

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgDownload"));
    m_progressText = new QLabel(this);
    m_progressText->setObjectName(QStringLiteral("lblDownload"));
    m_progress->hide();
    m_progressText->hide();

    m_accept = pushButton(this, "Command1", tr("&Accept"));
    m_accept->setDefault(true);
    QPushButton* cancel = pushButton(this, "Command2", tr("&Cancel"));
    connect(m_accept, &QPushButton::clicked, this, &DownloadDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &DownloadDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_accept);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instructions);
    layout->addLayout(choices);
    layout->addWidget(m_source);
    layout->addWidget(listsCaption);
    layout->addWidget(m_lists);
    layout->addWidget(server);
    layout->addWidget(presentCaption);
    layout->addWidget(m_present);
    layout->addWidget(note);
    layout->addWidget(m_progressText);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    setHelpTopic(this, QStringLiteral("Download Dictionary File"));
    setMinimumWidth(560);

    m_window = openDownloadWindow(main.services().places);
    m_options[5]->setChecked(true);
    optionChosen(5);
    for (const auto& name : m_window.present)
        m_present->addItem(qs(name));
}

DownloadDialog::~DownloadDialog() = default;

void DownloadDialog::runModal(MainWindow& main, DownloadRequest& flag)
{
    QPointer<DownloadDialog> dialog = new DownloadDialog(main, flag);
    dialog->setWindowModality(Qt::WindowModal);
    QEventLoop loop;
    connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    ++*main.waitDepth();
    dialog->open();
    loop.exec(QEventLoop::DialogExec);
    --*main.waitDepth();
}

void DownloadDialog::optionChosen(int option)
{
    downloadOptionChosen(m_window, option, m_main.services().places, *m_boxes);
    m_name->setEnabled(m_window.nameBoxEnabled);
    QPalette palette = m_name->palette();
    if (m_window.nameBoxEnabled)
        palette = QLineEdit().palette();
    else
        palette.setColor(QPalette::Base, QColor(192, 192, 192));
    m_name->setPalette(palette);
    showSource();
}

void DownloadDialog::showSource()
{
    const std::string name = m_window.option == 5
                                 ? std::string(trimBlanks(m_name->text().toStdString()))
                                 : std::string(kKnownDictionaries[static_cast<std::size_t>(m_window.option)].file);
    m_source->setText(name.empty() ? QString()
                                   : qs(sourceLine(name, sourceOf(name, downloadBase(m_main.services().settings)))));
}

void DownloadDialog::accept()
{
    if (m_downloading)
        return;
    m_window.otherName = m_name->text().toStdString();
    DictionaryCheckControls controls{m_main.options().checks.dictionary, m_main.options().checks.dictionary,
                                     m_main.options().checks.dictionary};
    const DownloadOutcome outcome =
        acceptDownload(m_window, m_main.services().places.userFolder(), downloadBase(m_main.services().settings),
                       m_main.options().dictionaryFile, m_flag, controls, m_main.surface(), *m_boxes,
                       [this](const DictionarySource& source, const std::string& path) { return fetch(source, path); });
    if (outcome == DownloadOutcome::Completed || outcome == DownloadOutcome::Failed) {
        m_main.applyDictionaryControls(controls);
        QDialog::accept();
    }
}

void DownloadDialog::reject()
{
    if (m_downloading) {
        m_cancel.store(true); // the transfer ends; the dialog reports it
        return;
    }
    cancelDownload(m_flag);
    QDialog::reject();
}

void DownloadDialog::closeEvent(QCloseEvent* event)
{
    if (m_downloading) {
        m_cancel.store(true);
        event->ignore();
        return;
    }
    // The close box leaves the download-requested flag as it was.
    QDialog::closeEvent(event);
}

Status DownloadDialog::fetch(const DictionarySource& source, const std::string& path)
{
    const std::string& address = source.address;
    const bool build = source.kind == DictionarySource::Kind::WordLists;
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> total{0};
    m_cancel.store(false);
    m_downloading = true;
    m_accept->setEnabled(false);
    m_progress->setRange(0, 0);
    m_progress->show();
    m_progressText->setText(build ? tr("Building %1 ...").arg(qs(path)) : tr("Downloading %1 ...").arg(qs(address)));
    m_progressText->show();

    Status result;
    QEventLoop loop;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] {
        const std::uint64_t got = received.load();
        const std::uint64_t all = total.load();
        if (all > 0) {
            m_progress->setRange(0, 1000);
            m_progress->setValue(static_cast<int>(got * 1000 / all));
            m_progressText->setText(tr("Downloading: %1 of %2").arg(sizeText(got), sizeText(all)));
        } else if (got > 0) {
            m_progressText->setText(tr("Downloading: %1").arg(sizeText(got)));
        }
    });
    tick.start(100);
    std::thread worker([&] {
        if (build) {
            buildDictionary(source.lists, path, &result);
        } else {
            result = downloadDictionary(address, path, nullptr, [&](std::uint64_t got, std::uint64_t all) {
                received.store(got);
                total.store(all);
                return !m_cancel.load();
            });
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    tick.stop();
    m_progress->hide();
    m_progressText->hide();
    m_accept->setEnabled(true);
    m_downloading = false;
    return result;
}

// ---- View Dictionary ---------------------------------------------------------

SearchDialog::SearchDialog(MainWindow& main) : QDialog(&main), m_main(main)
{
    setObjectName(QStringLiteral("frmDictionary"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_boxes = std::make_unique<WaitingMessageBoxes>(main.services().prompts, this, main.waitDepth());
    m_word = new QLineEdit(this);
    m_word->setObjectName(QStringLiteral("Text1"));
    auto* wordLabel = new QLabel(tr("Search Word:"), this);
    wordLabel->setBuddy(m_word);
    m_whole = new QRadioButton(tr("&Whole"), this);
    m_whole->setObjectName(QStringLiteral("optType0"));
    m_hybrid = new QRadioButton(tr("&Hybrid"), this);
    m_hybrid->setObjectName(QStringLiteral("optType1"));
    auto* typeLabel = new QLabel(tr("Search Type:"), this);
    m_results = new QPlainTextEdit(this);
    m_results->setObjectName(QStringLiteral("Text2"));
    m_results->setReadOnly(true);
    auto* resultsLabel = new QLabel(tr("Dictionary Search Results:"), this);
    resultsLabel->setBuddy(m_results);
    m_search = pushButton(this, "Command1", tr("&Search"));
    m_search->setDefault(true);
    m_clear = pushButton(this, "cmdClear", tr("Clea&r"));
    QPushButton* cancel = pushButton(this, "Command2", tr("&Cancel"));

    auto* grid = new QGridLayout;
    grid->addWidget(wordLabel, 0, 0);
    grid->addWidget(m_word, 0, 1, 1, 3);
    grid->addWidget(typeLabel, 1, 0);
    grid->addWidget(m_whole, 1, 1);
    grid->addWidget(m_hybrid, 1, 2);
    grid->setColumnStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_search);
    buttons->addWidget(m_clear);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(resultsLabel);
    layout->addWidget(m_results, 1);
    layout->addLayout(buttons);
    setHelpTopic(this, QStringLiteral("View Dictionary"));
    resize(460, 380);

    // Enter in the word field reaches the default button, Search.
    connect(m_search, &QPushButton::clicked, this, &SearchDialog::search);
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_word->clear();
        m_results->clear();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

SearchDialog::~SearchDialog()
{
    if (m_thread.joinable())
        m_thread.join();
}

void SearchDialog::start()
{
    setWindowTitle(QStringLiteral("Dictionary: ") + qs(m_main.options().dictionaryFile));
    if (!searching()) {
        m_whole->setChecked(true);
        m_word->clear();
        m_results->clear();
    }
    bringToFront(this);
}

void SearchDialog::setControlsEnabled(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_search, m_clear, m_whole, m_hybrid, m_word})
        w->setEnabled(on);
}

void SearchDialog::search()
{
    if (searching())
        return;
    setControlsEnabled(false);
    m_results->clear();
    const std::string typed = m_word->text().toStdString();
    if (asciiUpper(trimVoid(trimBlanks(typed))).size() < 4) {
        m_boxes->show(kSearchTooShort, Icon::Exclamation, Buttons::Ok);
        setControlsEnabled(true);
        m_search->setFocus();
        emit searchFinished();
        return;
    }
    const SearchType type = m_hybrid->isChecked() ? SearchType::Hybrid : SearchType::Whole;
    const std::string file = m_main.options().dictionaryFile;
    const std::string folder = m_main.services().places.folderOf(file);
    auto tables = file == m_tablesFile ? m_tables : nullptr;
    auto results = std::make_shared<std::string>();
    auto loaded = std::make_shared<std::shared_ptr<const WordTables>>(tables);
    QPointer<SearchDialog> self(this);
    m_results->setPlainText(tr("Searching..."));
    // Reading a dictionary and a hybrid scan take a while: off the window's thread.
    m_thread = std::thread([self, typed, type, folder, file, results, loaded] {
        if (!*loaded) {
            auto read = std::make_shared<WordTables>();
            DictionaryWordSource source;
            const Status status = source.load(folder, file, read.get());
            if (status)
                *loaded = read;
            else
                *results = "The dictionary " + folder + file + " could not be read: " + status.message();
        }
        if (*loaded) {
            // The word has four letters or more: searchDictionary shows nothing.
            struct Silent : MessageBoxes {
                using MessageBoxes::show;
                Answer show(std::string_view, std::string_view, Icon, Buttons) override { return Answer::Ok; }
            } silent;
            searchDictionary(**loaded, typed, type, *results, silent);
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, results, loaded, file] {
                if (!self)
                    return;
                self->m_thread.join();
                if (*loaded) {
                    self->m_tables = *loaded;
                    self->m_tablesFile = file;
                }
                self->m_results->setPlainText(displayText(*results));
                self->setControlsEnabled(true);
                self->m_search->setFocus();
                emit self->searchFinished();
            },
            Qt::QueuedConnection);
    });
}

void SearchDialog::reject()
{
    if (searching()) {
        close(); // waits for the search, below
        return;
    }
    QDialog::reject();
}

void SearchDialog::closeEvent(QCloseEvent* event)
{
    if (searching()) {
        // The search ends on its own; the window closes then.
        event->ignore();
        connect(this, &SearchDialog::searchFinished, this, &QWidget::close, Qt::SingleShotConnection);
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace quorlix::ui
