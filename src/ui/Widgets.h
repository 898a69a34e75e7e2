#pragma once
// Small helpers the windows share.

#include <QKeyEvent>
#include <QString>
#include <QWidget>

#include <optional>
#include <string_view>

namespace quorlix::ui
{

// The program's UTF-8 texts as Qt text.
inline QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The character a key press types, for the key filters of the number fields:
// nullopt for keys that type nothing (arrows, Delete, Tab), for Backspace and
// for shortcuts, which the filters always let through.
inline std::optional<int> typedCharacter(const QKeyEvent& key)
{
    const QString text = key.text();
    if (key.key() == Qt::Key_Backspace || text.isEmpty() || !text.front().isPrint() ||
        (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return std::nullopt;
    return text.front().unicode();
}

// Shows a window that may already be open, above the others and with the focus.
inline void bringToFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

// In every window of the program, a combo box or spin box changes by the
// mouse wheel only while it has the keyboard focus: a wheel turned over one
// that has not scrolls the panel it sits in (or nothing), and does not give it
// the focus. Call once, before the first window; later calls do nothing.
void guardWheelInEveryWindow();

} // namespace quorlix::ui
