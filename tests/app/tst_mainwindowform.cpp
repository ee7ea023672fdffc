// The main window's form is an interface: the window's code reaches every control by object name
// and relies on the form's texts, ranges and defaults (the console compares the "Start" text, the
// CLO edits are looked up as "timeEdit_%1"/"levelEdit_%1", the power meter reads its interval).
// These tests pin that interface down so a form edit cannot silently break the window.

#include <QtTest>
#include <QtWidgets>

#include "ui_mainwindow.h"

namespace {

// Ancestors are walked by hand because QObject::findChild also finds objects of the given name
// nested in other objects, and the question here is "which page is this control on".
bool isOnPage(const QWidget *page, const QObject *obj)
{
    for (const QObject *o = obj; o; o = o->parent()) {
        if (o == page)
            return true;
    }
    return false;
}

// Qt's own parts (a tab bar's scroll buttons, a spin box's editor) carry names of their own.
bool isQtInternal(const QObject *obj)
{
    for (const QObject *o = obj; o; o = o->parent()) {
        if (o->objectName().startsWith(QLatin1String("qt_")))
            return true;
    }
    return false;
}

QGridLayout *gridHolding(QWidget *root, QWidget *w)
{
    const QList<QGridLayout *> grids = root->findChildren<QGridLayout *>();
    for (QGridLayout *g : grids) {
        if (g->indexOf(w) >= 0)
            return g;
    }
    return nullptr;
}

} // namespace

class TestMainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void objects_data();
    void objects();
    void namesAreUnique();
    void properties_data();
    void properties();
    void numericRanges_data();
    void numericRanges();
    void sizeLimits_data();
    void sizeLimits();
    void alignments_data();
    void alignments();
    void tabs_data();
    void tabs();
    void gridPositions_data();
    void gridPositions();
    void windowFrame();
    void statusRowOrder();
    void tables();
    void daliPageButtonsStayPut();
    void noValidatorsOrMasks();
    void checkableGroupsDisableTheirControls();
    void exclusiveChoices();
    void spinBoxStepsAndCorrection();
    void images_data();
    void images();

private:
    QMainWindow *window = nullptr;
    Ui_MainWindow *ui = nullptr;
};

void TestMainWindowForm::initTestCase()
{
    // The images are compiled into the static library kl_app; without this the linker may drop
    // the resource initialiser because nothing references it.
    Q_INIT_RESOURCE(resources);
}

void TestMainWindowForm::init()
{
    window = new QMainWindow;
    ui = new Ui_MainWindow;
    ui->setupUi(window);
}

void TestMainWindowForm::cleanup()
{
    delete ui;
    ui = nullptr;
    delete window;
    window = nullptr;
}

