#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "engine/PasswordSpace.h"
#include "engine/PronounceableForm.h"
#include "engine/RunTexts.h"
#include "options/Readout.h"
#include "output/DisplayTools.h"
#include "settings/ApplyOptions.h"
#include "settings/LastSettings.h"
#include "ui/HandOutDialog.h"
#include "ui/HelpWindows.h"
#include "ui/ProgressBar.h"
#include "ui/ToolDialogs.h"
#include "ui/Widgets.h"

namespace quorlix::ui
{

namespace
{

constexpr std::string_view kIdleStatus = "For Quick Help, Right-Click Objects";
constexpr std::string_view kCounterOn = "Counter On";
constexpr std::uint32_t kProgressBack = 16777215; // white
constexpr std::uint32_t kProgressFore = 16711680; // blue in the high byte

// The rules light: a lamp, grey when off, green when on, drawn for the
// screen's pixel ratio.
QPixmap lamp(bool on, qreal ratio)
{
    const int size = 16;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(size * 0.38, size * 0.35), size * 0.6);
    glow.setColorAt(0, on ? QColor(190, 255, 190) : QColor(235, 235, 235));
    glow.setColorAt(0.5, on ? QColor(40, 200, 60) : QColor(160, 160, 160));
    glow.setColorAt(1, on ? QColor(10, 110, 30) : QColor(95, 95, 95));
    p.setBrush(glow);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    return pixmap;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text)
{
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

QLineEdit* numberField(QWidget* parent, const char* name, int maxChars)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(maxChars);
    const int width = e->fontMetrics().horizontalAdvance(QString(maxChars + 2, QLatin1Char('0')));
    e->setFixedWidth(width + 12);
    return e;
}

} // namespace

// The window's own readouts and buttons, as the logic on the window's thread
// drives them and as the worker's deliveries land.
class MainWindow::Surface final : public MainWindowSurface
{
public:
    explicit Surface(MainWindow& w) : m_w(w) {}

    void setStatus(std::string_view text) override { m_w.setStatusText(qs(text)); }
    void setHeading(std::string_view text) override { m_w.m_displayHeading->setText(qs(text)); }
    void setCounter(std::string_view text) override { m_w.m_generatedCount->setText(qs(text)); }
    void setCountdown(std::string_view text) override { m_w.m_clock->setText(qs(text)); }
    void showCountdown() override
    {
        for (QLabel* l : {m_w.m_timeCaption, m_w.m_remainingCaption, m_w.m_clock}) {
            l->setVisible(true);
            l->setEnabled(true);
        }
    }
    // The countdown timer runs beside the work, on the worker.
    void setCountdownTimerEnabled(bool) override {}
    void setProgress(int percent) override { m_w.m_progressBar->setValue(percent); }
    void setExecuteEnabled(bool on) override
    {
        m_w.m_executeOn = on;
        // Not before the finished list is shown.
        m_w.m_executeButton->setEnabled(on && !m_w.m_updatingList);
        m_w.m_executeAction->setEnabled(on && !m_w.m_updatingList);
    }
    void setStopEnabled(bool on) override
    {
        m_w.m_stopOn = on;
        m_w.updateRunButtons();
    }
    void enableOff() override { m_w.enableOff(); }
    void enableOn() override { m_w.enableOn(); }
    void repaintList() override { m_w.m_passwordList->viewport()->update(); }
    void selectFirstRow() override { m_w.selectFirstRow(); }
    void setMethodOptionsEnabled(bool on) override
    {
        for (QRadioButton* b : m_w.m_methodButtons)
            b->setEnabled(on);
    }
    bool isMinimized() const override { return m_w.isMinimized(); }
    void refreshReadout() override { m_w.refreshReadout(); }
    void setWindowTitle(std::string_view text) override { m_w.setWindowTitle(qs(text)); }
    void processEvents() override {}

private:
    MainWindow& m_w;
};

// The controls that loading settings sets, over the widgets.
class MainWindow::Controls final : public OptionControls
{
public:
    explicit Controls(MainWindow& w) : m_w(w) {}

    void setTotalPasswordsField(std::string_view text) override { m_w.m_totalPasswordsField->setText(qs(text)); }
    void setMinLengthField(std::string_view text) override { m_w.m_minLengthField->setText(qs(text)); }
    void setMaxLengthField(std::string_view text) override { m_w.m_maxLengthField->setText(qs(text)); }
    void setDuplicationCheck(bool on) override { pair(m_w.m_duplicationCheck, m_w.m_duplicationAction, on); }
    void setSideBySideCheck(bool on) override { pair(m_w.m_sideBySideCheck, m_w.m_sideBySideAction, on); }
    void setSequentialCheck(bool on) override { pair(m_w.m_sequentialCheck, m_w.m_sequentialAction, on); }
    void setCounter(bool on) override
    {
        m_w.m_counterSwitch->setChecked(on);
        m_w.m_state.checks.counter = on;
    }
    // The sort box has a menu item too: both show the loaded value, so the
    // first toggle of either does what it shows.
    void setSortDisplay(bool on) override { pair(m_w.m_sortDisplayCheck, m_w.m_sortDisplayAction, on); }
    void setDictionaryCheck(bool on) override { pair(m_w.m_dictionaryCheck, m_w.m_dictionaryCheckAction, on); }
    void setWholeWord(bool on) override
    {
        (on ? m_w.m_wholeWordMode : m_w.m_hybridMode)->setChecked(true);
        m_w.m_state.checks.dictionaryMode = on ? DictionaryMode::Whole : DictionaryMode::Hybrid;
    }
    void setStrongPasswords(bool on) override { pair(m_w.m_strongPasswordsCheck, m_w.m_strongPasswordsAction, on); }
    // The selection runs the method switch, as a click would, but opens no
    // settings window.
    void selectMethod(GenerationMethod method) override
    {
        m_w.m_methodButtons[static_cast<int>(method)]->setChecked(true);
        m_w.switchMethod(method);
    }
    void setRulesLight(bool green) override { m_w.setRulesLight(green); }
    void refreshReadout() override { m_w.refreshReadout(); }

private:
    void pair(QCheckBox* box, QAction* item, bool on)
    {
        box->setChecked(on);
        item->setChecked(on);
        m_w.switchClicked(box); // the box's value reaches the options
    }
    MainWindow& m_w;
};

