#pragma once
// The desktop program: what its main windows share, and the windows.

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/SettingsStore.h"
#include "words/DictionaryFolder.h"
#include "ui/Desktop.h"
#include "ui/Prompts.h"
#include "ui/StartupSound.h"

namespace quorlix::ui
{

class MainWindow;

struct Services {
    Prompts& prompts;
    SettingsStore& settings;   // the per-user store, used on the windows' thread only
    DictionaryPlaces places;   // where dictionaries are looked up
    Desktop& desktop;
    Sound* sound = nullptr; // null: silent
    // Where the last settings live, for the system information.
    std::string settingsFileName;
};

class Program final : public QObject
{
    Q_OBJECT
public:
    explicit Program(Services services);
    ~Program() override;

    Services& services() { return m_services; }

    // A further main window, shown.
    MainWindow* openWindow();
    // The main windows still open.
    std::vector<MainWindow*> windows() const;
    // Closing window closes every other window of the program; the other main
    // windows close without saving their settings over the ones window saved.
    void closeAllBut(QWidget* window);

private:
    Services m_services;
    std::vector<QPointer<MainWindow>> m_windows;
};

} // namespace quorlix::ui
