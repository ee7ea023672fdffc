#ifndef SETTING_PART253_H
#define SETTING_PART253_H

#include "progdata.h"

#include <QDialog>

namespace Ui {
class setting_part253;
}

// Memory banks 205 to 207: control gear and light source diagnostics (shown) and the resettable
// counters and luminaire maintenance data (editable) for NFC programming.
class setting_part253 : public QDialog
{
    Q_OBJECT

public:
    explicit setting_part253(QWidget* parent = nullptr);
    ~setting_part253() override;

    void loadSettings(const ProgDataStructDef& data);

signals:
    // Only bank206StartCounterResettable, bank206OnTimeResettable and the bank 207 fields of data
    // carry meaning.
    void hideDialog(ProgDataStructDef& data);

private slots:
    void okBtnClicked();
    void checkBoxstateChanged();

private:
    Ui::setting_part253* ui;
};

#endif // SETTING_PART253_H
