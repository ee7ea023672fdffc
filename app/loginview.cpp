#include "loginview.h"

#include "ui_loginview.h"

#include <QCryptographicHash>
#include <QKeyEvent>
#include <QPixmap>

namespace {

// Only the SHA-256 digest of the administrator password is kept, so the password cannot be read
// out of the program file. Equal digests mean the very same text, letter case included.
const char* const adminPasswordSha256 = "33b2c88c6e7f82dda1c4479917728289412831a90f642ba79a432f89455298b5";

bool isAdminPassword(const QString& text)
{
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex()
           == QByteArray(adminPasswordSha256);
}

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
    const bool accepted = isAdminPassword(ui->pwdLineEdit->text());
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
