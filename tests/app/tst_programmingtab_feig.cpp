// The Programming tab end to end at the FEIG NFC bench: reading, production and the operating-time
// reset, with tags put on the reader and taken away.

#include "mainwindow.h"

#include "feigbench.h"

#include <QtTest>
#include <QtWidgets>

class TestProgrammingTabFeig : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readShowsEachLayout_data();
    void readShowsEachLayout();
    void productionAdvancesAddressAndId();
    void resetClearsModuleOperatingTime();
    void tagRemovedMidWriteFailsOnce();
};

void TestProgrammingTabFeig::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestProgrammingTabFeig::readShowsEachLayout_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("bpss"); // tag byte 228, 264, 288 holds its own number's low byte

    QTest::newRow("other product") << 100 << 0 << 0;
    QTest::newRow("layout 1") << 112 << 1 << 0xE4;
    QTest::newRow("layout 2") << 126 << 2 << 0x08;
    QTest::newRow("layout 3") << 134 << 3 << 0x20;
}

void TestProgrammingTabFeig::readShowsEachLayout()
{
    QFETCH(int, product);
    QFETCH(int, layout);
    QFETCH(int, bpss);

    FeigBench bench(tagImage(quint16(product), layout));
    // A tag put on the reader is read at once.
    bench.waitForRead(quint16(product));
    QCOMPARE(bench.child<QLabel>("connectStatusLabel")->text(), QString("FEIG NFC Reader connected"));
    QCOMPARE(bench.child<QComboBox>("currentSetComboBox")->currentText(), QString("700"));
    QCOMPARE(int(bench.window->programmingData().bank201BPSS), bpss);
    QCOMPARE(int(FA_location), layout);
}

void TestProgrammingTabFeig::productionAdvancesAddressAndId()
{
    QByteArray image = tagImage(112, 3);
    image[404] = char(0x0B);                                        // DT6 short address 5
    image.replace(79, 8, tagHex("00 00 00 00 00 00 00 FF"));        // luminaire ID
    FeigBench bench(image);
    bench.waitForRead(112);
    topLevel("setting_DT6")->findChild<QCheckBox*>("DT6_checkBox")->click();
    topLevel("setting_part251")->findChild<QCheckBox*>("part251_checkBox")->click();
    QCOMPARE(int(DT6Programmable) + int(part251Programmable), 2);
    bench.child<QRadioButton>("customSetRadioButton")->click();
    bench.child<QSpinBox>("customSpinBox")->setValue(1050);
    bench.action("programAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);

    for (int i = 1; i < 3; ++i) {
        bench.reader.removeTag();
        QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("titleLabel"), QString("Wait for LED Driver ....!"), STEP_TIMEOUT_MS);
        bench.reader.placeTag(&bench.tags[i]);
        QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("%1 pcs").arg(i + 1), STEP_TIMEOUT_MS);
    }
    QCOMPARE(bench.viewText("failLabel"), QString("------"));
    const char* const addresses[] = {"0B", "0D", "0F"};
    const char* const ids[] = {"00 00 00 00 00 00 00 FF", "00 00 00 00 00 00 01 00", "00 00 00 00 00 00 01 01"};
    for (int i = 0; i < 3; ++i) {
        const QByteArray tag = bench.tags[i].driverImage();
        QCOMPARE(hexOf(tag.left(8)), QByteArray("01 55 1A 04 00 70 05 01")); // identity kept, 1050 mA
        QCOMPARE(hexOf(tag.mid(404, 1)), QByteArray(addresses[i]));
        QCOMPARE(hexOf(tag.mid(79, 8)), QByteArray(ids[i]));
        QCOMPARE(bench.tags[i].blocks(1, 1).at(0), SimIsoTag::DRIVER_FIRST_BYTE);
    }
}

void TestProgrammingTabFeig::resetClearsModuleOperatingTime()
{
    FeigBench bench(tagImage(100, 0));
    bench.waitForRead(100);
    Prompt::clearLog();
    bench.action("resetAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(promptTrace().size(), 2, STEP_TIMEOUT_MS);
    QCOMPARE(promptTrace().at(1), QString("information|Reset Module Operating Time|Reset Successfully"));
    // Minutes and hours of the module zero, the driver's own time kept.
    QCOMPARE(hexOf(bench.tags[0].driverImage().mid(27, 8)), QByteArray("00 00 00 00 00 01 02 05"));
    QCOMPARE(bench.child<QLabel>("cloTimeLabel")->text(), QString("Module Operating Time = 0 hours"));
}

void TestProgrammingTabFeig::tagRemovedMidWriteFailsOnce()
{
    FeigBench bench(tagImage(112, 1));
    bench.waitForRead(112);
    bench.child<QRadioButton>("customSetRadioButton")->click();
    bench.child<QSpinBox>("customSpinBox")->setValue(1050);
    bench.reader.removeTagDuringWrite(5);
    bench.action("programAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("failLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);
    QCOMPARE(bench.viewText("titleLabel"), QString("Programmed Failed ....!"));
    QCOMPARE(bench.viewText("successLabel"), QString("------"));

    // Put back, the half-written tag is read and programmed in full.
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("titleLabel"), QString("Wait for LED Driver ....!"), STEP_TIMEOUT_MS);
    bench.reader.placeTag(&bench.tags[0]);
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);
    QCOMPARE(bench.viewText("failLabel"), QString("1 pcs"));
    QCOMPARE(hexOf(bench.tags[0].driverImage().mid(2, 2)), QByteArray("1A 04"));
}

QTEST_MAIN(TestProgrammingTabFeig)
#include "tst_programmingtab_feig.moc"
