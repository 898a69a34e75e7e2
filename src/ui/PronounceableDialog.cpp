#include "ui/PronounceableDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/LastSettings.h"
#include "ui/HelpWindows.h"
#include "ui/MainWindow.h"
#include "ui/Widgets.h"

namespace quorlix::ui
{

PronounceableDialog::PronounceableDialog(MainWindow& main)
    : OptionWindow(main, "frmPronounceable", QStringLiteral("Pronounceable - Settings"))
{
    auto field = [this](const char* name, int chars) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(chars);
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(QString(chars + 2, QLatin1Char('0'))) + 12);
        e->installEventFilter(this);
        return e;
    };
    m_total = field("txtPronTotal", 8);
    m_min = field("txtPronMin", 2);
    m_max = field("txtPronMax", 2);
    m_digits = field("txtPronDigits", 1);
    m_capital = new QComboBox(this);
    m_capital->setObjectName(QStringLiteral("cboCapital"));
    m_capital->addItems({tr("None"), tr("First letter"), tr("One letter at random")});
    m_separator = new QComboBox(this);
    m_separator->setObjectName(QStringLiteral("cboSeparator"));
    m_separator->addItems({tr("None"), tr("Hyphen  -"), tr("Blank"), tr("Dot  .")});
    m_symbol = new QCheckBox(tr("Add one &symbol:  ! # $ % && * + = ? @"), this);
    m_symbol->setObjectName(QStringLiteral("chkSymbol"));
    m_readout = new QLabel(this);
    m_readout->setObjectName(QStringLiteral("lblPronSpace"));
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = m_readout->font();
    bold.setBold(true);
    m_readout->setFont(bold);

    auto* intro = new QLabel(tr("Passwords of syllables you can say: a consonant and a vowel, or a consonant, a "
                                "vowel and a closing consonant, without l, I, 1, O or 0. Every password these "
                                "settings allow is equally likely."),
                             this);
    intro->setWordWrap(true);
    auto* note = new QLabel(tr("The Duplication Check, Dictionary Check and Sort Display of the main window apply "
                               "to this method too."),
                            this);
    note->setWordWrap(true);

    auto caption = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(caption(tr("&Total Passwords:"), m_total), 0, 0);
    grid->addWidget(m_total, 0, 1, Qt::AlignLeft);
    auto* lengths = new QHBoxLayout;
    lengths->addWidget(m_min);
    lengths->addWidget(caption(tr("Ma&x"), m_max));
    lengths->addWidget(m_max);
    lengths->addStretch();
    grid->addWidget(caption(tr("Total Characters M&in"), m_min), 1, 0);
    grid->addLayout(lengths, 1, 1);
    grid->addWidget(caption(tr("Ca&pital:"), m_capital), 2, 0); // Alt+P: C is Cancel's
    grid->addWidget(m_capital, 2, 1, Qt::AlignLeft);
    grid->addWidget(caption(tr("&Digits (2 to 9), 0 to 9 of them:"), m_digits), 3, 0);
    grid->addWidget(m_digits, 3, 1, Qt::AlignLeft);
    grid->addWidget(m_symbol, 4, 0, 1, 2);
    grid->addWidget(caption(tr("S&eparator:"), m_separator), 5, 0);
    grid->addWidget(m_separator, 5, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    QPushButton* accept = button("cmdAccept", tr("&Accept"));
    QPushButton* cancel = button("cmdCancel", tr("&Cancel"));
    QPushButton* help = button("cmdHelp", tr("&Help"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {accept, cancel, help})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(m_readout);
    layout->addWidget(note);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    setHelpTopic(this, QStringLiteral("Pronounceable Settings"));
    setHelpTopic(m_readout, QStringLiteral("Possible Passwords"));

    const PronounceableForm f = pronounceableForm(main.options().pronounceable);
    m_total->setText(qs(f.totalPasswords));
    m_min->setText(qs(f.minLength));
    m_max->setText(qs(f.maxLength));
    m_capital->setCurrentIndex(static_cast<int>(f.capital));
    m_digits->setText(qs(f.digits));
    m_symbol->setChecked(f.symbol);
    m_separator->setCurrentIndex(static_cast<int>(f.separator));
    updateReadout();

    for (QLineEdit* e : {m_total, m_min, m_max, m_digits})
        connect(e, &QLineEdit::textChanged, this, [this] { updateReadout(); });
    for (QComboBox* c : {m_capital, m_separator})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { updateReadout(); });
    connect(m_symbol, &QCheckBox::toggled, this, [this] { updateReadout(); });
    connect(accept, &QPushButton::clicked, this, &PronounceableDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { HelpCenter::instance().showQuickHelp(this, QStringLiteral("Pronounceable Settings")); });
}

PronounceableForm PronounceableDialog::form() const
{
    PronounceableForm f;
    f.totalPasswords = m_total->text().toStdString();
    f.minLength = m_min->text().toStdString();
    f.maxLength = m_max->text().toStdString();
    f.capital = capitalFromCode(m_capital->currentIndex()).value_or(CapitalStyle::First);
    f.digits = m_digits->text().toStdString();
    f.symbol = m_symbol->isChecked();
    f.separator = separatorFromCode(m_separator->currentIndex()).value_or(SyllableSeparator::Hyphen);
    return f;
}

// What the settings as typed would give, before they are accepted.
void PronounceableDialog::updateReadout()
{
    const auto read = readPronounceableForm(form());
    if (const auto* settings = std::get_if<PronounceableSettings>(&read))
        m_readout->setText(qs(pronounceableSpaceText(*settings)));
    else
        m_readout->setText(tr("Possible: -"));
}

bool PronounceableDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        (watched == m_total || watched == m_min || watched == m_max || watched == m_digits)) {
        const auto typed = typedCharacter(*static_cast<QKeyEvent*>(event));
        return typed && !(*typed >= '0' && *typed <= '9') && *typed != '\b';
    }
    return OptionWindow::eventFilter(watched, event);
}

void PronounceableDialog::accept()
{
    const auto read = readPronounceableForm(form());
    if (const auto* refusal = std::get_if<std::string>(&read)) {
        boxes().show(*refusal, Icon::Exclamation, Buttons::Ok);
        return;
    }
    m_main.options().pronounceable = std::get<PronounceableSettings>(read);
    SettingsStore& store = m_main.services().settings;
    savePronounceableSettings(store, m_main.options().pronounceable);
    store.sync();
    m_main.optionsChanged();
    m_main.refreshReadout();
    QDialog::accept();
}

} // namespace quorlix::ui
