#include "ui/Desktop.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

namespace quorlix::ui
{

namespace
{

// The desktop entry the desktop uses for plain text, e.g. "org.gnome.gedit.desktop".
QString defaultTextEditorEntry()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    if (!query.waitForFinished(2000) || query.exitCode() != 0)
        return {};
    return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
}

QString execOfEntry(const QString& entry)
{
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
        else if (inMainGroup && line.startsWith(QStringLiteral("Exec=")))
            return line.mid(5);
    }
    return {};
}

} // namespace

QStringList execArguments(const QString& exec, const QString& file)
{
    QStringList args;
    QString current;
    bool quoted = false;
    bool any = false;
    bool fileGiven = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c == QLatin1Char('\\') && quoted && i + 1 < exec.size()) {
            current += exec[++i];
        } else if (c == QLatin1Char('%') && i + 1 < exec.size()) {
            const QChar code = exec[++i];
            if (code == QLatin1Char('%')) {
                current += c;
            } else if (QStringLiteral("fFuU").contains(code)) {
                current += file;
                fileGiven = true;
                any = true;
            }
        } else if (c.isSpace() && !quoted) {
            if (any || !current.isEmpty())
                args << current;
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any || !current.isEmpty())
        args << current;
    if (!args.isEmpty() && !fileGiven)
        args << file;
    return args;
}

Status SystemDesktop::openFile(const std::string& path)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path))))
        return Status::ioError("No application could open " + path);
    return Status::ok();
}

Status SystemDesktop::openInTextEditor(const std::string& path)
{
    const QString file = QString::fromStdString(path);
    const QString entry = defaultTextEditorEntry();
    const QStringList args = entry.isEmpty() ? QStringList{} : execArguments(execOfEntry(entry), file);
    if (!args.isEmpty() && QProcess::startDetached(args.front(), args.mid(1)))
        return Status::ok();
    return Status::ioError("No text editor is set for plain text on this desktop.");
}

Status SystemDesktop::openAddress(const std::string& address)
{
    if (!QDesktopServices::openUrl(QUrl(QString::fromStdString(address))))
        return Status::ioError("No browser could open " + address);
    return Status::ok();
}

} // namespace quorlix::ui