MainWindow::MainWindow(Program& program)
    : m_program(program), m_services(program.services()), m_surface(std::make_unique<Surface>(*this)),
      m_controls(std::make_unique<Controls>(*this)), m_list(std::make_unique<ResultList>()), m_model(this),
      m_worker(this, *this, program.services().prompts)
{
    setObjectName(QStringLiteral("Quorlix"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(qs(kTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quorlix.svg")));
    m_boxes = std::make_unique<WaitingMessageBoxes>(m_services.prompts, this, &m_waitDepth);
    m_checker = std::make_unique<DictionaryChecker>(m_worker.workerSurface(), &m_wordSource, m_services.places);
    m_wordsRunner = std::make_unique<WordsRunner>(m_wordSource, m_services.places);
    buildControls();
    buildMenus();
    collectControls();
    initialise();
}

MainWindow::~MainWindow() = default;

MessageBoxes& MainWindow::boxes()
{
    return *m_boxes;
}
MainWindowSurface& MainWindow::surface()
{
    return *m_surface;
}
OptionControls& MainWindow::controls()
{
    return *m_controls;
}

void MainWindow::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);

    // Password type.
    auto* typeBox = new QGroupBox(tr("Password Type"), central);
    typeBox->setObjectName(QStringLiteral("fraPasswordType"));
    m_methodButtons[0] = new QRadioButton(tr("Random Characters:"), typeBox);
    m_methodButtons[0]->setObjectName(QStringLiteral("optType0"));
    m_methodButtons[1] = new QRadioButton(tr("Random Words:"), typeBox);
    m_methodButtons[1]->setObjectName(QStringLiteral("optType1"));
    m_methodButtons[2] = new QRadioButton(tr("Pronounceable:"), typeBox);
    m_methodButtons[2]->setObjectName(QStringLiteral("optType2"));
    auto* typeGroup = new QButtonGroup(this);
    auto* typeLayout = new QVBoxLayout(typeBox);
    for (int i = 0; i < 3; ++i) {
        typeGroup->addButton(m_methodButtons[i], i);
        typeLayout->addWidget(m_methodButtons[i]);
    }

    // Amount, lengths and readouts.
    m_totalPasswordsCaption = label(central, "Label44", tr("Total Passwords"));
    m_totalPasswordsField = numberField(central, "Text2", 8);
    m_minLengthCaption = label(central, "Label5", tr("Total Characters  Min"));
    m_minLengthField = numberField(central, "Text3", 2);
    m_maxLengthCaption = label(central, "lblMax", tr("Max"));
    m_maxLengthField = numberField(central, "Text4", 2);
    m_charactersCaption = label(central, "Label7", tr("Characters to Use"));
    m_charactersCount = label(central, "Label8", QString());
    m_probabilityCaption = label(central, "Label13", QString());
    m_probabilityReadout = label(central, "Label12", QString());
    m_probabilityReadout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_possibleReadout = label(central, "lblSpace", QString());
    m_possibleReadout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_possibleReadout->setWordWrap(true);
    giveReadoutsFixedRoom();
    m_totalPasswordsCaption->setBuddy(m_totalPasswordsField);
    m_minLengthCaption->setBuddy(m_minLengthField);
    m_maxLengthCaption->setBuddy(m_maxLengthField);

    auto* numbers = new QGridLayout;
    numbers->addWidget(m_totalPasswordsCaption, 0, 0);
    // The roster in use stands beside the count it sets.
    m_rosterIndicator = new RosterIndicator(central);
    connect(m_rosterIndicator, &RosterIndicator::clearRequested, this, [this] { clearRoster(); });
    auto* count = new QHBoxLayout;
    count->addWidget(m_totalPasswordsField);
    count->addWidget(m_rosterIndicator);
    count->addStretch();
    numbers->addLayout(count, 0, 1, 1, 3);
    auto* lengths = new QHBoxLayout;
    lengths->addWidget(m_minLengthField);
    lengths->addSpacing(8);
    lengths->addWidget(m_maxLengthCaption);
    lengths->addWidget(m_maxLengthField);
    lengths->addStretch();
    numbers->addWidget(m_minLengthCaption, 1, 0);
    numbers->addLayout(lengths, 1, 1, 1, 3);
    numbers->addWidget(m_charactersCaption, 2, 0);
    numbers->addWidget(m_charactersCount, 2, 1, 1, 3);
    numbers->addWidget(m_probabilityCaption, 3, 0, Qt::AlignTop);
    numbers->addWidget(m_probabilityReadout, 3, 1, 1, 3, Qt::AlignTop);
    numbers->addWidget(m_possibleReadout, 4, 1, 1, 3, Qt::AlignTop);
    numbers->setColumnStretch(3, 1);

    // Checks.
    auto* checks = new QGroupBox(tr("Checks"), central);
    checks->setObjectName(QStringLiteral("fraChecks"));
    m_duplicationCheck = checkBox(checks, "Check6", tr("Duplication Check"));
    m_sideBySideCheck = checkBox(checks, "Check1", tr("Side-By-Side Check"));
    m_sequentialCheck = checkBox(checks, "Check2", tr("Sequential Check"));
    m_dictionaryCheck = checkBox(checks, "chkDictionary", tr("Dictionary Check"));
    m_wholeWordMode = new QRadioButton(tr("Whole:"), checks);
    m_wholeWordMode->setObjectName(QStringLiteral("optFull"));
    m_hybridMode = new QRadioButton(tr("Hybrid:"), checks);
    m_hybridMode->setObjectName(QStringLiteral("optHybrid"));
    auto* modeGroup = new QButtonGroup(this);
    modeGroup->addButton(m_wholeWordMode);
    modeGroup->addButton(m_hybridMode);
    m_strongPasswordsCheck = checkBox(checks, "chkSPW", tr("Strong Passwords"));
    m_sortDisplayCheck = checkBox(checks, "chkSort", tr("Sort Display"));
    auto* checkLayout = new QGridLayout(checks);
    checkLayout->addWidget(m_duplicationCheck, 0, 0, 1, 3);
    checkLayout->addWidget(m_sideBySideCheck, 1, 0, 1, 3);
    checkLayout->addWidget(m_sequentialCheck, 2, 0, 1, 3);
    checkLayout->addWidget(m_dictionaryCheck, 3, 0);
    checkLayout->addWidget(m_wholeWordMode, 3, 1);
    checkLayout->addWidget(m_hybridMode, 3, 2);
    checkLayout->addWidget(m_strongPasswordsCheck, 4, 0, 1, 3);
    checkLayout->addWidget(m_sortDisplayCheck, 5, 0, 1, 3);
    checkLayout->setColumnStretch(3, 1);

    // Rules light.
    const qreal ratio = devicePixelRatioF();
    m_rulesLights[0] = label(central, "imgRules0", QString());
    m_rulesLights[0]->setPixmap(lamp(false, ratio));
    m_rulesLights[1] = label(central, "imgRules1", QString());
    m_rulesLights[1]->setPixmap(lamp(true, ratio));
    m_rulesCaption = label(central, "lblRules", tr("Rules Activated"));
    auto* rules = new QHBoxLayout;
    rules->addWidget(m_rulesLights[0]);
    rules->addWidget(m_rulesLights[1]);
    rules->addWidget(m_rulesCaption);
    rules->addStretch();

    // Execute and Stop, the clock and the bar.
    m_executeButton = new QPushButton(tr("E&xecute"), central);
    m_executeButton->setObjectName(QStringLiteral("Command1"));
    m_executeButton->setDefault(true);
    m_stopButton = new QPushButton(tr("&Stop"), central);
    m_stopButton->setObjectName(QStringLiteral("Command5"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_executeButton);
    buttons->addWidget(m_stopButton);
    m_timeCaption = label(central, "lblTime1", tr("Time"));
    m_remainingCaption = label(central, "lblTime2", tr("Remaining (Est.)"));
    m_clock = label(central, "lblCountDown", QString());
    QFont clock = m_clock->font();
    clock.setBold(true);
    m_clock->setFont(clock);
    auto* time = new QHBoxLayout;
    time->addWidget(m_timeCaption);
    time->addWidget(m_remainingCaption);
    time->addStretch();
    time->addWidget(m_clock);
    m_progressBar = new ProgressBar(central);

    auto* left = new QVBoxLayout;
    left->addWidget(typeBox);
    left->addLayout(numbers);
    left->addWidget(checks);
    left->addLayout(rules);
    left->addStretch();
    left->addLayout(buttons);
    left->addLayout(time);
    left->addWidget(m_progressBar);

    // The display.
    m_displayHeading = label(central, "Label10", qs(texts::kPlainHeading));
    QFont heading = m_displayHeading->font();
    heading.setBold(true);
    m_displayHeading->setFont(heading);
    m_passwordList = new PasswordListView(central);
    m_passwordList->setObjectName(QStringLiteral("List1"));
    m_passwordList->setModel(&m_model);
    m_passwordList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_passwordList->setMinimumWidth(260);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    if (!QFontInfo(fixed).fixedPitch())
        fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_passwordList->setFont(fixed);
    m_displayHeading->setBuddy(m_passwordList);
    m_generatedCaption = label(central, "Label16", tr("Passwords Generated"));
    m_generatedCount = label(central, "Label15", QString());
    m_generatedCount->setMinimumWidth(
        m_generatedCount->fontMetrics().horizontalAdvance(QStringLiteral("10000000 of 10000000")));
    m_counterSwitch = checkBox(central, "chkCounter", tr("Counter"));
    auto* counter = new QHBoxLayout;
    counter->addWidget(m_generatedCaption);
    counter->addWidget(m_generatedCount, 1);
    counter->addWidget(m_counterSwitch);
    auto* right = new QVBoxLayout;
    right->addWidget(m_displayHeading);
    right->addWidget(m_passwordList, 1);
    right->addLayout(counter);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right, 1);

    m_statusLine = new ElidedLabel(central);
    m_statusLine->setObjectName(QStringLiteral("Label2"));
    m_statusLine->setFrameShape(QFrame::StyledPanel);
    m_statusLine->setFrameShadow(QFrame::Sunken);
    auto* all = new QVBoxLayout(central);
    all->addLayout(columns, 1);
    all->addWidget(m_statusLine);

    // Tab order: options top to bottom, then the buttons, then the display.
    QWidget* order[] = {m_methodButtons[0], m_methodButtons[1], m_methodButtons[2], m_totalPasswordsField, m_minLengthField,
                        m_maxLengthField,   m_duplicationCheck, m_sideBySideCheck,     m_sequentialCheck,
                        m_dictionaryCheck,  m_wholeWordMode,    m_hybridMode,          m_strongPasswordsCheck,
                        m_sortDisplayCheck, m_executeButton,    m_stopButton,          m_passwordList,
                        m_counterSwitch};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    // Quick help topics.
    setHelpTopic({m_methodButtons[0], m_methodButtons[1], typeBox}, QStringLiteral("Password Type"));
    setHelpTopic(m_methodButtons[2], QStringLiteral("Pronounceable"));
    setHelpTopic(m_totalPasswordsCaption, QStringLiteral("Total Passwords"));
    setHelpTopic(m_totalPasswordsField, QStringLiteral("Total Passwords"));
    setHelpTopic({m_minLengthCaption, m_maxLengthCaption, m_minLengthField, m_maxLengthField},
                 QStringLiteral("Total Characters Min/Max"));
    setHelpTopic(m_charactersCaption, QStringLiteral("Characters to Use"));
    setHelpTopic(m_charactersCount, QStringLiteral("Characters to Use"));
    setHelpTopic(m_probabilityCaption, QStringLiteral("Min/Max Probability"));
    setHelpTopic(m_probabilityReadout, QStringLiteral("Min/Max Probability"));
    setHelpTopic(m_possibleReadout, QStringLiteral("Possible Passwords"));
    setHelpTopic(m_duplicationCheck, QStringLiteral("Duplication Check"));
    setHelpTopic(m_sideBySideCheck, QStringLiteral("Side-By-Side Check"));
    setHelpTopic(m_sequentialCheck, QStringLiteral("Sequential Check"));
    setHelpTopic({m_dictionaryCheck, m_wholeWordMode, m_hybridMode}, QStringLiteral("Dictionary Check"));
    setHelpTopic(m_strongPasswordsCheck, QStringLiteral("Strong Passwords"));
    setHelpTopic(m_sortDisplayCheck, QStringLiteral("Sort Display"));
    setHelpTopic(m_counterSwitch, QStringLiteral("Counter"));
    setHelpTopic(m_generatedCaption, QStringLiteral("Passwords Generated"));
    setHelpTopic(m_generatedCount, QStringLiteral("Passwords Generated"));
    setHelpTopic(m_displayHeading, QStringLiteral("Generated Passwords"));
    setHelpTopic({m_rulesLights[0], m_rulesLights[1], m_rulesCaption}, QStringLiteral("Rules Activated"));
    setHelpTopic(m_executeButton, QStringLiteral("Execute"));
    setHelpTopic(m_stopButton, QStringLiteral("Stop"));
    setHelpTopic({m_timeCaption, m_remainingCaption, m_clock}, QStringLiteral("Time Remaining"));
    setHelpTopic(m_progressBar, QStringLiteral("Progress Bar"));
    setHelpTopic(m_statusLine, QStringLiteral("Status Line"));
    setHelpTopic(checks, QStringLiteral("Quorlix"));
    // The display's right-click is its Copy menu; in context mode it still has a topic.
    m_passwordList->setProperty("helpTopic", QStringLiteral("Generated Passwords"));

    // Handlers.
    connect(m_methodButtons[0], &QRadioButton::clicked, this,
            [this] { methodClicked(GenerationMethod::RandomCharacters); });
    connect(m_methodButtons[1], &QRadioButton::clicked, this, [this] { methodClicked(GenerationMethod::RandomWords); });
    connect(m_methodButtons[2], &QRadioButton::clicked, this,
            [this] { methodClicked(GenerationMethod::Pronounceable); });
    connect(m_totalPasswordsField, &QLineEdit::textChanged, this,
            [this](const QString& t) { applyFieldChange(changeTotalPasswords(m_state.run, t.toStdString())); });
    connect(m_minLengthField, &QLineEdit::textChanged, this,
            [this](const QString& t) { applyFieldChange(changeMinLength(m_state.run, t.toStdString())); });
    connect(m_maxLengthField, &QLineEdit::textChanged, this,
            [this](const QString& t) { applyFieldChange(changeMaxLength(m_state.run, t.toStdString())); });
    for (QLineEdit* e : {m_totalPasswordsField, m_minLengthField, m_maxLengthField})
        e->installEventFilter(this);
    for (QCheckBox* box :
         {m_duplicationCheck, m_sideBySideCheck, m_sequentialCheck, m_strongPasswordsCheck, m_sortDisplayCheck})
        connect(box, &QCheckBox::clicked, this, [this, box] { switchClicked(box); });
    connect(m_dictionaryCheck, &QCheckBox::clicked, this, [this] { dictionaryBoxClicked(); });
    connect(m_wholeWordMode, &QRadioButton::clicked, this, [this] {
        m_state.checks.dictionaryMode = DictionaryMode::Whole;
        optionsChanged();
    });
    connect(m_hybridMode, &QRadioButton::clicked, this, [this] {
        m_state.checks.dictionaryMode = DictionaryMode::Hybrid;
        optionsChanged();
    });
    connect(m_counterSwitch, &QCheckBox::clicked, this, [this] { counterClicked(); });
    connect(m_executeButton, &QPushButton::clicked, this, [this] { execute(); });
    connect(m_stopButton, &QPushButton::clicked, this, [this] { stop(); });
    connect(m_passwordList, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) { listClicked(i); });
    connect(m_passwordList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { listContextMenu(at); });
    for (QWidget* w : std::initializer_list<QWidget*>{m_charactersCaption, m_charactersCount, m_rulesLights[0],
                                                      m_rulesLights[1], m_rulesCaption})
        w->installEventFilter(this);
    connect(m_progressBar, &ProgressBar::ProgressDone, this, [] {}); // progress_ProgressDone has no effect
}

// The probability and possible-passwords readouts get the room of the widest
// texts they can show (28 digits, the Random Words note), so that long lengths
// or switching the method never move the left column or widen the window.
void MainWindow::giveReadoutsFixedRoom()
{
    const QFontMetrics metrics = m_probabilityReadout->fontMetrics();
    QChar digit = QLatin1Char('0');
    for (char c = '1'; c <= '9'; ++c)
        if (metrics.horizontalAdvance(QLatin1Char(c)) > metrics.horizontalAdvance(digit))
            digit = QLatin1Char(c);
    const QString digits28(28, digit);
    QSize room;
    for (const QString& text :
         {QStringLiteral("1 in %1 Min\n1 in %1 Max").arg(digits28),
          QStringLiteral("1 in 2.44158144585119E+118 Min\n1 in 2.44158144585119E+118 Max"), qs(kReadoutDisabledForWords)}) {
        m_probabilityReadout->setText(text);
        room = room.expandedTo(m_probabilityReadout->sizeHint());
    }
    m_probabilityReadout->clear();
    m_probabilityReadout->setFixedSize(room);
    m_probabilityReadout->setAlignment(Qt::AlignLeft | Qt::AlignTop); // a one-line text beside the caption's first line
    // The count has up to 15 digits and may wrap to a second line.
    m_possibleReadout->setText(
        tr("Possible: %1%2, %1%3 bits").arg(tr("at most "), QString(15, digit), QStringLiteral("393.3")));
    m_possibleReadout->setFixedSize(room.width(), m_possibleReadout->heightForWidth(room.width()));
    m_possibleReadout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_possibleReadout->clear();
}

void MainWindow::buildMenus()
{
    auto add = [this](QMenu* menu, const char* name, const QString& text, auto handler) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto menu = [](QMenu* parent, const char* name, const QString& text) {
        QMenu* m = parent->addMenu(text);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
        return m;
    };

    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    add(file, "mnuNewWindow", tr("&New Window"), [this] { m_program.openWindow(); })->setShortcut(QKeySequence::New);
    add(file, "mnuOpenTxt", tr("Open Text File"), [this] { openTextFile(); });
    m_saveAsAction = add(file, "SaveAsMenu", tr("Save &As"), [this] { saveAs(); });
    // The program's one save of the display; settings files have their own item.
    m_saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    add(file, "mnuRoster", tr("Names from &Roster\u2026"), [this] { chooseRoster(); });
    m_namesInTextAction = add(file, "mnuNamesInText", tr("Names in &Text Files"),
                              [this] { m_handOut.namesInText = m_namesInTextAction->isChecked(); });
    m_namesInTextAction->setCheckable(true);
    file->addSeparator();
    add(file, "mnuOpenSettings", tr("&Open Settings"), [this] { openSettings(); });
    add(file, "mnuSaveSettings", tr("&Save Settings"), [this] { saveSettings(); });
    file->addSeparator();
    m_clearDisplayAction = add(file, "ClearDisplayMenu", tr("&Clear Display"), [this] { clearDisplay(); });
    add(file, "MultiCreateMenu", tr("&Multi-File Create"), [this] { showMultiFile(); });
    file->addSeparator();
    add(file, "mnuClosePasswordTool", tr("Close &Password Tool"), [this] { closePasswordTool(); });
    add(file, "mnuExit", tr("&Exit"), [this] { close(); });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    m_copyAction = add(edit, "CopyMenu", tr("&Copy"), [this] { copySelection(); });
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_selectAllAction = add(edit, "mnuSelectAll", tr("Select &All"), [this] { m_passwordList->selectAll(); });
    m_selectAllAction->setShortcut(QKeySequence::SelectAll);
    // A text field that has the focus takes both keys for its own text.

    QMenu* options = menuBar()->addMenu(tr("&Options"));
    options->setObjectName(QStringLiteral("mnuOptions"));
    m_executeAction = add(options, "mnuExecute", tr("&Execute"), [this] { execute(); });
    // The menu shows the first.
    m_executeAction->setShortcuts(
        {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    options->addSeparator();
    QMenu* separators = menu(options, "mnuSeparators", tr("Insert &Seperators"));
    m_hyphensAction = add(separators, "mnuHyphens", tr("H&yphens"), [this] { showInserts(false); });
    add(separators, "mnuBlankSpaces", tr("&Blank Spaces"), [this] { showInserts(true); });
    add(options, "mnuCharacters", tr("C&haracters"), [this] { showCharacters(); });
    add(options, "mnuPasswordRules", tr("&Password Rules"), [this] { showPasswordRules(); });
    add(options, "mnuRandomWordsSettings", tr("Random Words Settings"), [this] { showWordSettings(); });
    add(options, "mnuPronounceableSettings", tr("Pronounceable Settings"), [this] { showPronounceableSettings(); });
    options->addSeparator();
    auto pairedItem = [&](const char* name, const QString& text, QCheckBox* box) {
        QAction* a = options->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a, box] { switchMenuTriggered(a, box); });
        return a;
    };
    m_duplicationAction = pairedItem("mnuDuplicationCheck", tr("Dup&lication Check"), m_duplicationCheck);
    m_dictionaryCheckAction = options->addAction(tr("Dictio&nary Check"));
    m_dictionaryCheckAction->setObjectName(QStringLiteral("DictionaryCheckMenu"));
    m_dictionaryCheckAction->setCheckable(true);
    connect(m_dictionaryCheckAction, &QAction::triggered, this, [this] { dictionaryMenuTriggered(); });
    m_sideBySideAction = pairedItem("mnuSideBySideCheck", tr("Side-&By-Side Check"), m_sideBySideCheck);
    m_sequentialAction = pairedItem("mnuSequentialCheck", tr("Se&quential Check"), m_sequentialCheck);
    m_strongPasswordsAction = pairedItem("mnuStrongPasswords", tr("Stron&g Passwords"), m_strongPasswordsCheck);
    m_sortDisplayAction = pairedItem("mnuSortDisplay", tr("Sor&t Display"), m_sortDisplayCheck);
    options->addSeparator();
    m_playMusicAction = options->addAction(tr("Play &Music at Startup"));
    m_playMusicAction->setObjectName(QStringLiteral("mnuPlayMusic"));
    m_playMusicAction->setCheckable(true);
    connect(m_playMusicAction, &QAction::triggered, this, [this] { playMusicTriggered(); });

    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    tools->setObjectName(QStringLiteral("mnuTools"));
    add(tools, "SaveSortedDB", tr("Co&nvert TXT to MDB File"), [this] { convert(0); });
    add(tools, "ConverTXTtoCSV", tr("Con&vert TXT to CSV File"), [this] { convert(1); });
    add(tools, "ConvertTXTtoHTML", tr("Conv&ert TXT to HTML File"), [this] { convert(2); });
    add(tools, "mnuSortTxt", tr("S&ort TXT File"), [this] { sortTextFile(); });
    tools->addSeparator();
    QMenu* viewMdb = menu(tools, "mnuViewMdb", tr("View/Edit &MDB File"));
    add(viewMdb, "mnuViewAccess", tr("Using Default &Application"), [this] { viewWithDesktop("MDB"); });
    add(viewMdb, "mnuViewQuorlix", tr("Using &Quorlix"), [this] { viewInQuorlix("mdb"); });
    QMenu* viewTxt = menu(tools, "mnuViewTxt", tr("View/Edit &TXT File"));
    add(viewTxt, "mnuViewWordpad", tr("Using Default &Text Viewer"), [this] { viewWithTextEditor("TXT"); });
    add(viewTxt, "mnuViewQuorlix1", tr("Using &Quorlix"), [this] { viewInQuorlix("txt"); });
    QMenu* viewHtm = menu(tools, "mnuViewHtm", tr("View/Edit &HTML File"));
    add(viewHtm, "mnuViewBrowser", tr("Using Default &Browser"), [this] { viewWithBrowser(); });
    add(viewHtm, "mnuViewQuorlix2", tr("Using Default &Text Viewer"), [this] { viewWithTextEditor("HTM"); });
    QMenu* viewCsv = menu(tools, "mnuViewCsv", tr("View/Edit &CSV File"));
    add(viewCsv, "mnuViewExcel", tr("Using Default &Application"), [this] { viewWithDesktop("CSV"); });
    add(viewCsv, "mnuViewQuorlix3", tr("Using Default &Text Viewer"), [this] { viewWithTextEditor("CSV"); });
    tools->addSeparator();
    add(tools, "CompactDBMenu", tr("Com&pact MDB File"), [this] { compactDatabase(); });
    add(tools, "RepairDBMenu", tr("Repa&ir MDB File"), [this] { repairDatabase(); });

    QMenu* dictionary = menuBar()->addMenu(tr("&Dictionary"));
    dictionary->setObjectName(QStringLiteral("mnuDictionary"));
    add(dictionary, "mnuDictionaryDownload", tr("&Download Dictionary File"), [this] { showDownloadDictionary(); });
    add(dictionary, "mnuDictionayAdd", tr("&Change Active Dictionary File"), [this] { changeActiveDictionary(); });
    add(dictionary, "mnuDictionaryView", tr("&View Dictionary"), [this] { viewDictionary(); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("mnuHelpMenu"));
    QAction* contents = add(help, "mnuHelp", tr("&Help"), [this] { HelpCenter::instance().showContents(this); });
    contents->setShortcut(QKeySequence::HelpContents);
    QAction* context =
        add(help, "mnuHelpContext", tr("Help (&Context Sensitive)"), [] { HelpCenter::instance().enterContextMode(); });
    context->setShortcut(QKeySequence::WhatsThis);
    add(help, "mnuAbout", tr("&About Quorlix"), [this] { showAbout(); });

    m_listMenu = new QMenu(this);
    m_listMenu->setObjectName(QStringLiteral("mnuDummyEdit"));
    m_listCopyAction = m_listMenu->addAction(tr("Copy"));
    m_listCopyAction->setObjectName(QStringLiteral("mnuDummyEditCopy"));
    connect(m_listCopyAction, &QAction::triggered, this, [this] { copySelection(); });
}

void MainWindow::collectControls()
{
    for (QWidget* w : centralWidget()->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QLabel*>(w) ||
            qobject_cast<QAbstractItemView*>(w) || qobject_cast<ProgressBar*>(w))
            m_allWidgets.push_back(w);
    }
    for (QAction* top : menuBar()->actions()) {
        m_allActions.push_back(top);
        if (QMenu* m = top->menu()) {
            for (QAction* a : m->actions()) {
                if (a->isSeparator())
                    continue;
                m_allActions.push_back(a);
                if (QMenu* sub = a->menu())
                    for (QAction* s : sub->actions())
                        m_allActions.push_back(s);
            }
        }
    }
    m_allActions.push_back(m_listCopyAction);
}

void MainWindow::initialise()
{
    // The progress bar, white behind blue.
    m_progressBar->setBackColor(kProgressBack);
    m_progressBar->setForeColor(kProgressFore);

    loadLastSettings(m_services.settings, m_state);
    applyLastSettings(m_state, *m_controls);

    m_generatedCount->setText(qs(m_counterSwitch->isChecked() ? kCounterOn : texts::kCounterOff));

    const bool sound = parseBoolText(m_services.settings.get(kSettingsSection, "PlaySound", "True")).value_or(true);
    m_playMusicAction->setChecked(sound);
    if (sound && m_services.sound)
        m_services.sound->play();

    m_dictionaryCheck->setChecked(m_state.checks.dictionary);
    m_dictionaryCheckAction->setChecked(m_state.checks.dictionary);
    (m_state.checks.dictionaryMode == DictionaryMode::Whole ? m_wholeWordMode : m_hybridMode)->setChecked(true);

    m_clock->setText(qs(texts::kIdleCountdown));
    m_probabilityCaption->setText(tr("Min/Max\nProbability"));

    enableOn();
    setRulesLight(m_state.rules.active(m_state.run.maxLength));
    m_statusLine->setText(qs(kIdleStatus));
    resize(QSize(820, 600).expandedTo(minimumSizeHint()));
}

// ---- Busy state ------------------------------------------------------------

void MainWindow::enableOff()
{
    m_busy = true;
    // What stays usable during a long operation; the live counter and the
    // status line stay readable. Stop goes by the run alone.
    const std::initializer_list<QWidget*> stay{
        m_maxLengthCaption, m_counterSwitch,  m_totalPasswordsCaption, m_minLengthCaption,   m_charactersCaption,
        m_generatedCaption, m_generatedCount, m_displayHeading,        m_probabilityCaption, m_statusLine};
    for (QWidget* w : m_allWidgets)
        if (w != m_stopButton && std::find(stay.begin(), stay.end(), w) == stay.end())
            w->setEnabled(false);
    for (QWidget* w : stay)
        w->setEnabled(true);
    for (QAction* a : m_allActions)
        a->setEnabled(false);
    updateRunButtons();
}

void MainWindow::enableOn()
{
    m_busy = false;
    // Every end of a run comes through here: from now on Stop would do
    // nothing. Execute waits for a finished list still on its way, and then
    // comes back on as here (a stop noticed at the very end gives it no
    // other say).
    m_stopOn = false;
    if (m_updatingList)
        m_executeOn = true;
    for (QWidget* w : m_allWidgets)
        if (w != m_stopButton && !(m_updatingList && w == m_executeButton))
            w->setEnabled(true);
    for (QAction* a : m_allActions)
        if (!(m_updatingList && a == m_executeAction))
            a->setEnabled(true);
    if (m_model.rowCount() == 0) {
        for (QAction* a : displayActions())
            a->setEnabled(false);
    }
    const bool dictionary = m_dictionaryCheck->isChecked();
    m_wholeWordMode->setEnabled(dictionary);
    m_hybridMode->setEnabled(dictionary);
    updateRunButtons();
    if (m_state.method != GenerationMethod::RandomCharacters)
        applyMethodState();
}

void MainWindow::updateRunButtons()
{
    // Stop only while a run goes and can still be stopped: not during Save
    // As, a conversion or their questions, nor once the run has ended.
    m_stopButton->setEnabled(m_work == Work::Run && m_stopOn && !m_updatingList && !m_leaving);
}

// The controls only the Random Characters method reads are off while Random
// Words is selected.
void MainWindow::applyMethodState()
{
    if (m_state.method == GenerationMethod::Pronounceable) {
        // Its amount and lengths are in its own window; the checks of the
        // characters do not apply, the duplication, dictionary and sort ones do.
        for (QWidget* w : std::initializer_list<QWidget*>{
                 m_totalPasswordsField, m_minLengthField, m_maxLengthField, m_sideBySideCheck, m_sequentialCheck,
                 m_strongPasswordsCheck, m_charactersCount, m_totalPasswordsCaption, m_minLengthCaption,
                 m_charactersCaption, m_maxLengthCaption})
            w->setEnabled(false);
        m_probabilityReadout->setText(displayText(pronounceableProbabilityText(m_state.pronounceable)));
        m_possibleReadout->setText(qs(pronounceableSpaceText(m_state.pronounceable)));
        return;
    }
    if (m_state.method != GenerationMethod::RandomWords)
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_totalPasswordsField, m_minLengthField, m_maxLengthField, m_duplicationCheck, m_dictionaryCheck,
             m_sideBySideCheck, m_sequentialCheck, m_strongPasswordsCheck, m_wholeWordMode, m_hybridMode,
             m_charactersCount, m_totalPasswordsCaption, m_minLengthCaption, m_charactersCaption, m_probabilityCaption,
             m_maxLengthCaption})
        w->setEnabled(false);
    m_probabilityReadout->setText(qs(kReadoutDisabledForWords));
    m_possibleReadout->clear(); // the count is of character passwords
}

