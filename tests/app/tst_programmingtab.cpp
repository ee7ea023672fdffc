// The Programming tab of the real window without a tool: a driver record shown on the tab, the
// checks of the CLO curve and the 0-10V minimum, what a Program run collects, the production view
// as the engine's reports drive it, the day's programming log and the label program, the
// operating-time reset's boxes, the setting dialogs opened from the tab, and profiles. A record
// "read" here is put into the DALI engine's record and announced as a completed read, as the
// engine does at the end of a real read.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"

#include <QSignalSpy>
#include <QtTest>
#include <QtWidgets>

#include <algorithm>
#include <functional>
#include <memory>

Q_DECLARE_METATYPE(ProgDataStructDef)

namespace {

// 121 products, so both MTP encodings (up to 99, from 100) and the 50 % products exist. Every
// name has four words; the fourth is the model word of the log. Product 7 dims only to its
// minimum level.
QList<QByteArray> productLines()
{
    QList<QByteArray> lines;
    for (int i = 0; i <= 120; ++i) {
        lines << QStringLiteral("%1,Kavro KLD 075 M%1,75,1400,350,1,10,56.0,28.0,0,%2")
                     .arg(i)
                     .arg(i == 7 ? "1FFF" : "17FF")
                     .toLatin1();
    }
    return lines;
}

ProgDataStructDef baseRecord(int product)
{
    ProgDataStructDef d;
    setProgDataDefaults(d);
    d.productIndex = quint16(product);
    d.current = 700;
    d.firmwareVersion = 0x0105;
    d.dimFunctionType = 0;
    d.analogDimMode = 1;
    d.analogDimMinLevel = 10;
    d.analogDimStart = 85;
    d.analogDimEnd = 11;
    d.TimeDimStepList = {10, 20, 30, 40, 50};
    d.TimeDimLevelList = {100, 75, 50, 25, 10};
    d.TimeDimFadeTimeList = {1, 2, 4, 8, 16};
    d.midnightOffset = -30;
    d.MTP_MinLevel = 40;
    d.MTP_Start = product >= 100 ? 1358 : 590;
    d.MTP_End = 410;
    d.moduleOperationTime_hrs = 74565;
    return d;
}

QString joined(const QList<int>& values)
{
    QStringList texts;
    for (int v : values)
        texts << QString::number(v);
    return texts.join(' ');
}

QString recordField(const ProgDataStructDef& d, const QString& name)
{
    const QMap<QString, QString> fields{
        {"current", QString::number(d.current)},
        {"dimFunctionType", QString::number(d.dimFunctionType)},
        {"analogDimMode", QString::number(d.analogDimMode)},
        {"analogDimMinLevel", QString::number(d.analogDimMinLevel)},
        {"analogDimStart", QString::number(d.analogDimStart)},
        {"analogDimEnd", QString::number(d.analogDimEnd)},
        {"MTP_Enable", QString::number(d.MTP_Enable)},
        {"MTP_MinLevel", QString::number(d.MTP_MinLevel)},
        {"MTP_Start", QString::number(d.MTP_Start)},
        {"MTP_End", QString::number(d.MTP_End)},
        {"CLO_Enable", QString::number(d.CLO_Enable)},
        {"CLO_TimeList", joined(d.CLO_TimeList)},
        {"CLO_LevelList", joined(d.CLO_LevelList)},
        {"EOL_Enable", QString::number(d.EOL_Enable)},
        {"userEolTime", QString::number(d.userEolTime)},
        {"midnightOffset", QString::number(d.midnightOffset)},
        {"TimeDimStepList", joined(d.TimeDimStepList)},
        {"TimeDimLevelList", joined(d.TimeDimLevelList)},
        {"TimeDimFadeTimeList", joined(d.TimeDimFadeTimeList)},
        {"moduleOperationTime_hrs", QString::number(d.moduleOperationTime_hrs)},
    };
    return fields.value(name, "no such field " + name);
}

QString widgetState(QWidget* w)
{
    if (!w)
        return "missing";
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* s = qobject_cast<QDoubleSpinBox*>(w))
        return QString::number(s->value(), 'f', s->decimals());
    if (auto* s = qobject_cast<QSpinBox*>(w))
        return QString::number(s->value());
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentText();
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->format();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->isChecked() ? "on" : "off";
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->isChecked() ? "on" : "off";
    return "unknown";
}

void setWidget(QWidget* w, const QString& value)
{
    QVERIFY2(w, qPrintable(value));
    if (auto* s = qobject_cast<QDoubleSpinBox*>(w))
        s->setValue(value.toDouble());
    else if (auto* s = qobject_cast<QSpinBox*>(w))
        s->setValue(value.toInt());
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(value);
    else if (auto* c = qobject_cast<QComboBox*>(w))
        c->setCurrentText(value);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setChecked(value == "on");
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setChecked(value == "on");
}

// "name=value" checks: a widget's state, "name.enabled" its enabling, "record.field" a field of
// the window's programming data.
void checkStates(MainWindow& w, const QStringList& expected)
{
    for (const QString& item : expected) {
        const QString key = item.section('=', 0, 0);
        const QString value = item.section('=', 1);
        QString actual;
        if (key.startsWith("record."))
            actual = recordField(w.programmingData(), key.mid(7));
        else if (key.endsWith(".enabled"))
            actual = w.findChild<QWidget*>(key.chopped(8))->isEnabled() ? "true" : "false";
        else
            actual = widgetState(w.findChild<QWidget*>(key));
        QVERIFY2(actual == value, qPrintable(key + ": " + actual + " instead of " + value));
    }
}

QStringList spied(const QSignalSpy& spy)
{
    QStringList texts;
    for (const QList<QVariant>& args : spy)
        texts << args.at(0).toString();
    return texts;
}

// "name=value" sets a widget under root, "click:name" clicks a button as the user would.
void applyStep(QWidget* root, const QString& step)
{
    if (step.startsWith("click:"))
        root->findChild<QAbstractButton*>(step.mid(6))->click();
    else
        setWidget(root->findChild<QWidget*>(step.section('=', 0, 0)), step.section('=', 1));
}

// The memory-bank half of a record, bank1GTIN to tagTrailerBytes: single bytes, no padding.
const ProgDataStructDef shape;
const int BANK_SIZE = int(shape.tagTrailerBytes + sizeof shape.tagTrailerBytes - shape.bank1GTIN);

QByteArray bankImage(const ProgDataStructDef& d)
{
    return QByteArray(reinterpret_cast<const char*>(&d.bank1GTIN), BANK_SIZE);
}

int bankOffset(const void* field)
{
    return int(static_cast<const quint8*>(field) - shape.bank1GTIN);
}

// 1 at the bytes of the given fields of `shape`.
template <typename... Fields> QByteArray partMask(const Fields&... fields)
{
    QByteArray mask(BANK_SIZE, '\0');
    (mask.replace(bankOffset(&fields), int(sizeof fields), QByteArray(int(sizeof fields), '\1')), ...);
    return mask;
}

// Every setting of a product-120 profile, as saving it must write it.
const char PROFILE[] = "ProductIndex:   120  :Description:Kavro KLD 075 M120\n"
                       "PID:  1: Current                      :700\n"
                       "PID:  2: FW_Version                   :261\n"
                       "PID:  3: DimType                      :129\n"
                       "PID:  4: EOL_Enable                   :1\n"
                       "PID:  5: EOL_Time                     :50\n"
                       "PID:  6: CLO_Enable                   :1\n"
                       "PID:  7: CLO_Time                     :0:11:21:41:61:81:91:101\n"
                       "PID:  8: CLO_Level                    :100:99:98:97:96:95:94:100\n"
                       "PID:  9: OTP_Enable                   :1\n"
                       "PID: 10: MTP_Enable                   :1\n"
                       "PID: 11: MTP_MinLevel                 :40\n"
                       "PID: 12: MTP_Start                    :1358\n"
                       "PID: 13: MTP_End                      :410\n"
                       "PID: 14: MTP_MaxLevel                 :100\n"
                       "PID: 15: MTP_Shutdown                 :300\n"
                       "PID: 16: LDP_MinDim                   :5\n"
                       "PID: 17: LDP_MaxAD                    :900\n"
                       "PID: 18: LDP_MinAD                    :100\n"
                       "PID: 19: 0-10V_MinLevel               :10\n"
                       "PID: 20: 0-10V_MaxLevel               :100\n"
                       "PID: 21: 0-10V_Start                  :85\n"
                       "PID: 22: 0-10V_End                    :11\n"
                       "PID: 23: 0-10V_Mode                   :1\n"
                       "PID: 24: SmartTimeDimStep             :10:20:30:40:50\n"
                       "PID: 25: SmartTimeDimLevel            :100:75:50:25:10\n"
                       "PID: 26: MidnightOffset               :-30\n"
                       "PID: 27: ProtocolVersion              :3\n"
                       "PID: 28: TimerDimFadeTime_OnOff       :1:2:4:8:16\n"
                       "PID: 29: TimerDimOverrideFadeTime     :7\n"
                       "PID: 30: ModuleOperationTime_Mins     :30\n"
                       "PID: 31: ModuleOperationTime_Hrs      :74565\n"
                       "PID: 32: DriverOperationTime_Mins     :12\n"
                       "PID: 33: DriverOperationTime_Hrs      :131328\n";

