#pragma once
// The small dialogs of handing passwords out: the options of a hand-out list
// asked after Save As chose the file (slips, or the hash and user names of an
// account list), and the indicator beside the count showing the roster in use.

#include <QWidget>

#include <functional>
#include <optional>

#include "output/HandOut.h"
#include "output/ListWriter.h"

class QLabel;

namespace quorlix::ui
{

// Shows the options of format modal to parent's window, filled from handOut;
// reply gets the changed hand-out, or nullopt when cancelled. Pdf: paper,
// slips per page, QR code, heading, note. Chpasswd, and CSV or MDB with
// hashes: the hash scheme and, without user names in the roster, a prefix.
void showHandOutOptions(QWidget* parent, ListFormat format, const HandOut& handOut,
                        std::function<void(std::optional<HandOut>)> reply);

// "Roster: class.csv (25 people)" and a button that lets the roster go.
class RosterIndicator : public QWidget
{
    Q_OBJECT
public:
    explicit RosterIndicator(QWidget* parent);
    // Shown with the roster's file name and size; hidden when people is 0.
    void showRoster(const QString& title, std::size_t people);

signals:
    void clearRequested();

private:
    QLabel* m_label;
};

} // namespace quorlix::ui