void MainWindow::updateDisplayCommands()
{
    if (m_busy)
        return;
    const bool rows = m_model.rowCount() > 0;
    for (QAction* a : displayActions())
        a->setEnabled(rows);
}

std::array<QAction*, 5> MainWindow::displayActions() const
{
    return {m_copyAction, m_selectAllAction, m_saveAsAction, m_clearDisplayAction, m_listCopyAction};
}

void MainWindow::selectFirstRow()
{
    if (m_worker.busy() && m_model.live()) {
        m_selectFirstPending = true; // the finished list is not shown yet
        return;
    }
    m_selectFirstPending = false;
    if (m_model.rowCount() > 0) {
        const QModelIndex first = m_model.index(0);
        m_passwordList->setCurrentIndex(first);
        m_passwordList->scrollTo(first);
        m_passwordList->setFocus();
    }
    m_clearDisplayAction->setEnabled(true);
}

// ---- Fields and switches ---------------------------------------------------

void MainWindow::applyFieldChange(const FieldChange& change)
{
    if (!change.parsed)
        return;
    if (change.clearField) {
        auto* field = qobject_cast<QLineEdit*>(sender());
        if (field) {
            const QSignalBlocker block(field); // an empty field changes nothing anyway
            field->clear();
        }
    }
    if (change.status)
        m_statusLine->setText(qs(*change.status));
    m_executeButton->setEnabled(change.executeEnabled);
    m_executeAction->setEnabled(change.executeEnabled);
    if (change.hyphensEnabled)
        m_hyphensAction->setEnabled(*change.hyphensEnabled);
    if (change.refreshReadout)
        refreshReadout();
    optionsChanged();
}