// PROFILE with line n (0 = the header) replaced; a null text cuts it before line n.
QByteArray profileWith(int n, const char* line)
{
    QList<QByteArray> lines = QByteArray(PROFILE).split('\n');
    if (!line)
        return lines.mid(0, n).join('\n') + '\n';
    lines[n] = line;
    return lines.join('\n');
}

const char ORDER_ERROR[] = "Error: Input KHours must increased in order";
const char RANGE_ERROR[] = "Error: Input KHours must withinr 1~255";
const char LEVEL_ERROR[] = "Error: Input Level% value must within Phy Min~100";
const char HALF_LEVEL_ERROR[] = "Error: Exceed the upper limit of 50% of this model";
const char LOG_HEADER[] = "Time,Model/Current,Mode,ProfileName,Options\n";

} // namespace

class TestProgrammingTab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void display_data();
    void display();
    void mtpStartBelowPreviousEndIsShown();
    void smartScheduleFollowsShownRecord();
    void readProgressAndProfileDrop();

    void cloTimeCheck_data();
    void cloTimeCheck();
    void cloLevelCheck_data();
    void cloLevelCheck();
    void analogMinimumCheck_data();
    void analogMinimumCheck();

    void collection_data();
    void collection();
    void programGate_data();
    void programGate();

    void viewStates_data();
    void viewStates();
    void doneShowsProfileStatus();

    void logLine_data();
    void logLine();
    void logFileGetsHeaderOnce();
    void existingEmptyLogGetsNoHeader();
    void unwritableLogIsReportedAndPrintsNoLabel();
    void labelProgram_data();
    void labelProgram();

    void resetQuestion_data();
    void resetQuestion();
    void resetResult_data();
    void resetResult();

    void dialogs_data();
    void dialogs();
    void corridorReleaseFollowsInfinity();

    void profileRoundTrip_data();
    void profileRoundTrip();
    void badProfileChangesNothing_data();
    void badProfileChangesNothing();
    void profileOverConnectedDriver_data();
    void profileOverConnectedDriver();

private:
    void showRead(const ProgDataStructDef& record);
    void success();
    template <typename T>
    T* child(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    // The eight CLO time or level edits, named by the pattern given ("timeEdit_%1").
    void setCloEdits(const char* namePattern, const QStringList& texts);
    QStringList cloEditTexts(const char* namePattern) const;
    QString logFile() const;
    // The toolbar's Save or Load on the Programming tab, the file dialog answered with `path`.
    void profileAction(const char* action, const QString& path);

    std::unique_ptr<WindowTestEnvironment> env;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QSignalSpy> debug;
    std::unique_ptr<LabelProgramStandIn> labelStandIn;
};

void TestProgrammingTab::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    labelStandIn = std::make_unique<LabelProgramStandIn>();
    QVERIFY(labelStandIn->isValid());
}

void TestProgrammingTab::cleanupTestCase()
{
    labelStandIn.reset();
}

void TestProgrammingTab::init()
{
    labelStandIn->uninstall();
    labelStandIn->clearCalls();
    env = std::make_unique<WindowTestEnvironment>();
    env->writeProductList(productLines());
    window = std::make_unique<MainWindow>();
    debug = std::make_unique<QSignalSpy>(window.get(), &MainWindow::debug_msg);
    child<QTabWidget>("tabWidget")->setCurrentIndex(MainWindow::TAB_PROGRAMMING);
    QCOMPARE(programToolIndex, int(PROG_TOOL_DALI));
}

void TestProgrammingTab::cleanup()
{
    debug.reset();
    window.reset();
    env.reset();
}

void TestProgrammingTab::showRead(const ProgDataStructDef& record)
{
    const_cast<DaliProgramming&>(window->daliProgrammingEngine()).writeRecord() = record;
    QVERIFY(QMetaObject::invokeMethod(window.get(), "readProductInfoUpdateSlot", Q_ARG(int, 2),
                                      Q_ARG(QString, "Driver information read complete."), Q_ARG(int, 12)));
}

void TestProgrammingTab::success()
{
    QVERIFY(QMetaObject::invokeMethod(window.get(), "programmingStateUpdateSlot",
                                      Q_ARG(ProgStateDef, PROG_STATE_SUCCESS)));
}

void TestProgrammingTab::setCloEdits(const char* namePattern, const QStringList& texts)
{
    for (int i = 0; i < 8; ++i)
        child<QLineEdit>(qPrintable(QString(namePattern).arg(i)))->setText(texts.at(i));
}

QStringList TestProgrammingTab::cloEditTexts(const char* namePattern) const
{
    QStringList texts;
    for (int i = 0; i < 8; ++i)
        texts << child<QLineEdit>(qPrintable(QString(namePattern).arg(i)))->text();
    return texts;
}

QString TestProgrammingTab::logFile() const
{
    const QStringList logs = QDir(env->path(".")).entryList({"*_program_log.csv"}, QDir::Files);
    return logs.size() == 1 ? logs.first() : QString("%1 log files").arg(logs.size());
}

// ---- Display ------------------------------------------------------------------------------------

