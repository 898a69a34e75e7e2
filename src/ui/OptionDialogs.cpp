#include "ui/OptionDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/HelpWindows.h"
#include "ui/MainWindow.h"
#include "ui/Widgets.h"
#include "words/DictionaryFolder.h"

namespace quorlix::ui
{

namespace
{

QLabel* heading(QWidget* parent, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QStringLiteral("lblHeading"));
    QFont f = l->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    l->setFont(f);
    return l;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, bool stretchFirst = true)
{
    auto* layout = new QHBoxLayout;
    if (stretchFirst)
        layout->addStretch();
    for (QWidget* w : widgets)
        layout->addWidget(w);
    return layout;
}

} // namespace

OptionWindow::OptionWindow(MainWindow& main, const char* objectName, const QString& caption)
    : QDialog(&main), m_main(main)
{
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    m_boxes = std::make_unique<WaitingMessageBoxes>(main.services().prompts, this, main.waitDepth());
}

// Enter presses the focused button, or Accept when no button has the focus;
// Escape cancels (QDialog's own keys).
QPushButton* OptionWindow::button(const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    if (qstrcmp(name, "cmdAccept") == 0)
        b->setDefault(true);
    return b;
}

// ---- Characters ------------------------------------------------------------

CharactersDialog::CharactersDialog(MainWindow& main)
    : OptionWindow(main, "Characters", qs(characters_window::kCaption)), m_copy(main.options().pool)
{
    namespace cw = characters_window;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading(this, qs(cw::kHeading)));

    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    struct Group {
        CharClass cls;
        int columns;
    };
    auto* groups = new QGridLayout;
    int at = 0;
    for (const Group g : {Group{CharClass::Number, 5}, Group{CharClass::Special, 8}, Group{CharClass::Lowercase, 9},
                          Group{CharClass::Uppercase, 9}}) {
        auto* box = new QGroupBox(qs(className(g.cls)), this);
        auto* grid = new QGridLayout(box);
        grid->setHorizontalSpacing(2);
        grid->setVerticalSpacing(2);
        int i = 0;
        for (int code : members(g.cls)) {
            auto* check = new QCheckBox(qs(CharactersWorkingCopy::boxCaption(code)), box);
            check->setObjectName(QStringLiteral("chkChar%1").arg(code));
            check->setFont(fixed);
            connect(check, &QCheckBox::clicked, this, [this, code](bool on) { m_copy.setChecked(code, on); });
            m_boxes[static_cast<std::size_t>(code)] = check;
            grid->addWidget(check, i / g.columns, i % g.columns);
            ++i;
        }
        groups->addWidget(box, at / 2, at % 2, Qt::AlignTop);
        ++at;
    }

    struct Action {
        const char* name;
        std::string_view caption;
        void (CharactersWorkingCopy::*apply)();
    };
    auto* classes = new QVBoxLayout;
    for (const Action& a : {Action{"cmdAll", cw::kAll, &CharactersWorkingCopy::checkAll},
                            Action{"cmdDefault", cw::kDefault, &CharactersWorkingCopy::checkDefault},
                            Action{"cmdNoNumbers", cw::kNoNumbers, &CharactersWorkingCopy::clearNumbers},
                            Action{"cmdNoLowercase", cw::kNoLowercase, &CharactersWorkingCopy::clearLowercase},
                            Action{"cmdNoUppercase", cw::kNoUppercase, &CharactersWorkingCopy::clearUppercase},
                            Action{"cmdNoSpecial", cw::kNoSpecial, &CharactersWorkingCopy::clearSpecial}}) {
        QPushButton* b = button(a.name, qs(a.caption));
        connect(b, &QPushButton::clicked, this, [this, apply = a.apply] {
            (m_copy.*apply)();
            showCopy();
        });
        classes->addWidget(b);
    }
    classes->addStretch();
    auto* body = new QHBoxLayout;
    body->addLayout(groups, 1);
    body->addLayout(classes);
    layout->addLayout(body);
    QPushButton* accept = button("cmdAccept", qs(cw::kAccept));
    QPushButton* cancel = button("cmdCancel", qs(cw::kCancel));
    QPushButton* help = button("cmdHelp", qs(cw::kHelp));
    connect(accept, &QPushButton::clicked, this, &CharactersDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { HelpCenter::instance().showQuickHelp(this, qs(cw::kHelpTopic)); });
    layout->addLayout(row({accept, cancel, help}));
    setHelpTopic(this, qs(cw::kHelpTopic));
    showCopy();
}

