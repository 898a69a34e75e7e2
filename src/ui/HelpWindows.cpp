#include "ui/HelpWindows.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/HelpBook.h"
#include "ui/Widgets.h"

namespace quorlix::ui
{

namespace
{

constexpr const char* kTopicProperty = "helpTopic";

QString escaped(const std::string& s)
{
    return QString::fromStdString(s).toHtmlEscaped();
}

// Right-click on a control with a topic: its quick help.
class RightClickHelp final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w)
            return false;
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::RightButton)
                return false;
            if (event->type() == QEvent::MouseButtonRelease)
                HelpCenter::instance().showQuickHelp(w, helpTopicOf(w));
            return true;
        }
        return false;
    }
};

RightClickHelp& rightClickHelp()
{
    static auto* filter = new RightClickHelp(qApp);
    return *filter;
}

} // namespace

class QuickHelpWindow final : public QWidget
{
public:
    QuickHelpWindow() : QWidget(nullptr, Qt::Tool)
    {
        setObjectName(QStringLiteral("QuickHelp"));
        setAttribute(Qt::WA_DeleteOnClose);
        m_text = new QTextBrowser(this);
        m_text->setObjectName(QStringLiteral("quickHelpText"));
        m_text->setOpenLinks(false);
        connect(m_text, &QTextBrowser::anchorClicked, this,
                [this](const QUrl& url) { show(url.toString(QUrl::None).mid(6)); });
        auto* more = new QPushButton(tr("&More Help..."), this);
        more->setObjectName(QStringLiteral("quickHelpMore"));
        connect(more, &QPushButton::clicked, this, [this] { HelpCenter::instance().showContents(this, m_topic); });
        auto* close = new QPushButton(tr("&Close"), this);
        close->setObjectName(QStringLiteral("quickHelpClose"));
        connect(close, &QPushButton::clicked, this, &QWidget::close);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(more);
        buttons->addWidget(close);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_text);
        layout->addLayout(buttons);
        closeOnEscape(this);
        resize(420, 260);
    }

    void show(const QString& topic)
    {
        m_topic = topic;
        setWindowTitle(tr("Quick Help - %1").arg(topic));
        m_text->setHtml(topicHtml(topic));
        bringToFront(this);
    }

private:
    QTextBrowser* m_text;
    QString m_topic;
};

class HelpContentsWindow final : public QWidget
{
public:
    HelpContentsWindow() : QWidget(nullptr, Qt::Window)
    {
        setObjectName(QStringLiteral("HelpContents"));
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(tr("Quorlix Help"));
        m_search = new QLineEdit(this);
        m_search->setObjectName(QStringLiteral("helpSearch"));
        m_search->setPlaceholderText(tr("Search the help"));
        m_search->setClearButtonEnabled(true);
        auto* searchLabel = new QLabel(tr("&Search:"), this);
        searchLabel->setBuddy(m_search);
        m_list = new QListWidget(this);
        m_list->setObjectName(QStringLiteral("helpTopics"));
        m_text = new QTextBrowser(this);
        m_text->setObjectName(QStringLiteral("helpText"));
        m_text->setOpenLinks(false);

        auto* left = new QWidget(this);
        auto* leftLayout = new QVBoxLayout(left);
        leftLayout->setContentsMargins(0, 0, 0, 0);
        auto* searchRow = new QHBoxLayout;
        searchRow->addWidget(searchLabel);
        searchRow->addWidget(m_search);
        leftLayout->addLayout(searchRow);
        leftLayout->addWidget(m_list);
        auto* split = new QSplitter(this);
        split->addWidget(left);
        split->addWidget(m_text);
        split->setStretchFactor(1, 1);
        auto* close = new QPushButton(tr("&Close"), this);
        connect(close, &QPushButton::clicked, this, &QWidget::close);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(split);
        auto* bottom = new QHBoxLayout;
        bottom->addStretch();
        bottom->addWidget(close);
        layout->addLayout(bottom);

        connect(m_search, &QLineEdit::textChanged, this, [this](const QString& q) { fill(q); });
        connect(m_list, &QListWidget::currentTextChanged, this, [this](const QString& t) {
            if (!t.isEmpty())
                m_text->setHtml(topicHtml(t));
        });
        connect(m_text, &QTextBrowser::anchorClicked, this,
                [this](const QUrl& url) { select(url.toString(QUrl::None).mid(6)); });
        fill({});
        closeOnEscape(this);
        resize(760, 480);
    }

