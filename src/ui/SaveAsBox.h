#pragma once
// FrmSaveAsBox: the note shown before the first Save As, with the check box
// that stops it from showing again.

#include <QDialog>

class QCheckBox;

namespace quorlix::ui
{

class SaveAsBox final : public QDialog
{
    Q_OBJECT
public:
    explicit SaveAsBox(QWidget* parent);
    bool dontShowAgain() const;

private:
    QCheckBox* m_check;
};

} // namespace quorlix::ui
