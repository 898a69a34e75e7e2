#include "ui/ProgressBar.h"

#include <QPainter>

#include <algorithm>

namespace quorlix::ui
{

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Picture3"));
    setMinimumHeight(18);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QColor ProgressBar::fromBgr(std::uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

void ProgressBar::setForeColor(std::uint32_t bgr)
{
    m_fore = bgr;
    update();
}

void ProgressBar::setBackColor(std::uint32_t bgr)
{
    m_back = bgr;
    update();
}

void ProgressBar::setDrawText(bool on)
{
    m_drawText = on;
    update();
}

void ProgressBar::setValue(int value)
{
    m_value = static_cast<std::int16_t>(value);
    m_blank = false;
    update();
    if (m_value >= 100)
        emit ProgressDone();
}

void ProgressBar::clearSurface()
{
    m_blank = true;
    update();
}

void ProgressBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect all = rect();
    const QColor back = fromBgr(m_back);
    const QColor fore = fromBgr(m_fore);
    p.fillRect(all, back);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(all.adjusted(0, 0, -1, -1));
    if (m_blank)
        return;

    const int shown = std::clamp<int>(m_value, 0, 100);
    const QRect bar(all.left(), all.top(), all.width() * shown / 100, all.height());
    p.fillRect(bar, fore);
    if (!m_drawText)
        return;
    const QString text = m_value >= 100 ? QStringLiteral("100%") : QString::number(m_value) + QLatin1Char('%');
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    // The text in the fore colour over the empty part, in the back colour over the bar.
    p.setPen(fore);
    p.setClipRect(all.adjusted(bar.width(), 0, 0, 0));
    p.drawText(all, Qt::AlignCenter, text);
    p.setPen(back);
    p.setClipRect(bar);
    p.drawText(all, Qt::AlignCenter, text);
}

} // namespace quorlix::ui
