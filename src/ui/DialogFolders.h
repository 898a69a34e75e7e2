#pragma once
// Where the file dialogs start. Each kind of file (text lists, databases,
// settings files, dictionaries, the Save As list types...) has the folder the
// user last chose such a file in, kept in the last settings; a kind without
// one starts in the user's Documents folder, else in the home folder (else
// where the program was started). A
// dialog whose request names its folder (a target proposed beside its
// source) starts there.

#include <string>

#include "settings/SettingsStore.h"
#include "ui/Prompts.h"

namespace quorlix::ui
{

class DialogFolders final : public Prompts
{
public:
    DialogFolders(Prompts& inner, SettingsStore& settings) : m_inner(inner), m_settings(settings) {}

    void message(QWidget* parent, const MessageRequest& request, std::function<void(Answer)> reply) override
    {
        m_inner.message(parent, request, std::move(reply));
    }
    void file(QWidget* parent, const FileRequest& request,
              std::function<void(std::optional<ChosenFile>)> reply) override;

    // The folder a dialog for request starts in.
    std::string startFolder(const FileRequest& request) const;

private:
    Prompts& m_inner;
    SettingsStore& m_settings;
};

// The last-settings key of the folder for a dialog's filter ("FolderTXT",
// "FolderMDB", "FolderSET", "FolderDCT"...; "FolderSaveAs" for a filter of
// several list types); empty when the filter names no kind of file.
std::string folderKey(const std::string& filter);

// The user's Documents folder when it exists, else the home folder, else
// (no home of the user's own) the current folder.
std::string defaultDialogFolder();

} // namespace quorlix::ui
