#include "ui/HandOutDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace quorlix::ui
{

namespace
{

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// What was chosen last, offered again for as long as the program runs: a
// school prints its slips with the same heading every time.
struct LastChoice {
    bool slipsChosen = false;
    SlipOptions slips;
    std::string note;
    bool hashChosen = false;
    std::optional<HashScheme> hash;
    std::string userPrefix;
};
LastChoice& lastChoice()
{
    static LastChoice last;
    return last;
}

} // namespace

void showHandOutOptions(QWidget* parent, ListFormat format, const HandOut& handOut,
                        std::function<void(std::optional<HandOut>)> reply)
{
    HandOut shown = handOut;
    if (lastChoice().slipsChosen) {
        shown.slips = lastChoice().slips;
        if (shown.note.empty())
            shown.note = lastChoice().note;
    }
    if (lastChoice().hashChosen && !shown.hash) {
        shown.hash = lastChoice().hash;
        if (shown.userPrefix.empty())
            shown.userPrefix = lastChoice().userPrefix;
    }
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("HandOutOptions"));
    dialog->setWindowTitle(QStringLiteral("Quorlix"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    auto* form = new QFormLayout(dialog);

    const bool slips = format == ListFormat::Pdf;
    QComboBox* paper = nullptr;
    QComboBox* perPage = nullptr;
    QCheckBox* qrCode = nullptr;
    QLineEdit* heading = nullptr;
    QLineEdit* note = nullptr;
    QComboBox* hash = nullptr;
    QLineEdit* prefix = nullptr;
    if (slips) {
        form->addRow(new QLabel(QObject::tr("One slip per password, with cut marks between them."), dialog));
        paper = new QComboBox(dialog);
        paper->setObjectName(QStringLiteral("cboPaper"));
        paper->addItems({QStringLiteral("A4"), QStringLiteral("US Letter")});
        paper->setCurrentIndex(shown.slips.paper == PaperSize::Letter ? 1 : 0);
        form->addRow(QObject::tr("&Paper:"), paper);
        perPage = new QComboBox(dialog);
        perPage->setObjectName(QStringLiteral("cboSlipsPerPage"));
        for (int n : kSlipsPerPageChoices)
            perPage->addItem(QString::number(n), n);
        perPage->setCurrentIndex(std::max(0, perPage->findData(shown.slips.perPage)));
        form->addRow(QObject::tr("&Slips per page:"), perPage);
        qrCode = new QCheckBox(QObject::tr("&QR code of the password"), dialog);
        qrCode->setObjectName(QStringLiteral("chkQrCode"));
        qrCode->setChecked(shown.slips.qrCode);
        form->addRow(QString(), qrCode);
        heading = new QLineEdit(qs(shown.slips.heading), dialog);
        heading->setObjectName(QStringLiteral("txtHeading"));
        heading->setPlaceholderText(QObject::tr("for example: Your school account"));
        form->addRow(QObject::tr("&Heading:"), heading);
        note = new QLineEdit(qs(shown.note), dialog);
        note->setObjectName(QStringLiteral("txtNote"));
        note->setPlaceholderText(QObject::tr("for example: Change it at first log-in"));
        form->addRow(QObject::tr("&Note:"), note);
    } else {
        const bool accounts = format == ListFormat::Chpasswd;
        hash = new QComboBox(dialog);
        hash->setObjectName(QStringLiteral("cboHash"));
        if (accounts)
            hash->addItem(QObject::tr("None: the passwords in the clear (chpasswd)"));
        for (HashScheme s : {HashScheme::Yescrypt, HashScheme::Sha512crypt, HashScheme::Bcrypt})
            hash->addItem(qs(hashSchemeName(s)) + (accounts ? QObject::tr(" (chpasswd -e)") : QString()),
                          static_cast<int>(s));
        const int chosen = shown.hash ? hash->findData(static_cast<int>(*shown.hash)) : 0;
        hash->setCurrentIndex(std::max(0, chosen));
        form->addRow(QObject::tr("&Hash:"), hash);
        if (accounts) {
            prefix = new QLineEdit(qs(shown.userPrefix.empty() ? std::string("user") : shown.userPrefix), dialog);
            prefix->setObjectName(QStringLiteral("txtUserPrefix"));
            const bool named = shown.roster && shown.roster->hasUserNames();
            prefix->setEnabled(!named);
            prefix->setToolTip(named ? QObject::tr("The roster names the users.")
                                     : QObject::tr("User names are this, then 001, 002, ..."));
            form->addRow(QObject::tr("&User names:"), prefix);
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(dialog, &QDialog::finished, dialog, [=, reply = std::move(reply)](int result) {
        if (result != QDialog::Accepted) {
            reply(std::nullopt);
            return;
        }
        HandOut out = shown;
        if (slips) {
            out.slips.paper = paper->currentIndex() == 1 ? PaperSize::Letter : PaperSize::A4;
            out.slips.perPage = perPage->currentData().toInt();
            out.slips.qrCode = qrCode->isChecked();
            out.slips.heading = heading->text().toStdString();
            out.note = note->text().toStdString();
            lastChoice().slipsChosen = true;
            lastChoice().slips = out.slips;
            lastChoice().note = out.note;
        } else {
            const QVariant scheme = hash->currentData();
            out.hash = scheme.isValid() ? std::optional(static_cast<HashScheme>(scheme.toInt())) : std::nullopt;
            if (prefix && prefix->isEnabled())
                out.userPrefix = prefix->text().trimmed().toStdString();
            lastChoice().hashChosen = true;
            lastChoice().hash = out.hash;
            lastChoice().userPrefix = out.userPrefix;
        }
        reply(out);
    });
    dialog->open();
}

RosterIndicator::RosterIndicator(QWidget* parent) : QWidget(parent), m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("RosterIndicator"));
    m_label->setObjectName(QStringLiteral("lblRoster"));
    auto* clear = new QToolButton(this);
    clear->setObjectName(QStringLiteral("cmdClearRoster"));
    clear->setText(QStringLiteral("\u2715"));
    clear->setToolTip(tr("Stop using this roster: the count is yours again"));
    clear->setAutoRaise(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_label);
    row->addWidget(clear);
    connect(clear, &QToolButton::clicked, this, &RosterIndicator::clearRequested);
    hide();
}

void RosterIndicator::showRoster(const QString& title, std::size_t people)
{
    if (people == 0) {
        hide();
        return;
    }
    m_label->setText(tr("Roster: %1 (%2)")
                         .arg(title, people == 1 ? tr("1 person") : tr("%1 people").arg(QString::number(people))));
    m_label->setToolTip(tr("One password per person of the roster, in its order; the count follows it."));
    show();
}

} // namespace quorlix::ui