void TestProgrammingTab::display_data()
{
    QTest::addColumn<ProgDataStructDef>("record");
    QTest::addColumn<QStringList>("expected");

    ProgDataStructDef d = baseRecord(120);
    d.firmwareVersion = 0x0307;
    QTest::newRow("firmware 3.07, no driver hours")
        << d << QStringList{"fwVersionLabel=3.07", "infoDriverTime=---"};
    d.firmwareVersion = 0x020A;
    d.driverOperationTime_hrs = 131328;
    QTest::newRow("firmware 2.10, driver hours") << d << QStringList{"fwVersionLabel=2.10", "infoDriverTime=131328"};

    d = baseRecord(12);
    d.MTP_Enable = 1;
    QTest::newRow("MTP counts of an older product")
        << d << QStringList{"mtpSetGroupBox=on", "mtpStartDoubleSpinBox=13.58", "mtpEndDoubleSpinBox=6.67",
                            "mtpMinLevelSpinBox=40"};
    d = baseRecord(120);
    QTest::newRow("MTP resistances of a newer product")
        << d << QStringList{"mtpSetGroupBox=off", "mtpStartDoubleSpinBox=13.58", "mtpEndDoubleSpinBox=4.10"};

    d = baseRecord(120);
    d.dimFunctionType = 7;
    d.TimeDimStepList = {6, 255, 30, 40, 50};
    d.TimeDimLevelList = {80, 20, 50, 25, 10};
    d.TimeDimFadeTimeList = {3, 9, 4, 8, 16};
    QTest::newRow("corridor, endless release")
        << d << QStringList{"corridorDimCheckBox=on", "corridorHoldTimeSpinBox=60", "infinityCheckBox=on",
                            "corridorReleaseTimeSpinBox.enabled=false", "corridorTurnOnLevelSpinBox=80",
                            "corridorReleaseLevelSpinBox=20", "corridorTurnOnFadeTimeSpinBox=3",
                            "corridorReleaseFadeTimeSpinBox=9"};
    d.TimeDimStepList = {6, 12, 30, 40, 50};
    QTest::newRow("corridor, release time")
        << d << QStringList{"corridorHoldTimeSpinBox=60", "infinityCheckBox=off",
                            "corridorReleaseTimeSpinBox.enabled=true", "corridorReleaseTimeSpinBox=120"};

    d = baseRecord(120);
    QTest::newRow("current of the product's list")
        << d << QStringList{"currentSetComboBox=700", "segmentSetRadioButton=on", "customSpinBox=700",
                            "progressBar=700 mA", "cloLevelLabel=100% = 700 mA"};
    d.current = 1234;
    QTest::newRow("current off the list")
        << d << QStringList{"customSetRadioButton=on", "segmentSetRadioButton=off", "customSpinBox=1234",
                            "customSpinBox.enabled=true", "currentSetComboBox.enabled=false",
                            "progressBar=1234 mA"};

    d = baseRecord(0);
    d.firmwareVersion = 0x0307;
    d.current = 1234;
    QTest::newRow("product 0 keeps its defaults")
        << d << QStringList{"fwVersionLabel=--", "customSpinBox=350", "progressBar=---- mA"};

    d = baseRecord(120);
    d.productIndex = 500;
    QTest::newRow("product missing from the list: its values under product 0's rules")
        << d << QStringList{"fwVersionLabel=1.05", "currentSetComboBox=700", "mtpStartDoubleSpinBox=13.58",
                            "driverComboBox=Kavro KLD 075 M0"};

    d = baseRecord(7);
    d.analogDimMode = 0;
    QTest::newRow("product dimming only to its minimum")
        << d << QStringList{"minDimRadioButton=on", "dimOffRadioButton=off", "record.analogDimMode=1"};

    d = baseRecord(120);
    d.analogDimMode = 0;
    d.analogDimMinLevel = 15;
    d.analogDimStart = 80;
    d.analogDimEnd = 12;
    QTest::newRow("0-10V")
        << d << QStringList{"analogDimCheckBox=on", "analogMinDimSpinBox=15", "analogStartDimSpinBox=8.0",
                            "analogEndDimSpinBox=1.2", "dimOffRadioButton=on", "minDimRadioButton=off"};

    d = baseRecord(120);
    d.CLO_Enable = 1;
    d.CLO_TimeList = {5, 11, 21, 41, 61, 81, 91, 101};
    d.CLO_LevelList = {100, 99, 98, 97, 96, 95, 94, 93};
    QTest::newRow("CLO curve completed by the read")
        << d << QStringList{"cloSetGroupBox=on", "timeEdit_0=0", "timeEdit_1=11", "timeEdit_7=101",
                            "levelEdit_0=100", "levelEdit_6=94", "levelEdit_7=100",
                            "cloTimeLabel=Module Operating Time = 74565 hours",
                            "record.CLO_TimeList=0 11 21 41 61 81 91 101",
                            "record.CLO_LevelList=100 99 98 97 96 95 94 100"};

    d = baseRecord(120);
    d.EOL_Enable = 1;
    d.userEolTime = 50;
    QTest::newRow("EOL time") << d << QStringList{"eolSetGroupBox=on", "eolTimeSpinBox=50"};

    d = baseRecord(120);
    d.dimFunctionType = 0x82;
    QTest::newRow("midnight timer with override")
        << d << QStringList{"smartDimCheckBox=on", "smartMidnightRadioButton=on", "overrideCheckBox=on",
                            "analogDimCheckBox=off"};
}

void TestProgrammingTab::display()
{
    QFETCH(ProgDataStructDef, record);
    QFETCH(QStringList, expected);
    showRead(record);
    checkStates(*window, expected);
}

void TestProgrammingTab::mtpStartBelowPreviousEndIsShown()
{
    ProgDataStructDef d = baseRecord(120);
    d.MTP_Start = 4500;
    d.MTP_End = 4000;
    showRead(d);
    checkStates(*window, {"mtpStartDoubleSpinBox=45.00", "mtpEndDoubleSpinBox=40.00"});
    showRead(baseRecord(120));
    checkStates(*window, {"mtpStartDoubleSpinBox=13.58", "mtpEndDoubleSpinBox=4.10"});
}

void TestProgrammingTab::smartScheduleFollowsShownRecord()
{
    ProgDataStructDef first = baseRecord(120);
    first.dimFunctionType = 1;
    showRead(first);
    ProgDataStructDef second = baseRecord(120);
    second.dimFunctionType = 1;
    second.TimeDimStepList = {121, 131, 141, 151, 161};
    second.TimeDimLevelList = {99, 79, 59, 69, 99};
    second.TimeDimFadeTimeList = {5, 4, 3, 2, 1};
    second.midnightOffset = 45;
    showRead(second);

    window->programIconClicked();
    checkStates(*window, {"record.dimFunctionType=1", "record.TimeDimStepList=121 131 141 151 161",
                          "record.TimeDimLevelList=99 79 59 69 99", "record.TimeDimFadeTimeList=5 4 3 2 1",
                          "record.midnightOffset=45"});
}

void TestProgrammingTab::readProgressAndProfileDrop()
{
    auto* progress = qobject_cast<QProgressDialog*>(topLevel("QProgressDialog"));
    QVERIFY(progress);
    QVERIFY(QMetaObject::invokeMethod(window.get(), "readProductInfoUpdateSlot", Q_ARG(int, 0),
                                      Q_ARG(QString, "Reading dimming type..."), Q_ARG(int, 3)));
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->labelText(), QString("Reading dimming type..."));
    QCOMPARE(progress->value(), 3);
    QVERIFY(QMetaObject::invokeMethod(window.get(), "readProductInfoUpdateSlot", Q_ARG(int, 1),
                                      Q_ARG(QString, "Reading product info error"), Q_ARG(int, 0)));
    QVERIFY(progress->isHidden());
    QCOMPARE(window->programmingData().productIndex, quint16(0));

    profileLoaded = 1;
    loadedProfileName = "P1.txt";
    Prompt::clearLog();
    showRead(baseRecord(120));
    QCOMPARE(promptTrace(),
             QStringList{"information|Information|The loaded profile will be drop as a result of Read LED driver."});
    QCOMPARE(int(profileLoaded), 0);
    QCOMPARE(loadedProfileName, QString());
    QVERIFY(progress->isHidden());

    const QStringList log = spied(*debug);
    const int dump = log.indexOf("------------display read data-------------------------");
    QVERIFY(dump >= 0);
    QCOMPARE(log.mid(dump + 1, 3), (QStringList{"product index: 120", "current: 700", "dim function type: 0"}));
    QVERIFY(log.contains("CLO time: 0 10 20 40 60 80 90 100"));
    QCOMPARE(log.last(), QString("timer dim override fade time: 0"));
}

// ---- Checks -------------------------------------------------------------------------------------

void TestProgrammingTab::cloTimeCheck_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message"); // empty: the label is hidden
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("stored");

    QTest::newRow("rising points pass")
        << QStringList{"0", "10", "20", "40", "60", "80", "90", "100"} << 0 << ""
        << QStringList{"0", "10", "20", "40", "60", "80", "90", "100"} << "0 10 20 40 60 80 90 100";
    QTest::newRow("fractions are cut, 255 is the top")
        << QStringList{"3", "5.9", "20", "40", "60", "80", "90", "255"} << 0 << ""
        << QStringList{"0", "5", "20", "40", "60", "80", "90", "255"} << "0 5 20 40 60 80 90 255";
    QTest::newRow("out of order: sorted and stored, still failing")
        << QStringList{"0", "30", "20", "40", "60", "80", "90", "100"} << -1 << ORDER_ERROR
        << QStringList{"0", "20", "30", "40", "60", "80", "90", "100"} << "0 20 30 40 60 80 90 100";
    QTest::newRow("equal points: the stored curve comes back")
        << QStringList{"0", "15", "15", "40", "60", "80", "90", "100"} << -1 << ORDER_ERROR
        << QStringList{"0", "10", "20", "40", "60", "80", "90", "100"} << "0 10 20 40 60 80 90 100";
    QTest::newRow("256: only that point is reset")
        << QStringList{"0", "15", "25", "256", "60", "80", "90", "100"} << -1 << RANGE_ERROR
        << QStringList{"0", "15", "25", "40", "60", "80", "90", "100"} << "0 10 20 40 60 80 90 100";
    QTest::newRow("negative: out of range")
        << QStringList{"0", "10", "-20", "40", "60", "80", "90", "100"} << -1 << RANGE_ERROR
        << QStringList{"0", "10", "20", "40", "60", "80", "90", "100"} << "0 10 20 40 60 80 90 100";
    QTest::newRow("not a number counts as 0")
        << QStringList{"0", "10", "abc", "40", "60", "80", "90", "100"} << -1 << ORDER_ERROR
        << QStringList{"0", "10", "20", "40", "60", "80", "90", "100"} << "0 10 20 40 60 80 90 100";
}

