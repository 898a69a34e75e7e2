#include "ui/Prompts.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>

#include "ui/HandOutDialog.h"

namespace quorlix::ui
{

namespace
{

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

Answer answerOf(int button, Buttons buttons)
{
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // Closed by the title bar: what Escape would have chosen.
        return buttons == Buttons::YesNo ? Answer::No : buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

} // namespace

QString displayText(std::string_view text)
{
    QString out = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}

QStringList nameFilters(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const qsizetype paren = description.indexOf(QLatin1Char('('));
        if (paren > 0)
            description = description.left(paren).trimmed();
        QStringList patterns;
        for (QString p : parts[i + 1].split(QRegularExpression(QStringLiteral("[;,\\s]+")), Qt::SkipEmptyParts)) {
            // "html" beside "*.htm" means the other ending, not a file named html.
            if (!p.contains(QLatin1Char('*')) && !p.contains(QLatin1Char('?')))
                p = QStringLiteral("*.") + p;
            if (!patterns.contains(p))
                patterns << p;
        }
        if (!patterns.isEmpty())
            out << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

Answer leastAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    case Buttons::Ok:
    case Buttons::OkCancel:
        break;
    }
    return Answer::Ok;
}

void QtPrompts::message(QWidget* parent, const MessageRequest& request, std::function<void(Answer)> reply)
{
    auto* box = new QMessageBox(qtIcon(request.icon), QString::fromStdString(request.title), displayText(request.text),
                                qtButtons(request.buttons), parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const Buttons buttons = request.buttons;
    QObject::connect(box, &QMessageBox::finished, box,
                     [reply = std::move(reply), buttons](int result) { reply(answerOf(result, buttons)); });
    box->open();
}

QString defaultSuffix(const QString& nameFilter)
{
    // "MS-Access Database File (*.mdb)" gives "mdb"; "All Files (*.*)" nothing.
    static const QRegularExpression first(QStringLiteral("\\(\\*\\.([A-Za-z0-9_]+)[ )]"));
    const QRegularExpressionMatch match = first.match(nameFilter);
    return match.hasMatch() ? match.captured(1) : QString();
}

void QtPrompts::file(QWidget* parent, const FileRequest& request, std::function<void(std::optional<ChosenFile>)> reply)
{
    auto* dialog = new QFileDialog(parent, QString::fromStdString(request.title));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.save || !request.confirmOverwrite);
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setNameFilters(nameFilters(request.filter));
    if (!request.folder.empty())
        dialog->setDirectory(QString::fromStdString(request.folder));
    if (request.save) {
        // A name typed without an extension takes the one of the type chosen.
        dialog->setDefaultSuffix(defaultSuffix(dialog->selectedNameFilter()));
        QObject::connect(dialog, &QFileDialog::filterSelected, dialog,
                         [dialog](const QString& filter) { dialog->setDefaultSuffix(defaultSuffix(filter)); });
    }
    if (!request.proposedName.empty())
        dialog->selectFile(QString::fromStdString(request.proposedName));
    const bool save = request.save;
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, save, reply = std::move(reply)](int result) {
        const QStringList files = dialog->selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty()) {
            reply(std::nullopt);
            return;
        }
        QString path = files.front();
        // The desktop's own dialog may leave the extension to us.
        if (save && !QFileInfo(path).fileName().contains(QLatin1Char('.')) && !dialog->defaultSuffix().isEmpty())
            path += QLatin1Char('.') + dialog->defaultSuffix();
        reply(ChosenFile{path.toStdString(), QFileInfo(path).fileName().toStdString(),
                         dialog->selectedNameFilter().toStdString()});
    });
    dialog->open();
}

void QtPrompts::handOutOptions(QWidget* parent, ListFormat format, const HandOut& handOut,
                               std::function<void(std::optional<HandOut>)> reply)
{
    showHandOutOptions(parent, format, handOut, std::move(reply));
}

template <class T, class Ask> T WaitingMessageBoxes::wait(Ask ask)
{
    std::optional<T> result;
    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    if (m_waitDepth)
        ++*m_waitDepth;
    ask([&result, guard](T answer) {
        result = std::move(answer);
        if (guard)
            guard->quit();
    });
    if (!result)
        loop.exec(QEventLoop::DialogExec);
    if (m_waitDepth)
        --*m_waitDepth;
    return std::move(*result);
}

Answer WaitingMessageBoxes::show(std::string_view text, std::string_view title, Icon icon, Buttons buttons)
{
    const MessageRequest request{std::string(text), std::string(title), icon, buttons};
    return wait<Answer>([&](auto reply) { m_prompts.message(m_parent, request, std::move(reply)); });
}

std::optional<ChosenFile> WaitingMessageBoxes::chooseFile(const FileRequest& request)
{
    return wait<std::optional<ChosenFile>>([&](auto reply) { m_prompts.file(m_parent, request, std::move(reply)); });
}

} // namespace quorlix::ui
