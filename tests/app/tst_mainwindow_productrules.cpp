// The Programming tab's product rules: what choosing a driver model does to the tab, group of
// feature bits by group, and the small rules that keep the edits consistent.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"

#include <QtTest>
#include <QtWidgets>

#include <map>

namespace {

// The product list of these tests: every model DALI + 0-10V, 350..1050 mA, 10 % minimum, unless
// listed here.
QList<QByteArray> testProducts()
{
    const std::map<int, QByteArray> special = {
        {1, "Ratio only,40,1050,350,1,10,54.0,27.0,0,0010"},
        {2, "DALI PWM Push,40,1050,350,1,10,54.0,27.0,0,0061"},
        {3, "PWM Push,40,1050,350,1,10,54.0,27.0,0,0060"},
        {4, "Push only,40,1050,350,1,10,54.0,27.0,0,0040"},
        {5, "Corridor DALI,40,1050,350,1,10,54.0,27.0,0,1001"},
        {6, "No features,40,1050,350,1,10,54.0,27.0,0,0000"},
        {7, "Fixed override,40,1050,350,1,10,54.0,27.0,0,0084"},
        {8, "All groups,40,1050,350,1,10,54.0,27.0,0,0701"},
        {9, "EOL only,40,1050,350,1,10,54.0,27.0,0,0101"},
        {10, "0-10V locked,40,1050,350,1,10,54.0,27.0,0,4002"},
        {11, "Min dim only,40,1050,350,1,10,54.0,27.0,0,0802"},
        {12, "No voltages,40,1050,350,1,10,54.0,27.0,0,8002"},
        {13, "Step fades,40,1050,350,1,10,54.0,27.0,0,2004"},
        {14, "Extended 0-10V,150,3500,1400,1,15.5,43.0,21.5,4,0003"},
        {15, "Top 1020,40,1020,350,1,10,54.0,27.0,0,0003"},
        {17, "All smart,40,1050,350,1,10,54.0,27.0,0,001C"},
        {18, "Midnight ratio,40,1050,350,1,10,54.0,27.0,0,0018"},
        {99, "Last old,40,1050,350,1,10,54.0,27.0,0,0103"},
        {100, "First new,40,1050,350,1,10,54.0,27.0,0,0103"},
        {144, "Switchable smart,40,1050,350,1,10,54.0,27.0,0,001E"},
    };
    QList<QByteArray> lines;
    for (int i = 0; i < 150; ++i) {
        const auto it = special.find(i);
        const QByteArray rest = it != special.end() ? it->second : QByteArray("Model,40,1050,350,1,10,54.0,27.0,0,0003");
        lines << QByteArray::number(i) + ',' + rest;
    }
    return lines;
}

const char DISABLED_STYLE[] = "QCheckBox{color:rgb(171,171,171)}";

// Enabled as far as the widget itself goes: the choices sit in group boxes that may be disabled.
bool ownEnabled(const QWidget* w)
{
    return !w->testAttribute(Qt::WA_ForceDisabled);
}

} // namespace

class TestMainWindowProductRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dimmingChoices_data();
    void dimmingChoices();
    void smartModeDefaults_data();
    void smartModeDefaults();
    void optionGroups_data();
    void optionGroups();
    void zeroToTenVoltBits();
    void modeDefaultsByProduct_data();
    void modeDefaultsByProduct();
    void stepFadeTimesFlag();
    void currentChoices_data();
    void currentChoices();
    void customCurrentClamp_data();
    void customCurrentClamp();
    void informationAndMinimumLevel();
    void extendedVoltageLimitsPersist();
    void eolRow_data();
    void eolRow();
    void daliPartButtons_data();
    void daliPartButtons();
    void exclusiveDimmingChoice();
    void corridorTimes();
    void mtpPair();
    void indexBeyondTheListFallsBackToFirstProduct();
    void emptyListLeavesTheTabAsItIs();

