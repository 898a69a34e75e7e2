#pragma once
// Small helpers the windows share.

#include <QKeyEvent>
#include <QLabel>
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

// Places a window that is about to open over the middle of the program's
// main window that over belongs to (over may be that main window, or any
// window or control that belongs to it), kept on the screen.
void centreOnMainWindow(QWidget* window, const QWidget* over);

// Escape closes the window, wherever its focus is (dialogs have it already).
void closeOnEscape(QWidget* window);

// A one-line label whose text may be longer than the room it has (the status
// line): it shows the start of the text with "..." and the whole text as its
// tooltip, and asks for no more room than a few characters, so a long text
// never widens its window. text() is the whole text.
class ElidedLabel final : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr) : QLabel(parent) {}
    void setText(const QString& text);
    QSize minimumSizeHint() const override;
    // The text as painted at the label's present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect textRect() const;
    void updateToolTip();
};

// In every window of the program, a combo box or spin box changes by the
// mouse wheel only while it has the keyboard focus: a wheel turned over one
// that has not scrolls the panel it sits in (or nothing), and does not give it
// the focus. Call once, before the first window; later calls do nothing.
void guardWheelInEveryWindow();

} // namespace quorlix::ui
