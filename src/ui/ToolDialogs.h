#pragma once
// The Dictionary menu's windows: Download Dictionary File (modal) and the
// View Dictionary search window (modeless, one per main window).

#include <QDialog>

#include <atomic>
#include <memory>
#include <thread>

#include "ui/Prompts.h"
#include "words/DictionaryDownload.h"
#include "words/WordTables.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace quorlix::ui
{

class MainWindow;

class DownloadDialog final : public QDialog
{
    Q_OBJECT
public:
    DownloadDialog(MainWindow& main, DownloadRequest& flag);
    ~DownloadDialog() override;
    // Shows the window modal to main and returns when it has closed.
    static void runModal(MainWindow& main, DownloadRequest& flag);

    bool downloading() const { return m_downloading; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void optionChosen(int option);
    void accept() override;
    void reject() override;
    // DownloadFile on a thread, the window live and showing progress meanwhile.
    Status fetch(const DictionarySource& source, const std::string& path);
    void showSource();

    MainWindow& m_main;
    DownloadRequest& m_flag;
    DownloadWindow m_window;
    std::unique_ptr<WaitingMessageBoxes> m_boxes;
    QRadioButton* m_options[7]{};
    QLineEdit* m_name;
    QListWidget* m_present;
    QListWidget* m_lists;
    QLabel* m_source;
    QProgressBar* m_progress;
    QLabel* m_progressText;
    QPushButton* m_accept;
    bool m_downloading = false;
    std::atomic<bool> m_cancel{false};
};

class SearchDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit SearchDialog(MainWindow& main);
    ~SearchDialog() override;
    // Each opening starts fresh: Whole selected, empty boxes.
    void start();
    void search();
    bool searching() const { return m_thread.joinable(); }
    // Escape: closes as Cancel does, once a search under way has ended.
    void reject() override;

signals:
    void searchFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setControlsEnabled(bool on);

    MainWindow& m_main;
    std::unique_ptr<WaitingMessageBoxes> m_boxes;
    QLineEdit* m_word;
    QRadioButton* m_whole;
    QRadioButton* m_hybrid;
    QPlainTextEdit* m_results;
    QPushButton* m_search;
    QPushButton* m_clear;
    std::thread m_thread;
    // The dictionary read once per file and kept for the next searches.
    std::shared_ptr<const WordTables> m_tables;
    std::string m_tablesFile;
};

} // namespace quorlix::ui
