#pragma once
// How the windows ask the user something: message boxes and file dialogs.
//
// Every question is asynchronous: the answer comes to a callback, and the
// window's thread goes back to its own event loop meanwhile. A worker that
// needs an answer blocks on it (WindowWorker), but the window's thread never
// nests one event loop in another to wait, so two windows with questions open
// never hold each other up. Tests replace Prompts with a scripted one.

#include <QString>

#include <functional>
#include <optional>
#include <string>

#include "output/RunSurface.h"
#include "output/SaveAs.h"

class QWidget;

namespace quorlix::ui
{

struct MessageRequest {
    std::string text; // CR LF line breaks, as the program's texts have them
    std::string title{kTitle};
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
};

struct FileRequest {
    bool save = false;
    std::string title;
    std::string filter; // "Description (*.a)|*.a|..." as the program's texts give it
    std::string proposedName;
    bool confirmOverwrite = true; // save dialogs only
    std::string folder;           // where the dialog starts; empty: where DialogFolders says
};

inline FileRequest openFileRequest(std::string_view title, std::string_view filter)
{
    FileRequest r;
    r.title = title;
    r.filter = filter;
    return r;
}

inline FileRequest saveFileRequest(std::string_view title, std::string_view filter, std::string_view proposed = {},
                                   bool confirmOverwrite = true)
{
    FileRequest r;
    r.save = true;
    r.title = title;
    r.filter = filter;
    r.proposedName = proposed;
    r.confirmOverwrite = confirmOverwrite;
    return r;
}

class Prompts
{
public:
    virtual ~Prompts() = default;
    // The box is modal to parent's window alone.
    virtual void message(QWidget* parent, const MessageRequest& request, std::function<void(Answer)> reply) = 0;
    // nullopt when the user cancelled.
    virtual void file(QWidget* parent, const FileRequest& request,
                      std::function<void(std::optional<ChosenFile>)> reply) = 0;
    // The options of a hand-out list (HandOutDialog.h); nullopt when
    // cancelled. Without a window to ask, the options stay as they are.
    virtual void handOutOptions(QWidget* parent, ListFormat format, const HandOut& handOut,
                                std::function<void(std::optional<HandOut>)> reply)
    {
        (void)parent;
        (void)format;
        reply(handOut);
    }
};

// Message boxes and file dialogs of Qt, modal to their window.
class QtPrompts final : public Prompts
{
public:
    void message(QWidget* parent, const MessageRequest& request, std::function<void(Answer)> reply) override;
    void file(QWidget* parent, const FileRequest& request,
              std::function<void(std::optional<ChosenFile>)> reply) override;
    void handOutOptions(QWidget* parent, ListFormat format, const HandOut& handOut,
                        std::function<void(std::optional<HandOut>)> reply) override;
};

// The program's filter text ("Text File (*.txt)|*.txt|All Files (*.*)|*.*")
// as Qt name filters: one per description, its patterns taken from the
// pattern part ("*.htm; html" gives "*.htm *.html").
QStringList nameFilters(const std::string& filter);

// The extension a save dialog gives a name typed without one: the first
// pattern's of a Qt name filter ("Text File (*.txt)" gives "txt"), none for
// "*.*".
QString defaultSuffix(const QString& nameFilter);

// A message text with CR LF line breaks as a widget shows it.
QString displayText(std::string_view text);

// The answer when a window must not wait for the user (it is closing): the
// one that does the least (OK stops a run, No declines, Cancel ends).
Answer leastAnswer(Buttons buttons);

// For logic that runs on the window's thread and needs its answer before it
// goes on (the checks of Execute, Accept of an option window): waits in a
// local event loop. Used only where no worker of the window waits on the
// window (the window is idle).
class WaitingMessageBoxes final : public MessageBoxes
{
public:
    // waitDepth counts the waits under way, so the window defers closing
    // until they have returned.
    WaitingMessageBoxes(Prompts& prompts, QWidget* parent, int* waitDepth = nullptr)
        : m_prompts(prompts), m_parent(parent), m_waitDepth(waitDepth)
    {
    }
    using MessageBoxes::show;
    Answer show(std::string_view text, std::string_view title, Icon icon, Buttons buttons) override;

    std::optional<ChosenFile> chooseFile(const FileRequest& request);

private:
    template <class T, class Ask> T wait(Ask ask);

    Prompts& m_prompts;
    QWidget* m_parent;
    int* m_waitDepth;
};

} // namespace quorlix::ui