private:
    template <typename T>
    T* widget(const char* name) const
    {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    void useTool(int tool);
    void choose(int productIndex);

    std::unique_ptr<WindowTestEnvironment> env;
    std::unique_ptr<MainWindow> window;
};

void TestMainWindowProductRules::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestMainWindowProductRules::init()
{
    env = std::make_unique<WindowTestEnvironment>();
    env->writeProductList(testProducts());
    window = std::make_unique<MainWindow>();
    Prompt::clearLog();
}

void TestMainWindowProductRules::cleanup()
{
    QCOMPARE(promptTrace(), QStringList());
    window.reset();
    env.reset();
}

void TestMainWindowProductRules::useTool(int tool)
{
    widget<QTabWidget>("tabWidget")->setCurrentIndex(1);
    widget<QComboBox>("programToolComboBox")->setCurrentIndex(tool);
}

// As the user does it: picking the model in the list.
void TestMainWindowProductRules::choose(int productIndex)
{
    emit widget<QComboBox>("driverComboBox")->activated(productIndex);
}

void TestMainWindowProductRules::dimmingChoices_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("tool");
    QTest::addColumn<QString>("available");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QString>("enabledGroup");

    QTest::newRow("0x0003 DALI and 0-10V") << 0 << 0 << "0-10V DALI" << "0-10V" << "0-10V";
    QTest::newRow("0x0010 ratio only") << 1 << 0 << "smart" << "" << "";
    QTest::newRow("0x0061 DALI, PWM, push") << 2 << 0 << "DALI PWM push" << "DALI" << "";
    QTest::newRow("0x0060 PWM, push") << 3 << 0 << "PWM push" << "PWM" << "";
    QTest::newRow("0x0040 push only") << 4 << 0 << "push" << "push" << "";
    QTest::newRow("0x1001 corridor, DALI tool") << 5 << 0 << "DALI corridor" << "DALI" << "";
    QTest::newRow("0x1001 corridor, FEIG reader") << 5 << 2 << "DALI corridor" << "DALI" << "";
    QTest::newRow("0x1001 corridor, USB tool") << 5 << 1 << "DALI" << "DALI" << "";
    QTest::newRow("0x0000 nothing") << 6 << 0 << "" << "" << "";
    QTest::newRow("0x0084 fixed timer, override") << 7 << 0 << "smart override" << "" << "";
}

void TestMainWindowProductRules::dimmingChoices()
{
    QFETCH(int, product);
    QFETCH(int, tool);
    QFETCH(QString, available);
    QFETCH(QString, checked);
    QFETCH(QString, enabledGroup);

    useTool(tool);
    // Start from a state the product must overwrite: every box checked.
    const std::pair<const char*, const char*> boxes[] = {
        {"0-10V", "analogDimCheckBox"}, {"DALI", "daliDimCheckBox"},     {"PWM", "pwmDimCheckBox"},
        {"push", "pushDimCheckBox"},    {"smart", "smartDimCheckBox"},   {"corridor", "corridorDimCheckBox"},
        {"override", "overrideCheckBox"}};
    for (const auto& b : boxes)
        widget<QCheckBox>(b.second)->setChecked(true);
    widget<QCheckBox>("infinityCheckBox")->setChecked(true);

    choose(product);

    QStringList availableNow;
    QStringList checkedNow;
    for (const auto& b : boxes) {
        QCheckBox* box = widget<QCheckBox>(b.second);
        if (ownEnabled(box))
            availableNow << QString::fromLatin1(b.first);
        else
            QCOMPARE(box->styleSheet(), QString::fromLatin1(DISABLED_STYLE));
        if (box->isChecked())
            checkedNow << QString::fromLatin1(b.first);
    }
    QCOMPARE(availableNow.join(' '), available);
    QCOMPARE(checkedNow.join(' '), checked);
    // The override box stays grey until the smart timer is chosen.
    QCOMPARE(widget<QCheckBox>("overrideCheckBox")->styleSheet(), QString::fromLatin1(DISABLED_STYLE));

    QStringList groups;
    if (widget<QGroupBox>("analogDimSetGroupBox")->isEnabled())
        groups << "0-10V";
    if (widget<QGroupBox>("smartDimSetGroupBox")->isEnabled())
        groups << "smart";
    if (widget<QGroupBox>("corridorSetGroupBox")->isEnabled())
        groups << "corridor";
    QCOMPARE(groups.join(' '), enabledGroup);
    QCOMPARE(widget<QCheckBox>("infinityCheckBox")->isChecked(), !available.contains("corridor"));
}

