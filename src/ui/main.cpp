// quorlix: the desktop program.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "output/MdbListWriter.h"
#include "platform/AtomicFile.h"
#include "platform/HomeFolder.h"
#include "platform/SecretMemory.h"
#include "settings/QtSettingsStore.h"
#include "ui/Desktop.h"
#include "ui/MainWindow.h"
#include "ui/Program.h"
#include "ui/SingleInstance.h"
#include "ui/StartupSound.h"
#include "words/DictionaryFolder.h"

using namespace quorlix;

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            std::printf("quorlix %s\n", QUORLIX_VERSION);
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::printf("Usage: quorlix [--version] [--help]\n"
                        "The desktop program of Quorlix: batches of random passwords, registration codes and PINs.\n"
                        "Its last settings are in ~/.config/Quorlix/Quorlix.ini; quorlix-cli runs the same from a "
                        "terminal.\n");
            return 0;
        }
    }
    // Qt would abort with a hint to reinstall; a terminal user needs the other program.
    const auto unset = [](const char* name) { return !std::getenv(name) || !*std::getenv(name); };
    const bool platformGiven = std::any_of(argv + 1, argv + argc, [](const char* a) {
        return std::string_view(a) == "-platform" || std::string_view(a).starts_with("-platform=");
    });
    if (unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM") && !platformGiven) {
        std::fprintf(stderr, "quorlix: no display (DISPLAY/WAYLAND_DISPLAY unset); use quorlix-cli\n");
        return 1;
    }
    setHomeWhenUnset();
    protectProcess();
    removeTemporaryFilesOnSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlix"));
    QApplication::setOrganizationName(QStringLiteral("Quorlix"));
    QApplication::setApplicationVersion(QStringLiteral(QUORLIX_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.quorlix.Quorlix"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorlix.svg")));

    ui::SingleInstance instance;
    if (!instance.acquire()) {
        std::fprintf(stderr, "%s\n", ui::kAlreadyRunning);
        QMessageBox::warning(nullptr, QStringLiteral("Quorlix"), QString::fromLatin1(ui::kAlreadyRunning));
        (void)instance.askToShow(); // the running program's window comes to the front
        return 1;
    }

    // Save As, multi-file series and conversions write databases through it.
    installMdbListWriter([] { return QtSettingsStore().get(kSettingsSection, "MdbFormat", "Jet3"); });

    // The current folder stays where the program was started: paths given on
    // the command line keep their meaning, and the file dialogs start where
    // DialogFolders says, not in the program's folder.
    ui::QtPrompts prompts;
    QtSettingsStore settings;
    ui::SystemDesktop desktop;
    ui::StartupSound sound;
    DictionaryPlaces places = DictionaryPlaces::ofThisProgram();
    for (const std::string& note : places.skippedNotes())
        std::fprintf(stderr, "quorlix: %s\n", note.c_str());
    ui::Program program(ui::Services{prompts, settings, std::move(places), desktop, &sound, settings.fileName()});
    QObject::connect(&instance, &ui::SingleInstance::showRequested, &program, &ui::Program::bringToFront);
    program.openWindow();
    return QApplication::exec();
}