void CharactersDialog::showCopy()
{
    for (int code : poolOrderCodes())
        m_boxes[static_cast<std::size_t>(code)]->setChecked(m_copy.checked(code));
}

void CharactersDialog::accept()
{
    m_copy.accept(m_main.options().pool, m_main.options().run);
    m_main.refreshReadout();
    m_main.optionsChanged();
    QDialog::accept();
}

// ---- Hyphens and blank spaces ----------------------------------------------

InsertsDialog::InsertsDialog(MainWindow& main, bool blanks)
    : OptionWindow(main, "Hyphens", QString()),
      m_copy(main.options().inserts, blanks, main.options().run.minLength, main.options().run.maxLength)
{
    namespace iw = inserts_window;
    setWindowTitle(qs(m_copy.caption()));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading(this, qs(m_copy.heading())));
    auto* grid = new QGridLayout;
    constexpr int kRows = 15;
    for (int p = 1; p <= kInsertPositions; ++p) {
        auto* box = new QCheckBox(qs(InsertsWorkingCopy::boxCaption(p)), this);
        box->setObjectName(QStringLiteral("chkAfter%1").arg(p));
        connect(box, &QCheckBox::clicked, this, [this, p] {
            m_copy.click(p);
            showCopy();
        });
        m_boxes[static_cast<std::size_t>(p)] = box;
        grid->addWidget(box, (p - 1) % kRows, (p - 1) / kRows);
    }
    layout->addLayout(grid);
    QPushButton* accept = button("cmdAccept", qs(iw::kAccept));
    QPushButton* cancel = button("cmdCancel", qs(iw::kCancel));
    QPushButton* clearAll = button("cmdClearAll", qs(iw::kClearAll));
    QPushButton* selectAll = button("cmdSelectAll", qs(iw::kSelectAll));
    QPushButton* help = button("cmdHelp", qs(iw::kHelp));
    connect(accept, &QPushButton::clicked, this, &InsertsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(clearAll, &QPushButton::clicked, this, [this] {
        m_copy.clearAll();
        showCopy();
    });
    connect(selectAll, &QPushButton::clicked, this, [this] {
        m_copy.selectAll();
        showCopy();
    });
    connect(help, &QPushButton::clicked, this,
            [this] { HelpCenter::instance().showQuickHelp(this, qs(iw::kHelpTopic)); });
    layout->addLayout(row({accept, cancel, clearAll, selectAll, help}));
    setHelpTopic(this, qs(iw::kHelpTopic));
    showCopy();
}

void InsertsDialog::showCopy()
{
    for (int p = 1; p <= kInsertPositions; ++p) {
        QCheckBox* box = m_boxes[static_cast<std::size_t>(p)];
        box->setEnabled(m_copy.enabled(p));
        box->setChecked(m_copy.checked(p));
    }
}

void InsertsDialog::accept()
{
    m_copy.accept(m_main.options().inserts);
    m_main.optionsChanged();
    QDialog::accept();
}

// ---- Password rules --------------------------------------------------------