void TestMainWindowForm::objects_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("page");

    const struct { const char *name, *cls, *page; } rows[] = {
        // frame
        {"centralWidget", "QWidget", ""}, {"tabWidget", "QTabWidget", ""},
        {"indicatiorLabel", "QLabel", ""}, {"connectStatusLabel", "QLabel", ""},
        {"logoLabel", "QLabel", ""}, {"cloErrorLabel", "QLabel", ""}, {"versionLabel", "QLabel", ""},
        {"menuBar", "QMenuBar", ""}, {"mainToolBar", "QToolBar", ""},
        {"statusBar", "QStatusBar", ""}, {"toolBar", "QToolBar", ""},
        // DALI Control
        {"sendPushButton", "QPushButton", "daliConsoleTab"},
        {"addressGroupBox", "QGroupBox", "daliConsoleTab"},
        {"broadcastRadioButton", "QRadioButton", "daliConsoleTab"},
        {"groupAddrRadioButton", "QRadioButton", "daliConsoleTab"},
        {"shortAddrRadioButton", "QRadioButton", "daliConsoleTab"},
        {"addrLineEdit", "QLineEdit", "daliConsoleTab"},
        {"paraGroupBox", "QGroupBox", "daliConsoleTab"},
        {"paraLineEdit", "QLineEdit", "daliConsoleTab"},
        {"mmdDelayGroupBox", "QGroupBox", "daliConsoleTab"},
        {"delayTimeSpinBox", "QSpinBox", "daliConsoleTab"},
        {"sendDataGroupBox", "QGroupBox", "daliConsoleTab"},
        {"sendLineEdit", "QLineEdit", "daliConsoleTab"},
        {"responseGroupBox", "QGroupBox", "daliConsoleTab"},
        {"daliResponseLineEdit", "QLineEdit", "daliConsoleTab"},
        {"deviceTypeGroupBox", "QGroupBox", "daliConsoleTab"},
        {"deviceTypeComboBox", "QComboBox", "daliConsoleTab"},
        {"sequenceEditGroupBox", "QGroupBox", "daliConsoleTab"},
        {"seqCmdInsertPushButton", "QPushButton", "daliConsoleTab"},
        {"seqCmdAddPushButton", "QPushButton", "daliConsoleTab"},
        {"seqCmdDelPushButton", "QPushButton", "daliConsoleTab"},
        {"seqCmdMoveUpPushButton", "QPushButton", "daliConsoleTab"},
        {"seqCmdMoveDownPushButton", "QPushButton", "daliConsoleTab"},
        {"sequenceTestGroupBox", "QGroupBox", "daliConsoleTab"},
        {"seqStartPushButton", "QPushButton", "daliConsoleTab"},
        {"seqSingleStepPushButton", "QPushButton", "daliConsoleTab"},
        {"seqLoopCheckBox", "QCheckBox", "daliConsoleTab"},
        {"cmdLineEdit", "QLineEdit", "daliConsoleTab"},
        {"cmdSeqTableWidget", "QTableWidget", "daliConsoleTab"},
        {"cmdComboBox", "QComboBox", "daliConsoleTab"},
        // Programming: information and dimming
        {"groupBox_7", "QGroupBox", "programTab"},
        {"driverLedLabel", "QLabel", "programTab"},
        {"driverComboBox", "QComboBox", "programTab"},
        {"programToolComboBox", "QComboBox", "programTab"},
        {"printerCheckBox", "QCheckBox", "programTab"},
        {"infoVoltageLabel", "QLabel", "programTab"},
        {"infoCurrentLabel", "QLabel", "programTab"},
        {"infoDriverTime", "QLabel", "programTab"},
        {"infoDimLabel", "QLabel", "programTab"},
        {"fwVersionLabel", "QLabel", "programTab"},
        {"dimFunctionSetGroupBox", "QGroupBox", "programTab"},
        {"analogDimCheckBox", "QCheckBox", "programTab"},
        {"daliDimCheckBox", "QCheckBox", "programTab"},
        {"pwmDimCheckBox", "QCheckBox", "programTab"},
        {"pushDimCheckBox", "QCheckBox", "programTab"},
        {"smartDimCheckBox", "QCheckBox", "programTab"},
        {"corridorDimCheckBox", "QCheckBox", "programTab"},
        {"dimAdvanceSetTabWidget", "QTabWidget", "programTab"},
        {"analogDimSetGroupBox", "QGroupBox", "programTab"},
        {"minDimRadioButton", "QRadioButton", "programTab"},
        {"dimOffRadioButton", "QRadioButton", "programTab"},
        {"analogMinDimSpinBox", "QDoubleSpinBox", "programTab"},
        {"maxDimVoltageLabel", "QLabel", "programTab"},
        {"analogStartDimSpinBox", "QDoubleSpinBox", "programTab"},
        {"minDimVoltageLabel", "QLabel", "programTab"},
        {"analogEndDimSpinBox", "QDoubleSpinBox", "programTab"},
        {"analogDimCurvePushButton", "QPushButton", "programTab"},
        {"smartDimSetGroupBox", "QGroupBox", "programTab"},
        {"smartFixedRadioButton", "QRadioButton", "programTab"},
        {"overrideCheckBox", "QCheckBox", "programTab"},
        {"smartMidnightRadioButton", "QRadioButton", "programTab"},
        {"smartRatioRescaleRadioButton", "QRadioButton", "programTab"},
        {"smartDimCurvePushButton", "QPushButton", "programTab"},
        {"corridorSetGroupBox", "QGroupBox", "programTab"},
        {"corridorTurnOnFadeTimeSpinBox", "QSpinBox", "programTab"},
        {"corridorTurnOnLevelSpinBox", "QSpinBox", "programTab"},
        {"corridorHoldTimeSpinBox", "QSpinBox", "programTab"},
        {"corridorReleaseLevelSpinBox", "QSpinBox", "programTab"},
        {"corridorReleaseFadeTimeSpinBox", "QSpinBox", "programTab"},
        {"corridorReleaseTimeSpinBox", "QSpinBox", "programTab"},
        {"corridorCurvePushButton", "QPushButton", "programTab"},
        {"infinityCheckBox", "QCheckBox", "programTab"},
        {"ButtonDT6", "QPushButton", "programTab"},
        {"Button250", "QPushButton", "programTab"},
        {"Button251", "QPushButton", "programTab"},
        {"Button253", "QPushButton", "programTab"},
        // Programming: current, CLO, EOL, MTP
        {"currentSetGroupBox", "QGroupBox", "programTab"},
        {"progressBar", "QProgressBar", "programTab"},
        {"segmentSetRadioButton", "QRadioButton", "programTab"},
        {"customSetRadioButton", "QRadioButton", "programTab"},
        {"currentSetComboBox", "QComboBox", "programTab"},
        {"mA_Label_1", "QLabel", "programTab"},
        {"customSpinBox", "QSpinBox", "programTab"},
        {"mA_Label_2", "QLabel", "programTab"},
        {"cloSetGroupBox", "QGroupBox", "programTab"},
        {"cloTimeLabel", "QLabel", "programTab"},
        {"cloLevelLabel", "QLabel", "programTab"},
        {"eolSetGroupBox", "QGroupBox", "programTab"},
        {"EOL_TimeLabel", "QLabel", "programTab"},
        {"eolTimeSpinBox", "QSpinBox", "programTab"},
        {"EOL_TimeUnitLabel", "QLabel", "programTab"},
        {"mtpSetGroupBox", "QGroupBox", "programTab"},
        {"mtpStartDoubleSpinBox", "QDoubleSpinBox", "programTab"},
        {"mtpEndDoubleSpinBox", "QDoubleSpinBox", "programTab"},
        {"mtpMinLevelSpinBox", "QSpinBox", "programTab"},
        // Power Meter
        {"groupBox", "QGroupBox", "powerMeterTab"},
        {"activePowerLineEdit", "QLineEdit", "powerMeterTab"},
        {"apparentPowerLineEdit", "QLineEdit", "powerMeterTab"},
        {"loadSidePowerLineEdit", "QLineEdit", "powerMeterTab"},
        {"activeEnergyLineEdit", "QLineEdit", "powerMeterTab"},
        {"apparentEnergyLineEdit", "QLineEdit", "powerMeterTab"},
        {"loadSideEnergyLineEdit", "QLineEdit", "powerMeterTab"},
        {"autoReadGroupBox", "QGroupBox", "powerMeterTab"},
        {"autoReadTimeSpinBox", "QSpinBox", "powerMeterTab"},
        {"addressGroupBox_2", "QGroupBox", "powerMeterTab"},
        {"broadcastRadioButton_2", "QRadioButton", "powerMeterTab"},
        {"shortAddrRadioButton_2", "QRadioButton", "powerMeterTab"},
        {"addrLineEdit_2", "QLineEdit", "powerMeterTab"},
        {"monitorTableWidget", "QTableWidget", "powerMeterTab"},
        // Firmware Update
        {"groupBox_2", "QGroupBox", "bootLoderTab"},
        {"hexFileNameLineEdit", "QLineEdit", "bootLoderTab"},
        {"groupBox_3", "QGroupBox", "bootLoderTab"},
        {"bootProgressBar", "QProgressBar", "bootLoderTab"},
        {"bootStatusTextBrowser", "QTextBrowser", "bootLoderTab"},
        {"clearBootMessagePushButton", "QPushButton", "bootLoderTab"},
    };
    for (const auto &r : rows)
        QTest::newRow(r.name) << r.name << r.cls << r.page;
    for (int i = 0; i < 8; ++i) {
        const QString t = QStringLiteral("timeEdit_%1").arg(i);
        const QString l = QStringLiteral("levelEdit_%1").arg(i);
        QTest::newRow(qPrintable(t)) << t << "QLineEdit" << "programTab";
        QTest::newRow(qPrintable(l)) << l << "QLineEdit" << "programTab";
    }
}

void TestMainWindowForm::objects()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, page);

    const QList<QObject *> found = window->findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
    if (!page.isEmpty()) {
        const QWidget *pageWidget = window->findChild<QWidget *>(page);
        QVERIFY(pageWidget);
        QVERIFY2(isOnPage(pageWidget, found.first()), "control sits on another page");
    }
}

