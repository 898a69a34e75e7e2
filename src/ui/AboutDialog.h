#pragma once
// "&About Quorlix": name, version, what the program does, the licence, the
// libraries in use with their versions, and the system information a bug
// report needs (shown, and copied to the clipboard when the user asks).

#include <QDialog>
#include <QString>

namespace quorlix::ui
{

struct Services;

class AboutDialog final : public QDialog
{
    Q_OBJECT
public:
    static void showFor(QWidget* parent, const Services& services);
    AboutDialog(QWidget* parent, const Services& services);

    // The system information, as shown and copied.
    static QString systemInformation(const Services& services);
    // Versions of the libraries in use, one "name version" per line.
    static QString libraryVersions();

private:
    // The "System Information" window: the text, a Copy and a Close button.
    static void showSystemInformation(QWidget* parent, const QString& info);
};

} // namespace quorlix::ui
