#include "setting_part251.h"

#include "globals.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class TestSettingPart251 : public QObject
{
    Q_OBJECT
private slots:
    void unprogrammedBankComesBackUnchanged();
    void loadedValuesComeBack_data();
    void loadedValuesComeBack();
    void typedTexts_data();
    void typedTexts();
    void typingAfterLoadedTextStaysInTheField();
    void checkBoxMakesThePartProgrammable();
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
        a[i] = i < std::size_t(b.size()) ? quint8(b[int(i)]) : 0;
}

static QByteArray bank1(const ProgDataStructDef& r)
{
    return bytes(r.bank1GTIN) + bytes(r.bank1ID) + bytes(r.bank1CFID) + char(r.bank1YY) + char(r.bank1WW)
        + bytes(r.bank1Power) + bytes(r.bank1MinPower) + bytes(r.bank1MinVoltage) + bytes(r.bank1MaxVoltage)
        + bytes(r.bank1Lm) + char(r.bank1CRI) + bytes(r.bank1CCT) + char(r.bank1LDT) + bytes(r.bank1ColorString)
        + bytes(r.bank1IDString) + bytes(r.bank1SpecificString);
}

// The emitted records of one press of OK: none when the dialog refused.
static QList<ProgDataStructDef> pressOk(setting_part251& d)
{
    QList<ProgDataStructDef> out;
    const auto c = QObject::connect(&d, &setting_part251::hideDialog, &d, [&](ProgDataStructDef& r) { out << r; });
    d.findChild<QPushButton*>("okButton")->click();
    QObject::disconnect(c);
    return out;
}

void TestSettingPart251::unprogrammedBankComesBackUnchanged()
{
    ProgDataStructDef record;
    setProgDataDefaults(record);
    setting_part251 d;
    d.show();
    d.loadSettings(record);
    QCOMPARE(d.findChild<QLineEdit*>("lineEdit_bank1GTIN")->text(), QString("281474976710655"));
    QCOMPARE(d.findChild<QLineEdit*>("lineEdit_bank1ID")->text(), QString("18446744073709551615"));
    QCOMPARE(d.findChild<QSpinBox*>("spinBox_bank1CFID")->value(), 3);
    QCOMPARE(d.findChild<QSpinBox*>("spinBox_bank1Lm")->value(), 16777215);
    const QList<ProgDataStructDef> out = pressOk(d);
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].current, quint16(0));
    QCOMPARE(bank1(out[0]), bank1(record));
    QVERIFY(d.isHidden());
}

void TestSettingPart251::loadedValuesComeBack_data()
{
    QTest::addColumn<int>("tagLayout");
    QTest::addColumn<bool>("specificShown");
    QTest::addColumn<QByteArray>("specific");

    // A hidden text comes back byte for byte, whatever bytes follow a zero in it.
    QTest::newRow("no tag parsed yet") << 0 << false << QByteArray("lot 7");
    QTest::newRow("layout 1, hidden text with a zero") << 1 << false << QByteArray("AB\0CD", 5);
    QTest::newRow("layout 2, hidden text with a zero") << 2 << false << QByteArray("AB\0CD", 5);
    QTest::newRow("layout 3 carries the specific text") << 3 << true << QByteArray("lot 7");
}

