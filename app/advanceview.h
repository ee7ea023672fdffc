#ifndef ADVANCEVIEW_H
#define ADVANCEVIEW_H

#include <QDialog>

namespace Ui {
class AdvanceView;
}

// What the window hands the administrator view when it opens it.
struct AdvanceSettingDef
{
    bool otpEnable = false;
    int moduleOperationHours = 0; // carried along, not shown
};

// Administrator view: the OTP enable flag and the NFC factory reset of a chosen driver model.
class AdvanceView : public QDialog
{
    Q_OBJECT

public:
    explicit AdvanceView(QWidget* parent = nullptr);
    ~AdvanceView() override;

    // Sets "OTP Enable" from settings.otpEnable.
    void setCheckBox(const AdvanceSettingDef& settings);
    // Appends a model name to the factory reset list.
    void addComboItem(const QString& name);
    // Empties the factory reset list before it is filled again.
    void clearComboItems();

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // OK: the state of "OTP Enable".
    void hideDialog(bool enable);
    // Confirmed factory reset: the chosen model counted from 1, 0 when the list is empty.
    void startFactoryReset(int index);

private slots:
    void okBtnClicked();
    void factoryResetBtnClicked();

private:
    void connectSignals();

    Ui::AdvanceView* ui;
};

#endif // ADVANCEVIEW_H