void MainWindow::refreshReadout()
{
    const ReadoutText readout = quorlix::refreshReadout(m_state.pool, m_state.run);
    m_charactersCount->setText(qs(readout.charactersToUse));
    if (m_state.method == GenerationMethod::RandomWords)
        m_probabilityReadout->setText(qs(kReadoutDisabledForWords));
    else if (m_state.method == GenerationMethod::Pronounceable)
        m_probabilityReadout->setText(displayText(pronounceableProbabilityText(m_state.pronounceable)));
    else
        m_probabilityReadout->setText(displayText(readout.probability));
    updateSpaceReadout();
}

void MainWindow::updateSpaceReadout()
{
    if (m_state.method == GenerationMethod::RandomWords)
        return;
    if (m_state.method == GenerationMethod::Pronounceable) {
        m_possibleReadout->setText(qs(pronounceableSpaceText(m_state.pronounceable)));
        return;
    }
    CharacterPool pool = m_state.pool;
    pool.recount();
    const PasswordSpace space = passwordSpace(pool, m_state.run, m_state.rules, m_state.checks);
    const QString bound = space.upperBound ? tr("at most ") : QString();
    QString text =
        tr("Possible: %1%2, %1%3 bits").arg(bound, qs(shortCount(space.possible)), QString::number(space.bits, 'f', 1));
    // Too long for one line: the count and the bits on a line each.
    if (m_possibleReadout->fontMetrics().horizontalAdvance(text) > m_possibleReadout->contentsRect().width())
        text.replace(QStringLiteral(", "), QStringLiteral(",\n"));
    m_possibleReadout->setText(text);
}