void TestMainWindowProductRules::smartModeDefaults_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("product");
    QTest::addColumn<QString>("available");
    QTest::addColumn<QString>("checked");

    QTest::newRow("all three: fixed") << 18 << 17 << "fixed midnight ratio" << "fixed";
    QTest::newRow("midnight and ratio: midnight") << 17 << 18 << "midnight ratio" << "midnight";
    QTest::newRow("ratio only: ratio") << 17 << 1 << "ratio" << "ratio";
    QTest::newRow("no smart timer: mode kept") << 18 << 0 << "" << "midnight";
}

void TestMainWindowProductRules::smartModeDefaults()
{
    QFETCH(int, before);
    QFETCH(int, product);
    QFETCH(QString, available);
    QFETCH(QString, checked);

    choose(before);
    choose(product);
    const std::pair<const char*, const char*> radios[] = {{"fixed", "smartFixedRadioButton"},
                                                          {"midnight", "smartMidnightRadioButton"},
                                                          {"ratio", "smartRatioRescaleRadioButton"}};
    QStringList availableNow;
    QStringList checkedNow;
    for (const auto& r : radios) {
        if (ownEnabled(widget<QRadioButton>(r.second)))
            availableNow << QString::fromLatin1(r.first);
        if (widget<QRadioButton>(r.second)->isChecked())
            checkedNow << QString::fromLatin1(r.first);
    }
    QCOMPARE(availableNow.join(' '), available);
    QCOMPARE(checkedNow.join(' '), checked);
}

void TestMainWindowProductRules::optionGroups_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QString>("available");

    QTest::newRow("0x0700 MTP, CLO, EOL") << 8 << "MTP CLO EOL";
    QTest::newRow("0x0100 EOL") << 9 << "EOL";
    QTest::newRow("none") << 0 << "";
}

void TestMainWindowProductRules::optionGroups()
{
    QFETCH(int, product);
    QFETCH(QString, available);

    choose(8);
    const std::pair<const char*, const char*> groups[] = {
        {"MTP", "mtpSetGroupBox"}, {"CLO", "cloSetGroupBox"}, {"EOL", "eolSetGroupBox"}};
    for (const auto& g : groups)
        widget<QGroupBox>(g.second)->setChecked(true);

    choose(product);
    QStringList availableNow;
    for (const auto& g : groups) {
        QGroupBox* group = widget<QGroupBox>(g.second);
        QVERIFY(!group->isChecked());
        if (group->isEnabled()) {
            availableNow << QString::fromLatin1(g.first);
            QCOMPARE(group->styleSheet(), QStringLiteral("QGroupBox:title {color: rgb(74, 74, 74);}"));
        } else {
            QCOMPARE(group->styleSheet(), QStringLiteral("QGroupBox:title {color: rgb(171, 171, 171);}"));
        }
    }
    QCOMPARE(availableNow.join(' '), available);
}