void TestMainWindowForm::namesAreUnique()
{
    // The window finds some controls by name at run time; a second object with the same name
    // would be picked up arbitrarily.
    QHash<QString, int> seen;
    const QList<QObject *> all = window->findChildren<QObject *>();
    for (const QObject *o : all) {
        if (!o->objectName().isEmpty() && !isQtInternal(o))
            ++seen[o->objectName()];
    }
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        QVERIFY2(it.value() == 1, qPrintable(QStringLiteral("duplicate name %1").arg(it.key())));
}

void TestMainWindowForm::properties_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");

    auto row = [](const char *name, const char *prop, const QVariant &v) {
        QTest::addRow("%s.%s", name, prop) << QString::fromLatin1(name) << QByteArray(prop) << v;
    };
    const QVariant on(true);
    const QVariant off(false);

    // frame
    row("indicatiorLabel", "text", QStringLiteral("TextLabel"));
    row("connectStatusLabel", "text", QStringLiteral("Connect status"));
    row("logoLabel", "text", QStringLiteral("TextLabel"));
    row("cloErrorLabel", "text", QStringLiteral("error info"));
    row("cloErrorLabel", "autoFillBackground", on);
    row("versionLabel", "text", QStringLiteral("Release Version: 1.01"));
    row("toolBar", "windowTitle", QStringLiteral("toolBar"));
    row("toolBar", "movable", off);
    row("mainToolBar", "movable", on);
    row("tabWidget", "styleSheet", QStringLiteral("background-color: rgb(240, 240, 240);"));
    row("tabWidget", "documentMode", off);
    row("tabWidget", "autoFillBackground", off);

    // DALI Control
    row("sendPushButton", "text", QStringLiteral("Send"));
    row("addressGroupBox", "title", QStringLiteral("Address"));
    row("paraGroupBox", "title", QStringLiteral("Data"));
    row("mmdDelayGroupBox", "title", QStringLiteral("Delay"));
    row("sendDataGroupBox", "title", QStringLiteral("Send data"));
    row("responseGroupBox", "title", QStringLiteral("Response"));
    row("deviceTypeGroupBox", "title", QStringLiteral("Device type"));
    row("sequenceEditGroupBox", "title", QStringLiteral("Sequence"));
    row("sequenceTestGroupBox", "title", QStringLiteral("Test"));
    row("broadcastRadioButton", "text", QStringLiteral("Broadcast"));
    row("broadcastRadioButton", "checked", on);
    row("groupAddrRadioButton", "text", QStringLiteral("Group"));
    row("groupAddrRadioButton", "checked", off);
    row("shortAddrRadioButton", "text", QStringLiteral("Single"));
    row("shortAddrRadioButton", "checked", off);
    row("addrLineEdit", "text", QStringLiteral("0"));
    row("addrLineEdit", "enabled", off);
    row("paraLineEdit", "text", QStringLiteral("0"));
    row("paraLineEdit", "styleSheet", QStringLiteral("background-color: rgb(255, 255, 255);"));
    row("sendLineEdit", "text", QString());
    row("sendLineEdit", "readOnly", on);
    row("sendLineEdit", "frame", off);
    row("sendLineEdit", "styleSheet", QStringLiteral("background-color: rgb(240, 240, 240);"));
    row("daliResponseLineEdit", "readOnly", on);
    row("daliResponseLineEdit", "frame", off);
    row("deviceTypeComboBox", "count", 0);
    row("deviceTypeComboBox", "styleSheet", QStringLiteral("border-color: rgb(255, 255, 255);"));
    row("seqCmdInsertPushButton", "text", QStringLiteral("Insert"));
    row("seqCmdAddPushButton", "text", QStringLiteral("Add"));
    row("seqCmdDelPushButton", "text", QStringLiteral("Delete"));
    row("seqCmdMoveUpPushButton", "text", QStringLiteral("Move Up"));
    row("seqCmdMoveDownPushButton", "text", QStringLiteral("Move Down"));
    row("seqStartPushButton", "text", QStringLiteral("Start"));
    row("seqSingleStepPushButton", "text", QStringLiteral("Single Step"));
    row("seqLoopCheckBox", "text", QStringLiteral("Infinite loop"));
    row("seqLoopCheckBox", "checked", off);
    row("cmdLineEdit", "text", QStringLiteral("350"));
    row("cmdComboBox", "editable", off);
    row("cmdComboBox", "count", 0);
    row("cmdComboBox", "toolTip", QString());
    row("cmdComboBox", "toolTipDuration", 4000);

    // Programming: information
    row("groupBox_7", "title", QStringLiteral("Information"));
    row("groupBox_7", "checkable", off);
    row("driverLedLabel", "text", QStringLiteral("La"));
    row("driverComboBox", "count", 0);
    row("driverComboBox", "editable", off);
    row("programToolComboBox", "count", 0);
    row("programToolComboBox", "toolTip", QString());
    row("printerCheckBox", "text", QStringLiteral("Label Printing"));
    row("printerCheckBox", "checked", off);
    row("printerCheckBox", "whatsThis", QString());
    row("printerCheckBox", "focusPolicy", int(Qt::NoFocus));
    row("infoVoltageLabel", "text", QStringLiteral("0.0~0.0"));
    row("infoCurrentLabel", "text", QStringLiteral("0~0"));
    row("infoDriverTime", "text", QStringLiteral("---"));
    row("infoDimLabel", "text", QStringLiteral("0%"));
    row("fwVersionLabel", "text", QStringLiteral("---"));

    // Programming: dimming function
    row("dimFunctionSetGroupBox", "title", QStringLiteral("Dim Function Setting"));
    row("analogDimCheckBox", "text", QStringLiteral("0~10V"));
    row("daliDimCheckBox", "text", QStringLiteral("DALI"));
    row("pwmDimCheckBox", "text", QStringLiteral("PWM"));
    row("pushDimCheckBox", "text", QStringLiteral("Push Dim"));
    row("smartDimCheckBox", "text", QStringLiteral("Smart Timer Dim"));
    row("corridorDimCheckBox", "text", QStringLiteral("Corridor Mode"));
    for (const char *box : {"analogDimCheckBox", "daliDimCheckBox", "pwmDimCheckBox",
                            "pushDimCheckBox", "smartDimCheckBox", "corridorDimCheckBox"}) {
        row(box, "checked", off);
        row(box, "enabled", on);
    }
    row("dimAdvanceSetTabWidget", "styleSheet", QStringLiteral("background-color: rgb(240, 240, 240);"));
    row("analogDimSetGroupBox", "enabled", off);
    row("analogDimSetGroupBox", "title", QString());
    row("analogDimSetGroupBox", "styleSheet", QStringLiteral("QGroupBox{border:none}"));
    row("smartDimSetGroupBox", "enabled", on);
    row("smartDimSetGroupBox", "styleSheet", QStringLiteral("QGroupBox{border:none}"));
    row("corridorSetGroupBox", "enabled", on);
    row("corridorSetGroupBox", "styleSheet", QStringLiteral("QGroupBox{border:none}"));
    row("minDimRadioButton", "text", QStringLiteral("Min. Dim"));
    row("minDimRadioButton", "checked", on);
    row("dimOffRadioButton", "text", QStringLiteral("Dim to Off"));
    row("dimOffRadioButton", "checked", off);
    row("maxDimVoltageLabel", "text", QStringLiteral("Max Dim Voltage(V)"));
    row("minDimVoltageLabel", "text", QStringLiteral("Min Dim Voltage(V)"));
    row("analogDimCurvePushButton", "text", QStringLiteral("Show Curve"));
    row("smartFixedRadioButton", "text", QStringLiteral("Fixed Timer"));
    row("smartFixedRadioButton", "checked", off);
    row("smartMidnightRadioButton", "text", QStringLiteral("Midnight Centric Timer"));
    row("smartMidnightRadioButton", "checked", off);
    row("smartRatioRescaleRadioButton", "text", QStringLiteral("Ratio Rescale Timer"));
    row("smartRatioRescaleRadioButton", "checked", off);
    row("overrideCheckBox", "text", QStringLiteral("Output Override"));
    row("overrideCheckBox", "checked", off);
    row("overrideCheckBox", "styleSheet", QString());
    row("smartDimCurvePushButton", "text", QStringLiteral("Show Curve"));
    row("corridorCurvePushButton", "text", QStringLiteral("Show Curve"));
    row("infinityCheckBox", "text", QStringLiteral("Infinity"));
    row("infinityCheckBox", "checked", off);
    row("corridorHoldTimeSpinBox", "toolTip", QString());
    row("corridorHoldTimeSpinBox", "toolTipDuration", 1000);
    row("corridorReleaseTimeSpinBox", "toolTipDuration", 1000);
    row("ButtonDT6", "text", QStringLiteral("DT6"));
    row("ButtonDT6", "default", off);
    row("Button250", "text", QStringLiteral("Part 250"));
    row("Button251", "text", QStringLiteral("Part 251"));
    row("Button253", "text", QStringLiteral("Part 253"));

    // Programming: current, CLO, EOL, MTP
    row("currentSetGroupBox", "title", QStringLiteral("Output Current Setting"));
    row("currentSetGroupBox", "checkable", off);
    row("progressBar", "format", QStringLiteral("--mA"));
    row("progressBar", "value", 0);
    row("segmentSetRadioButton", "text", QStringLiteral("Select Current"));
    row("segmentSetRadioButton", "checked", on);
    row("customSetRadioButton", "text", QStringLiteral("Custom Setting"));
    row("customSetRadioButton", "checked", off);
    row("currentSetComboBox", "count", 0);
    row("currentSetComboBox", "enabled", on);
    row("mA_Label_1", "text", QStringLiteral("mA"));
    row("mA_Label_1", "enabled", on);
    row("customSpinBox", "enabled", off);
    row("mA_Label_2", "text", QStringLiteral("mA"));
    row("mA_Label_2", "enabled", off);
    row("cloSetGroupBox", "title", QStringLiteral("Constant Lumen Output"));
    row("cloSetGroupBox", "checkable", on);
    row("cloSetGroupBox", "checked", off);
    row("cloTimeLabel", "text", QStringLiteral("Module Operating Time = 0 hours"));
    row("cloLevelLabel", "text", QStringLiteral("100% = 1200 mA"));
    const char *times[] = {"0", "10", "20", "30", "40", "50", "60", "70"};
    const char *levels[] = {"79", "82", "85", "88", "91", "94", "97", "100"};
    for (int i = 0; i < 8; ++i) {
        QTest::addRow("timeEdit_%d.text", i) << QStringLiteral("timeEdit_%1").arg(i)
                                             << QByteArray("text") << QVariant(QString::fromLatin1(times[i]));
        QTest::addRow("levelEdit_%d.text", i) << QStringLiteral("levelEdit_%1").arg(i)
                                              << QByteArray("text") << QVariant(QString::fromLatin1(levels[i]));
    }
    row("timeEdit_0", "readOnly", on);
    row("timeEdit_1", "readOnly", off);
    row("levelEdit_6", "readOnly", off);
    row("levelEdit_7", "readOnly", on);
    row("eolSetGroupBox", "title", QStringLiteral("EOL"));
    row("eolSetGroupBox", "checkable", on);
    row("eolSetGroupBox", "checked", off);
    row("EOL_TimeLabel", "text", QStringLiteral("EOL time:"));
    row("EOL_TimeUnitLabel", "text", QStringLiteral("kHours"));
    row("mtpSetGroupBox", "title", QStringLiteral("Module Thermal Protection"));
    row("mtpSetGroupBox", "checkable", on);
    row("mtpSetGroupBox", "checked", off);
    for (const char *spin : {"customSpinBox", "eolTimeSpinBox", "mtpMinLevelSpinBox",
                             "mtpStartDoubleSpinBox", "mtpEndDoubleSpinBox", "delayTimeSpinBox",
                             "autoReadTimeSpinBox", "corridorHoldTimeSpinBox"}) {
        row(spin, "suffix", QString());
        row(spin, "prefix", QString());
    }

    // Power Meter
    row("groupBox", "title", QString());
    row("autoReadGroupBox", "title", QStringLiteral("Auto Read"));
    row("autoReadGroupBox", "checkable", on);
    row("autoReadGroupBox", "checked", off);
    row("addressGroupBox_2", "title", QStringLiteral("Address"));
    row("broadcastRadioButton_2", "text", QStringLiteral("Broadcast"));
    row("broadcastRadioButton_2", "checked", on);
    row("shortAddrRadioButton_2", "text", QStringLiteral("Address"));
    row("shortAddrRadioButton_2", "checked", off);
    row("addrLineEdit_2", "text", QStringLiteral("0"));
    row("addrLineEdit_2", "enabled", off);
    for (const char *field : {"activePowerLineEdit", "apparentPowerLineEdit", "loadSidePowerLineEdit",
                              "activeEnergyLineEdit", "apparentEnergyLineEdit", "loadSideEnergyLineEdit"}) {
        row(field, "readOnly", on);
        row(field, "styleSheet", QStringLiteral("background-color: rgb(255, 255, 255);"));
    }

    // Firmware Update
    row("groupBox_2", "title", QStringLiteral("Firmware profile"));
    row("groupBox_3", "title", QStringLiteral("Firmware update progress"));
    row("hexFileNameLineEdit", "text", QString());
    row("hexFileNameLineEdit", "readOnly", off);
    row("bootProgressBar", "value", 0);
    row("bootProgressBar", "minimum", 0);
    row("bootProgressBar", "maximum", 100);
    row("bootProgressBar", "textVisible", on);
    row("bootStatusTextBrowser", "plainText", QString());
    row("bootStatusTextBrowser", "readOnly", on);
    row("clearBootMessagePushButton", "text", QStringLiteral("Clear status and message"));
}

