#include "loginview.h"

#include "ui_loginview.h"

#include <QKeyEvent>
#include <QPixmap>

namespace {

// Compared exactly, letter case included.
const char* const adminPassword = "QuillorNZ";

} // namespace

LoginView::LoginView(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::LoginView)
{
    ui->setupUi(this);
    ui->iconLabel->setPixmap(QPixmap(QStringLiteral(":/image/passwordIcon.png")));
    connect(ui->cancelBtn, SIGNAL(clicked()), this, SLOT(cancelBtnClicked()));
    connect(ui->okBtn, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
    installEventFilter(this);
}

LoginView::~LoginView()
{
    delete ui;
}

bool LoginView::eventFilter(QObject* watched, QEvent* event)
{
    // Only the two buttons leave the dialog: Escape must not close it, and Return in the password
    // field must neither accept the dialog nor press a button.
    if (qobject_cast<QDialog*>(watched) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void LoginView::okBtnClicked()
{
    const bool accepted = ui->pwdLineEdit->text() == QLatin1String(adminPassword);
    ui->pwdLineEdit->clear();
    if (!accepted) {
        ui->pwdLineEdit->setFocus();
        ui->errorLabel->setText(tr("Incorrect password"));
        return;
    }
    ui->errorLabel->clear();
    emit loginSuccess();
    hide();
}

void LoginView::cancelBtnClicked()
{
    ui->pwdLineEdit->clear();
    ui->pwdLineEdit->setFocus();
    ui->errorLabel->clear();
    hide();
}