void TestMainWindowProductRules::zeroToTenVoltBits()
{
    auto* dimOff = widget<QRadioButton>("dimOffRadioButton");
    auto* minDim = widget<QRadioButton>("minDimRadioButton");
    auto* minLevel = widget<QDoubleSpinBox>("analogMinDimSpinBox");

    choose(10); // 0x4000: mode and minimum level locked
    QVERIFY(!dimOff->isEnabled());
    QVERIFY(!minDim->isEnabled());
    QVERIFY(!minLevel->isEnabled());

    choose(0);
    QVERIFY(dimOff->isEnabled());
    QVERIFY(minDim->isEnabled());
    QVERIFY(minLevel->isEnabled());

    dimOff->setChecked(true);
    choose(11); // 0x0800: dims to the minimum only
    QVERIFY(!dimOff->isEnabled());
    QVERIFY(!dimOff->isChecked());
    QVERIFY(!minDim->isEnabled());
    QVERIFY(minDim->isChecked());

    const char* const voltageWidgets[] = {"analogStartDimSpinBox", "analogEndDimSpinBox", "maxDimVoltageLabel",
                                          "minDimVoltageLabel", "analogDimCurvePushButton"};
    choose(12); // 0x8000: no start and end voltages
    for (const char* name : voltageWidgets)
        QVERIFY2(widget<QWidget>(name)->isHidden(), name);
    choose(0);
    for (const char* name : voltageWidgets)
        QVERIFY2(!widget<QWidget>(name)->isHidden(), name);
}

void TestMainWindowProductRules::modeDefaultsByProduct_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<bool>("startDimOff");
    QTest::addColumn<bool>("dimOff");

    QTest::newRow("52: minimum") << 52 << true << false;
    QTest::newRow("44: off") << 44 << false << true;
    QTest::newRow("48: off") << 48 << false << true;
    QTest::newRow("144: off") << 144 << false << true;
    QTest::newRow("45: as it was, off") << 45 << true << true;
    QTest::newRow("45: as it was, minimum") << 45 << false << false;
}

void TestMainWindowProductRules::modeDefaultsByProduct()
{
    QFETCH(int, product);
    QFETCH(bool, startDimOff);
    QFETCH(bool, dimOff);

    (startDimOff ? widget<QRadioButton>("dimOffRadioButton") : widget<QRadioButton>("minDimRadioButton"))
        ->setChecked(true);
    choose(product);
    QCOMPARE(widget<QRadioButton>("dimOffRadioButton")->isChecked(), dimOff);
    QCOMPARE(widget<QRadioButton>("minDimRadioButton")->isChecked(), !dimOff);
}

void TestMainWindowProductRules::stepFadeTimesFlag()
{
    choose(13);
    QCOMPARE(productFeature2000, 1);
    choose(0);
    QCOMPARE(productFeature2000, 0);
}

void TestMainWindowProductRules::currentChoices_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("items");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("barMinimum");
    QTest::addColumn<int>("barMaximum");
    QTest::addColumn<int>("customMaximum");
    QTest::addColumn<int>("customValue");

    QTest::newRow("350..1050") << 0 << 15 << "350" << "1050" << 340 << 1050 << 1050 << 350;
    QTest::newRow("350..1020: last step below the top") << 15 << 14 << "350" << "1000" << 340 << 1020 << 1020 << 350;
    QTest::newRow("1400..3500") << 14 << 43 << "1400" << "3500" << 1390 << 3500 << 3500 << 1400;
}

void TestMainWindowProductRules::currentChoices()
{
    QFETCH(int, product);
    QFETCH(int, items);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(int, barMinimum);
    QFETCH(int, barMaximum);
    QFETCH(int, customMaximum);
    QFETCH(int, customValue);

    choose(product);
    auto* currents = widget<QComboBox>("currentSetComboBox");
    QCOMPARE(currents->count(), items);
    QCOMPARE(currents->itemText(0), first);
    QCOMPARE(currents->itemText(items - 1), last);
    QCOMPARE(currents->itemData(items - 1).toInt(), last.toInt());
    auto* bar = widget<QProgressBar>("progressBar");
    QCOMPARE(bar->minimum(), barMinimum);
    QCOMPARE(bar->maximum(), barMaximum);
    QCOMPARE(bar->value(), barMinimum);
    QCOMPARE(bar->format(), QStringLiteral("---- mA"));
    auto* custom = widget<QSpinBox>("customSpinBox");
    QCOMPARE(custom->minimum(), 0);
    QCOMPARE(custom->maximum(), customMaximum);
    QCOMPARE(custom->value(), customValue);
}