void MainWindow::setRulesLight(bool green)
{
    m_rulesLights[0]->setVisible(!green);
    m_rulesLights[1]->setVisible(green);
}

void MainWindow::switchMethod(GenerationMethod method)
{
    m_state.method = method;
    enableOn(); // with Random Words, it leaves the controls of the other method off
    if (method == GenerationMethod::RandomCharacters)
        refreshReadout();
    optionsChanged();
}

void MainWindow::methodClicked(GenerationMethod method)
{
    switchMethod(method);
    if (method == GenerationMethod::RandomWords)
        showWordSettings();
    else if (method == GenerationMethod::Pronounceable)
        showPronounceableSettings();
}

void MainWindow::switchClicked(QCheckBox* box)
{
    const bool on = box->isChecked();
    CheckOptions& c = m_state.checks;
    if (box == m_duplicationCheck) {
        c.duplication = on;
        m_duplicationAction->setChecked(on);
    } else if (box == m_sideBySideCheck) {
        c.sideBySide = on;
        m_sideBySideAction->setChecked(on);
    } else if (box == m_sequentialCheck) {
        c.sequential = on;
        m_sequentialAction->setChecked(on);
    } else if (box == m_strongPasswordsCheck) {
        c.strong = on;
        m_strongPasswordsAction->setChecked(on);
    } else if (box == m_sortDisplayCheck) {
        c.sortDisplay = on;
        m_sortDisplayAction->setChecked(on);
    } else if (box == m_dictionaryCheck) {
        c.dictionary = on;
        m_dictionaryCheckAction->setChecked(on);
    }
    optionsChanged();
}

