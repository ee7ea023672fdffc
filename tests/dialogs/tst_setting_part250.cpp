#include "setting_part250.h"

#include "globals.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class TestSettingPart250 : public QObject
{
    Q_OBJECT
private slots:
    void okHandsBackTheStatus_data();
    void okHandsBackTheStatus();
    void checkBoxMakesThePartProgrammable();
};

void TestSettingPart250::okHandsBackTheStatus_data()
{
    QTest::addColumn<int>("loaded");
    QTest::addColumn<bool>("programmable");
    QTest::addColumn<int>("stored");

    QTest::newRow("disabled") << 0 << false << 0;
    QTest::newRow("enabled") << 1 << false << 1;
    QTest::newRow("2 reads as enabled") << 2 << false << 1;
    QTest::newRow("255 reads as enabled") << 255 << true << 1;
}

void TestSettingPart250::okHandsBackTheStatus()
{
    QFETCH(int, loaded);
    QFETCH(bool, programmable);

    setting_part250 d;
    d.show();
    if (programmable)
        d.findChild<QCheckBox*>("part250_checkBox")->click();
    ProgDataStructDef record;
    record.bank201BPSS = quint8(loaded);
    record.current = 700;
    d.loadSettings(record);

    QList<ProgDataStructDef> emitted;
    connect(&d, &setting_part250::hideDialog, this, [&](ProgDataStructDef& r) { emitted << r; });
    d.findChild<QPushButton*>("okButton")->click();
    QCOMPARE(emitted.size(), 1);
    QTEST(int(emitted[0].bank201BPSS), "stored");
    QCOMPARE(emitted[0].current, quint16(0));
    QVERIFY(d.isHidden());
}

void TestSettingPart250::checkBoxMakesThePartProgrammable()
{
    setting_part250 d;
    auto* box = d.findChild<QSpinBox*>("spinBox_bank201BPSS");
    auto* check = d.findChild<QCheckBox*>("part250_checkBox");
    part250Programmable = 0;
    QVERIFY(box->isReadOnly());
    check->click();
    QCOMPARE(part250Programmable, quint8(1));
    QVERIFY(!box->isReadOnly());
    QCOMPARE(box->buttonSymbols(), QAbstractSpinBox::NoButtons);
    check->click();
    QCOMPARE(part250Programmable, quint8(0));
    QVERIFY(box->isReadOnly());
}

QTEST_MAIN(TestSettingPart250)
#include "tst_setting_part250.moc"
