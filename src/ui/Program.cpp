#include "ui/Program.h"

#include <QApplication>
#include <QTimer>

#include "ui/MainWindow.h"
#include "ui/Widgets.h"

namespace quorlix::ui
{

namespace
{

std::string taskLine(const TaskInProgress& task)
{
    using Kind = TaskInProgress::Kind;
    std::string line;
    switch (task.kind) {
    case Kind::Run:
        line = "a run of " + std::to_string(task.total) + " passwords, " + std::to_string(task.made) + " made so far";
        break;
    case Kind::MultiFileRun:
        line = "a multi-file run of " + std::to_string(task.files) + " files of " + std::to_string(task.total) +
               " passwords";
        break;
    case Kind::SaveAs:
        line = "a password list being saved";
        break;
    case Kind::OpenTextFile:
        line = "a text file being opened";
        break;
    case Kind::Convert:
        line = "a text file being converted";
        break;
    case Kind::Sort:
        line = "a text file being sorted";
        break;
    case Kind::Compact:
        line = "a database being compacted";
        break;
    case Kind::Repair:
        line = "a database being repaired";
        break;
    case Kind::Download:
        line = "a dictionary file being downloaded";
        break;
    }
    return line + (task.thisWindow ? " in this window" : " in another window");
}

} // namespace

std::string closeQuestionText(const std::vector<TaskInProgress>& tasks)
{
    std::string text = "Closing this window closes every Quorlix window and ends the work in progress:\r\n";
    for (const TaskInProgress& task : tasks)
        text += "\r\n- " + taskLine(task);
    text += tasks.size() == 1 ? "\r\n\r\nSelect 'Yes' to stop it and close."
                              : "\r\n\r\nSelect 'Yes' to stop them and close.";
    text += "\r\n\r\nSelect 'No' to close nothing.";
    return text;
}

Program::Program(Services services)
    : m_folders(std::make_unique<DialogFolders>(services.prompts, services.settings)),
      m_services{*m_folders,       services.settings, std::move(services.places),
                 services.desktop, services.sound,    std::move(services.settingsFileName)}
{
    guardWheelInEveryWindow();
}

Program::~Program() = default;

MainWindow* Program::openWindow()
{
    auto* window = new MainWindow(*this);
    m_windows.emplace_back(window);
    window->show();
    return window;
}

std::vector<MainWindow*> Program::windows() const
{
    std::vector<MainWindow*> out;
    for (const auto& w : m_windows)
        if (w && w->isVisible())
            out.push_back(w);
    return out;
}

void Program::closeAllBut(QWidget* window)
{
    // Copied first: closing a window changes the list.
    std::vector<QPointer<QWidget>> others;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != window && w->isVisible() && !window->isAncestorOf(w))
            others.emplace_back(w);
    for (const auto& w : others) {
        if (!w)
            continue;
        if (auto* main = qobject_cast<MainWindow*>(w.data()))
            main->closeAsFollower();
        else
            w->close();
    }
}

bool Program::askBeforeClosing(MainWindow* window)
{
    if (m_closeQuestionOpen)
        return true; // the question on the screen decides
    std::vector<TaskInProgress> tasks;
    for (MainWindow* w : windows()) {
        if (auto task = w->taskInProgress()) {
            task->thisWindow = w == window;
            tasks.push_back(*task);
        }
    }
    if (tasks.empty())
        return false;
    m_closeQuestionOpen = true;
    QPointer<MainWindow> asking(window);
    m_services.prompts.message(
        window, MessageRequest{closeQuestionText(tasks), std::string(kTitle), Icon::Exclamation, Buttons::YesNo},
        [this, asking](Answer answer) {
            m_closeQuestionOpen = false;
            if (answer != Answer::Yes || !asking)
                return;
            // After the close that asked has returned.
            QTimer::singleShot(0, asking, [asking] {
                if (asking)
                    asking->closeConfirmed();
            });
        });
    return true;
}

void Program::bringToFront()
{
    const std::vector<MainWindow*> open = windows();
    if (open.empty())
        return;
    MainWindow* window = m_lastActive && m_lastActive->isVisible() ? m_lastActive.data() : open.back();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    quorlix::ui::bringToFront(window);
}

void Program::windowActivated(MainWindow* window)
{
    m_lastActive = window;
}

void Program::leaveAll(MainWindow* closing)
{
    for (MainWindow* w : windows())
        w->leave();
    closeAllBut(closing);
}

} // namespace quorlix::ui
