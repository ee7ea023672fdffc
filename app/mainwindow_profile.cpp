// Profile files of the Programming tab: one product's settings as a small text file, saved from
// the tab and loaded back for a production batch.
//
// A profile is a header line and 33 "PID" lines, one per setting; fields are separated by ":".
// The meaning of a line is its position, and its values start at the fourth field:
//   ProductIndex:   120  :Description:Kavro KLD 075 M120
//   PID:  1: Current                      :700
//   PID:  7: CLO_Time                     :0:10:20:40:60:80:90:100

#include "mainwindow.h"

#include "globals.h"
#include "prompt.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <functional>
#include <limits>
#include <vector>

namespace {

constexpr int PROFILE_PARAMS = 33;
constexpr int FIRST_VALUE_FIELD = 3;
constexpr int NAME_WIDTH = 29;

// One PID line: how its values are written and how they are read back into a record. A value
// that is not a decimal number or does not fit its field makes the line, and so the file, invalid.
struct ProfileParam
{
    const char* name;
    std::function<QStringList(const ProgDataStructDef&)> write;
    std::function<bool(ProgDataStructDef&, const QStringList&)> read;
};

bool readNumber(const QString& text, qint64 min, qint64 max, qint64& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok, 10);
    return ok && value >= min && value <= max;
}

template <typename T> ProfileParam number(const char* name, T ProgDataStructDef::*field)
{
    return {name, [field](const ProgDataStructDef& d) { return QStringList{QString::number(d.*field)}; },
            [field](ProgDataStructDef& d, const QStringList& values) {
                qint64 v = 0;
                if (values.isEmpty() || !readNumber(values.first(), std::numeric_limits<T>::min(),
                                                    std::numeric_limits<T>::max(), v))
                    return false;
                d.*field = T(v);
                return true;
            }};
}

// On only when the value is exactly 1.
ProfileParam flag(const char* name, quint8 ProgDataStructDef::*field)
{
    ProfileParam param = number(name, field);
    param.read = [field](ProgDataStructDef& d, const QStringList& values) {
        qint64 v = 0;
        if (values.isEmpty() || !readNumber(values.first(), 0, std::numeric_limits<quint8>::max(), v))
            return false;
        d.*field = v == 1 ? 1 : 0;
        return true;
    };
    return param;
}

// A list is written and read whole, with exactly `count` entries.
ProfileParam list(const char* name, QList<int> ProgDataStructDef::*field, int count)
{
    return {name,
            [field, count](const ProgDataStructDef& d) {
                QStringList texts;
                for (int i = 0; i < count; ++i)
                    texts << QString::number((d.*field).value(i));
                return texts;
            },
            [field, count](ProgDataStructDef& d, const QStringList& values) {
                if (values.size() < count)
                    return false;
                QList<int> entries;
                for (int i = 0; i < count; ++i) {
                    qint64 v = 0;
                    if (!readNumber(values.at(i), std::numeric_limits<int>::min(),
                                    std::numeric_limits<int>::max(), v))
                        return false;
                    entries << int(v);
                }
                d.*field = entries;
                return true;
            }};
}

