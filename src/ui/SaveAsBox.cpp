#include "ui/SaveAsBox.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "output/SaveAs.h"

namespace quorlix::ui
{

SaveAsBox::SaveAsBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmSaveAsBox"));
    setWindowTitle(QStringLiteral("Quorlix"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    auto* text =
        new QLabel(QString::fromUtf8(kSaveAsNoticeText.data(), static_cast<qsizetype>(kSaveAsNoticeText.size())), this);
    text->setObjectName(QStringLiteral("Label1"));
    text->setWordWrap(true);
    m_check = new QCheckBox(
        QString::fromUtf8(kSaveAsNoticeCheckBox.data(), static_cast<qsizetype>(kSaveAsNoticeCheckBox.size())), this);
    m_check->setObjectName(QStringLiteral("chkMsgDisplay"));
    auto* ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_check);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
    // The note's width is set in characters; the box takes the height its
    // lines need at that width, whatever the font and scale.
    text->setFixedWidth(text->fontMetrics().averageCharWidth() * 66);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool SaveAsBox::dontShowAgain() const
{
    return m_check->isChecked();
}

} // namespace quorlix::ui
