#ifndef SETTING_PART250_H
#define SETTING_PART250_H

#include "progdata.h"

#include <QDialog>

namespace Ui {
class setting_part250;
}

// Memory bank 201: the DALI bus power supply status of the driver, for NFC programming.
class setting_part250 : public QDialog
{
    Q_OBJECT

public:
    explicit setting_part250(QWidget* parent = nullptr);
    ~setting_part250() override;

    void loadSettings(const ProgDataStructDef& data);

signals:
    // Only bank201BPSS of data carries meaning.
    void hideDialog(ProgDataStructDef& data);

private slots:
    void okBtnClicked();
    void checkBoxstateChanged();

private:
    Ui::setting_part250* ui;
};

#endif // SETTING_PART250_H
