#ifndef LOGINVIEW_H
#define LOGINVIEW_H

#include <QDialog>

namespace Ui {
class LoginView;
}

// Password dialog in front of the administrator view. Keeps no state between showings: both
// buttons leave the password field and the error line empty.
class LoginView : public QDialog
{
    Q_OBJECT

public:
    explicit LoginView(QWidget* parent = nullptr);
    ~LoginView() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The administrator password was typed; emitted before the dialog hides.
    void loginSuccess();

private slots:
    void okBtnClicked();
    void cancelBtnClicked();

private:
    Ui::LoginView* ui;
};

#endif // LOGINVIEW_H
