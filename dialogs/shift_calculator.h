#ifndef SHIFT_CALCULATOR_H
#define SHIFT_CALCULATOR_H

#include <QDialog>

namespace Ui {
class shift_calculator;
}

// Works out the midnight shift of a site from its longitude and its time zone: the minutes from
// 00:00 of the zone's clock to local mean solar midnight, positive west of the zone's meridian.
// The smart timer dialog takes the result only when the user ticked "Use time shift calculator"
// and pressed OK; Escape closes it without handing anything back.
class shift_calculator : public QDialog
{
    Q_OBJECT

public:
    explicit shift_calculator(QWidget* parent = nullptr);
    ~shift_calculator() override;

    bool useCalculator() const { return useFlag; }
    // Unclamped; the smart timer's own box limits what it takes.
    int shiftMinutes() const { return shift; }

signals:
    void hideDialog();

private slots:
    void okBtnClicked();
    void calculateTimeShift();

private:
    Ui::shift_calculator* ui;
    bool useFlag;
    int shift;
};

#endif // SHIFT_CALCULATOR_H