void TestMainWindowForm::properties()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);

    QObject *obj = window->findChild<QObject *>(name);
    QVERIFY(obj);
    const QVariant actual = obj->property(property.constData());
    QVERIFY2(actual.isValid(), "no such property");
    if (expected.type() == QVariant::Int)
        QCOMPARE(actual.toInt(), expected.toInt());
    else
        QCOMPARE(actual, expected);
}

void TestMainWindowForm::numericRanges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals"); // -1: an integer spin box

    QTest::newRow("delay") << "delayTimeSpinBox" << 0.0 << 600000.0 << 10.0 << 50.0 << -1;
    QTest::newRow("0-10V min level") << "analogMinDimSpinBox" << 1.0 << 100.0 << 1.0 << 10.0 << 0;
    QTest::newRow("0-10V max voltage") << "analogStartDimSpinBox" << 5.0 << 8.5 << 0.1 << 8.5 << 1;
    QTest::newRow("0-10V min voltage") << "analogEndDimSpinBox" << 0.5 << 5.0 << 0.1 << 1.1 << 1;
    QTest::newRow("turn on fade") << "corridorTurnOnFadeTimeSpinBox" << 0.0 << 255.0 << 1.0 << 50.0 << -1;
    QTest::newRow("turn on level") << "corridorTurnOnLevelSpinBox" << 0.0 << 100.0 << 1.0 << 100.0 << -1;
    QTest::newRow("hold time") << "corridorHoldTimeSpinBox" << 0.0 << 2550.0 << 10.0 << 50.0 << -1;
    QTest::newRow("release level") << "corridorReleaseLevelSpinBox" << 0.0 << 100.0 << 1.0 << 10.0 << -1;
    QTest::newRow("release fade") << "corridorReleaseFadeTimeSpinBox" << 0.0 << 255.0 << 1.0 << 50.0 << -1;
    QTest::newRow("release time") << "corridorReleaseTimeSpinBox" << 0.0 << 2540.0 << 10.0 << 50.0 << -1;
    QTest::newRow("custom current") << "customSpinBox" << 0.0 << 99.0 << 1.0 << 0.0 << -1;
    QTest::newRow("EOL time") << "eolTimeSpinBox" << 0.0 << 255.0 << 5.0 << 0.0 << -1;
    QTest::newRow("MTP start") << "mtpStartDoubleSpinBox" << 0.0 << 50.0 << 1.0 << 30.0 << 2;
    QTest::newRow("MTP end") << "mtpEndDoubleSpinBox" << 0.2 << 655.0 << 1.0 << 5.0 << 2;
    QTest::newRow("MTP min level") << "mtpMinLevelSpinBox" << 0.0 << 99.0 << 1.0 << 0.0 << -1;
    QTest::newRow("auto read interval") << "autoReadTimeSpinBox" << 5.0 << 20000.0 << 5.0 << 10.0 << -1;
}

