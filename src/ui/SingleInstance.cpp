#include "ui/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace quorlix::ui
{

SingleInstance::SingleInstance(const QString& folder)
{
    QString dir = folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : folder;
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    m_lock = std::make_unique<QLockFile>(dir + QStringLiteral("/quorlix.lock"));
    // A live owner keeps the lock however long it runs; a dead one loses it.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    return m_lock->tryLock(0);
}

} // namespace quorlix::ui