void TestMainWindowProductRules::customCurrentClamp_data()
{
    QTest::addColumn<int>("typed");
    QTest::addColumn<int>("kept");

    QTest::newRow("below the minimum") << 100 << 350;
    QTest::newRow("zero stays") << 0 << 0;
    QTest::newRow("in range") << 700 << 700;
    QTest::newRow("the maximum") << 1050 << 1050;
}

void TestMainWindowProductRules::customCurrentClamp()
{
    QFETCH(int, typed);
    QFETCH(int, kept);

    choose(0);
    auto* custom = widget<QSpinBox>("customSpinBox");
    custom->setValue(typed);
    emit custom->editingFinished();
    QCOMPARE(custom->value(), kept);
}

void TestMainWindowProductRules::informationAndMinimumLevel()
{
    choose(14);
    QCOMPARE(widget<QLabel>("infoVoltageLabel")->text(), QStringLiteral("21.5 ~ 43.0"));
    QCOMPARE(widget<QLabel>("infoCurrentLabel")->text(), QStringLiteral("1400 ~ 3500"));
    QCOMPARE(widget<QLabel>("infoDimLabel")->text(), QStringLiteral("15.5%"));
    QCOMPARE(widget<QLabel>("fwVersionLabel")->text(), QStringLiteral("--"));
    QCOMPARE(productPhyMinLevel, 15);
    // The spin box shows whole percent, so it rounds the product's 15.5 %.
    QCOMPARE(widget<QDoubleSpinBox>("analogMinDimSpinBox")->minimum(), 16.0);
    QCOMPARE(widget<QDoubleSpinBox>("analogMinDimSpinBox")->value(), 16.0);
    QCOMPARE(widget<QSpinBox>("corridorTurnOnLevelSpinBox")->minimum(), 15);
    QCOMPARE(widget<QComboBox>("driverComboBox")->currentIndex(), 14);
}

void TestMainWindowProductRules::extendedVoltageLimitsPersist()
{
    auto* start = widget<QDoubleSpinBox>("analogStartDimSpinBox");
    auto* end = widget<QDoubleSpinBox>("analogEndDimSpinBox");
    choose(0);
    QCOMPARE(start->maximum(), 8.5);
    QCOMPARE(end->minimum(), 0.5);
    choose(14);
    QCOMPARE(start->maximum(), 9.2);
    QCOMPARE(end->minimum(), 0.7);
    choose(0);
    QCOMPARE(start->maximum(), 9.2);
    QCOMPARE(end->minimum(), 0.7);
}

void TestMainWindowProductRules::eolRow_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<bool>("timeShown");
    QTest::addColumn<QString>("label");

    QTest::newRow("99: check only") << 99 << false << "Set checked to enable EOL function";
    QTest::newRow("100: time in kHours") << 100 << true << "EOL Time:";
}

void TestMainWindowProductRules::eolRow()
{
    QFETCH(int, product);
    QFETCH(bool, timeShown);
    QFETCH(QString, label);

    widget<QSpinBox>("eolTimeSpinBox")->setValue(50);
    choose(product);
    QVERIFY(widget<QGroupBox>("eolSetGroupBox")->isEnabled());
    QVERIFY(!widget<QGroupBox>("eolSetGroupBox")->isChecked());
    QCOMPARE(widget<QLabel>("EOL_TimeLabel")->text(), label);
    QCOMPARE(widget<QSpinBox>("eolTimeSpinBox")->isHidden(), !timeShown);
    QCOMPARE(widget<QLabel>("EOL_TimeUnitLabel")->isHidden(), !timeShown);
    if (timeShown)
        QCOMPARE(widget<QSpinBox>("eolTimeSpinBox")->value(), 0);

    // Unchecking the group clears the time.
    widget<QSpinBox>("eolTimeSpinBox")->setValue(50);
    widget<QGroupBox>("eolSetGroupBox")->setChecked(true);
    emit widget<QGroupBox>("eolSetGroupBox")->clicked(false);
    QCOMPARE(widget<QSpinBox>("eolTimeSpinBox")->value(), 0);
}