void TestMainWindowForm::numericRanges()
{
    QFETCH(QString, name);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, step);
    QFETCH(double, value);
    QFETCH(int, decimals);

    QAbstractSpinBox *box = window->findChild<QAbstractSpinBox *>(name);
    QVERIFY(box);
    if (decimals < 0) {
        QVERIFY(qobject_cast<QSpinBox *>(box));
    } else {
        auto *d = qobject_cast<QDoubleSpinBox *>(box);
        QVERIFY(d);
        QCOMPARE(d->decimals(), decimals);
    }
    QCOMPARE(box->property("minimum").toDouble(), minimum);
    QCOMPARE(box->property("maximum").toDouble(), maximum);
    QCOMPARE(box->property("singleStep").toDouble(), step);
    QCOMPARE(box->property("value").toDouble(), value);
}

void TestMainWindowForm::sizeLimits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");

    const int none = QWIDGETSIZE_MAX;
    QTest::newRow("indicator") << "indicatiorLabel" << QSize(40, 22) << QSize(40, 22);
    QTest::newRow("message line") << "cloErrorLabel" << QSize(0, 22) << QSize(1000, 1000);
    QTest::newRow("send") << "sendPushButton" << QSize(110, 30) << QSize(400, none);
    QTest::newRow("cmd id") << "cmdLineEdit" << QSize(0, 0) << QSize(500, 120);
    QTest::newRow("cmd list") << "cmdComboBox" << QSize(500, 25) << QSize(1000, 120);
    QTest::newRow("sequence table") << "cmdSeqTableWidget" << QSize(500, 405) << QSize(1000, 1000);
    QTest::newRow("address group") << "addressGroupBox" << QSize(0, 120) << QSize(600, 560);
    QTest::newRow("address line") << "addrLineEdit" << QSize(0, 22) << QSize(500, 200);
    QTest::newRow("sequence group") << "sequenceEditGroupBox" << QSize(120, 200) << QSize(1000, 1000);
    QTest::newRow("test group") << "sequenceTestGroupBox" << QSize(120, 120) << QSize(600, 900);
    QTest::newRow("driver LED") << "driverLedLabel" << QSize(20, 22) << QSize(50, 100);
    QTest::newRow("driver list") << "driverComboBox" << QSize(380, 22) << QSize(1000, 100);
    QTest::newRow("tool list") << "programToolComboBox" << QSize(220, 22) << QSize(500, 100);
    QTest::newRow("label printing") << "printerCheckBox" << QSize(130, 0) << QSize(200, none);
    QTest::newRow("0-10V curve") << "analogDimCurvePushButton" << QSize(120, 35) << QSize(none, none);
    QTest::newRow("smart curve") << "smartDimCurvePushButton" << QSize(120, 35) << QSize(150, 40);
    QTest::newRow("hold time") << "corridorHoldTimeSpinBox" << QSize(40, 20) << QSize(none, none);
    QTest::newRow("EOL time") << "eolTimeSpinBox" << QSize(70, 22) << QSize(80, 25);
    QTest::newRow("MTP start") << "mtpStartDoubleSpinBox" << QSize(0, 24) << QSize(none, none);
    QTest::newRow("power values") << "groupBox" << QSize(500, 160) << QSize(none, none);
    QTest::newRow("power field") << "loadSideEnergyLineEdit" << QSize(200, 25) << QSize(500, 40);
    QTest::newRow("auto read") << "autoReadGroupBox" << QSize(100, 50) << QSize(600, 300);
    QTest::newRow("power address") << "addressGroupBox_2" << QSize(100, 90) << QSize(600, 300);
    QTest::newRow("power address line") << "addrLineEdit_2" << QSize(20, 22) << QSize(500, 50);
    QTest::newRow("power table") << "monitorTableWidget" << QSize(0, 330) << QSize(none, none);
    QTest::newRow("boot progress") << "bootProgressBar" << QSize(0, 30) << QSize(none, none);
    QTest::newRow("clear messages") << "clearBootMessagePushButton" << QSize(220, 25) << QSize(none, none);
}

