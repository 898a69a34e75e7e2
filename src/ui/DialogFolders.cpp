#include "ui/DialogFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <set>

namespace quorlix::ui
{

namespace
{

bool isFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

std::string folderKey(const std::string& filter)
{
    std::set<QString> kinds;
    for (const QString& entry : nameFilters(filter)) {
        const qsizetype open = entry.lastIndexOf(QLatin1Char('('));
        const QString patterns = entry.mid(open + 1).chopped(1);
        for (const QString& pattern : patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            QString kind = pattern.startsWith(QStringLiteral("*.")) ? pattern.mid(2).toUpper() : QString();
            if (kind.isEmpty() || kind.contains(QLatin1Char('*')) || kind.contains(QLatin1Char('?')))
                continue; // All Files
            if (kind == QStringLiteral("HTML"))
                kind = QStringLiteral("HTM");
            kinds.insert(kind);
        }
    }
    if (kinds.empty())
        return {};
    if (kinds.size() > 1)
        return "FolderSaveAs";
    return "Folder" + kinds.begin()->toStdString();
}

std::string defaultDialogFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (isFolder(documents))
        return documents.toStdString();
    // A user without a home of their own (HOME unset gives the root folder)
    // is better served by the folder the program was started in.
    const QString home = QDir::homePath();
    return (isFolder(home) && !QDir(home).isRoot() ? home : QDir::currentPath()).toStdString();
}

std::string DialogFolders::startFolder(const FileRequest& request) const
{
    if (!request.folder.empty())
        return request.folder;
    const std::string key = folderKey(request.filter);
    if (!key.empty()) {
        const std::string last = m_settings.get(kLastSettingsSection, key, "");
        if (isFolder(QString::fromStdString(last)))
            return last;
    }
    return defaultDialogFolder();
}

void DialogFolders::file(QWidget* parent, const FileRequest& request,
                         std::function<void(std::optional<ChosenFile>)> reply)
{
    FileRequest started = request;
    started.folder = startFolder(request);
    const std::string key = folderKey(request.filter);
    m_inner.file(parent, started, [this, key, reply = std::move(reply)](std::optional<ChosenFile> chosen) {
        if (chosen && !key.empty()) {
            const QString folder = QFileInfo(QString::fromStdString(chosen->path)).absolutePath();
            if (isFolder(folder)) {
                m_settings.set(kLastSettingsSection, key, folder.toStdString());
                m_settings.sync();
            }
        }
        reply(std::move(chosen));
    });
}

} // namespace quorlix::ui
