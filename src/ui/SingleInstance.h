#pragma once
// One desktop program per user session: a lock file in the session's runtime
// folder. A lock left by a program that crashed is taken over.

#include <QLockFile>
#include <QString>

#include <memory>

namespace quorlix::ui
{

class SingleInstance
{
public:
    // folder: where the lock lives (the runtime folder when empty).
    explicit SingleInstance(const QString& folder = {});
    // True when this is the only instance (it then holds the lock until it ends).
    bool acquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};

// The second start's message: the program's name followed by " already running ".
inline constexpr const char* kAlreadyRunning = "Quorlix already running ";

} // namespace quorlix::ui
