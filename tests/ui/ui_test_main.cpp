// The window tests run in one QApplication on the offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>

#include "output/MdbListWriter.h"
#include "support/TempFolder.h"

namespace
{

// The offscreen platform says what it cannot do for every window; that is not news.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QStringLiteral("This plugin does not support")))
        return;
    qt_message_output(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietHandler);
    // A full-HD screen: the offscreen platform's own 800x600 is smaller than some windows.
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" QUORLIX_TEST_SCREEN);
    // Qt makes a runtime folder under $TMPDIR when there is none and leaves it: the tests' own.
    const quorlix::testing::TempFolder runtime("runtime");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.string()));
    QApplication app(argc, argv);
    quorlix::installMdbListWriter({}); // databases as the program writes them (Jet 3)
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
