#include "ui/AboutDialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QThread>
#include <QVBoxLayout>

#include <curl/curl.h>
#include <sodium.h>
#include <unistd.h>

#include <algorithm>

#include "ui/HelpWindows.h"
#include "ui/Program.h"

#ifndef QUORLIX_VERSION
#define QUORLIX_VERSION "0.0.0"
#endif
#ifndef QUORLIX_LIBMDB_VERSION
#define QUORLIX_LIBMDB_VERSION "unknown"
#endif

namespace quorlix::ui
{

namespace
{

QString memoryText()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return QObject::tr("unknown");
    const double gib = static_cast<double>(pages) * static_cast<double>(pageSize) / (1024.0 * 1024.0 * 1024.0);
    return QString::number(gib, 'f', 1) + QStringLiteral(" GiB");
}

} // namespace

QString AboutDialog::libraryVersions()
{
    return QStringLiteral("Qt %1\nlibsodium %2\nlibmdb (mdbtools) %3\nlibcurl %4")
        .arg(QString::fromLatin1(qVersion()), QString::fromLatin1(sodium_version_string()),
             QString::fromLatin1(QUORLIX_LIBMDB_VERSION),
             QString::fromLatin1(curl_version_info(CURLVERSION_NOW)->version));
}

QString AboutDialog::systemInformation(const Services& services)
{
    QStringList lines;
    lines << QStringLiteral("Quorlix %1").arg(QString::fromLatin1(QUORLIX_VERSION));
    lines << QStringLiteral("Operating system: %1 (kernel %2 %3, %4)")
                 .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion(),
                      QSysInfo::currentCpuArchitecture());
    lines << QStringLiteral("Qt: %1 (built with %2), platform %3")
                 .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR), QGuiApplication::platformName());
    lines << QStringLiteral("libsodium: %1").arg(QString::fromLatin1(sodium_version_string()));
    lines << QStringLiteral("libmdb (mdbtools): %1").arg(QString::fromLatin1(QUORLIX_LIBMDB_VERSION));
    lines << QStringLiteral("libcurl: %1").arg(QString::fromLatin1(curl_version_info(CURLVERSION_NOW)->version));
    lines << QStringLiteral("CPUs: %1").arg(QThread::idealThreadCount());
    lines << QStringLiteral("Memory: %1").arg(memoryText());
    lines << QStringLiteral("Program folder: %1").arg(QString::fromStdString(programFolder()));
    lines << QStringLiteral("Settings file: %1").arg(QString::fromStdString(services.settingsFileName));
    QStringList folders;
    for (const std::string& folder : services.places.folders())
        folders << QString::fromStdString(folder);
    lines
        << QStringLiteral("Dictionary folders: %1 (downloads go to the first)").arg(folders.join(QStringLiteral(", ")));
    return lines.join(QLatin1Char('\n'));
}

void AboutDialog::showFor(QWidget* parent, const Services& services)
{
    auto* dialog = new AboutDialog(parent, services);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

AboutDialog::AboutDialog(QWidget* parent, const Services& services) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About Quorlix"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/quorlix.svg")).pixmap(64, 64));
    auto* name = new QLabel(QStringLiteral("<h2>Quorlix %1</h2>").arg(QString::fromLatin1(QUORLIX_VERSION)), this);
    name->setObjectName(QStringLiteral("lblName"));
    auto* description = new QLabel(
        tr("Batches of 1 to 10,000,000 random passwords, registration codes, account numbers and PINs, saved as "
           "text, CSV, HTML or Access database files."),
        this);
    description->setWordWrap(true);
    auto* licence = new QLabel(tr("Free software under the MIT License. Passwords are drawn from a ChaCha20 "
                                  "keystream keyed by the operating system's random source (libsodium)."),
                               this);
    licence->setWordWrap(true);
    auto* librariesCaption = new QLabel(tr("Libraries in use:"), this);
    auto* libraries = new QLabel(libraryVersions(), this);
    libraries->setObjectName(QStringLiteral("lblLibraries"));
    libraries->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* system = new QPushButton(tr("&System Info..."), this);
    system->setObjectName(QStringLiteral("cmdSysInfo"));
    auto* ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    const QString info = systemInformation(services);
    connect(system, &QPushButton::clicked, this, [this, info] { showSystemInformation(this, info); });

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(description);
    texts->addWidget(licence);
    texts->addWidget(librariesCaption);
    texts->addWidget(libraries);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(system);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setHelpTopic(this, QStringLiteral("About Quorlix"));
    setMinimumWidth(440);
    // OK has the focus first, so Enter closes the window.
    setTabOrder(ok, system);
}

void AboutDialog::showSystemInformation(QWidget* parent, const QString& info)
{
    auto* box = new QDialog(parent);
    box->setObjectName(QStringLiteral("SystemInformation"));
    box->setWindowTitle(tr("System Information"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    auto* text = new QPlainTextEdit(info, box);
    text->setObjectName(QStringLiteral("txtSystemInformation"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Room for the lines as they are, up to a size that fits a small screen.
    const QFontMetrics metrics = text->fontMetrics();
    int widest = 0;
    for (const QString& line : info.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int lines = static_cast<int>(info.count(QLatin1Char('\n'))) + 2;
    text->setMinimumSize(std::min(widest + 40, metrics.averageCharWidth() * 100), metrics.lineSpacing() * lines + 16);
    // Copying is the user's choice: the clipboard may hold a password.
    auto* copy = new QPushButton(tr("&Copy"), box);
    copy->setObjectName(QStringLiteral("cmdCopy"));
    auto* close = new QPushButton(tr("C&lose"), box);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);
    auto* copied = new QLabel(box);
    copied->setObjectName(QStringLiteral("lblCopied"));
    connect(copy, &QPushButton::clicked, box, [info, copied] {
        QGuiApplication::clipboard()->setText(info);
        copied->setText(tr("Copied to the clipboard."));
    });
    connect(close, &QPushButton::clicked, box, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy);
    buttons->addWidget(copied, 1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(text, 1);
    layout->addLayout(buttons);
    box->setTabOrder(close, copy);
    box->open();
}

} // namespace quorlix::ui