void TestMainWindowForm::sizeLimits()
{
    QFETCH(QString, name);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);

    QWidget *w = window->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->minimumSize(), minimum);
    QCOMPARE(w->maximumSize(), maximum);
}

void TestMainWindowForm::alignments_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("alignment");

    const int right = Qt::AlignRight | Qt::AlignVCenter;
    const int left = Qt::AlignLeft | Qt::AlignVCenter;
    const int centre = Qt::AlignHCenter | Qt::AlignVCenter;
    QTest::newRow("version") << "versionLabel" << right;
    QTest::newRow("data") << "paraLineEdit" << right;
    QTest::newRow("send data") << "sendLineEdit" << right;
    QTest::newRow("response") << "daliResponseLineEdit" << right;
    QTest::newRow("voltage info") << "infoVoltageLabel" << left;
    QTest::newRow("firmware info") << "fwVersionLabel" << left;
    QTest::newRow("CLO time 0") << "timeEdit_0" << centre;
    QTest::newRow("CLO level 7") << "levelEdit_7" << centre;
    QTest::newRow("power field") << "apparentEnergyLineEdit" << right;
    QTest::newRow("interval") << "autoReadTimeSpinBox" << right;
    QTest::newRow("power address") << "addrLineEdit_2" << centre;
    QTest::newRow("boot progress") << "bootProgressBar" << centre;
}

void TestMainWindowForm::alignments()
{
    QFETCH(QString, name);
    QFETCH(int, alignment);

    QObject *obj = window->findChild<QObject *>(name);
    QVERIFY(obj);
    int actual = -1;
    if (auto *l = qobject_cast<QLabel *>(obj))
        actual = int(l->alignment());
    else if (auto *e = qobject_cast<QLineEdit *>(obj))
        actual = int(e->alignment());
    else if (auto *s = qobject_cast<QAbstractSpinBox *>(obj))
        actual = int(s->alignment());
    else if (auto *p = qobject_cast<QProgressBar *>(obj))
        actual = int(p->alignment());
    QCOMPARE(actual, alignment);
}

void TestMainWindowForm::tabs_data()
{
    QTest::addColumn<QString>("tabWidget");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");

    QTest::newRow("tab 0") << "tabWidget" << 0 << "daliConsoleTab" << "DALI Control";
    QTest::newRow("tab 1") << "tabWidget" << 1 << "programTab" << "Programming";
    QTest::newRow("tab 2") << "tabWidget" << 2 << "powerMeterTab" << "Power Meter";
    QTest::newRow("tab 3") << "tabWidget" << 3 << "bootLoderTab" << "Firmware Update";
    QTest::newRow("dim page 0") << "dimAdvanceSetTabWidget" << 0 << "tab" << "0~10V Dim Setting";
    QTest::newRow("dim page 1") << "dimAdvanceSetTabWidget" << 1 << "tab_2" << "Smart Timer Dim Setting";
    QTest::newRow("dim page 2") << "dimAdvanceSetTabWidget" << 2 << "CorridorModeSettingPage"
                                << "Corridor Mode Setting";
    QTest::newRow("dim page 3") << "dimAdvanceSetTabWidget" << 3 << "tab_14" << "DALI";
}

void TestMainWindowForm::tabs()
{
    QFETCH(QString, tabWidget);
    QFETCH(int, index);
    QFETCH(QString, page);
    QFETCH(QString, title);

    auto *tw = window->findChild<QTabWidget *>(tabWidget);
    QVERIFY(tw);
    QCOMPARE(tw->count(), 4);
    QCOMPARE(tw->currentIndex(), 0);
    QCOMPARE(tw->widget(index)->objectName(), page);
    QCOMPARE(tw->tabText(index), title);
}

void TestMainWindowForm::gridPositions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");

    QTest::newRow("first CLO time") << "timeEdit_0" << 0 << 1;
    QTest::newRow("fourth CLO time") << "timeEdit_3" << 0 << 4;
    QTest::newRow("first CLO level") << "levelEdit_0" << 1 << 1;
    QTest::newRow("last CLO level") << "levelEdit_7" << 1 << 8;
    QTest::newRow("0-10V box") << "analogDimCheckBox" << 0 << 0;
    QTest::newRow("DALI box") << "daliDimCheckBox" << 0 << 1;
    QTest::newRow("PWM box") << "pwmDimCheckBox" << 0 << 2;
    QTest::newRow("push box") << "pushDimCheckBox" << 1 << 0;
    QTest::newRow("smart box") << "smartDimCheckBox" << 1 << 1;
    QTest::newRow("corridor box") << "corridorDimCheckBox" << 1 << 2;
    QTest::newRow("override") << "overrideCheckBox" << 0 << 1;
    QTest::newRow("ratio timer") << "smartRatioRescaleRadioButton" << 2 << 0;
    QTest::newRow("hold time") << "corridorHoldTimeSpinBox" << 1 << 1;
    QTest::newRow("release time") << "corridorReleaseTimeSpinBox" << 2 << 4;
    QTest::newRow("select current") << "segmentSetRadioButton" << 0 << 0;
    QTest::newRow("custom current") << "customSetRadioButton" << 0 << 3;
    QTest::newRow("current list") << "currentSetComboBox" << 1 << 0;
    QTest::newRow("custom value") << "customSpinBox" << 1 << 3;
    QTest::newRow("custom unit") << "mA_Label_2" << 1 << 4;
    QTest::newRow("MTP min level") << "mtpMinLevelSpinBox" << 2 << 1;
}

