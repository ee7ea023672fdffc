// Profile files of the Programming tab: one product's settings as a small text file, saved from
// the tab and loaded back for a production batch (the format: profileformat.h).

#include "mainwindow.h"

#include "filesave.h"
#include "globals.h"
#include "profileformat.h"
#include "prompt.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

void MainWindow::saveProfile()
{
    if (checkProgrammingInputs() == -1)
        return;
    Prompt::information(
        nullptr, tr("Tips"),
        tr("The setting profile is model specific, please ensure the coeectness of selected model "
           "name."),
        QMessageBox::Ok);
    const QString path = Prompt::getSaveFileName(
        this, tr("Choose or Enter Path of File"),
        QStringLiteral("Save Profile_%1.txt").arg(QDateTime::currentSecsSinceEpoch()));
    if (path.isEmpty())
        return;

    collectProgrammingData();
    // The text stream's codec is the local 8-bit one, as the profile has always been written.
    const QByteArray text = ProfileFormat::blockText(progData, ui->driverComboBox->currentText()).toLocal8Bit();
    QString error;
    if (!saveWholeFile(path, text, QIODevice::Text, &error))
        Prompt::warning(
            this, tr("Error"),
            tr("Cannot write file %1:\n%2.").arg(QDir::toNativeSeparators(path), error));
}

void MainWindow::loadProfile()
{
    const QString path = Prompt::getOpenFileName(this, QString());
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        Prompt::warning(
            this, tr("Error"),
            tr("Cannot read file %1:\n%2.").arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }

    // The header decides first whether the profile may replace the connected driver's settings;
    // the settings change only once every line has been read.
    QTextStream in(&file);
    QString header;
    ProfileFormat::readLine(in, &header);
    quint16 product = 0;
    if (ProfileFormat::readHeader(header, &product) && driverConnectionState == DRIVER_CONNECTED) {
        if (product != progData.productIndex) {
            Prompt::warning(this, tr("Warning"),
                            tr("Load fail! The selected profile doesn't match current LED driver."),
                            QMessageBox::Ok);
            return;
        }
        if (Prompt::question(this, tr("Warning"), tr("Load profile and overwrite the current setting?"),
                             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) != QMessageBox::Ok)
            return;
    }

    // Loaded whole or not at all, and only for a product of the list.
    ProgDataStructDef loaded = progData;
    const bool valid = ProfileFormat::readBlock(header, in, loaded) && loaded.productIndex < productList.size();
    file.close();
    if (!valid) {
        Prompt::information(nullptr, tr("Warning"),
                            tr("Load profile fail! Please check the program profile."), QMessageBox::Ok);
        return;
    }

    progData = loaded;
    profileLoaded = 1;
    loadedProfileProductIndex = loaded.productIndex;
    displayDriverInfo();
    loadedProfileName = QFileInfo(path).fileName();
    emit debug_msg(loadedProfileName);
    ui->cloErrorLabel->setText(profileStatusText());
    ui->cloErrorLabel->show();
}
