#pragma once
// The option windows of the main window: Characters, Hyphens / Blank Spaces,
// Password Rules, Random Words Settings and Multi-File Create. Each edits a
// working copy (the logic's own) in its controls and writes it back only on
// Accept; Multi-File Create stores its fields as they change, as it always has.

#include <QDialog>

#include <array>
#include <memory>

#include "options/CharactersWindow.h"
#include "options/InsertsWindow.h"
#include "options/PasswordRulesWindow.h"
#include "output/MultiFileWindow.h"
#include "ui/Prompts.h"
#include "words/WordSettingsWindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeView;
class QFileSystemModel;

namespace quorlix::ui
{

class MainWindow;

// A modeless window of a main window: closes with it, asks through it.
class OptionWindow : public QDialog
{
    Q_OBJECT
public:
    OptionWindow(MainWindow& main, const char* objectName, const QString& caption);

protected:
    MessageBoxes& boxes() { return *m_boxes; }
    QPushButton* button(const char* name, const QString& caption);
    MainWindow& m_main;

private:
    std::unique_ptr<WaitingMessageBoxes> m_boxes;
};

class CharactersDialog final : public OptionWindow
{
    Q_OBJECT
public:
    explicit CharactersDialog(MainWindow& main);
    QCheckBox* box(int code) const { return m_boxes[static_cast<std::size_t>(code)]; }

private:
    void showCopy();
    void accept() override;

    CharactersWorkingCopy m_copy;
    std::array<QCheckBox*, 127> m_boxes{};
};

class InsertsDialog final : public OptionWindow
{
    Q_OBJECT
public:
    InsertsDialog(MainWindow& main, bool blanks);
    QCheckBox* box(int position) const { return m_boxes[static_cast<std::size_t>(position)]; }

private:
    void showCopy();
    void accept() override;

    InsertsWorkingCopy m_copy;
    std::array<QCheckBox*, kInsertPositions + 1> m_boxes{};
};

class RulesDialog final : public OptionWindow
{
    Q_OBJECT
public:
    explicit RulesDialog(MainWindow& main);
    QComboBox* choice(int position) const { return m_choices[static_cast<std::size_t>(position)]; }

private:
    void accept() override;

    RulesWorkingCopy m_copy;
    std::array<QComboBox*, kMaxLength + 1> m_choices{};
};

class WordSettingsDialog final : public OptionWindow
{
    Q_OBJECT
public:
    explicit WordSettingsDialog(MainWindow& main);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fromForm();
    void toForm();
    void accept() override;

    WordSettingsForm m_form;
    QComboBox* m_dictionary;
    QLineEdit* m_total;
    QLineEdit* m_quantity;
    QLineEdit* m_separator;
    QLabel* m_separatorLabel;
    QCheckBox* m_dups;
    QCheckBox* m_randomNumbers;
    QLineEdit* m_digits;
    QCheckBox* m_wordLengths;
    QLineEdit* m_minLength;
    QLineEdit* m_maxLength;
    QCheckBox* m_upper;
    QComboBox* m_wordCase;
    bool m_updating = false;
};

class MultiFileDialog final : public OptionWindow
{
    Q_OBJECT
public:
    explicit MultiFileDialog(MainWindow& main);
    // Points the folder list at a folder, as choosing it there would.
    void chooseFolder(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void accept() override;
    void reject() override;

    MultiFileWindow m_logic;
    QLineEdit* m_preface;
    QLineEdit* m_totalFiles;
    QCheckBox* m_activate;
    std::array<QRadioButton*, kMultiFileTypeCount> m_types{};
    QTreeView* m_folders;
    QFileSystemModel* m_folderModel;
    QLabel* m_directory;
};

} // namespace quorlix::ui