void TestSettingPart251::loadedValuesComeBack()
{
    QFETCH(int, tagLayout);
    QFETCH(bool, specificShown);
    QFETCH(QByteArray, specific);

    ProgDataStructDef record;
    put(record.bank1GTIN, QByteArray::fromHex("0004A1B2C3D4"));
    put(record.bank1ID, QByteArray::fromHex("00000000000000FF"));
    put(record.bank1CFID, QByteArray::fromHex("0003"));
    record.bank1YY = 24;
    record.bank1WW = 52;
    put(record.bank1Power, QByteArray::fromHex("0064"));
    put(record.bank1MinPower, QByteArray::fromHex("0005"));
    put(record.bank1MinVoltage, QByteArray::fromHex("0078"));
    put(record.bank1MaxVoltage, QByteArray::fromHex("0115"));
    put(record.bank1Lm, QByteArray::fromHex("002EE0"));
    record.bank1CRI = 80;
    put(record.bank1CCT, QByteArray::fromHex("0FA0"));
    record.bank1LDT = 3;
    put(record.bank1ColorString, "Warm white");
    put(record.bank1IDString, "Kavro street light \xC4");
    put(record.bank1SpecificString, specific);

    FA_location = quint8(tagLayout);
    setting_part251 d;
    d.loadSettings(record);
    QCOMPARE(d.findChild<QLineEdit*>("lineEdit_bank1GTIN")->text(), QString("19892716500"));
    QCOMPARE(d.findChild<QSpinBox*>("spinBox_bank1Lm")->value(), 12000);
    QCOMPARE(d.findChild<QSpinBox*>("spinBox_bank1CCT")->value(), 4000);
    QCOMPARE(d.findChild<QPlainTextEdit*>("plainTextEdit_bank1ColorString")->toPlainText(), QString("Warm white"));
    QCOMPARE(!d.findChild<QPlainTextEdit*>("plainTextEdit_bank1SpecificString")->isHidden(), specificShown);
    const QList<ProgDataStructDef> out = pressOk(d);
    QCOMPARE(out.size(), 1);
    QCOMPARE(bank1(out[0]).toHex(), bank1(record).toHex());
    FA_location = 0;
}

void TestSettingPart251::typedTexts_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored");

    // Empty: refused with "Value invalid!".
    QTest::newRow("GTIN empty") << "lineEdit_bank1GTIN" << "" << QByteArray();
    QTest::newRow("GTIN letters") << "lineEdit_bank1GTIN" << "12a" << QByteArray();
    QTest::newRow("GTIN -1") << "lineEdit_bank1GTIN" << "-1" << QByteArray();
    QTest::newRow("GTIN 2^48-1") << "lineEdit_bank1GTIN" << "281474976710655" << QByteArray::fromHex("FFFFFFFFFFFF");
    QTest::newRow("GTIN 2^48") << "lineEdit_bank1GTIN" << "281474976710656" << QByteArray();
    QTest::newRow("GTIN number") << "lineEdit_bank1GTIN" << "4012345678901" << QByteArray::fromHex("03A632705C35");
    QTest::newRow("ID 2^64-1") << "lineEdit_bank1ID" << "18446744073709551615" << QByteArray::fromHex("FFFFFFFFFFFFFFFF");
    QTest::newRow("ID 2^64") << "lineEdit_bank1ID" << "18446744073709551616" << QByteArray();
    QTest::newRow("ID 256") << "lineEdit_bank1ID" << "0256" << QByteArray::fromHex("0000000000000100");
    QTest::newRow("colour cut at 24") << "plainTextEdit_bank1ColorString" << "abcdefghijklmnopqrstuvwxyz0123"
                                      << QByteArray("abcdefghijklmnopqrstuvwx");
    QTest::newRow("colour padded") << "plainTextEdit_bank1ColorString" << "amber"
                                   << QByteArray("amber") + QByteArray(19, '\0');
    QTest::newRow("colour Latin-1") << "plainTextEdit_bank1ColorString" << QString::fromUtf8("ÄÖ")
                                    << QByteArray("\xC4\xD6") + QByteArray(22, '\0');
    QTest::newRow("colour outside Latin-1") << "plainTextEdit_bank1ColorString" << QString::fromUtf8("€1")
                                            << QByteArray("?1") + QByteArray(22, '\0');
    QTest::newRow("identification line break") << "plainTextEdit_bank1IDString" << "a\nb"
                                               << QByteArray("a\nb") + QByteArray(57, '\0');
}