void TestProgrammingTab::cloTimeCheck()
{
    QFETCH(QStringList, typed);
    setCloEdits("timeEdit_%1", typed);
    QTEST(window->timeEditEndEditing(), "result");
    QFETCH(QString, message);
    auto* label = child<QLabel>("cloErrorLabel");
    QCOMPARE(!label->isHidden(), !message.isEmpty());
    if (!message.isEmpty())
        QCOMPARE(label->text(), message);
    QTEST(cloEditTexts("timeEdit_%1"), "shown");
    QTEST(joined(window->programmingData().CLO_TimeList), "stored");
}

void TestProgrammingTab::cloLevelCheck_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("stored");

    QTest::newRow("last point is always 100")
        << QStringList{"10", "20", "30", "40", "50", "60", "80", "70"} << 0 << ""
        << QStringList{"10", "20", "30", "40", "50", "60", "80", "100"} << "10 20 30 40 50 60 80 100";
    QTest::newRow("101 in the last point fails")
        << QStringList{"10", "20", "30", "40", "50", "60", "80", "101"} << -1 << LEVEL_ERROR
        << QStringList{"10", "20", "30", "40", "50", "60", "80", "100"} << "100 100 100 100 100 100 100 100";
    QTest::newRow("below the physical minimum of 10")
        << QStringList{"10", "20", "30", "9", "50", "60", "80", "100"} << -1 << LEVEL_ERROR
        << QStringList{"10", "20", "30", "100", "50", "60", "80", "100"} << "100 100 100 100 100 100 100 100";
    QTest::newRow("not a number is 0, below the minimum")
        << QStringList{"x", "20", "30", "40", "50", "60", "80", "100"} << -1 << LEVEL_ERROR
        << QStringList{"100", "20", "30", "40", "50", "60", "80", "100"} << "100 100 100 100 100 100 100 100";
}

void TestProgrammingTab::cloLevelCheck()
{
    window->driverBoxClicked(120);
    QCOMPARE(productPhyMinLevel, 10);
    QFETCH(QStringList, typed);
    setCloEdits("levelEdit_%1", typed);
    QTEST(window->levelEditEndEditing(), "result");
    QFETCH(QString, message);
    auto* label = child<QLabel>("cloErrorLabel");
    QCOMPARE(!label->isHidden(), !message.isEmpty());
    if (!message.isEmpty())
        QCOMPARE(label->text(), message);
    QTEST(cloEditTexts("levelEdit_%1"), "shown");
    QTEST(joined(window->programmingData().CLO_LevelList), "stored");
}

void TestProgrammingTab::analogMinimumCheck_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<double>("typed");
    QTest::addColumn<int>("result");
    QTest::addColumn<double>("shown");

    QTest::newRow("115 at 50") << 115 << 50.0 << 0 << 50.0;
    QTest::newRow("115 at 51") << 115 << 51.0 << -1 << 50.0;
    QTest::newRow("116 at 80") << 116 << 80.0 << -1 << 50.0;
    QTest::newRow("114 at 80") << 114 << 80.0 << 0 << 80.0;
}

void TestProgrammingTab::analogMinimumCheck()
{
    QFETCH(int, product);
    QFETCH(double, typed);
    QFETCH(int, result);
    window->driverBoxClicked(product);
    child<QDoubleSpinBox>("analogMinDimSpinBox")->setValue(typed);
    QCOMPARE(window->analogMinDimSpinBoxEditingFinished(), result);
    QTEST(child<QDoubleSpinBox>("analogMinDimSpinBox")->value(), "shown");
    auto* label = child<QLabel>("cloErrorLabel");
    QCOMPARE(!label->isHidden(), result != 0);
    if (result != 0)
        QCOMPARE(label->text(), QString(HALF_LEVEL_ERROR));
}

// ---- Collection ---------------------------------------------------------------------------------

void TestProgrammingTab::collection_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QStringList>("setup"); // "dim=<function>" or "widget=value", in order
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("0-10V, volts to tenths")
        << 120
        << QStringList{"dim=analog", "analogStartDimSpinBox=8.5", "analogEndDimSpinBox=0.7",
                       "analogMinDimSpinBox=25", "dimOffRadioButton=on"}
        << QStringList{"record.dimFunctionType=0", "record.analogDimStart=85", "record.analogDimEnd=7",
                       "record.analogDimMinLevel=25", "record.analogDimMode=0"};
    QTest::newRow("0-10V to the minimum with override")
        << 120 << QStringList{"dim=analog", "minDimRadioButton=on", "overrideCheckBox=on"}
        << QStringList{"record.dimFunctionType=128", "record.analogDimMode=1"};
    QTest::newRow("DALI") << 120 << QStringList{"dim=dali"} << QStringList{"record.dimFunctionType=3"};
    QTest::newRow("PWM") << 120 << QStringList{"dim=pwm"} << QStringList{"record.dimFunctionType=6"};
    QTest::newRow("push dimming") << 120 << QStringList{"dim=push"} << QStringList{"record.dimFunctionType=4"};
    QTest::newRow("fixed timer")
        << 120 << QStringList{"dim=smart", "smartFixedRadioButton=on"}
        << QStringList{"record.dimFunctionType=1", "record.TimeDimStepList=10 20 30 40 50",
                       "record.TimeDimLevelList=100 75 50 25 10", "record.TimeDimFadeTimeList=1 2 4 8 16",
                       "record.midnightOffset=-30"};
    QTest::newRow("midnight timer with override")
        << 120 << QStringList{"dim=smart", "smartMidnightRadioButton=on", "overrideCheckBox=on"}
        << QStringList{"record.dimFunctionType=130"};
    QTest::newRow("ratio timer")
        << 120 << QStringList{"dim=smart", "smartRatioRescaleRadioButton=on"}
        << QStringList{"record.dimFunctionType=5"};
    QTest::newRow("corridor")
        << 120
        << QStringList{"dim=corridor", "corridorHoldTimeSpinBox=60", "infinityCheckBox=off",
                       "corridorReleaseTimeSpinBox=120", "corridorTurnOnLevelSpinBox=80",
                       "corridorReleaseLevelSpinBox=20", "corridorTurnOnFadeTimeSpinBox=3",
                       "corridorReleaseFadeTimeSpinBox=9"}
        << QStringList{"record.dimFunctionType=7", "record.TimeDimStepList=6 12 30 40 50",
                       "record.TimeDimLevelList=80 20 50 25 10", "record.TimeDimFadeTimeList=3 9 4 8 16"};
    QTest::newRow("corridor, endless release")
        << 120 << QStringList{"dim=corridor", "corridorHoldTimeSpinBox=1270", "infinityCheckBox=on"}
        << QStringList{"record.TimeDimStepList=127 255 30 40 50"};
    QTest::newRow("corridor with override keeps the timer lists")
        << 120 << QStringList{"dim=corridor", "overrideCheckBox=on", "corridorHoldTimeSpinBox=60"}
        << QStringList{"record.dimFunctionType=135", "record.TimeDimStepList=10 20 30 40 50"};
    QTest::newRow("no dimming function")
        << 120 << QStringList{"dim=none"} << QStringList{"record.dimFunctionType=8"};

    QTest::newRow("MTP count at index 99")
        << 99 << QStringList{"mtpSetGroupBox=on", "mtpEndDoubleSpinBox=2", "mtpStartDoubleSpinBox=10",
                             "mtpMinLevelSpinBox=30"}
        << QStringList{"record.MTP_Enable=1", "record.MTP_Start=512", "record.MTP_End=171",
                       "record.MTP_MinLevel=30"};
    QTest::newRow("MTP resistance at index 100")
        << 100 << QStringList{"mtpEndDoubleSpinBox=2", "mtpStartDoubleSpinBox=6.5"}
        << QStringList{"record.MTP_Enable=0", "record.MTP_Start=650", "record.MTP_End=200"};
    QTest::newRow("MTP resistance rounded to the nearest code")
        << 120 << QStringList{"mtpEndDoubleSpinBox=4.1", "mtpStartDoubleSpinBox=10.1"}
        << QStringList{"record.MTP_Start=1010", "record.MTP_End=410"};

    QTest::newRow("current from the list")
        << 120 << QStringList{"segmentSetRadioButton=on", "currentSetComboBox=1050"}
        << QStringList{"record.current=1050"};
    QTest::newRow("custom current 0 stays")
        << 120 << QStringList{"customSetRadioButton=on", "customSpinBox=0"} << QStringList{"record.current=0"};
    QTest::newRow("custom current raised to the minimum")
        << 120 << QStringList{"customSetRadioButton=on", "customSpinBox=100"}
        << QStringList{"record.current=350", "customSpinBox=350"};

    QTest::newRow("EOL on") << 120 << QStringList{"eolSetGroupBox=on", "eolTimeSpinBox=60"}
                            << QStringList{"record.EOL_Enable=1", "record.userEolTime=60"};
    QTest::newRow("EOL off") << 120 << QStringList{"eolTimeSpinBox=60", "eolSetGroupBox=off"}
                             << QStringList{"record.EOL_Enable=0", "record.userEolTime=0"};
    QTest::newRow("CLO on") << 120 << QStringList{"cloSetGroupBox=on"} << QStringList{"record.CLO_Enable=1"};
}