void TestMainWindowProductRules::daliPartButtons_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("product");
    QTest::addColumn<QString>("enabled");

    QTest::newRow("FEIG, 112") << 2 << 112 << "DT6 250 251 253";
    QTest::newRow("FEIG, 110") << 2 << 110 << "DT6 250 251 253";
    QTest::newRow("FEIG, 115") << 2 << 115 << "";
    QTest::newRow("FEIG, 130") << 2 << 130 << "DT6 251 253";
    QTest::newRow("FEIG, 134") << 2 << 134 << "DT6 251 253";
    QTest::newRow("FEIG, 135") << 2 << 135 << "";
    QTest::newRow("DALI tool, 130") << 0 << 130 << "";
    QTest::newRow("USB tool, 112") << 1 << 112 << "";
}

void TestMainWindowProductRules::daliPartButtons()
{
    QFETCH(int, tool);
    QFETCH(int, product);
    QFETCH(QString, enabled);

    useTool(tool);
    auto buttons = [this] {
        QStringList on;
        for (const char* name : {"ButtonDT6", "Button250", "Button251", "Button253"}) {
            if (widget<QPushButton>(name)->isEnabled())
                on << QString::fromLatin1(name).mid(6);
        }
        return on.join(' ');
    };
    choose(product);
    QCOMPARE(buttons(), enabled);

    // Choosing DALI dimming applies the same rule; any other dimming function closes them.
    widget<QCheckBox>("pwmDimCheckBox")->setEnabled(true);
    widget<QCheckBox>("pwmDimCheckBox")->click();
    QCOMPARE(buttons(), QString());
    widget<QCheckBox>("daliDimCheckBox")->click();
    QCOMPARE(buttons(), enabled);
    QCOMPARE(widget<QTabWidget>("dimAdvanceSetTabWidget")->currentIndex(), 3);
}

void TestMainWindowProductRules::exclusiveDimmingChoice()
{
    auto* dali = widget<QCheckBox>("daliDimCheckBox");
    auto* analog = widget<QCheckBox>("analogDimCheckBox");
    auto* smart = widget<QCheckBox>("smartDimCheckBox");
    auto* pages = widget<QTabWidget>("dimAdvanceSetTabWidget");

    choose(0);
    QVERIFY(analog->isChecked());
    dali->click();
    QVERIFY(dali->isChecked());
    QVERIFY(!analog->isChecked());
    QCOMPARE(pages->currentIndex(), 3);
    QVERIFY(!widget<QGroupBox>("analogDimSetGroupBox")->isEnabled());
    // Clicking the checked box leaves it checked.
    dali->click();
    QVERIFY(dali->isChecked());

    choose(17); // all smart modes, no DALI or 0-10V
    smart->click();
    QVERIFY(smart->isChecked());
    QVERIFY(widget<QGroupBox>("smartDimSetGroupBox")->isEnabled());
    QCOMPARE(pages->currentIndex(), 1);
    smart->click();
    QVERIFY(smart->isChecked());

    // Product 144 may run without a dimming function: its smart box unchecks.
    choose(144);
    smart->click();
    QVERIFY(smart->isChecked());
    QCOMPARE(widget<QCheckBox>("overrideCheckBox")->styleSheet(), QStringLiteral("QCheckBox{color:rgb(171,171,171)}"));
    smart->click();
    QVERIFY(!smart->isChecked());
    for (const char* name : {"analogDimCheckBox", "daliDimCheckBox", "pwmDimCheckBox", "pushDimCheckBox",
                             "corridorDimCheckBox", "smartDimCheckBox"})
        QVERIFY2(!widget<QCheckBox>(name)->isChecked(), name);

    // With the override available the smart timer shows it in the enabled colour.
    choose(7);
    smart->click();
    QCOMPARE(widget<QCheckBox>("overrideCheckBox")->styleSheet(), QStringLiteral("QCheckBox{color:rgb(74,74,74)}"));
}