void TestMainWindowForm::gridPositions()
{
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(int, column);

    QWidget *w = window->findChild<QWidget *>(name);
    QVERIFY(w);
    QGridLayout *grid = gridHolding(window, w);
    QVERIFY2(grid, "control is not in a grid");
    int r = -1, c = -1, rs = 0, cs = 0;
    grid->getItemPosition(grid->indexOf(w), &r, &c, &rs, &cs);
    QCOMPARE(r, row);
    QCOMPARE(c, column);
}

void TestMainWindowForm::windowFrame()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Kavro Lumorant"));
    QCOMPARE(window->size(), QSize(1171, 723));
    QCOMPARE(window->minimumSize(), QSize(900, 600));
    QCOMPARE(window->maximumSize(), QSize(1600, 900));
    QCOMPARE(window->windowModality(), Qt::WindowModal);
    QCOMPARE(window->font().family(), QStringLiteral("Arial"));
    QCOMPARE(window->font().pointSize(), 10);
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->centralWidget(), ui->centralWidget);

    QCOMPARE(ui->tabWidget->font().pointSize(), 10);
    QVERIFY(ui->tabWidget->font().bold());
    QCOMPARE(ui->tabWidget->tabPosition(), QTabWidget::North);
    QCOMPARE(ui->tabWidget->tabShape(), QTabWidget::Rounded);

    // Both tool bars stand at the top, the empty one first; the window fills only toolBar.
    QCOMPARE(window->toolBarArea(ui->mainToolBar), Qt::TopToolBarArea);
    QCOMPARE(window->toolBarArea(ui->toolBar), Qt::TopToolBarArea);
    QVERIFY(ui->mainToolBar->actions().isEmpty());
    QVERIFY(ui->toolBar->actions().isEmpty());
    QVERIFY(ui->menuBar->actions().isEmpty());
    QCOMPARE(ui->toolBar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    QCOMPARE(ui->toolBar->font().pointSize(), 9);
    QCOMPARE(window->menuBar(), ui->menuBar);
    QCOMPARE(window->statusBar(), ui->statusBar);

    // Fonts the window's texts depend on: the Send button is larger, label printing smaller,
    // the message line does not inherit the tab widget's bold.
    QCOMPARE(ui->sendPushButton->font().pointSize(), 11);
    QCOMPARE(ui->printerCheckBox->font().pointSize(), 8);
    QVERIFY(!ui->cloErrorLabel->font().bold());
}

void TestMainWindowForm::statusRowOrder()
{
    // The row below the tabs: tool indicator, connection message, logo, left to right, and the
    // message line and release line each on their own line below it.
    QHBoxLayout *row = nullptr;
    const QList<QHBoxLayout *> rows = window->findChildren<QHBoxLayout *>();
    for (QHBoxLayout *l : rows) {
        if (l->indexOf(ui->indicatiorLabel) >= 0)
            row = l;
    }
    QVERIFY(row);
    QCOMPARE(row->count(), 3);
    QCOMPARE(row->indexOf(ui->indicatiorLabel), 0);
    QCOMPARE(row->indexOf(ui->connectStatusLabel), 1);
    QCOMPARE(row->indexOf(ui->logoLabel), 2);

    auto *column = qobject_cast<QVBoxLayout *>(row->parent());
    QVERIFY(column);
    QCOMPARE(column->count(), 4);
    QCOMPARE(column->itemAt(0)->widget(), static_cast<QWidget *>(ui->tabWidget));
    QCOMPARE(column->itemAt(1)->layout(), static_cast<QLayout *>(row));
    QCOMPARE(column->itemAt(2)->widget(), static_cast<QWidget *>(ui->cloErrorLabel));
    QCOMPARE(column->itemAt(3)->widget(), static_cast<QWidget *>(ui->versionLabel));
    QCOMPARE(column->stretch(0), 0);
    QCOMPARE(column->stretch(1), 3);
}

