// One program per session: a second start is refused and asks the running
// program to bring its window to the front.

#include <QSignalSpy>

#include <filesystem>
#include <fstream>
#include <thread>

#include "RealInput.h"
#include "UiTestSupport.h"
#include "ui/SingleInstance.h"

namespace fs = std::filesystem;

namespace quorlix::testing
{
namespace
{

struct SingleInstanceTest : UiFixture {
    // Named short: a socket's path has room for about a hundred characters.
    TempFolder dir{"si"};
    QString folder() const { return QString::fromStdString(dir.string()); }
};

TEST_F(SingleInstanceTest, ASecondStartIsRefusedAndBringsTheWindowTheUserHadLastToTheFront)
{
    ui::SingleInstance running(folder());
    ASSERT_TRUE(running.acquire());
    ui::MainWindow* first = open();
    ui::MainWindow* second = program->openWindow();
    QObject::connect(&running, &ui::SingleInstance::showRequested, program.get(), &ui::Program::bringToFront);
    ASSERT_TRUE(activate(second));
    ASSERT_TRUE(activate(first)); // the user's last window, then minimized
    first->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([first] { return first->isMinimized(); }));

    QSignalSpy asked(&running, &ui::SingleInstance::showRequested);
    ui::SingleInstance later(folder());
    EXPECT_FALSE(later.acquire());
    // The second start waits for the first to read its request; the first
    // serves it from its event loop, here on another thread's behalf.
    bool reached = false;
    std::thread start([&] {
        ui::SingleInstance again(folder());
        reached = again.askToShow(5000);
    });
    const bool served = asked.wait(5000);
    start.join();
    ASSERT_TRUE(served);
    EXPECT_TRUE(reached);
    EXPECT_FALSE(first->isMinimized());
    EXPECT_TRUE(QTest::qWaitForWindowActive(first));
}

TEST_F(SingleInstanceTest, ASocketLeftByACrashedProgramIsTakenOver)
{
    {
        // What a killed program leaves: its socket file, without a lock.
        std::ofstream(dir / "quorlix.socket") << "";
    }
    ui::SingleInstance running(folder());
    ASSERT_TRUE(running.acquire());
    QSignalSpy asked(&running, &ui::SingleInstance::showRequested);
    bool reached = false;
    std::thread start([&] { reached = ui::SingleInstance(folder()).askToShow(5000); });
    const bool served = asked.wait(5000);
    start.join();
    ASSERT_TRUE(served);
    EXPECT_TRUE(reached);
}

} // namespace
} // namespace quorlix::testing