// PID n is entry n - 1. Not in a profile: LDP_Shutdown and the memory-bank half of the record.
const std::vector<ProfileParam>& profileParams()
{
    using D = ProgDataStructDef;
    static const std::vector<ProfileParam> params{
        number("Current", &D::current),
        number("FW_Version", &D::firmwareVersion),
        number("DimType", &D::dimFunctionType),
        flag("EOL_Enable", &D::EOL_Enable),
        number("EOL_Time", &D::userEolTime),
        flag("CLO_Enable", &D::CLO_Enable),
        list("CLO_Time", &D::CLO_TimeList, 8),
        list("CLO_Level", &D::CLO_LevelList, 8),
        flag("OTP_Enable", &D::OTP_Enable),
        flag("MTP_Enable", &D::MTP_Enable),
        number("MTP_MinLevel", &D::MTP_MinLevel),
        number("MTP_Start", &D::MTP_Start),
        number("MTP_End", &D::MTP_End),
        number("MTP_MaxLevel", &D::MTP_MaxLevel),
        number("MTP_Shutdown", &D::MTP_Shutdown),
        number("LDP_MinDim", &D::LDP_MinDim),
        number("LDP_MaxAD", &D::LDP_MaxAD),
        number("LDP_MinAD", &D::LDP_MinAD),
        number("0-10V_MinLevel", &D::analogDimMinLevel),
        number("0-10V_MaxLevel", &D::analogDimMaxLevel),
        number("0-10V_Start", &D::analogDimStart),
        number("0-10V_End", &D::analogDimEnd),
        number("0-10V_Mode", &D::analogDimMode),
        list("SmartTimeDimStep", &D::TimeDimStepList, 5),
        list("SmartTimeDimLevel", &D::TimeDimLevelList, 5),
        number("MidnightOffset", &D::midnightOffset),
        number("ProtocolVersion", &D::tableVersion),
        list("TimerDimFadeTime_OnOff", &D::TimeDimFadeTimeList, 5),
        number("TimerDimOverrideFadeTime", &D::timerDimOverrideFadeTime),
        number("ModuleOperationTime_Mins", &D::moduleOperationTime_mins),
        number("ModuleOperationTime_Hrs", &D::moduleOperationTime_hrs),
        number("DriverOperationTime_Mins", &D::driverOperationTime_mins),
        number("DriverOperationTime_Hrs", &D::driverOperationTime_hrs),
    };
    return params;
}

QString profileText(const ProgDataStructDef& d, const QString& modelName)
{
    QString text = QStringLiteral("ProductIndex:   %1  :Description:").arg(d.productIndex) + modelName +
                   QLatin1Char('\n');
    int pid = 1;
    for (const ProfileParam& param : profileParams()) {
        text += QStringLiteral("PID: %1: %2:").arg(pid++, 2).arg(QLatin1String(param.name), -NAME_WIDTH) +
                param.write(d).join(QLatin1Char(':')) + QLatin1Char('\n');
    }
    return text;
}

// Reads a whole profile into d; false, with d half-filled, unless the header and all 33 lines are
// there and valid and the product exists. Lines after the 33rd are not read.
bool readProfile(QTextStream& in, ProgDataStructDef& d)
{
    const QStringList header = in.readLine().split(QLatin1Char(':'));
    qint64 product = 0;
    if (header.size() < 2 || !readNumber(header.at(1), 0, productList.size() - 1, product))
        return false;
    d.productIndex = quint16(product);

    for (const ProfileParam& param : profileParams()) {
        const QString line = in.readLine();
        if (line.isNull() || !param.read(d, line.split(QLatin1Char(':')).mid(FIRST_VALUE_FIELD)))
            return false;
    }
    return true;
}

} // namespace

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

    // Written beside the target and renamed over it only when complete: a failed write never
    // replaces a good profile with half of one.
    QSaveFile file(path);
    auto cannotWrite = [this, &path, &file] {
        Prompt::warning(
            this, tr("Error"),
            tr("Cannot write file %1:\n%2.").arg(QDir::toNativeSeparators(path), file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        cannotWrite();
        return;
    }
    collectProgrammingData();
    QTextStream out(&file);
    out << profileText(progData, ui->driverComboBox->currentText());
    out.flush();
    if (out.status() != QTextStream::Ok || !file.commit())
        cannotWrite();
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

    // Loaded whole or not at all: the settings change only once every line has been read.
    ProgDataStructDef loaded = progData;
    QTextStream in(&file);
    const bool valid = readProfile(in, loaded);
    file.close();
    if (!valid) {
        Prompt::information(nullptr, tr("Warning"),
                            tr("Load profile fail! Please check the program profile."), QMessageBox::Ok);
        return;
    }

    if (driverConnectionState == DRIVER_CONNECTED) {
        if (loaded.productIndex != progData.productIndex) {
            Prompt::warning(this, tr("Warning"),
                            tr("Load fail! The selected profile doesn't match current LED driver."),
                            QMessageBox::Ok);
            return;
        }
        if (Prompt::question(this, tr("Warning"), tr("Load profile and overwrite the current setting?"),
                             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) != QMessageBox::Ok)
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
