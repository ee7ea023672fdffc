#include "setting_dt6.h"

#include "globals.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class TestSettingDT6 : public QObject
{
    Q_OBJECT
private slots:
    void okStoresOrRefuses_data();
    void okStoresOrRefuses();
    void errorStaysUntilAValidOk();
    void checkBoxMakesThePartProgrammable();
};

using Bytes = QList<int>; // power on, curve, min, max, system failure, short address byte

static ProgDataStructDef recordWith(const Bytes& b)
{
    ProgDataStructDef d;
    d.DT6PowerOnLevel = quint8(b[0]);
    d.DT6CurveType = quint8(b[1]);
    d.DT6MinLevel = quint8(b[2]);
    d.DT6MaxLevel = quint8(b[3]);
    d.DT6SystemFailureLevel = quint8(b[4]);
    d.DT6ShortAddress = quint8(b[5]);
    return d;
}

void TestSettingDT6::okStoresOrRefuses_data()
{
    QTest::addColumn<Bytes>("loaded");
    QTest::addColumn<int>("typedAddress"); // -1: as loaded
    QTest::addColumn<int>("typedMin");     // -1: as loaded
    QTest::addColumn<int>("shownAddress"); // as loaded
    QTest::addColumn<Bytes>("stored");     // empty: refused

    QTest::newRow("defaults") << Bytes{254, 0, 1, 254, 254, 0xFF} << -1 << -1 << 255 << Bytes{254, 0, 1, 254, 254, 0xFF};
    QTest::newRow("even address byte") << Bytes{100, 1, 10, 200, 50, 0x10} << -1 << -1 << 8
                                       << Bytes{100, 1, 10, 200, 50, 0x11};
    QTest::newRow("levels clamp") << Bytes{255, 1, 0, 255, 255, 0x01} << -1 << -1 << 0 << Bytes{255, 1, 1, 254, 254, 0x01};
    QTest::newRow("address 0") << Bytes{254, 0, 1, 254, 254, 0xFF} << 0 << -1 << 255 << Bytes{254, 0, 1, 254, 254, 0x01};
    QTest::newRow("address 63") << Bytes{254, 0, 1, 254, 254, 0xFF} << 63 << -1 << 255 << Bytes{254, 0, 1, 254, 254, 0x7F};
    QTest::newRow("address 64") << Bytes{254, 0, 1, 254, 254, 0xFF} << 64 << -1 << 255 << Bytes{};
    QTest::newRow("address 254") << Bytes{254, 0, 1, 254, 254, 0xFF} << 254 << -1 << 255 << Bytes{};
    QTest::newRow("address byte 0x80 loads as 64") << Bytes{254, 0, 1, 254, 254, 0x80} << -1 << -1 << 64 << Bytes{};
    QTest::newRow("min equal to max") << Bytes{254, 0, 100, 100, 254, 0x03} << -1 << -1 << 1
                                      << Bytes{254, 0, 100, 100, 254, 0x03};
    QTest::newRow("min above max") << Bytes{254, 0, 1, 100, 254, 0x03} << -1 << 200 << 1 << Bytes{};
    QTest::newRow("both faults") << Bytes{254, 0, 1, 100, 254, 0x03} << 100 << 200 << 1 << Bytes{};
}

void TestSettingDT6::okStoresOrRefuses()
{
    QFETCH(Bytes, loaded);
    QFETCH(int, typedAddress);
    QFETCH(int, typedMin);
    QFETCH(Bytes, stored);

    setting_DT6 d;
    d.show();
    d.loadSettings(recordWith(loaded));
    auto* address = d.findChild<QSpinBox*>("spinBox_DT6ShortAddress");
    QTEST(address->value(), "shownAddress");
    if (typedAddress >= 0)
        address->setValue(typedAddress);
    if (typedMin >= 0)
        d.findChild<QSpinBox*>("spinBox_DT6MinLevel")->setValue(typedMin);

    QList<ProgDataStructDef> emitted;
    connect(&d, &setting_DT6::hideDialog, this, [&](ProgDataStructDef& r) { emitted << r; });
    d.findChild<QPushButton*>("okButton")->click();

    if (stored.isEmpty()) {
        QVERIFY(emitted.isEmpty());
        QVERIFY(d.isVisible());
        QVERIFY(!d.findChild<QLabel*>("err_msg")->isHidden());
        QCOMPARE(d.findChild<QLabel*>("err_msg")->text(), QString("Value invalid!"));
        return;
    }
    QCOMPARE(emitted.size(), 1);
    const ProgDataStructDef& r = emitted[0];
    QCOMPARE((Bytes{r.DT6PowerOnLevel, r.DT6CurveType, r.DT6MinLevel, r.DT6MaxLevel, r.DT6SystemFailureLevel,
                 r.DT6ShortAddress}),
        stored);
    // Nothing but the six DT6 fields is handed out.
    QCOMPARE(r.current, quint16(0));
    QCOMPARE(r.bank201BPSS, quint8(0));
    QVERIFY(d.isHidden());
}

void TestSettingDT6::errorStaysUntilAValidOk()
{
    setting_DT6 d;
    auto* error = d.findChild<QLabel*>("err_msg");
    QVERIFY(error->isHidden());
    d.show();
    d.loadSettings(recordWith(Bytes{254, 0, 1, 254, 254, 0x81}));
    d.findChild<QPushButton*>("okButton")->click();
    QVERIFY(!error->isHidden());
    d.hide(); // closed without OK
    d.show();
    QVERIFY(!error->isHidden());
    d.findChild<QSpinBox*>("spinBox_DT6ShortAddress")->setValue(5);
    d.findChild<QPushButton*>("okButton")->click();
    QVERIFY(error->isHidden());
}

void TestSettingDT6::checkBoxMakesThePartProgrammable()
{
    DT6Programmable = 0;
    setting_DT6 d;
    const QList<QSpinBox*> boxes = d.findChildren<QSpinBox*>();
    QCOMPARE(boxes.size(), 6);
    for (QSpinBox* b : boxes)
        QVERIFY(b->isReadOnly() && b->buttonSymbols() == QAbstractSpinBox::NoButtons);

    auto* check = d.findChild<QCheckBox*>("DT6_checkBox");
    check->click();
    QCOMPARE(DT6Programmable, quint8(1));
    for (QSpinBox* b : boxes)
        QVERIFY(!b->isReadOnly() && b->buttonSymbols() == QAbstractSpinBox::NoButtons);
    // Loading a record touches neither the box nor the flag.
    d.loadSettings(recordWith(Bytes{254, 0, 1, 254, 254, 0xFF}));
    QVERIFY(check->isChecked());
    QCOMPARE(DT6Programmable, quint8(1));
    check->click();
    QCOMPARE(DT6Programmable, quint8(0));
    for (QSpinBox* b : boxes)
        QVERIFY(b->isReadOnly());
}

QTEST_MAIN(TestSettingDT6)
#include "tst_setting_dt6.moc"
