#pragma once
// What the window tests share: scripted prompts, a recording desktop and
// sound, and a fixture with a program whose first main window is open over a
// settings store in memory.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/SettingsStore.h"
#include "support/TempFolder.h"
#include "ui/Desktop.h"
#include "ui/MainWindow.h"
#include "ui/Program.h"
#include "ui/Prompts.h"
#include "ui/StartupSound.h"

namespace quorlix::testing
{

// Answers questions from a script; with the script used up, the first button
// (OK or Yes) and, for file dialogs, Cancel. With hold set, questions wait
// until the test answers them (a box stays on the screen).
class ScriptedPrompts final : public ui::Prompts
{
public:
    struct Shown {
        std::string text;
        std::string title;
        Icon icon;
        Buttons buttons;
    };
    std::vector<Shown> messages;
    std::deque<Answer> answers;
    std::vector<ui::FileRequest> fileRequests;
    std::deque<std::optional<ChosenFile>> files;
    bool hold = false;
    std::vector<std::function<void(Answer)>> pending;

    void message(QWidget*, const ui::MessageRequest& request, std::function<void(Answer)> reply) override
    {
        messages.push_back({request.text, request.title, request.icon, request.buttons});
        if (hold) {
            pending.push_back(std::move(reply));
            return;
        }
        Answer answer =
            request.buttons == Buttons::YesNo || request.buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        reply(answer);
    }
    void file(QWidget*, const ui::FileRequest& request, std::function<void(std::optional<ChosenFile>)> reply) override
    {
        fileRequests.push_back(request);
        std::optional<ChosenFile> chosen;
        if (!files.empty()) {
            chosen = files.front();
            files.pop_front();
        }
        reply(chosen);
    }
    // Answers the oldest question held.
    void answer(Answer a)
    {
        auto reply = std::move(pending.front());
        pending.erase(pending.begin());
        reply(a);
    }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const auto& m : messages)
            out.push_back(m.text);
        return out;
    }
};

// Counts the single-shot timers of one interval that fire anywhere in the
// program, so a test can wait for the moment a delayed action has run rather
// than sleep past it. The count rises, and before() runs, just before the
// timer's action: once QTest::qWaitFor sees the count, the action has run.
class SingleShotWatch final : public QObject
{
public:
    explicit SingleShotWatch(std::chrono::milliseconds interval, std::function<void()> before = {})
        : m_interval(interval), m_before(std::move(before))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~SingleShotWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
    int fired() const { return m_fired; }

protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        if (event->type() != QEvent::Timer || qobject_cast<QTimer*>(target)) // a QTimer may repeat
            return false;
        const int id = static_cast<QTimerEvent*>(event)->timerId();
        for (const auto& timer : QAbstractEventDispatcher::instance(target->thread())->registeredTimers(target))
            if (timer.timerId == id && timer.interval == m_interval.count()) {
                ++m_fired;
                if (m_before)
                    m_before();
            }
        return false;
    }

private:
    std::chrono::milliseconds m_interval;
    std::function<void()> m_before;
    int m_fired = 0;
};

class RecordingDesktop final : public ui::Desktop
{
public:
    std::vector<std::string> opened;
    Status failure; // what every opening returns
    Status openFile(const std::string& path) override
    {
        opened.push_back("file:" + path);
        return failure;
    }
    Status openInTextEditor(const std::string& path) override
    {
        opened.push_back("editor:" + path);
        return failure;
    }
    Status openAddress(const std::string& address) override
    {
        opened.push_back("address:" + address);
        return Status::ok();
    }
};

class CountingSound final : public ui::Sound
{
public:
    int played = 0;
    void play() override { ++played; }
};

// What a window shows in words: its caption, then the texts of its labels,
// buttons, check boxes and frames that are on the screen with it.
inline std::vector<std::string> shownTexts(QWidget* window)
{
    std::vector<std::string> texts{window->windowTitle().toStdString()};
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            text = frame->title();
        if (!text.isEmpty())
            texts.push_back(text.toStdString());
    }
    return texts;
}

inline ChosenFile chosen(const std::string& path)
{
    return {path, path.substr(path.find_last_of('/') + 1)};
}

// The folder the build puts the shipped dictionaries in.
inline std::string dictionaryFolder()
{
    return std::string(QUORLIX_DICTIONARY_DIR) + "/";
}

struct UiFixture : ::testing::Test {
    ScriptedPrompts prompts;
    MemorySettingsStore settings;
    RecordingDesktop desktop;
    CountingSound sound;
    std::unique_ptr<ui::Program> program;
    // Set before open(): the program asks through these (the real boxes and
    // dialogs, answered by keys) instead of the scripted ones.
    ui::Prompts* realPrompts = nullptr;

    // Opens the program with the store as it stands.
    ui::MainWindow* open(std::string folder = dictionaryFolder())
    {
        program = std::make_unique<ui::Program>(
            ui::Services{realPrompts ? *realPrompts : prompts, settings, std::move(folder), desktop, &sound, "memory"});
        return program->openWindow();
    }

    void TearDown() override
    {
        if (program)
            for (ui::MainWindow* w : program->windows()) {
                w->runState().stopRequested.store(1);
                w->worker().answerForClosing();
            }
        for (int i = 0; i < 500 && program && busyWindows() > 0; ++i)
            QTest::qWait(10);
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* main = qobject_cast<ui::MainWindow*>(w))
                main->closeAsFollower();
            w->close();
        }
        QTest::qWait(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    int busyWindows() const
    {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* main = qobject_cast<ui::MainWindow*>(w))
                n += main->worker().busy() ? 1 : 0;
        return n;
    }

    template <class T> static T* find(QWidget* in, const char* name)
    {
        auto* found = in->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QAction* action(QWidget* in, const char* name) { return find<QAction>(in, name); }

    // Waits until the window's work has ended.
    static bool waitIdle(ui::MainWindow* w, int ms = 20000)
    {
        return QTest::qWaitFor([w] { return !w->worker().busy(); }, ms);
    }
};

} // namespace quorlix::testing