void TestProgrammingTab::collection()
{
    QFETCH(int, product);
    QFETCH(QStringList, setup);
    QFETCH(QStringList, expected);
    showRead(baseRecord(product));

    for (const QString& step : setup) {
        const QString key = step.section('=', 0, 0);
        const QString value = step.section('=', 1);
        if (key == "dim") {
            if (value == "analog")
                window->analogDimCheckBoxSelected(true);
            else if (value == "dali")
                window->daliDimCheckBoxSelected(true);
            else if (value == "pwm")
                window->pwmDimCheckBoxSelected(true);
            else if (value == "push")
                window->pushDimCheckBoxSelected(true);
            else if (value == "smart")
                window->smartDimCheckBoxSelected(true);
            else if (value == "corridor")
                window->corridorDimCheckBoxSelected(true);
            else {
                for (const char* box : {"analogDimCheckBox", "daliDimCheckBox", "pwmDimCheckBox", "pushDimCheckBox",
                                        "smartDimCheckBox", "corridorDimCheckBox"})
                    child<QCheckBox>(box)->setChecked(false);
            }
        } else {
            setWidget(window->findChild<QWidget*>(key), value);
        }
    }
    window->programIconClicked();
    checkStates(*window, expected);
}

void TestProgrammingTab::programGate_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("recordClo");
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<bool>("collected");
    QTest::addColumn<QString>("message"); // empty: not checked

    QTest::newRow("CLO off, times out of order: programs")
        << 120 << 0 << QStringList{"timeEdit_1=30", "timeEdit_2=20"} << true << "";
    QTest::newRow("CLO on, times out of order: blocked")
        << 120 << 1 << QStringList{"timeEdit_1=30", "timeEdit_2=20"} << false << ORDER_ERROR;
    QTest::newRow("CLO on, both curves bad: the time message only")
        << 120 << 1 << QStringList{"timeEdit_1=30", "timeEdit_2=20", "levelEdit_2=5"} << false << ORDER_ERROR;
    QTest::newRow("CLO on, level below the minimum: blocked")
        << 120 << 1 << QStringList{"levelEdit_2=5"} << false << LEVEL_ERROR;
    QTest::newRow("CLO ticked on the tab, off in the record: blocked")
        << 120 << 0 << QStringList{"cloSetGroupBox=on", "timeEdit_1=30", "timeEdit_2=20"} << false
        << ORDER_ERROR;
    QTest::newRow("0-10V minimum above 50 on product 115: blocked")
        << 115 << 0 << QStringList{"analogMinDimSpinBox=60"} << false << HALF_LEVEL_ERROR;
}

void TestProgrammingTab::programGate()
{
    QFETCH(int, product);
    QFETCH(int, recordClo);
    QFETCH(QStringList, setup);
    ProgDataStructDef d = baseRecord(product);
    d.CLO_Enable = quint8(recordClo);
    showRead(d);
    child<QRadioButton>("customSetRadioButton")->setChecked(true);
    child<QSpinBox>("customSpinBox")->setValue(1111);
    for (const QString& step : setup)
        setWidget(window->findChild<QWidget*>(step.section('=', 0, 0)), step.section('=', 1));

    window->programIconClicked();
    QFETCH(bool, collected);
    QCOMPARE(window->programmingData().current, quint16(collected ? 1111 : 700));
    QFETCH(QString, message);
    if (!message.isEmpty()) {
        QVERIFY(!child<QLabel>("cloErrorLabel")->isHidden());
        QCOMPARE(child<QLabel>("cloErrorLabel")->text(), message);
    }
}

// ---- Production view ----------------------------------------------------------------------------

void TestProgrammingTab::viewStates_data()
{
    QTest::addColumn<QList<int>>("reports");
    QTest::addColumn<QStringList>("expected"); // title, success, failure, subtitle

    QTest::newRow("each report to its view state")
        << QList<int>{5, 1, 3, 5, 1, 4, 2, 5, 1, 4}
        << QStringList{"Start Programming LED Driver ......!", "1 pcs", "1 pcs", "Communication error, retry 2 ......"};
    QTest::newRow("0 and 6 only show the view")
        << QList<int>{0, 6}
        << QStringList{"Start Programming LED Driver ......", "------", "------", "** Connect the next LED driver **"};
}

void TestProgrammingTab::viewStates()
{
    QFETCH(QList<int>, reports);
    QFETCH(QStringList, expected);
    QWidget* view = topLevel("programView");
    QVERIFY(view);
    QVERIFY(view->isHidden());
    for (int r : reports)
        QVERIFY(QMetaObject::invokeMethod(window.get(), "programmingStateUpdateSlot", Q_ARG(ProgStateDef, ProgStateDef(r))));
    QVERIFY(view->isVisible());
    QStringList actual;
    for (const char* name : {"titleLabel", "successLabel", "failLabel", "subTitleLabel"})
        actual << view->findChild<QLabel*>(name)->text();
    QCOMPARE(actual, expected);
}

void TestProgrammingTab::doneShowsProfileStatus()
{
    QWidget* view = topLevel("programView");
    auto* done = view->findChild<QPushButton*>("doneBtn");
    auto* label = child<QLabel>("cloErrorLabel");
    QVERIFY(QMetaObject::invokeMethod(window.get(), "programmingStateUpdateSlot", Q_ARG(ProgStateDef, PROG_STATE_WAIT_DRIVER)));
    done->click();
    QVERIFY(view->isHidden());
    QVERIFY(label->isHidden());

    profileLoaded = 1;
    loadedProfileName = "P1.txt";
    QVERIFY(QMetaObject::invokeMethod(window.get(), "programmingStateUpdateSlot", Q_ARG(ProgStateDef, PROG_STATE_WAIT_DRIVER)));
    done->click();
    QVERIFY(!label->isHidden());
    QCOMPARE(label->text(), QString("Status: Profile 'P1.txt' is loaded successfully"));
}

// ---- Programming log and labels -----------------------------------------------------------------