void MainWindow::switchMenuTriggered(QAction* item, QCheckBox* box)
{
    // The item has toggled itself; the box follows and runs its click.
    box->setChecked(item->isChecked());
    switchClicked(box);
}

void MainWindow::counterClicked()
{
    m_state.checks.counter = m_counterSwitch->isChecked();
    m_generatedCount->setText(qs(m_state.checks.counter ? kCounterOn : texts::kCounterOff));
    optionsChanged();
}

void MainWindow::playMusicTriggered()
{
    // The item has toggled itself.
    const bool on = m_playMusicAction->isChecked();
    if (on && m_services.sound)
        m_services.sound->play();
    m_services.settings.set(kSettingsSection, "PlaySound", boolText(on));
    m_services.settings.sync();
}

void MainWindow::optionsChanged()
{
    m_worker.postOptions(m_state);
    updateSpaceReadout(); // rules and checks count in, not only the lengths
}

void MainWindow::listClicked(const QModelIndex& index)
{
    if (index.isValid())
        m_passwordList->setToolTip(
            qs(numberedTooltip(static_cast<std::size_t>(index.row()), m_model.rowText(index.row()))));
}

void MainWindow::listContextMenu(const QPoint& at)
{
    const QModelIndex index = m_passwordList->indexAt(at);
    if (index.isValid()) {
        m_passwordList->setCurrentIndex(index);
        listClicked(index);
    }
    m_listMenu->popup(m_passwordList->viewport()->mapToGlobal(at));
}