RulesDialog::RulesDialog(MainWindow& main)
    : OptionWindow(main, "frmPassRules", qs(rules_window::kCaption)),
      m_copy(main.options().rules, main.options().run.maxLength)
{
    namespace rw = rules_window;
    auto* rows = new QWidget;
    auto* grid = new QGridLayout(rows);
    for (int p = 1; p <= kMaxLength; ++p) {
        auto* label = new QLabel(qs(RulesWorkingCopy::rowLabel(p)), rows);
        label->setObjectName(QStringLiteral("lblPosition%1").arg(p));
        auto* choice = new QComboBox(rows);
        choice->setObjectName(QStringLiteral("cboRule%1").arg(p));
        for (std::string_view text : rw::kChoices)
            choice->addItem(qs(text));
        choice->setCurrentIndex(m_copy.selection(p));
        label->setBuddy(choice);
        const bool enabled = m_copy.enabled(p);
        label->setEnabled(enabled);
        choice->setEnabled(enabled);
        connect(choice, &QComboBox::currentIndexChanged, this, [this, p](int index) { m_copy.select(p, index); });
        m_choices[static_cast<std::size_t>(p)] = choice;
        grid->addWidget(label, p - 1, 0);
        grid->addWidget(choice, p - 1, 1);
    }
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(rows);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The focus goes to the first choice, not to the panel; tabbing on
    // scrolls the panel to the choice.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setMinimumWidth(rows->sizeHint().width() + 24);

    QPushButton* accept = button("cmdAccept", qs(rw::kAccept));
    QPushButton* cancel = button("cmdCancel", qs(rw::kCancel));
    QPushButton* none = button("cmdNoRules", qs(rw::kNoRules));
    QPushButton* help = button("cmdHelp", qs(rw::kHelp));
    connect(accept, &QPushButton::clicked, this, &RulesDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(none, &QPushButton::clicked, this, [this] {
        m_copy.noRules();
        for (int p = 1; p <= kMaxLength; ++p) {
            const QSignalBlocker block(m_choices[static_cast<std::size_t>(p)]);
            m_choices[static_cast<std::size_t>(p)]->setCurrentIndex(0);
        }
    });
    connect(help, &QPushButton::clicked, this,
            [this] { HelpCenter::instance().showQuickHelp(this, qs(rw::kHelpTopic)); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(row({accept, cancel, none, help}));
    setHelpTopic(this, qs(rw::kHelpTopic));
    resize(sizeHint().width(), 420);
}

void RulesDialog::accept()
{
    m_main.setRulesLight(m_copy.accept(m_main.options().rules));
    m_main.optionsChanged();
    QDialog::accept();
}

// ---- Random Words settings -------------------------------------------------

WordSettingsDialog::WordSettingsDialog(MainWindow& main)
    : OptionWindow(main, "frmPasswordType", QStringLiteral("Random Words - Settings"))
{
    auto field = [this](const char* name, int chars) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(QString(chars + 2, QLatin1Char('0'))) + 12);
        return e;
    };
    auto check = [this](const char* name, const QString& caption) {
        auto* c = new QCheckBox(caption, this);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    auto* instructions = new QLabel(qs(kWordSettingsInstructions), this);
    instructions->setWordWrap(true);
    auto* note = new QLabel(qs(kWordSettingsNote), this);
    note->setWordWrap(true);
    QFont bold = note->font();
    bold.setBold(true);
    note->setFont(bold);

    m_dictionary = new QComboBox(this);
    m_dictionary->setObjectName(QStringLiteral("cboDictionaryFile"));
    m_total = field("txtQTYPasswords", 8);
    m_quantity = field("txtQtyWords", 2);
    m_separator = field("txtCharSep", 3);
    m_separatorLabel = new QLabel(tr("Separate Selected Words With This Character:"), this);
    m_separatorLabel->setObjectName(QStringLiteral("Label4"));
    m_dups = check("chkDups", tr("Duplication Check"));
    m_randomNumbers = check("chkRandomNumbers", tr("Add"));
    m_digits = field("txtNums", 2);
    m_wordLengths = check("chkWordLengths", tr("Word Lengths Min"));
    m_minLength = field("txtWordLengthMin", 2);
    m_maxLength = field("txtWordLengthMax", 2);
    m_upper = check("chkUcase", tr("Randomly Uppercase"));
    m_wordCase = new QComboBox(this);
    m_wordCase->setObjectName(QStringLiteral("cboWordCase"));
    m_wordCase->addItems({tr("lower case"), tr("UPPER CASE"), tr("Capitalised"), tr("alternating: lower, UPPER"),
                          tr("lower or UPPER at random")});
    auto* wordCaseLabel = new QLabel(tr("&Write the Words in:"), this);
    wordCaseLabel->setBuddy(m_wordCase);

    auto* dictionaryLabel = new QLabel(tr("Select Available Dictionary File:"), this);
    dictionaryLabel->setBuddy(m_dictionary);
    auto* totalLabel = new QLabel(tr("Total Passwords:"), this);
    totalLabel->setBuddy(m_total);
    auto* quantityLabel = new QLabel(tr("Quantity of Words to Select Per Password:"), this);
    quantityLabel->setBuddy(m_quantity);
    m_separatorLabel->setBuddy(m_separator);
    auto* grid = new QGridLayout;
    grid->addWidget(dictionaryLabel, 0, 0);
    grid->addWidget(m_dictionary, 0, 1);
    grid->addWidget(totalLabel, 1, 0);
    grid->addWidget(m_total, 1, 1, Qt::AlignLeft);
    grid->addWidget(quantityLabel, 2, 0);
    grid->addWidget(m_quantity, 2, 1, Qt::AlignLeft);
    grid->addWidget(m_separatorLabel, 3, 0);
    grid->addWidget(m_separator, 3, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    auto* numbers = new QHBoxLayout;
    numbers->addWidget(m_randomNumbers);
    numbers->addWidget(m_digits);
    numbers->addWidget(new QLabel(tr("Random Numbers to Generated Words."), this));
    numbers->addStretch();
    auto* lengths = new QHBoxLayout;
    lengths->addWidget(m_wordLengths);
    lengths->addWidget(m_minLength);
    auto* maxLabel = new QLabel(tr("Max"), this);
    maxLabel->setBuddy(m_maxLength);
    lengths->addWidget(maxLabel);
    lengths->addWidget(m_maxLength);
    lengths->addStretch();

    QPushButton* accept = button("cmdAccept", tr("&Accept"));
    QPushButton* cancel = button("cmdCancel", tr("&Cancel"));
    QPushButton* download = button("Command1", tr("&Download Dictionaries"));
    QPushButton* help = button("Command2", tr("&Help"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instructions);
    layout->addLayout(grid);
    layout->addWidget(m_dups);
    layout->addLayout(numbers);
    layout->addLayout(lengths);
    auto* wordCase = new QHBoxLayout;
    wordCase->addWidget(wordCaseLabel);
    wordCase->addWidget(m_wordCase);
    wordCase->addWidget(m_upper);
    wordCase->addStretch();
    layout->addLayout(wordCase);
    layout->addWidget(note);
    layout->addLayout(row({accept, cancel, download, help}));
    setMinimumWidth(520);

    setHelpTopic(this, QStringLiteral("Random Words Settings"));
    setHelpTopic(m_dictionary, QStringLiteral("Select Available Dictionary File"));
    setHelpTopic(m_total, QStringLiteral("Random Words Total Passwords"));
    setHelpTopic(m_quantity, QStringLiteral("Quantity of Words"));
    setHelpTopic(m_separator, QStringLiteral("Word Separator"));
    setHelpTopic(m_dups, QStringLiteral("Random Words Duplication Check"));
    setHelpTopic(m_randomNumbers, QStringLiteral("Add Random Numbers"));
    setHelpTopic(m_digits, QStringLiteral("Add Random Numbers"));
    setHelpTopic({m_wordLengths, m_minLength, m_maxLength}, QStringLiteral("Word Lengths"));
    setHelpTopic(m_upper, QStringLiteral("Randomly Uppercase"));
    setHelpTopic({wordCaseLabel, m_wordCase}, QStringLiteral("Word Case"));
    setHelpTopic(download, QStringLiteral("Download Dictionary File"));

    m_form = openWordSettingsForm(main.options().words, main.services().places.available());
    fromForm();

    m_total->installEventFilter(this);
    m_quantity->installEventFilter(this);
    connect(m_total, &QLineEdit::textChanged, this, [this] {
        if (m_updating)
            return;
        toForm();
        totalPasswordsChanged(m_form, boxes());
    });
    connect(m_quantity, &QLineEdit::textChanged, this, [this] {
        if (m_updating)
            return;
        toForm();
        quantityChanged(m_form, boxes());
        fromForm();
    });
    connect(m_randomNumbers, &QCheckBox::clicked, this, [this] {
        toForm();
        randomNumbersClicked(m_form);
        fromForm();
    });
    connect(m_wordLengths, &QCheckBox::clicked, this, [this] {
        toForm();
        wordLengthsClicked(m_form);
        fromForm();
    });
    connect(m_wordCase, &QComboBox::activated, this, [this] {
        toForm();
        wordCaseChosen(m_form);
        fromForm();
    });
    connect(accept, &QPushButton::clicked, this, &WordSettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(download, &QPushButton::clicked, this, [this] {
        MainWindow& mainWindow = m_main;
        reject();
        mainWindow.showDownloadDictionary();
    });
    connect(help, &QPushButton::clicked, this,
            [this] { HelpCenter::instance().showQuickHelp(this, QStringLiteral("Random Words Settings")); });
}

void WordSettingsDialog::fromForm()
{
    m_updating = true;
    const QSignalBlocker blockCombo(m_dictionary);
    m_dictionary->clear();
    for (const auto& name : m_form.dictionaryList)
        m_dictionary->addItem(qs(name));
    m_dictionary->setCurrentIndex(m_form.selectedDictionary);
    auto setText = [](QLineEdit* e, const std::string& text) {
        if (e->text() != qs(text))
            e->setText(qs(text));
    };
    setText(m_total, m_form.totalPasswords);
    setText(m_quantity, m_form.quantity);
    setText(m_separator, m_form.separator);
    m_separator->setEnabled(m_form.separatorEnabled);
    m_separatorLabel->setEnabled(m_form.separatorEnabled);
    m_dups->setChecked(m_form.duplicationCheck);
    m_randomNumbers->setChecked(m_form.randomNumbers);
    setText(m_digits, m_form.digits);
    m_digits->setEnabled(m_form.digitsEnabled);
    m_wordLengths->setChecked(m_form.wordLengthLimit);
    setText(m_minLength, m_form.minLength);
    setText(m_maxLength, m_form.maxLength);
    m_minLength->setEnabled(m_form.lengthBoxesEnabled);
    m_maxLength->setEnabled(m_form.lengthBoxesEnabled);
    m_upper->setChecked(m_form.randomUppercase);
    m_upper->setEnabled(m_form.randomUppercaseEnabled);
    m_wordCase->setCurrentIndex(static_cast<int>(m_form.wordCase));
    m_updating = false;
}

void WordSettingsDialog::toForm()
{
    m_form.selectedDictionary = m_dictionary->currentIndex();
    m_form.totalPasswords = m_total->text().toStdString();
    m_form.quantity = m_quantity->text().toStdString();
    m_form.separator = m_separator->text().toStdString();
    m_form.duplicationCheck = m_dups->isChecked();
    m_form.randomNumbers = m_randomNumbers->isChecked();
    m_form.digits = m_digits->text().toStdString();
    m_form.wordLengthLimit = m_wordLengths->isChecked();
    m_form.minLength = m_minLength->text().toStdString();
    m_form.maxLength = m_maxLength->text().toStdString();
    m_form.randomUppercase = m_upper->isChecked();
    m_form.wordCase = wordCaseFromCode(m_wordCase->currentIndex()).value_or(WordCase::Lower);
}

bool WordSettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_total || watched == m_quantity)) {
        const auto typed = typedCharacter(*static_cast<QKeyEvent*>(event));
        return typed && !acceptsNumericKey(static_cast<char>(*typed < 128 ? *typed : 0));
    }
    return OptionWindow::eventFilter(watched, event);
}

void WordSettingsDialog::accept()
{
    toForm();
    SettingsStore& store = m_main.services().settings;
    if (!acceptWordSettings(m_form, m_main.options().words, boxes(), writerFor(store)))
        return;
    store.sync();
    m_main.optionsChanged();
    QDialog::accept();
}

// ---- Multi-File Create -----------------------------------------------------

MultiFileDialog::MultiFileDialog(MainWindow& main)
    : OptionWindow(main, "MultiFile", qs(kMultiFileCaption)), m_logic(main.multiFile(), boxes())
{
    QLabel* title = heading(this, qs(kMultiFileCaption));
    m_preface = new QLineEdit(this);
    m_preface->setObjectName(QStringLiteral("Text1"));
    auto* prefaceLabel = new QLabel(tr("File Name:"), this);
    prefaceLabel->setObjectName(QStringLiteral("lblPreface"));
    prefaceLabel->setBuddy(m_preface);
    m_totalFiles = new QLineEdit(this);
    m_totalFiles->setObjectName(QStringLiteral("Text2"));
    m_totalFiles->setFixedWidth(m_totalFiles->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 12);
    auto* totalLabel = new QLabel(tr("Total Files"), this);
    totalLabel->setObjectName(QStringLiteral("lblTotalFiles"));
    totalLabel->setBuddy(m_totalFiles);
    // Access keys I and L: C is Cancel's, H is HTM's.
    m_activate = new QCheckBox(tr(" Act&ivate"), this);
    m_activate->setObjectName(QStringLiteral("Check1"));

    auto* typeFrame = new QGroupBox(tr("Select File type:"), this);
    auto* typeLayout = new QVBoxLayout(typeFrame);
    const QString captions[kMultiFileTypeCount] = {
        tr("Save as .&TXT"),          tr("Save as .&MDB"),          tr("Save as .&HTM"),
        tr("Save as .C&SV"),          tr("Save as .&PDF Slips"),    tr("Save as chpass&wd List"),
        tr("Save as Password Ma&nager CSV"), tr("Save as &Bitwarden CSV")};
    for (int i = 0; i < kMultiFileTypeCount; ++i) {
        m_types[static_cast<std::size_t>(i)] = new QRadioButton(captions[i], typeFrame);
        m_types[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("optFileType%1").arg(i));
        typeLayout->addWidget(m_types[static_cast<std::size_t>(i)]);
        connect(m_types[static_cast<std::size_t>(i)], &QRadioButton::clicked, this,
                [this, i] { m_logic.chooseType(i); });
    }
    setHelpTopic(typeFrame, QStringLiteral("Select File Type"));

    m_folderModel = new QFileSystemModel(this);
    m_folderModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folderModel->setRootPath(QStringLiteral("/"));
    m_folders = new QTreeView(this);
    m_folders->setObjectName(QStringLiteral("dirFolders"));
    m_folders->setModel(m_folderModel);
    for (int c = 1; c < m_folderModel->columnCount(); ++c)
        m_folders->hideColumn(c);
    m_folders->setHeaderHidden(true);
    m_folders->setMinimumSize(260, 200);
    auto* directoryCaption = new QLabel(tr("Selected Directory\\Path"), this);
    m_directory = new QLabel(this);
    m_directory->setObjectName(QStringLiteral("lblDirectory"));
    m_directory->setWordWrap(true);
    m_directory->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setHelpTopic(m_folders, QStringLiteral("Selected Directory"));
    setHelpTopic(directoryCaption, QStringLiteral("Selected Directory"));
    setHelpTopic(m_activate, QStringLiteral("Activate"));

    QPushButton* accept = button("cmdAccept", tr("&Accept"));
    QPushButton* cancel = button("cmdCancel", tr("&Cancel"));
    QPushButton* help = button("cmdHelp", tr("He&lp"));

    auto* fields = new QGridLayout;
    fields->addWidget(prefaceLabel, 0, 0);
    fields->addWidget(m_preface, 0, 1);
    fields->addWidget(totalLabel, 1, 0);
    fields->addWidget(m_totalFiles, 1, 1, Qt::AlignLeft);
    fields->addWidget(m_activate, 2, 0, 1, 2);
    auto* leftColumn = new QVBoxLayout;
    leftColumn->addLayout(fields);
    leftColumn->addWidget(typeFrame);
    leftColumn->addStretch();
    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(m_folders, 1);
    rightColumn->addWidget(directoryCaption);
    rightColumn->addWidget(m_directory);
    auto* columns = new QHBoxLayout;
    columns->addLayout(leftColumn);
    columns->addLayout(rightColumn, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(columns, 1);
    layout->addLayout(row({accept, cancel, help}));

    // Right-clicking a caption lights it while the button is down, then shows its help.
    const std::pair<QLabel*, const char*> captions2[] = {
        {prefaceLabel, "File Name Preface"}, {totalLabel, "Total Files"}, {title, "Multi-File Create Menu"}};
    for (const auto& [caption, topic] : captions2) {
        caption->setProperty("helpTopic", QString::fromLatin1(topic));
        caption->installEventFilter(this);
    }
    setHelpTopic(m_preface, QStringLiteral("File Name Preface"));
    setHelpTopic(m_totalFiles, QStringLiteral("Total Files"));

    // Opening.
    m_logic.open();
    m_activate->setChecked(m_logic.activateChecked());
    m_preface->setText(qs(m_logic.prefaceText()));
    m_totalFiles->setText(qs(m_logic.totalFilesText()));
    if (const auto type = m_logic.typeIndex())
        m_types[static_cast<std::size_t>(*type)]->setChecked(true);
    const QString shown = m_logic.folderToShow().empty() ? QDir::homePath() : qs(m_logic.folderToShow());
    chooseFolder(QDir(shown).exists() ? shown : QDir::homePath());

    connect(m_preface, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_logic.setPrefaceText(t.toStdString()); });
    connect(m_totalFiles, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_logic.setTotalFilesText(t.toStdString()); });
    connect(m_activate, &QCheckBox::toggled, this, [this](bool on) { m_logic.setActivateChecked(on); });
    connect(m_folders->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    m_logic.chooseFolder(m_folderModel->filePath(current).toStdString());
                    m_directory->setText(qs(m_logic.shownDirectory()));
                }
            });
    connect(accept, &QPushButton::clicked, this, &MultiFileDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &MultiFileDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { HelpCenter::instance().showQuickHelp(this, QStringLiteral("Multi-File Create Menu")); });
    resize(640, 420);
}

