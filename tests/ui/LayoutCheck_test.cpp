// The check behind the pictures of every window: it finds cut-off texts,
// widgets on top of each other and widgets outside their window, and passes
// a window laid out as it should be. The Save As note is one it caught.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "LayoutCheck.h"
#include "UiTestSupport.h"
#include "ui/SaveAsBox.h"

namespace quorlix::testing
{
namespace
{

TEST(LayoutCheck, NamesClippedTextsOverlapsAndWidgetsOutsideTheWindow)
{
    QWidget window;
    window.setObjectName(QStringLiteral("Window"));
    window.resize(300, 200);
    auto* squeezed = new QLabel(QStringLiteral("A caption far longer than its room"), &window);
    squeezed->setObjectName(QStringLiteral("squeezed"));
    squeezed->setGeometry(10, 10, 60, 20);
    auto* wrapped = new QLabel(QStringLiteral("A wrapped text of many words that needs more than one line"), &window);
    wrapped->setObjectName(QStringLiteral("wrapped"));
    wrapped->setWordWrap(true);
    wrapped->setGeometry(10, 40, 120, 20);
    auto* first = new QPushButton(QStringLiteral("One"), &window);
    first->setObjectName(QStringLiteral("first"));
    first->setGeometry(150, 10, 100, 30);
    auto* second = new QPushButton(QStringLiteral("Two"), &window);
    second->setObjectName(QStringLiteral("second"));
    second->setGeometry(200, 30, 90, 30);
    auto* outside = new QCheckBox(QStringLiteral("Off"), &window);
    outside->setObjectName(QStringLiteral("outside"));
    outside->setGeometry(250, 180, 80, 30);
    window.show();

    const QStringList faults = layoutFaults(&window);
    const QString all = faults.join(QLatin1Char('\n'));
    EXPECT_EQ(faults.size(), 4) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Window: squeezed \"A caption far longer than its room\": text needs ")))
        << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("wrapped text needs"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("first \"One\" and second \"Two\": overlap by 50x10"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("outside \"Off\": lies at 250,180 80x30, outside the 300x200"))) << all.toStdString();

    // Laid out by a layout, the same widgets are fine.
    QWidget good;
    auto* layout = new QVBoxLayout(&good);
    for (QWidget* w : std::initializer_list<QWidget*>{squeezed, wrapped, first, second, outside})
        layout->addWidget(w);
    good.show();
    good.resize(good.sizeHint().width(), good.heightForWidth(good.sizeHint().width()));
    EXPECT_EQ(layoutFaultText(&good), "");
}

TEST(SaveAsNotice, ShowsEveryLineOfItsText)
{
    QWidget parent;
    parent.resize(760, 560);
    parent.show();
    auto* box = new ui::SaveAsBox(&parent);
    box->show();
    QTest::qWait(0);
    EXPECT_EQ(layoutFaultText(box), "");
    const auto* text = box->findChild<QLabel*>(QStringLiteral("Label1"));
    EXPECT_GE(text->height(), text->heightForWidth(text->width()));
    box->close();
}

} // namespace
} // namespace quorlix::testing