void TestMainWindowProductRules::corridorTimes()
{
    auto* hold = widget<QSpinBox>("corridorHoldTimeSpinBox");
    auto* release = widget<QSpinBox>("corridorReleaseTimeSpinBox");
    for (QSpinBox* box : {hold, release}) {
        box->setValue(125);
        QCOMPARE(box->value(), 120);
        box->setValue(7);
        QCOMPARE(box->value(), 7);
        emit box->editingFinished();
        QCOMPARE(box->value(), 0);
        box->setValue(40);
        emit box->editingFinished();
        QCOMPARE(box->value(), 40);
    }
    auto* infinity = widget<QCheckBox>("infinityCheckBox");
    infinity->click();
    QVERIFY(!release->isEnabled());
    infinity->click();
    QVERIFY(release->isEnabled());
}

void TestMainWindowProductRules::mtpPair()
{
    auto* start = widget<QDoubleSpinBox>("mtpStartDoubleSpinBox");
    auto* end = widget<QDoubleSpinBox>("mtpEndDoubleSpinBox");
    end->setValue(10.0);
    QCOMPARE(start->minimum(), 10.5);
    QCOMPARE(end->maximum(), 49.5);
    end->setValue(60.0);
    QCOMPARE(end->value(), 49.5);
    QCOMPARE(start->minimum(), 50.0);
    QCOMPARE(start->value(), 50.0);
}

void TestMainWindowProductRules::indexBeyondTheListFallsBackToFirstProduct()
{
    window->driverBoxClicked(500);
    QCOMPARE(widget<QComboBox>("currentSetComboBox")->itemText(0), QStringLiteral("350"));
    QCOMPARE(widget<QComboBox>("driverComboBox")->currentIndex(), 0);
    QCOMPARE(window->programmingData().productIndex, quint16(500));

    auto* custom = widget<QSpinBox>("customSpinBox");
    custom->setValue(1050);
    custom->setRange(0, 5000);
    custom->setValue(5000);
    emit custom->editingFinished();
    QCOMPARE(custom->value(), 1050);

    auto* bar = widget<QProgressBar>("progressBar");
    bar->setRange(0, 10);
    widget<QTabWidget>("tabWidget")->setCurrentIndex(1);
    window->driverConnectionStateUpdateSlot(DRIVER_CONNECTED);
    window->driverConnectionStateUpdateSlot(DRIVER_DISCONNECTED);
    QCOMPARE(bar->minimum(), 340);
    QCOMPARE(bar->maximum(), 1050);
}

void TestMainWindowProductRules::emptyListLeavesTheTabAsItIs()
{
    window.reset();
    env->writeFile(QStringLiteral("Product List.txt"), QByteArray());
    productList.clear();
    productListLineNumber = 0;
    window = std::make_unique<MainWindow>();

    auto* current = widget<QLabel>("infoCurrentLabel");
    const QString shown = current->text();
    window->driverBoxClicked(0);
    window->driverBoxClicked(3);
    auto* tabs = widget<QTabWidget>("tabWidget");
    tabs->setCurrentIndex(1);
    window->driverConnectionStateUpdateSlot(DRIVER_CONNECTED);
    window->driverConnectionStateUpdateSlot(DRIVER_DISCONNECTED);
    tabs->setCurrentIndex(2);
    auto* custom = widget<QSpinBox>("customSpinBox");
    custom->setValue(42);
    emit custom->editingFinished();
    QCOMPARE(custom->value(), 42);
    QCOMPARE(current->text(), shown);
    QCOMPARE(widget<QComboBox>("currentSetComboBox")->count(), 0);
}

QTEST_MAIN(TestMainWindowProductRules)
#include "tst_mainwindow_productrules.moc"
