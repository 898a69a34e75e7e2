#pragma once
// The main window's progress bar (clsProgressBar): a bar in the fore colour
// over the back colour, with the percentage centred over both and readable
// on either (drawn in the back colour where the bar lies under it).

#include <QColor>
#include <QWidget>

#include <cstdint>

namespace quorlix::ui
{

class ProgressBar final : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    // Colours as the program stores them: 0x00BBGGRR.
    void setForeColor(std::uint32_t bgr);
    void setBackColor(std::uint32_t bgr);
    std::uint32_t foreColor() const { return m_fore; }
    std::uint32_t backColor() const { return m_back; }
    void setDrawText(bool on);
    bool drawText() const { return m_drawText; }

    // The value in per cent (not limited here; callers keep 0..100). Redraws;
    // raises ProgressDone when it reaches 100.
    void setValue(int value);
    int value() const { return m_value; }
    // Blank until the next value (Clear Display).
    void clearSurface();
    bool blank() const { return m_blank; }

    QSize sizeHint() const override { return {200, 22}; }

signals:
    void ProgressDone();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QColor fromBgr(std::uint32_t bgr);

    std::int16_t m_value = 0;
    std::uint32_t m_fore = 0x00FF0000; // blue
    std::uint32_t m_back = 0x00FFFFFF;
    bool m_drawText = true;
    bool m_blank = false;
};

} // namespace quorlix::ui