void TestSettingPart251::typedTexts()
{
    QFETCH(QString, editor);
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);

    ProgDataStructDef record;
    setProgDataDefaults(record);
    setting_part251 d;
    d.loadSettings(record);
    if (auto* line = d.findChild<QLineEdit*>(editor))
        line->setText(typed);
    else
        d.findChild<QPlainTextEdit*>(editor)->setPlainText(typed);
    d.show();
    const QList<ProgDataStructDef> emitted = pressOk(d);
    auto* error = d.findChild<QLabel*>("err_msg");
    if (stored.isEmpty()) {
        QVERIFY(emitted.isEmpty());
        QVERIFY(d.isVisible());
        QVERIFY(!error->isHidden());
        // Mended, the same dialog takes it and drops the message.
        d.findChild<QLineEdit*>(editor)->setText("1");
        QCOMPARE(pressOk(d).size(), 1);
        QVERIFY(error->isHidden());
        return;
    }
    QCOMPARE(emitted.size(), 1);
    const ProgDataStructDef& out = emitted[0];
    QByteArray got;
    if (editor == "lineEdit_bank1GTIN")
        got = bytes(out.bank1GTIN);
    else if (editor == "lineEdit_bank1ID")
        got = bytes(out.bank1ID);
    else if (editor == "plainTextEdit_bank1ColorString")
        got = bytes(out.bank1ColorString);
    else
        got = bytes(out.bank1IDString);
    QCOMPARE(got.toHex(), stored.toHex());
}

void TestSettingPart251::typingAfterLoadedTextStaysInTheField()
{
    ProgDataStructDef record;
    setProgDataDefaults(record);
    put(record.bank1ColorString, QByteArray("amber\0old", 9));
    setting_part251 d;
    d.show();
    d.findChild<QCheckBox*>("part251_checkBox")->click();
    d.loadSettings(record);
    auto* colour = d.findChild<QPlainTextEdit*>("plainTextEdit_bank1ColorString");
    QCOMPARE(colour->toPlainText(), QString("amber"));
    colour->moveCursor(QTextCursor::End);
    QTest::keyClicks(colour, " glow");
    // Typing into the identity fields takes digits only, up to the field's width.
    auto* gtin = d.findChild<QLineEdit*>("lineEdit_bank1GTIN");
    gtin->clear();
    QTest::keyClicks(gtin, "12a-34567890123456");
    QCOMPARE(gtin->text(), QString("123456789012345"));

    const QList<ProgDataStructDef> out = pressOk(d);
    QCOMPARE(out.size(), 1);
    QCOMPARE(bytes(out[0].bank1ColorString).toHex(), (QByteArray("amber glow") + QByteArray(14, '\0')).toHex());
    QCOMPARE(bytes(out[0].bank1GTIN).toHex(), QByteArray("7048860ddf79"));
}

void TestSettingPart251::checkBoxMakesThePartProgrammable()
{
    setting_part251 d;
    part251Programmable = 0;
    auto* check = d.findChild<QCheckBox*>("part251_checkBox");
    const QList<QLineEdit*> lines = d.findChildren<QLineEdit*>(QRegularExpression("^lineEdit_"));
    const QList<QSpinBox*> spins = d.findChildren<QSpinBox*>();
    const QList<QPlainTextEdit*> texts = d.findChildren<QPlainTextEdit*>();
    QCOMPARE(lines.size() + spins.size() + texts.size(), 16);
    auto allReadOnly = [&](bool readOnly) {
        for (auto* w : lines)
            if (w->isReadOnly() != readOnly)
                return false;
        for (auto* w : spins)
            if (w->isReadOnly() != readOnly || w->buttonSymbols() != QAbstractSpinBox::NoButtons)
                return false;
        for (auto* w : texts)
            if (w->isReadOnly() != readOnly)
                return false;
        return true;
    };
    QVERIFY(allReadOnly(true));
    check->click();
    QCOMPARE(part251Programmable, quint8(1));
    QVERIFY(allReadOnly(false));
    check->click();
    QCOMPARE(part251Programmable, quint8(0));
    QVERIFY(allReadOnly(true));
}

QTEST_MAIN(TestSettingPart251)
#include "tst_setting_part251.moc"
