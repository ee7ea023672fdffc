#include "setting_part253.h"

#include "globals.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class TestSettingPart253 : public QObject
{
    Q_OBJECT
private slots:
    void writtenBytesComeBack_data();
    void writtenBytesComeBack();
    void fourByteCountersShowWhole();
    void checkBoxUnlocksOnlyTheWritableFive();
};

template <std::size_t N>
static QByteArray bytes(const quint8 (&a)[N])
{
    return QByteArray(reinterpret_cast<const char*>(a), int(N));
}

template <std::size_t N>
static void put(quint8 (&a)[N], const QByteArray& b)
{
    for (std::size_t i = 0; i < N; ++i)
        a[i] = quint8(b[int(i)]);
}

// Bank 206 0x04-0x06 and 0x0A-0x0D, bank 207 0x04-0x07: the eleven bytes the dialog writes.
static QByteArray written(const ProgDataStructDef& r)
{
    return bytes(r.bank206StartCounterResettable) + bytes(r.bank206OnTimeResettable) + char(r.bank207RatedLifetime)
        + char(r.bank207RefTemperature) + bytes(r.bank207RatedStart);
}

void TestSettingPart253::writtenBytesComeBack_data()
{
    QTest::addColumn<QByteArray>("loaded");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("start-up values") << QByteArray::fromHex("000000 00000000 FF FF FFFF")
                                     << QByteArray::fromHex("000000 00000000 FF FF FFFF");
    QTest::newRow("counters") << QByteArray::fromHex("01E240 0012D687 32 19 C350")
                              << QByteArray::fromHex("01E240 0012D687 32 19 C350");
    QTest::newRow("all ones clamp to the maxima") << QByteArray::fromHex("FFFFFF FFFFFFFF FF FF FFFF")
                                                  << QByteArray::fromHex("FFFFFE FFFFFFFE FF FF FFFF");
}

void TestSettingPart253::writtenBytesComeBack()
{
    QFETCH(QByteArray, loaded);
    QFETCH(QByteArray, stored);

    ProgDataStructDef record;
    put(record.bank206StartCounterResettable, loaded.mid(0, 3));
    put(record.bank206OnTimeResettable, loaded.mid(3, 4));
    record.bank207RatedLifetime = quint8(loaded[7]);
    record.bank207RefTemperature = quint8(loaded[8]);
    put(record.bank207RatedStart, loaded.mid(9, 2));
    // Shown only; never handed back.
    put(record.bank205OperatingTime, QByteArray::fromHex("00001000"));
    record.bank206Temperature = 45;
    put(record.bank206OnTime, QByteArray::fromHex("00ABCDEF"));

    setting_part253 d;
    d.show();
    d.loadSettings(record);
    QList<ProgDataStructDef> emitted;
    connect(&d, &setting_part253::hideDialog, this, [&](ProgDataStructDef& r) { emitted << r; });
    d.findChild<QPushButton*>("okButton")->click();
    QCOMPARE(emitted.size(), 1);
    QCOMPARE(written(emitted[0]).toHex(), stored.toHex());
    QCOMPARE(bytes(emitted[0].bank205OperatingTime).toHex(), QByteArray("00000000"));
    QCOMPARE(emitted[0].bank206Temperature, quint8(0));
    QCOMPARE(bytes(emitted[0].bank206OnTime).toHex(), QByteArray("00000000"));
    QVERIFY(d.isHidden());
}

void TestSettingPart253::fourByteCountersShowWhole()
{
    ProgDataStructDef record;
    put(record.bank205OperatingTime, QByteArray::fromHex("FFFFFFFF"));
    put(record.bank206OnTimeResettable, QByteArray::fromHex("80000000"));
    put(record.bank205StartCounter, QByteArray::fromHex("010203"));
    put(record.bank206Current, QByteArray::fromHex("02BC"));
    setting_part253 d;
    d.loadSettings(record);
    auto* operating = d.findChild<QDoubleSpinBox*>("doubleSpinBox_bank205OperatingTime");
    QCOMPARE(operating->text(), QString("4294967295"));
    QCOMPARE(d.findChild<QDoubleSpinBox*>("doubleSpinBox_bank206OnTimeResettable")->text(), QString("2147483648"));
    QCOMPARE(d.findChild<QDoubleSpinBox*>("doubleSpinBox_bank205StartCounter")->value(), 66051.0);
    QCOMPARE(d.findChild<QSpinBox*>("spinBox_bank206Current")->value(), 700);
}

void TestSettingPart253::checkBoxUnlocksOnlyTheWritableFive()
{
    setting_part253 d;
    part253Programmable = 0;
    const QStringList writable{"spinBox_bank206StartCounterResettable", "doubleSpinBox_bank206OnTimeResettable",
        "spinBox_bank207RatedLifetime", "spinBox_bank207RefTemperature", "spinBox_bank207RatedStart"};
    const QList<QAbstractSpinBox*> editors = d.findChildren<QAbstractSpinBox*>();
    QCOMPARE(editors.size(), 39);
    auto check = d.findChild<QCheckBox*>("part253_checkBox");
    for (int round = 0; round < 2; ++round) {
        check->click();
        const bool on = round == 0;
        QCOMPARE(part253Programmable, quint8(on ? 1 : 0));
        for (QAbstractSpinBox* e : editors) {
            const bool editable = on && writable.contains(e->objectName());
            QVERIFY2(e->isReadOnly() == !editable, qPrintable(e->objectName()));
            QCOMPARE(e->buttonSymbols(), QAbstractSpinBox::NoButtons);
        }
    }
}

QTEST_MAIN(TestSettingPart253)
#include "tst_setting_part253.moc"