// ---- Window events ---------------------------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        (watched == m_totalPasswordsField || watched == m_minLengthField || watched == m_maxLengthField)) {
        // The number fields take digits only; a key that types nothing passes.
        const auto typed = typedCharacter(*static_cast<QKeyEvent*>(event));
        return typed && !fieldAcceptsKey(*typed);
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == m_charactersCaption || watched == m_charactersCount) {
            showCharacters();
            return true;
        }
        if (watched == m_rulesLights[0] || watched == m_rulesLights[1] || watched == m_rulesCaption) {
            showPasswordRules();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!isMinimized())
        setWindowTitle(qs(kTitle));
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_program.windowActivated(this);
    if (event->type() == QEvent::WindowStateChange) {
        m_worker.setMinimized(isMinimized());
        if (!isMinimized())
            setWindowTitle(qs(kTitle));
    }
}

void MainWindow::closeAsFollower()
{
    leave();
    close();
}

void MainWindow::leave()
{
    m_leaving = true;
    m_closeRequested = true;
    // A run stops as if OK were chosen at its prompt; the questions its work
    // waits on get their closing answer.
    m_runState.stopRequested.store(1);
    m_worker.answerForClosing();
    updateRunButtons();
    // This window's own dialogs and message boxes close as Escape would
    // close them, so that nothing waits for an answer that cannot come.
    std::vector<QPointer<QWidget>> dialogs;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != this && top->isVisible() && top->isModal() && isAncestorOf(top))
            dialogs.emplace_back(top);
    for (const auto& d : dialogs)
        if (d)
            d->close();
}

