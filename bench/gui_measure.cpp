// Measures the desktop program's main window doing what bench/gui_vs_cli.sh
// compares with quorlix-cli: a run of COUNT passwords of length 10 into the
// display (duplication check on, Sort Display off), the worst lateness of a
// 10 ms timer meanwhile, scrolling to the last row and painting it, and
// Save As TXT of the rows. Prints one "name value" line per figure.
//   gui_measure COUNT OUTDIR

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <optional>
#include <string>

#include "settings/SettingsStore.h"
#include "ui/MainWindow.h"
#include "ui/Program.h"

using namespace quorlix;

namespace
{

// Answers the Save dialog with the bench's file and every question with No.
class BenchPrompts final : public ui::Prompts
{
public:
    std::string saveTo;
    void message(QWidget*, const ui::MessageRequest& request, std::function<void(Answer)> reply) override
    {
        std::fprintf(stderr, "message: %s\n", request.text.c_str());
        reply(request.buttons == Buttons::Ok         ? Answer::Ok
              : request.buttons == Buttons::OkCancel ? Answer::Ok
                                                     : Answer::No);
    }
    void file(QWidget*, const ui::FileRequest&, std::function<void(std::optional<ChosenFile>)> reply) override
    {
        reply(ChosenFile{saveTo, saveTo.substr(saveTo.find_last_of('/') + 1)});
    }
};

class NoDesktop final : public ui::Desktop
{
public:
    Status openFile(const std::string&) override { return Status::ok(); }
    Status openInTextEditor(const std::string&) override { return Status::ok(); }
    Status openAddress(const std::string&) override { return Status::ok(); }
};

void quiet(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QStringLiteral("This plugin does not support")))
        qt_message_output(type, context, message);
}

// Runs the event loop until the window's work has ended, as the program would.
void waitIdle(ui::MainWindow* w)
{
    if (!w->worker().busy())
        return;
    QEventLoop loop;
    QObject::connect(&w->worker(), &ui::WindowWorker::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(quiet);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s COUNT OUTDIR\n", argv[0]);
        return 2;
    }
    const QString count = QString::fromLatin1(argv[1]);
    const std::string out = argv[2];

    BenchPrompts prompts;
    prompts.saveTo = out + "/gui.txt";
    MemorySettingsStore settings;
    settings.set(kSettingsSection, "SaveAsBox", "True");
    settings.set(kSettingsSection, "PlaySound", "False");
    NoDesktop desktop;
    ui::Program program(ui::Services{prompts, settings, out + "/", desktop, nullptr, "memory"});
    ui::MainWindow* w = program.openWindow();
    w->resize(800, 600);
    QCoreApplication::processEvents();

    auto* list = w->findChild<QAbstractItemView*>(QStringLiteral("List1"));
    w->findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(count);
    w->findChild<QLineEdit*>(QStringLiteral("Text3"))->setText(QStringLiteral("10"));
    w->findChild<QLineEdit*>(QStringLiteral("Text4"))->setText(QStringLiteral("10"));
    auto* sort = w->findChild<QCheckBox*>(QStringLiteral("chkSort"));
    if (sort->isChecked())
        sort->click();
    auto* dups = w->findChild<QCheckBox*>(QStringLiteral("Check6"));
    if (!dups->isChecked())
        dups->click();

    QElapsedTimer beatClock;
    qint64 lastBeat = 0;
    qint64 worstLate = 0;
    qint64 worstAt = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = beatClock.elapsed();
        if (now - lastBeat - 10 > worstLate) {
            worstLate = now - lastBeat - 10;
            worstAt = now;
        }
        lastBeat = now;
    });

    QElapsedTimer clock;
    clock.start();
    beatClock.start();
    beat.start(10);
    w->execute();
    waitIdle(w);
    const double runSeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    beat.stop();
    const auto rows = list->model()->rowCount();

    clock.restart();
    list->scrollToBottom();
    list->viewport()->repaint();
    const double scrollMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const QModelIndex last = list->model()->index(rows - 1, 0);
    const bool lastShown = list->viewport()->rect().intersects(list->visualRect(last));

    clock.restart();
    w->saveAs();
    waitIdle(w);
    const double saveSeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("rows %d\n", rows);
    std::printf("worst_at_ms %lld\n", static_cast<long long>(worstAt));
    std::printf("run_seconds %.3f\n", runSeconds);
    std::printf("timer_worst_late_ms %lld\n", static_cast<long long>(worstLate));
    std::printf("scroll_paint_ms %.1f\n", scrollMs);
    std::printf("last_row_shown %d\n", lastShown ? 1 : 0);
    std::printf("save_txt_seconds %.3f\n", saveSeconds);
    std::printf("peak_mb %ld\n", usage.ru_maxrss / 1024);
    std::fflush(stdout);
    w->closeAsFollower();
    return rows > 0 ? 0 : 1;
}
