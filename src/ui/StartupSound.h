#pragma once
// The start-up sound: a short chime of our own (mono, 8-bit, 11,025 samples
// per second, carried inside the program), played without holding anything
// up. Without an audio device it is simply not heard.

#include <QObject>

class QSoundEffect;

namespace quorlix::ui
{

class Sound
{
public:
    virtual ~Sound() = default;
    virtual void play() = 0;
};

class StartupSound final : public QObject, public Sound
{
    Q_OBJECT
public:
    using QObject::QObject;
    // Returns at once; the sound starts once the event loop runs.
    void play() override;

private:
    QSoundEffect* m_effect = nullptr;
};

} // namespace quorlix::ui
