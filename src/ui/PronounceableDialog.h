#pragma once
// "Pronounceable - Settings": the amount, lengths, capital, digits, symbol and
// separator of the Pronounceable method, with the count and bits they give.

#include "engine/PronounceableForm.h"
#include "ui/OptionDialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace quorlix::ui
{

class PronounceableDialog final : public OptionWindow
{
    Q_OBJECT
public:
    explicit PronounceableDialog(MainWindow& main);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PronounceableForm form() const;
    void updateReadout();
    void accept() override;

    QLineEdit* m_total;
    QLineEdit* m_min;
    QLineEdit* m_max;
    QComboBox* m_capital;
    QLineEdit* m_digits;
    QCheckBox* m_symbol;
    QComboBox* m_separator;
    QLabel* m_readout;
};

} // namespace quorlix::ui
