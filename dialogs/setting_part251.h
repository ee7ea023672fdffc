#ifndef SETTING_PART251_H
#define SETTING_PART251_H

#include "progdata.h"

#include <QDialog>

namespace Ui {
class setting_part251;
}

// Memory bank 1, the luminaire data: GTIN, identification number, content format, date of
// manufacture, power, mains voltage, light output, CRI, CCT, light distribution and three texts.
// OK refuses a GTIN or identification number that is not a whole number fitting its field.
class setting_part251 : public QDialog
{
    Q_OBJECT

public:
    explicit setting_part251(QWidget* parent = nullptr);
    ~setting_part251() override;

    // The manufacturer-specific text is offered only when the last tag the FEIG reader parsed
    // has the layout that carries it (FA_location).
    void loadSettings(const ProgDataStructDef& data);

signals:
    // Only the bank-1 fields of data (bank1GTIN to bank1SpecificString) carry meaning.
    void hideDialog(ProgDataStructDef& data);

private slots:
    void okBtnClicked();
    void checkBoxstateChanged();

private:
    Ui::setting_part251* ui;
    // The manufacturer-specific bytes as loaded: OK hands them back untouched while their editor
    // is hidden, since the editor shows a text only up to its first zero byte.
    quint8 loadedSpecificString[sizeof(ProgDataStructDef::bank1SpecificString)] = {};
};

#endif // SETTING_PART251_H