void MultiFileDialog::chooseFolder(const QString& folder)
{
    const QModelIndex index = m_folderModel->index(folder);
    if (index.isValid()) {
        m_folders->setCurrentIndex(index);
        m_folders->scrollTo(index);
        m_folders->expand(index);
    }
    m_logic.chooseFolder(folder.toStdString());
    m_directory->setText(qs(m_logic.shownDirectory()));
}

bool MultiFileDialog::eventFilter(QObject* watched, QEvent* event)
{
    auto* caption = qobject_cast<QLabel*>(watched);
    if (caption && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            if (event->type() == QEvent::MouseButtonPress) {
                caption->setBackgroundRole(QPalette::Highlight);
                caption->setForegroundRole(QPalette::HighlightedText);
                caption->setAutoFillBackground(true);
            } else {
                caption->setAutoFillBackground(false);
                caption->setForegroundRole(QPalette::WindowText);
                HelpCenter::instance().showQuickHelp(this, caption->property("helpTopic").toString());
            }
            return true;
        }
    }
    return OptionWindow::eventFilter(watched, event);
}

void MultiFileDialog::accept()
{
    if (m_logic.accept() == MultiFileWindow::Outcome::Close)
        QDialog::accept();
}

void MultiFileDialog::reject()
{
    m_logic.cancel();
    QDialog::reject();
}

} // namespace quorlix::ui
