#pragma once
// Help on screen: the quick-help window a right-click on a control opens,
// the browsable and searchable contents window of "&Help", and the
// click-a-control mode of "Help (&Context Sensitive)".
//
// A control names its topic with setHelpTopic(); right-clicking it (or
// clicking it in context mode) shows that topic.

#include <QObject>
#include <QPointer>
#include <QString>

#include <initializer_list>

class QWidget;

namespace quorlix::ui
{

class QuickHelpWindow;
class HelpContentsWindow;

class HelpCenter final : public QObject
{
    Q_OBJECT
public:
    static HelpCenter& instance();

    void showQuickHelp(QWidget* from, const QString& topic);
    void showContents(QWidget* from, const QString& topic = {});
    // The next click on any control shows its topic; Escape leaves the mode.
    void enterContextMode();
    bool inContextMode() const { return m_contextMode; }

    // The topic shown last (quick help or contents), for tests.
    QString lastTopic() const { return m_lastTopic; }
    QWidget* quickHelpWindow() const;
    QWidget* contentsWindow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void leaveContextMode();

    QPointer<QuickHelpWindow> m_quick;
    QPointer<HelpContentsWindow> m_contents;
    bool m_contextMode = false;
    QString m_lastTopic;
};

// Gives w its help topic: a right-click on it shows the topic, as does a
// click in context mode (also on its children that have no topic of their own).
void setHelpTopic(QWidget* w, const QString& topic);
void setHelpTopic(std::initializer_list<QWidget*> widgets, const QString& topic);
QString helpTopicOf(const QWidget* w);

// The topic as rich text: title, paragraphs, links to related topics.
QString topicHtml(const QString& title);

} // namespace quorlix::ui
