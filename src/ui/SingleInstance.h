#pragma once
// One desktop program per user session: a lock file in the session's runtime
// folder. A lock left by a program that crashed is taken over. The program
// holding the lock also listens on a local socket beside it, so that a
// second start can ask it to bring its window to the front.

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace quorlix::ui
{

class SingleInstance final : public QObject
{
    Q_OBJECT
public:
    // folder: where the lock and the socket live (the runtime folder when empty).
    explicit SingleInstance(const QString& folder = {});
    ~SingleInstance() override;
    // True when this is the only instance (it then holds the lock until it
    // ends, and listens for later starts).
    bool acquire();
    // For a start that did not acquire: asks the running program to show its
    // window. False when it could not be reached within timeoutMs.
    bool askToShow(int timeoutMs = 2000);

signals:
    // A later start asked for the window.
    void showRequested();

private:
    QString m_socketName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

// The second start's message: the program's name followed by " already running ".
inline constexpr const char* kAlreadyRunning = "Quorlix already running ";

} // namespace quorlix::ui
