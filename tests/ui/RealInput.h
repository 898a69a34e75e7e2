#pragma once
// Real input for the window tests: keys pressed where the focus is, menus
// chosen by their mnemonics, buttons clicked with the mouse, and the message
// boxes of the real prompts found on the screen and answered by key.

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace quorlix::testing
{

// Makes window the active window, as the user's click on it would.
inline bool activate(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// A key as the user presses it: to the widget that has the focus in the
// window of w, or to w.
inline void press(QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != w->window())
        target = w;
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

inline void click(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// A menu item chosen by keys: Alt and the menu's mnemonic, then the item's.
inline bool chooseByKeys(QWidget* window, char menuKey, char itemKey)
{
    press(window, menuKey, Qt::AltModifier);
    QWidget* popup = nullptr;
    if (!QTest::qWaitFor(
            [&] {
                popup = QApplication::activePopupWidget();
                return popup != nullptr;
            },
            3000))
        return false;
    QTest::keyClick(popup, static_cast<Qt::Key>(itemKey));
    return true;
}

// The close button of the window's title bar: the window system's request to
// close, which a window blocked by a modal dialog does not get.
inline void closeByTitleBar(QWidget* window)
{
    window->windowHandle()->close();
}

// The message box on the screen, waiting up to ms for one to appear.
inline QMessageBox* boxOnScreen(int ms = 5000)
{
    QMessageBox* found = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible())
                    found = box;
            return found != nullptr;
        },
        ms);
    return found;
}

// Answers the box on the screen with a key (a button's mnemonic, Return or
// Escape) and waits until it has gone.
inline bool answerBox(QMessageBox* box, int key)
{
    QPointer<QMessageBox> alive(box);
    QTest::keyClick(box, static_cast<Qt::Key>(key));
    return QTest::qWaitFor([&] { return !alive || !alive->isVisible(); }, 5000);
}

} // namespace quorlix::testing
