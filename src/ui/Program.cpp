#include "ui/Program.h"

#include <QApplication>

#include "ui/MainWindow.h"
#include "ui/Widgets.h"

namespace quorlix::ui
{

Program::Program(Services services) : m_services(std::move(services))
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

} // namespace quorlix::ui
