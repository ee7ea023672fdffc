// The Programming tab end to end with the CR95HF reader (programming tool 3): the real window, the
// stand-in reader library loaded by name with a simulated reader in it, and driver tags put on it
// and taken away. The selector offers no item for this tool, so the bench adds one to reach it the
// way a user's choice would. The window's own 2000 ms polls run unchanged.

#include "mainwindow.h"

#include "../engines/nfctag_testdata.h"
#include "mainwindow_testsupport.h"
#include "simcr95hfreader.h"
#include "simisotag.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

constexpr int STEP_TIMEOUT_MS = 30000;

// Working directory, reader, two tags of product 1 (the first on the reader) and the window on the
// Programming tab with the CR95HF reader chosen.
struct Bench
{
    WindowTestEnvironment env;
    SimCr95hfReader reader;
    SimIsoTag tags[2] = {SimIsoTag(tagHex("E0 04 01 00 00 00 00 01")), SimIsoTag(tagHex("E0 04 01 00 00 00 00 02"))};
    std::unique_ptr<MainWindow> window;

    Bench()
    {
        QVERIFY(reader.isInstalled());
        env.writeProductList({"0,Kavro KLD 075 M0,75,1400,350,1,10,56.0,28.0,0,17FF",
                              "1,Kavro KLD 075 M1,75,1400,350,1,10,56.0,28.0,0,17FF"});
        for (SimIsoTag& tag : tags)
            tag.setDriverImage(tagImage(1, 0));
        reader.placeTag(&tags[0]);
        window = std::make_unique<MainWindow>();
        child<QTabWidget>("tabWidget")->setCurrentIndex(MainWindow::TAB_PROGRAMMING);
        QComboBox* tools = child<QComboBox>("programToolComboBox");
        tools->addItem(QStringLiteral("CR95HF NFC Programming"));
        tools->setCurrentIndex(PROG_TOOL_ST_NFC);
        QTRY_COMPARE_WITH_TIMEOUT(window->programmingData().productIndex, quint16(1), STEP_TIMEOUT_MS);
        QTRY_VERIFY_WITH_TIMEOUT(child<QAction>("programAction")->isEnabled(), STEP_TIMEOUT_MS);
    }

    template <typename T>
    T* child(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QString viewText(const char* label) const
    {
        return topLevel("programView")->findChild<QLabel*>(QString::fromLatin1(label))->text();
    }
};

class TestProgrammingTabSt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void productionProgramsEachTag();
    void resetClearsModuleOperatingTime();
};

void TestProgrammingTabSt::productionProgramsEachTag()
{
    Bench bench;
    QCOMPARE(bench.child<QLabel>("connectStatusLabel")->text(), QString("Kavro NFC Reader connected"));
    bench.child<QRadioButton>("customSetRadioButton")->click();
    bench.child<QSpinBox>("customSpinBox")->setValue(1050);
    bench.child<QAction>("programAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);

    bench.reader.removeTags();
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("titleLabel"), QString("Wait for LED Driver ....!"), STEP_TIMEOUT_MS);
    bench.reader.placeTag(&bench.tags[1]);
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("2 pcs"), STEP_TIMEOUT_MS);
    QCOMPARE(bench.viewText("failLabel"), QString("------"));
    for (const SimIsoTag& tag : bench.tags) {
        // First byte, identity kept, 1050 mA; the bytes after the parameter table as they were.
        const QByteArray blocks = tag.blocks(1, 19);
        QCOMPARE((blocks.left(8) + blocks.mid(74)).toHex(' ').toUpper(), QByteArray("A5 01 55 1A 04 00 01 05 49 4A"));
    }
}

void TestProgrammingTabSt::resetClearsModuleOperatingTime()
{
    Bench bench;
    Prompt::clearLog();
    bench.child<QAction>("resetAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(promptTrace().size(), 2, STEP_TIMEOUT_MS);
    QCOMPARE(promptTrace().at(1), QString("information|Reset Module Operating Time|Reset Successfully"));
    // Minutes and hours of the module zero, the driver's own time kept.
    QCOMPARE(bench.tags[0].driverImage().mid(27, 8).toHex(' ').toUpper(), QByteArray("00 00 00 00 00 01 02 05"));
    QCOMPARE(bench.child<QLabel>("cloTimeLabel")->text(), QString("Module Operating Time = 0 hours"));
}

QTEST_MAIN(TestProgrammingTabSt)
#include "tst_programmingtab_st.moc"
