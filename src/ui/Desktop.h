#pragma once
// Files and addresses handed to the desktop: the application registered for
// a file's type, the desktop's text editor, the web browser.

#include <QStringList>

#include <string>

#include "platform/Status.h"

namespace quorlix::ui
{

class Desktop
{
public:
    virtual ~Desktop() = default;
    // The desktop's default application for the file's type.
    virtual Status openFile(const std::string& path) = 0;
    // The desktop's default text editor, whatever the file's type.
    virtual Status openInTextEditor(const std::string& path) = 0;
    // A web address in the browser.
    virtual Status openAddress(const std::string& address) = 0;
};

class SystemDesktop final : public Desktop
{
public:
    Status openFile(const std::string& path) override;
    Status openInTextEditor(const std::string& path) override;
    Status openAddress(const std::string& address) override;
};

// The command line of a desktop entry's Exec value for one file: the field
// codes %f %F %u %U become the file, other field codes go, quoted arguments
// keep their blanks. Empty when exec names no program.
QStringList execArguments(const QString& exec, const QString& file);

} // namespace quorlix::ui