    void select(const QString& topic)
    {
        if (!m_search->text().isEmpty())
            m_search->clear();
        const auto found = m_list->findItems(topic, Qt::MatchFixedString);
        if (!found.isEmpty())
            m_list->setCurrentItem(found.front());
        else if (m_list->count() > 0 && !m_list->currentItem())
            m_list->setCurrentRow(0);
    }

private:
    void fill(const QString& query)
    {
        m_list->clear();
        for (const auto& title : HelpBook::builtIn().search(query.toStdString()))
            m_list->addItem(QString::fromStdString(title));
        if (m_list->count() > 0)
            m_list->setCurrentRow(0);
        else
            m_text->setHtml(tr("<p>No topic holds all of these words.</p>"));
    }

    QLineEdit* m_search;
    QListWidget* m_list;
    QTextBrowser* m_text;
};

HelpCenter& HelpCenter::instance()
{
    static auto* center = new HelpCenter;
    return *center;
}

QWidget* HelpCenter::quickHelpWindow() const
{
    return m_quick;
}
QWidget* HelpCenter::contentsWindow() const
{
    return m_contents;
}

void HelpCenter::showQuickHelp(QWidget* from, const QString& topic)
{
    if (!m_quick)
        m_quick = new QuickHelpWindow;
    if (!m_quick->isVisible())
        centreOnMainWindow(m_quick, from);
    m_lastTopic = topic;
    m_quick->show(topic);
}

void HelpCenter::showContents(QWidget* from, const QString& topic)
{
    if (!m_contents)
        m_contents = new HelpContentsWindow;
    if (!m_contents->isVisible())
        centreOnMainWindow(m_contents, from);
    bringToFront(m_contents);
    m_contents->select(topic.isEmpty() ? QStringLiteral("Quorlix") : topic);
    m_lastTopic = topic.isEmpty() ? QStringLiteral("Quorlix") : topic;
}

void HelpCenter::enterContextMode()
{
    if (m_contextMode)
        return;
    m_contextMode = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    qApp->installEventFilter(this);
}

void HelpCenter::leaveContextMode()
{
    if (!m_contextMode)
        return;
    m_contextMode = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
}

bool HelpCenter::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_contextMode)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            leaveContextMode();
            return true;
        }
        return false;
    case QEvent::MouseButtonPress: {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w)
            return false;
        leaveContextMode();
        QString topic;
        for (const QWidget* p = w; p && topic.isEmpty(); p = p->parentWidget())
            topic = helpTopicOf(p);
        showQuickHelp(w, topic.isEmpty() ? QStringLiteral("Quorlix") : topic);
        return true;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return false;
    }
}

void setHelpTopic(QWidget* w, const QString& topic)
{
    w->setProperty(kTopicProperty, topic);
    w->setContextMenuPolicy(Qt::NoContextMenu);
    w->installEventFilter(&rightClickHelp());
}

void setHelpTopic(std::initializer_list<QWidget*> widgets, const QString& topic)
{
    for (QWidget* w : widgets)
        setHelpTopic(w, topic);
}

QString helpTopicOf(const QWidget* w)
{
    return w->property(kTopicProperty).toString();
}

QString topicHtml(const QString& title)
{
    const HelpTopic* topic = HelpBook::builtIn().find(title.toStdString());
    if (!topic)
        return QStringLiteral("<h3>%1</h3><p>%2</p>")
            .arg(title.toHtmlEscaped(), QObject::tr("There is no help on this topic."));
    QString html = QStringLiteral("<h3>%1</h3>").arg(escaped(topic->title));
    for (const auto& p : topic->paragraphs)
        html += QStringLiteral("<p>%1</p>").arg(escaped(p));
    if (!topic->seeAlso.empty()) {
        QStringList links;
        for (const auto& s : topic->seeAlso)
            links << QStringLiteral("<a href=\"topic:%1\">%2</a>").arg(escaped(s), escaped(s));
        html += QStringLiteral("<p><i>%1</i> %2</p>").arg(QObject::tr("See also:"), links.join(QStringLiteral(", ")));
    }
    return html;
}

} // namespace quorlix::ui