void TestProgrammingTab::logLine_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<ProgDataStructDef>("record");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("line");

    ProgDataStructDef d;
    d.current = 700;
    d.analogDimMinLevel = 10;
    d.OTP_Enable = 1;
    d.CLO_Enable = 1;
    QTest::newRow("0-10V to off, profile, OTP and CLO")
        << "Kavro KLD 075 DRV1" << d << "P1.txt"
        << "03/07/2024 09:05:03,DRV1 700mA,0-10V min%: 10 dim to off,P1.txt,OTP CLO \n";
    d.OTP_Enable = 0;
    d.CLO_Enable = 0;
    d.analogDimMode = 1;
    d.dimFunctionType = 0x80;
    QTest::newRow("0-10V to the minimum with override, no option, no profile")
        << "Kavro KLD 075 DRV1" << d << ""
        << "03/07/2024 09:05:03,DRV1 700mA,0-10V min%: 10 dim to min (Override),,\n";
    const char* const modes[] = {"Fixed Timer", "Midnight Timer", "DALI", "PushDim", "Ratio Timer", "PWM", "Corridor"};
    for (int type = 1; type <= 7; ++type) {
        d.dimFunctionType = quint8(type);
        QTest::addRow("type %d", type) << "Kavro KLD 075 DRV1" << d << ""
                                       << QString("03/07/2024 09:05:03,DRV1 700mA,%1,,\n").arg(modes[type - 1]);
    }
    d.dimFunctionType = 0x82;
    d.current = 1050;
    d.OTP_Enable = d.MTP_Enable = d.CLO_Enable = d.EOL_Enable = 1;
    QTest::newRow("midnight override, 1050 mA, every option")
        << "Kavro KLD 075 DRV1" << d << "P1.txt"
        << "03/07/2024 09:05:03,DRV1 1050mA,Midnight Timer (Override),P1.txt,OTP MTP CLO EOL \n";
    d = ProgDataStructDef();
    d.current = 700;
    d.dimFunctionType = 8;
    QTest::newRow("no dimming function") << "Kavro KLD 075 DRV1" << d << "" << "03/07/2024 09:05:03,DRV1 700mA,,,\n";
    d.dimFunctionType = 0x88;
    QTest::newRow("no dimming function, override")
        << "Kavro KLD 075 DRV1" << d << "" << "03/07/2024 09:05:03,DRV1 700mA, (Override),,\n";
    d.dimFunctionType = 3;
    QTest::newRow("name of two words: no model word")
        << "Kavro KLD-040-1050" << d << "" << "03/07/2024 09:05:03, 700mA,DALI,,\n";
    QTest::newRow("two blanks make an empty word")
        << "Kavro  KLD 075 DRV1" << d << "" << "03/07/2024 09:05:03,075 700mA,DALI,,\n";
    QTest::newRow("profile name with a comma")
        << "Kavro KLD 075 DRV1" << d << "line A,B.txt" << "03/07/2024 09:05:03,DRV1 700mA,DALI,\"line A,B.txt\",\n";
    QTest::newRow("profile name with quotes")
        << "Kavro KLD 075 DRV1" << d << "the \"best\".txt"
        << "03/07/2024 09:05:03,DRV1 700mA,DALI,\"the \"\"best\"\".txt\",\n";
    QTest::newRow("profile name with a line break")
        << "Kavro KLD 075 DRV1" << d << "A\nB.txt" << "03/07/2024 09:05:03,DRV1 700mA,DALI,\"A\nB.txt\",\n";
    QTest::newRow("model word with a comma")
        << "Kavro KLD 075 D,1" << d << "" << "03/07/2024 09:05:03,\"D,1 700mA\",DALI,,\n";
}

void TestProgrammingTab::logLine()
{
    QFETCH(QString, driver);
    QFETCH(ProgDataStructDef, record);
    QFETCH(QString, profile);
    const QDateTime at(QDate(2024, 3, 7), QTime(9, 5, 3));
    QTEST(MainWindow::programmingLogLine(at, driver, record, profile), "line");
    QCOMPARE(MainWindow::programmingLogFileName(at), QString("03-07-2024_program_log.csv"));
}

void TestProgrammingTab::logFileGetsHeaderOnce()
{
    showRead(baseRecord(120));
    loadedProfileName = "P1.txt";
    window->programIconClicked();
    success();
    success();

    const QString name = logFile();
    QVERIFY2(name.endsWith("_program_log.csv"), qPrintable(name));
    QFile file(env->path(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0) + '\n', QByteArray(LOG_HEADER));
    for (int i = 1; i <= 2; ++i) {
        // The time stamp carries the date of the file it is in.
        const QByteArray date = name.left(10).replace('-', '/').toLatin1();
        QVERIFY2(lines.at(i).startsWith(date + ' '), lines.at(i).constData());
        QCOMPARE(lines.at(i).mid(19), QByteArray(",M120 700mA,0-10V min%: 10 dim to min,P1.txt,"));
    }
    QCOMPARE(lines.at(3), QByteArray());
    QWidget* view = topLevel("programView");
    QCOMPARE(view->findChild<QLabel*>("successLabel")->text(), QString("2 pcs"));
    QCOMPARE(child<QProgressBar>("progressBar")->format(), QString("700 mA"));
}

void TestProgrammingTab::existingEmptyLogGetsNoHeader()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (const QDateTime& day : {now, now.addDays(1)}) {
        QFile file(env->path(MainWindow::programmingLogFileName(day)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    showRead(baseRecord(120));
    window->programIconClicked();
    success();
    QFile file(env->path(MainWindow::programmingLogFileName(QDateTime::currentDateTime())));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY2(content.endsWith(",M120 700mA,0-10V min%: 10 dim to min,,\n"), content.constData());
    QCOMPARE(content.count('\n'), 1);
}

void TestProgrammingTab::unwritableLogIsReportedAndPrintsNoLabel()
{
    labelStandIn->install(0);
    child<QCheckBox>("printerCheckBox")->setChecked(true);
    // A directory where the day's log should be: the file cannot be opened for writing.
    const QDateTime now = QDateTime::currentDateTime();
    QVERIFY(QDir(env->path(".")).mkdir(MainWindow::programmingLogFileName(now)));
    QVERIFY(QDir(env->path(".")).mkdir(MainWindow::programmingLogFileName(now.addDays(1))));
    success();

    auto* label = child<QLabel>("cloErrorLabel");
    QVERIFY(!label->isHidden());
    QVERIFY2(label->text().startsWith("Error: Programming log '") && label->text().endsWith("; no label printed"),
             qPrintable(label->text()));
    QVERIFY(spied(*debug).contains(label->text()));
    QCOMPARE(labelStandIn->calls(), QStringList());
    // The driver was programmed all the same.
    QCOMPARE(topLevel("programView")->findChild<QLabel*>("successLabel")->text(), QString("1 pcs"));
}

void TestProgrammingTab::labelProgram_data()
{
    QTest::addColumn<bool>("printing");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // status line afterwards; empty: hidden

    QTest::newRow("printing off") << false << 0 << "";
    QTest::newRow("printed") << true << 0 << "";
    QTest::newRow("label program fails")
        << true << 2 << "Error: Label printing failed: print_csv.exe ended with exit code 2";
}

void TestProgrammingTab::labelProgram()
{
    QFETCH(bool, printing);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    labelStandIn->install(exitCode);
    child<QCheckBox>("printerCheckBox")->setChecked(printing);
    showRead(baseRecord(120));
    window->programIconClicked();
    debug->clear();
    success();

    const QString name = logFile();
    const QString line = QString("%1,M120 700mA,0-10V min%: 10 dim to min,,\n");
    if (!printing) {
        QCOMPARE(labelStandIn->calls(), QStringList());
        QCOMPARE(debug->count(), 0);
        return;
    }
    QCOMPARE(labelStandIn->calls(), QStringList{QDir(env->path(".")).canonicalPath() + "|-f " + name + " -n 1 -p"});
    const QStringList log = spied(*debug);
    QVERIFY(!log.isEmpty());
    QVERIFY2(log.last().endsWith(",M120 700mA,0-10V min%: 10 dim to min,,\n"), qPrintable(log.last()));
    auto* label = child<QLabel>("cloErrorLabel");
    QCOMPARE(!label->isHidden(), !message.isEmpty());
    if (!message.isEmpty()) {
        QCOMPARE(label->text(), message);
        QVERIFY(log.contains("Label printing failed: print_csv.exe ended with exit code 2"));
    }
    QCOMPARE(topLevel("programView")->findChild<QLabel*>("successLabel")->text(), QString("1 pcs"));
    // The next driver logged and printed clears a failure.
    labelStandIn->install(0);
    success();
    QVERIFY(label->isHidden());
}

// ---- Reset --------------------------------------------------------------------------------------

void TestProgrammingTab::resetQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("hours");
    QTest::addColumn<QStringList>("after"); // the boxes after the question
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << 74565 << QStringList();
    // The driver shown was never found by the engine, as after a loss while the question is open:
    // nothing is reset and the record keeps its time.
    QTest::newRow("ok, no driver") << int(QMessageBox::Ok) << 74565
                                   << QStringList{"information|Reset Module Operating Time|Reset Failure"};
}

void TestProgrammingTab::resetQuestion()
{
    QFETCH(int, answer);
    showRead(baseRecord(120));
    Prompt::setResponder([answer](const Prompt::Record&) {
        return Prompt::Answer(QMessageBox::StandardButton(answer));
    });
    Prompt::clearLog();
    window->resetOrClearIconClicked();

    QFETCH(QStringList, after);
    const QString question =
        "question|Reset Module Operating Time|Do you want to reset the LED module operating time?";
    QCOMPARE(promptTrace(), QStringList{question} + after);
    const Prompt::Record asked = Prompt::log().first();
    QCOMPARE(asked.parent, static_cast<QWidget*>(window.get()));
    QCOMPARE(asked.buttons, QMessageBox::StandardButtons(QMessageBox::Ok | QMessageBox::Cancel));
    QCOMPARE(asked.defaultButton, QMessageBox::Ok);
    QTEST(int(window->programmingData().moduleOperationTime_hrs), "hours");
}

void TestProgrammingTab::resetResult_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("timeLabel");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("debugLine");
    QTest::newRow("success") << 1 << "Module Operating Time = 0 hours"
                             << "information|Reset Module Operating Time|Reset Successfully"
                             << "Reset module operating time successfully";
    QTest::newRow("failure") << 0 << "Module Operating Time = 74565 hours"
                             << "information|Reset Module Operating Time|Reset Failure"
                             << "Reset module operating time fail";
}