void MainWindow::startLeaving()
{
    // The closed window's options become the last settings; the others go without saving theirs.
    saveLastSettings(m_services.settings, m_state);
    m_services.settings.sync();
    m_program.leaveAll(this);
}

void MainWindow::closeConfirmed()
{
    startLeaving();
    close();
}

std::optional<TaskInProgress> MainWindow::taskInProgress() const
{
    using Kind = TaskInProgress::Kind;
    for (const DownloadDialog* download : findChildren<DownloadDialog*>())
        if (download->downloading())
            return TaskInProgress{Kind::Download};
    if (!m_worker.busy() || m_closed)
        return std::nullopt;
    if (m_work == Work::Run) {
        TaskInProgress run{m_runFiles > 0 ? Kind::MultiFileRun : Kind::Run};
        run.made = static_cast<std::int64_t>(m_worker.rowsMade());
        run.total = m_runTotal;
        run.files = m_runFiles;
        return run;
    }
    // Work that waits on a dialog has nothing under way yet, or nothing left:
    // closing answers the dialog.
    if (m_worker.asking())
        return std::nullopt;
    switch (m_work) {
    case Work::SaveAs:
        return TaskInProgress{Kind::SaveAs};
    case Work::OpenTextFile:
        return TaskInProgress{Kind::OpenTextFile};
    case Work::Convert:
        return TaskInProgress{Kind::Convert};
    case Work::Sort:
        return TaskInProgress{Kind::Sort};
    case Work::Compact:
        return TaskInProgress{Kind::Compact};
    case Work::Repair:
        return TaskInProgress{Kind::Repair};
    case Work::None:
    case Work::Run:
        break;
    }
    return std::nullopt;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    if (!m_leaving) {
        // The user closes this window, and with it the program: first a
        // question when that would end work in any window.
        if (m_program.askBeforeClosing(this)) {
            event->ignore();
            return;
        }
        startLeaving();
    }
    if (m_worker.busy() || m_waitDepth > 0) {
        // The window closes when its work has ended (workEnded) or its
        // dialogs have returned; a box a dialog shows on its way out (a
        // cancelled download says so) is closed too.
        event->ignore();
        m_closeRequested = true;
        if (!m_worker.busy())
            QTimer::singleShot(100, this, [this] {
                leave();
                close();
            });
        return;
    }
    m_closed = true;
    event->accept();
    m_program.closeAllBut(this); // what opened meanwhile
}

} // namespace quorlix::ui