void TestMainWindowForm::tables()
{
    for (QTableWidget *t : {ui->cmdSeqTableWidget, ui->monitorTableWidget}) {
        QCOMPARE(t->columnCount(), 7);
        QCOMPARE(t->rowCount(), 0);
    }
    QCOMPARE(ui->cmdSeqTableWidget->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(ui->cmdSeqTableWidget->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(ui->cmdSeqTableWidget->dragDropMode(), QAbstractItemView::NoDragDrop);
    QCOMPARE(ui->cmdSeqTableWidget->gridStyle(), Qt::SolidLine);
    QCOMPARE(ui->cmdSeqTableWidget->styleSheet(),
             QStringLiteral("selection-background-color: rgba(255, 195, 0, 150);\n"
                            "selection-color: rgb(0, 0, 0);"));
    // Cells stay editable: the sequence is read back from what the user typed into them.
    QVERIFY(ui->cmdSeqTableWidget->editTriggers() != QAbstractItemView::NoEditTriggers);
}

void TestMainWindowForm::daliPageButtonsStayPut()
{
    QWidget *page = ui->dimAdvanceSetTabWidget->widget(3);
    QVERIFY(!page->layout());
    QCOMPARE(ui->ButtonDT6->geometry(), QRect(20, 20, 93, 28));
    QCOMPARE(ui->Button250->geometry(), QRect(20, 90, 93, 28));
    QCOMPARE(ui->Button251->geometry(), QRect(140, 90, 93, 28));
    QCOMPARE(ui->Button253->geometry(), QRect(260, 90, 93, 28));

    window->resize(1600, 900);
    window->show();
    ui->tabWidget->setCurrentIndex(1);
    ui->dimAdvanceSetTabWidget->setCurrentIndex(3);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(ui->Button253->geometry(), QRect(260, 90, 93, 28));
}

void TestMainWindowForm::noValidatorsOrMasks()
{
    // The window validates typed values itself when editing ends; a validator in the form would
    // silently swallow input before the window can report what is wrong.
    const QList<QLineEdit *> edits = window->findChildren<QLineEdit *>();
    for (const QLineEdit *e : edits) {
        if (qobject_cast<QAbstractSpinBox *>(e->parent()) || qobject_cast<QComboBox *>(e->parent()))
            continue; // the spin boxes' and combo boxes' own editors
        QVERIFY2(!e->validator(), qPrintable(e->objectName()));
        QVERIFY2(e->inputMask().isEmpty(), qPrintable(e->objectName()));
        QCOMPARE(e->maxLength(), 32767);
    }
}

void TestMainWindowForm::checkableGroupsDisableTheirControls()
{
    QVERIFY(!ui->timeEdit_3->isEnabled());
    QVERIFY(!ui->levelEdit_7->isEnabled());
    QVERIFY(!ui->eolTimeSpinBox->isEnabled());
    QVERIFY(!ui->mtpStartDoubleSpinBox->isEnabled());
    QVERIFY(!ui->autoReadTimeSpinBox->isEnabled());

    ui->cloSetGroupBox->setChecked(true);
    QVERIFY(ui->timeEdit_3->isEnabled());
    QVERIFY(ui->levelEdit_7->isEnabled());
    QVERIFY(ui->levelEdit_7->isReadOnly());
    QVERIFY2(!ui->timeEdit_0->isEnabled(), "the first CLO point's time stays fixed at 0");
    QCOMPARE(ui->timeEdit_0->text(), QStringLiteral("0"));

    ui->autoReadGroupBox->setChecked(true);
    QVERIFY(ui->autoReadTimeSpinBox->isEnabled());
    ui->eolSetGroupBox->setChecked(true);
    QVERIFY(ui->eolTimeSpinBox->isEnabled());
    ui->mtpSetGroupBox->setChecked(true);
    QVERIFY(ui->mtpMinLevelSpinBox->isEnabled());
}

void TestMainWindowForm::exclusiveChoices()
{
    // Console address: one choice of three.
    ui->groupAddrRadioButton->click();
    QVERIFY(ui->groupAddrRadioButton->isChecked());
    QVERIFY(!ui->broadcastRadioButton->isChecked());
    ui->groupAddrRadioButton->click();
    QVERIFY2(ui->groupAddrRadioButton->isChecked(), "clicking a checked radio keeps it checked");

    // Smart timer modes exclude each other but not the 0-10V mode pair.
    ui->smartMidnightRadioButton->click();
    ui->smartFixedRadioButton->click();
    QVERIFY(ui->smartFixedRadioButton->isChecked());
    QVERIFY(!ui->smartMidnightRadioButton->isChecked());
    QVERIFY(ui->minDimRadioButton->isChecked());

    // Current choice and power meter address are their own pairs.
    ui->customSetRadioButton->click();
    QVERIFY(!ui->segmentSetRadioButton->isChecked());
    ui->shortAddrRadioButton_2->click();
    QVERIFY(!ui->broadcastRadioButton_2->isChecked());
    QVERIFY2(ui->groupAddrRadioButton->isChecked(), "the console's address choice is a group of its own");

    // The dimming check boxes are made exclusive by the window, not by the form.
    ui->analogDimCheckBox->click();
    ui->daliDimCheckBox->click();
    QVERIFY(ui->analogDimCheckBox->isChecked());
    QVERIFY(ui->daliDimCheckBox->isChecked());
}

void TestMainWindowForm::spinBoxStepsAndCorrection()
{
    ui->delayTimeSpinBox->setValue(55);
    ui->delayTimeSpinBox->stepUp();
    QCOMPARE(ui->delayTimeSpinBox->value(), 65);
    ui->delayTimeSpinBox->stepBy(-2);
    QCOMPARE(ui->delayTimeSpinBox->value(), 45);

    ui->eolTimeSpinBox->setValue(253);
    ui->eolTimeSpinBox->stepUp();
    QCOMPARE(ui->eolTimeSpinBox->value(), 255);

    ui->mtpMinLevelSpinBox->setValue(100);
    QCOMPARE(ui->mtpMinLevelSpinBox->value(), 99);
    ui->analogMinDimSpinBox->setValue(0);
    QCOMPARE(ui->analogMinDimSpinBox->value(), 1.0);
    QCOMPARE(ui->analogMinDimSpinBox->text(), QStringLiteral("1"));

    ui->autoReadTimeSpinBox->setValue(3);
    QCOMPARE(ui->autoReadTimeSpinBox->value(), 5);
    ui->autoReadTimeSpinBox->setValue(30000);
    QCOMPARE(ui->autoReadTimeSpinBox->value(), 20000);

    for (QAbstractSpinBox *b : {static_cast<QAbstractSpinBox *>(ui->corridorTurnOnFadeTimeSpinBox),
                                static_cast<QAbstractSpinBox *>(ui->corridorHoldTimeSpinBox),
                                static_cast<QAbstractSpinBox *>(ui->corridorReleaseFadeTimeSpinBox),
                                static_cast<QAbstractSpinBox *>(ui->corridorReleaseTimeSpinBox)})
        QCOMPARE(b->correctionMode(), QAbstractSpinBox::CorrectToNearestValue);
    QCOMPARE(ui->corridorTurnOnLevelSpinBox->correctionMode(), QAbstractSpinBox::CorrectToPreviousValue);

    // An emptied field: the corridor times take the nearest valid value, the levels go back.
    window->show();
    ui->tabWidget->setCurrentIndex(1);
    ui->dimAdvanceSetTabWidget->setCurrentIndex(2);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    for (QSpinBox *b : {ui->corridorHoldTimeSpinBox, ui->corridorTurnOnLevelSpinBox}) {
        b->setFocus();
        b->selectAll();
        QTest::keyClick(b, Qt::Key_Backspace);
        QTest::keyClick(b, Qt::Key_Return);
    }
    QCOMPARE(ui->corridorHoldTimeSpinBox->value(), 0);
    QCOMPARE(ui->corridorTurnOnLevelSpinBox->value(), 100);
}

void TestMainWindowForm::images_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("animated");

    const char *stills[] = {":/image/windowIcon.ico", ":/image/kavroLogo_150.png",
                            ":/image/connectedLED.png", ":/image/playIcon_50.png",
                            ":/image/down_50.png", ":/image/saveIcon_50.png",
                            ":/image/downloadIcon_50.png", ":/image/refreshIcon_50.png",
                            ":/image/clearIcon.png", ":/image/passwordIcon.png"};
    for (const char *p : stills)
        QTest::newRow(p) << QString::fromLatin1(p) << false;
    QTest::newRow(":/image/detectLED.gif") << QStringLiteral(":/image/detectLED.gif") << true;
}

void TestMainWindowForm::images()
{
    QFETCH(QString, path);
    QFETCH(bool, animated);

    QVERIFY2(QFile::exists(path), "not in the compiled-in resources");
    QVERIFY(!QPixmap(path).isNull());
    if (animated) {
        QMovie movie(path);
        QVERIFY(movie.isValid());
        QVERIFY2(movie.frameCount() > 1, "the detecting indicator must blink");
        // Both indicator labels are 22 pixels high.
        QVERIFY(movie.frameRect().height() <= 22);
    }
}

QTEST_MAIN(TestMainWindowForm)
#include "tst_mainwindowform.moc"