void TestProgrammingTab::resetResult()
{
    QFETCH(int, result);
    showRead(baseRecord(120));
    Prompt::clearLog();
    window->resetOptStateUpdateSlot(result);
    QTEST(child<QLabel>("cloTimeLabel")->text(), "timeLabel");
    QCOMPARE(promptTrace().size(), 1);
    QTEST(promptTrace().first(), "box");
    QTEST(spied(*debug).last(), "debugLine");
}

// ---- Setting dialogs ----------------------------------------------------------------------------

void TestProgrammingTab::dialogs_data()
{
    QTest::addColumn<QString>("opener"); // a button of the tab, or a slot of the window
    QTest::addColumn<QString>("dialogClass");
    QTest::addColumn<QStringList>("setup");    // steps on the tab (applyStep)
    QTest::addColumn<QStringList>("loaded");   // the dialog as it opens; empty: it must not open
    QTest::addColumn<QStringList>("edits");    // steps in the dialog, then OK
    QTest::addColumn<QStringList>("expected"); // tab and record afterwards (checkStates)
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<QByteArray>("part"); // the memory-bank bytes the dialog may hand back

    const QStringList none;
    const QByteArray noBytes(BANK_SIZE, '\0');
    const QStringList notice{"information|Notice|Not supported for selected dim mode!"};
    QTest::newRow("0-10V curve") << "analogDimCurvePushButton"
                                 << "dimcurve"
                                 << QStringList{"click:dimOffRadioButton", "analogMinDimSpinBox=25",
                                                "analogEndDimSpinBox=1.5"}
                                 << QStringList{"dimOffRadioButton=on", "minDimSpinBox=25",
                                                "startDimDoubleSpinBox=8.5", "endDimDoubleSpinBox=1.5"}
                                 << QStringList{"click:minDimRadioButton", "minDimSpinBox=30",
                                                "startDimDoubleSpinBox=7.5"}
                                 << QStringList{"minDimRadioButton=on", "analogMinDimSpinBox=30",
                                                "analogStartDimSpinBox=7.5", "analogEndDimSpinBox=1.5"}
                                 << none << noBytes;
    QTest::newRow("0-10V curve without 0-10V: nothing")
        << "analogDimCurvePushBtn_clicked"
        << "dimcurve" << QStringList{"click:daliDimCheckBox"} << none << none << none << none << noBytes;
    QTest::newRow("smart timer without smart timer: notice")
        << "smartDimCurvePushBtn_clicked"
        << "smartcurve" << none << none << none << none << notice << noBytes;
    QTest::newRow("corridor without corridor: notice")
        << "corridorCurvePushBtn_clicked"
        << "corridor_curve" << none << none << none << none << notice << noBytes;
    QTest::newRow("smart timer, midnight mode")
        << "smartDimCurvePushButton"
        << "smartcurve" << QStringList{"click:smartDimCheckBox", "click:smartMidnightRadioButton"}
        << QStringList{"timeEdit_1.visible=true", "levelSpinBox_1=100"} << QStringList{"levelSpinBox_1=90"}
        << QStringList{"record.TimeDimLevelList=90 75 50 25 10", "record.midnightOffset=-30"} << none
        << noBytes;
    QTest::newRow("corridor, finite release made endless")
        << "corridorCurvePushButton"
        << "corridor_curve"
        << QStringList{"click:corridorDimCheckBox", "corridorTurnOnLevelSpinBox=80",
                       "corridorReleaseTimeSpinBox=120"}
        << QStringList{"corridorTurnOnLevelSpinBox_1=80", "corridorReleaseTimeSpinBox_1=120",
                       "infinityCheckBox_1=off"}
        << QStringList{"corridorHoldTimeSpinBox_1=90", "click:infinityCheckBox_1"}
        << QStringList{"corridorHoldTimeSpinBox=90", "infinityCheckBox=on", "corridorReleaseTimeSpinBox=120",
                       "corridorReleaseTimeSpinBox.enabled=false", "corridorTurnOnLevelSpinBox=80"}
        << none << noBytes;
    QTest::newRow("corridor, endless release of 0 s")
        << "corridorCurvePushButton"
        << "corridor_curve"
        << QStringList{"click:corridorDimCheckBox", "corridorReleaseTimeSpinBox=0", "click:infinityCheckBox"}
        << QStringList{"infinityCheckBox_1=on", "corridorReleaseTimeSpinBox_1=0"} << none
        << QStringList{"infinityCheckBox=on", "corridorReleaseTimeSpinBox=0",
                       "corridorReleaseTimeSpinBox.enabled=false"}
        << none << noBytes;
    QTest::newRow("MTP curve lowered below the previous end")
        << "mtpShowCurvePushBtn_clicked"
        << "mtpcurve" << QStringList{"mtpEndDoubleSpinBox=40", "mtpStartDoubleSpinBox=45"}
        << QStringList{"MTPStartDoubleSpinBox=45.00", "MTPEndDoubleSpinBox=40.00", "MTPMinLevelSpinBox=40"}
        << QStringList{"MTPEndDoubleSpinBox=5", "MTPStartDoubleSpinBox=6", "MTPMinLevelSpinBox=30"}
        << QStringList{"mtpStartDoubleSpinBox=6.00", "mtpEndDoubleSpinBox=5.00", "mtpMinLevelSpinBox=30"}
        << none << noBytes;

    // Records shown here hold 0x01 in every memory-bank byte; nothing else reaches the record.
    const ProgDataStructDef& s = shape;
    const QStringList current{"record.current=700"};
    QTest::newRow("device type 6") << "DT6PushBtn_clicked"
                                   << "setting_DT6" << none << QStringList{"spinBox_DT6MaxLevel=1"}
                                   << QStringList{"spinBox_DT6PowerOnLevel=100"} << current << none
                                   << partMask(s.DT6PowerOnLevel, s.DT6CurveType, s.DT6MinLevel,
                                               s.DT6MaxLevel, s.DT6SystemFailureLevel, s.DT6ShortAddress);
    QTest::newRow("part 250") << "part250PushBtn_clicked"
                              << "setting_part250" << none << QStringList{"spinBox_bank201BPSS=1"}
                              << QStringList{"spinBox_bank201BPSS=0"} << current << none
                              << partMask(s.bank201BPSS);
    QTest::newRow("part 251") << "part251PushBtn_clicked"
                              << "setting_part251" << none << QStringList{"spinBox_bank1CRI=1"}
                              << QStringList{"spinBox_bank1CRI=80"} << current << none
                              << partMask(s.bank1GTIN, s.bank1ID, s.bank1CFID, s.bank1YY, s.bank1WW,
                                          s.bank1Power, s.bank1MinPower, s.bank1MinVoltage, s.bank1MaxVoltage,
                                          s.bank1Lm, s.bank1CRI, s.bank1CCT, s.bank1LDT, s.bank1ColorString,
                                          s.bank1IDString, s.bank1SpecificString);
    QTest::newRow("part 253") << "part253PushBtn_clicked"
                              << "setting_part253" << none << QStringList{"spinBox_bank207RatedLifetime=1"}
                              << QStringList{"spinBox_bank207RatedLifetime=50"} << current << none
                              << partMask(s.bank206StartCounterResettable, s.bank206OnTimeResettable,
                                          s.bank207RatedLifetime, s.bank207RefTemperature,
                                          s.bank207RatedStart);
}

