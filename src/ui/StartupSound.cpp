#include "ui/StartupSound.h"

#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace quorlix::ui
{

void StartupSound::play()
{
    // Opening the audio device may take a moment: never before the window shows.
    QTimer::singleShot(0, this, [this] {
        if (!m_effect) {
            m_effect = new QSoundEffect(this);
            m_effect->setSource(QUrl(QStringLiteral("qrc:/sounds/startup.wav")));
            m_effect->setVolume(0.6f);
        }
        m_effect->play();
    });
}

} // namespace quorlix::ui
