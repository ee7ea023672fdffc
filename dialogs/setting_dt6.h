#ifndef SETTING_DT6_H
#define SETTING_DT6_H

#include "progdata.h"

#include <QDialog>

namespace Ui {
class setting_DT6;
}

// DALI device type 6 variables for NFC programming: power on level, dimming curve, min and max
// level, system failure level, short address. OK refuses min above max and a short address that
// is neither 0 to 63 nor MASK.
class setting_DT6 : public QDialog
{
    Q_OBJECT

public:
    explicit setting_DT6(QWidget* parent = nullptr);
    ~setting_DT6() override;

    // Fills the editors from the six DT6 fields of data; the short address shows as the address
    // (255 for MASK), not as its byte.
    void loadSettings(const ProgDataStructDef& data);

signals:
    // Only the six DT6 fields of data carry meaning.
    void hideDialog(ProgDataStructDef& data);

private slots:
    void okBtnClicked();
    void checkBoxstateChanged();

private:
    Ui::setting_DT6* ui;
};

#endif // SETTING_DT6_H