void TestProgrammingTab::dialogs()
{
    QFETCH(QString, opener);
    QFETCH(QStringList, loaded);
    QFETCH(QStringList, edits);
    ProgDataStructDef record = baseRecord(120);
    std::fill_n(record.bank1GTIN + 0, BANK_SIZE, 1);
    showRead(record);
    const QByteArray before = bankImage(window->programmingData());
    QFETCH(QStringList, setup);
    for (const QString& step : setup)
        applyStep(window.get(), step);
    QFETCH(QString, dialogClass);
    QWidget* dialog = topLevel(qPrintable(dialogClass));
    Prompt::clearLog();

    auto open = [&] {
        if (auto* button = child<QPushButton>(qPrintable(opener)))
            button->click();
        else
            QVERIFY(QMetaObject::invokeMethod(window.get(), qPrintable(opener)));
    };
    auto inDialog = [&] {
        for (const QString& item : loaded) {
            const QString name = item.section('=', 0, 0);
            auto* w = dialog->findChild<QWidget*>(name.section('.', 0, 0));
            QCOMPARE(name + '=' +
                         (name.endsWith(".visible") ? (w->isVisible() ? "true" : "false") : widgetState(w)),
                     item);
        }
        for (const QString& step : edits)
            applyStep(dialog, step);
        dialog->findChild<QPushButton*>("okButton")->click();
    };
    QCOMPARE(runInDialog(dialog, open, inDialog), !loaded.isEmpty());
    QFETCH(QStringList, expected);
    checkStates(*window, expected);
    QTEST(promptTrace(), "prompts");
    QFETCH(QByteArray, part);
    const QByteArray after = bankImage(window->programmingData());
    QCOMPARE(after != before, part.contains('\1'));
    for (int i = 0; i < after.size(); ++i)
        QVERIFY2(part.at(i) || after.at(i) == before.at(i),
                 qPrintable(QString("bank byte %1 changed").arg(i)));
}

void TestProgrammingTab::corridorReleaseFollowsInfinity()
{
    ProgDataStructDef d = baseRecord(120);
    d.dimFunctionType = 7;
    d.TimeDimStepList = {6, 255, 30, 40, 50};
    showRead(d);
    window->driverBoxClicked(119);
    child<QCheckBox>("corridorDimCheckBox")->click();
    checkStates(*window, {"infinityCheckBox=off", "corridorReleaseTimeSpinBox.enabled=true"});
}

// ---- Profiles -----------------------------------------------------------------------------------

void TestProgrammingTab::profileAction(const char* action, const QString& path)
{
    Prompt::setResponder([path](const Prompt::Record& r) {
        if (r.kind == Prompt::Kind::OpenFile || r.kind == Prompt::Kind::SaveFile)
            return Prompt::Answer(path);
        return Prompt::Answer(QMessageBox::Ok);
    });
    Prompt::clearLog();
    child<QAction>(action)->trigger();
}

void TestProgrammingTab::profileRoundTrip_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("as saved") << QByteArray(PROFILE);
    // Values beyond a line's count are ignored, so saving again drops them.
    QTest::newRow("CLO times with nine values")
        << profileWith(7, "PID:  7: CLO_Time                     :0:11:21:41:61:81:91:101:255");
    QTest::newRow("current with two values") << profileWith(1, "PID:  1: Current   :700:1050");
}

void TestProgrammingTab::profileRoundTrip()
{
    QFETCH(QByteArray, content);
    env->writeFile("P120.txt", content);
    profileAction("loadAction", env->path("P120.txt"));
    QCOMPARE(int(profileLoaded), 1);
    QCOMPARE(int(loadedProfileProductIndex), 120);
    QCOMPARE(loadedProfileName, QString("P120.txt"));
    QCOMPARE(child<QLabel>("cloErrorLabel")->text(),
             QString("Status: Profile 'P120.txt' is loaded successfully"));
    QVERIFY(!child<QLabel>("cloErrorLabel")->isHidden());

    // Everything loaded, shown on the tab or kept, is saved again unchanged.
    profileAction("saveAction", env->path("again.txt"));
    QFile saved(env->path("again.txt"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray(PROFILE));
    QCOMPARE(promptTrace(),
             (QStringList{"information|Tips|The setting profile is model specific, please ensure the "
                          "coeectness of selected model name.",
                          "file|Choose or Enter Path of File|"}));
}

void TestProgrammingTab::badProfileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut after PID 10") << profileWith(11, nullptr);
    QTest::newRow("CLO times with seven values")
        << profileWith(7, "PID:  7: CLO_Time                     :0:11:21:41:61:81:91");
    QTest::newRow("current that is no number") << profileWith(1, "PID:  1: Current   :7OO");
    QTest::newRow("dimming type beyond its byte") << profileWith(3, "PID:  3: DimType   :300");
    QTest::newRow("product beyond the list") << profileWith(0, "ProductIndex: 121 :Description:M121");
    // A line is read no further than a profile's longest.
    QTest::newRow("header of 513 characters")
        << profileWith(0, ("ProductIndex:   120  :Description:" + QByteArray(479, 'M')).constData());
    QTest::newRow("a line ending in 20 million values") << profileWith(
        33,
        ("PID: 33: DriverOperationTime_Hrs      :131328" + QByteArray(":1").repeated(20000000)).constData());
}

void TestProgrammingTab::badProfileChangesNothing()
{
    QFETCH(QByteArray, content);
    env->writeFile("bad.txt", content);
    const ProgDataStructDef before = window->programmingData();
    profileAction("loadAction", env->path("bad.txt"));
    QCOMPARE(promptTrace().value(1),
             QString("information|Warning|Load profile fail! Please check the program profile."));
    QCOMPARE(window->programmingData().current, before.current);
    QCOMPARE(window->programmingData().productIndex, before.productIndex);
    QCOMPARE(int(profileLoaded) + loadedProfileProductIndex + loadedProfileName.size(), 0);
}

void TestProgrammingTab::profileOverConnectedDriver_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("loaded");
    const QString ask("question|Warning|Load profile and overwrite the current setting?");
    QTest::newRow("same product, confirmed") << QByteArray(PROFILE) << int(QMessageBox::Ok) << QStringList{ask} << true;
    QTest::newRow("same product, cancelled")
        << QByteArray(PROFILE) << int(QMessageBox::Cancel) << QStringList{ask} << false;
    // The header is judged before the lines are read.
    QTest::newRow("same product, damaged further down")
        << profileWith(7, "PID:  7: CLO_Time   :1") << int(QMessageBox::Ok)
        << QStringList{ask, "information|Warning|Load profile fail! Please check the program profile."} << false;
    QTest::newRow("other product")
        << profileWith(0, "ProductIndex:   12  :Description:M12") << int(QMessageBox::Ok)
        << QStringList{"warning|Warning|Load fail! The selected profile doesn't match current LED driver."} << false;
}

void TestProgrammingTab::profileOverConnectedDriver()
{
    QFETCH(QByteArray, content);
    QFETCH(int, answer);
    showRead(baseRecord(120));
    window->driverConnectionStateUpdateSlot(DRIVER_CONNECTED);
    env->writeFile("P.txt", content);
    const QString path = env->path("P.txt");
    Prompt::setResponder([path, answer](const Prompt::Record& r) {
        if (r.kind == Prompt::Kind::OpenFile)
            return Prompt::Answer(path);
        return Prompt::Answer(r.kind == Prompt::Kind::Question ? QMessageBox::StandardButton(answer) : QMessageBox::Ok);
    });
    Prompt::clearLog();
    child<QAction>("loadAction")->trigger();
    QTEST(QStringList(promptTrace().mid(1)), "boxes");
    QTEST(profileLoaded == 1, "loaded");
}

QTEST_MAIN(TestProgrammingTab)
#include "tst_programmingtab.moc"
