// The administrator flow at the FEIG NFC bench: login, the administrator view and the factory reset
// of a driver's tag to a model of "ProductFactoryInformation.txt", through the real window.

#include "mainwindow.h"

#include "feigbench.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

namespace {

const char* const FACTORY_FILE = "ProductFactoryInformation.txt";

// One model's block: its header, then parameter lines 1 to 33 (only their position and values count).
QByteArray block(const char* name, int current)
{
    // Current, then the values of lines 2 to 33 as the profile writer puts them.
    const QList<QByteArray> values =
        (QByteArray::number(current) +
         "|261|3|1|60|1|0:5:10:20:30:40:50:60|90:91:92:93:94:95:96:100|1|1|30|1358"
         "|410|100|300|10|900|100|10|100|80|10|1|10:20:30:40:50|100:80:60:40:20|-30|1"
         "|1:2:3:4:5|7|0|0|0|0")
            .split('|');
    QByteArray text = QByteArray("ProductIndex:   100  :Description:") + name + '\n';
    for (int pid = 1; pid <= values.size(); ++pid)
        text += "PID: " + QByteArray::number(pid) + ": Label :" + values.at(pid - 1) + '\n';
    return text;
}

QByteArray threeModels()
{
    return block("KLD-075 M100", 700) + block("KLD-075 M100 factory", 1050) +
           block("KLD-075 M100 spare", 1400);
}

// Two models, the lines of the second (0 its header) edited first.
QByteArray twoModels(const std::function<void(QList<QByteArray>&)>& edit)
{
    QList<QByteArray> lines = block("KLD-075 M100 factory", 1050).split('\n');
    edit(lines);
    return block("KLD-075 M100", 700) + lines.join('\n');
}

// Runs act inside the dialog's own modal loop, the first time the dialog is shown after this.
// Work queued at the show may already run before exec() enters that loop (one level deeper than
// the show); closing the dialog then would leave exec() waiting, so act waits for the loop.
class WhenShown : public QObject
{
public:
    WhenShown(QWidget* dialog, std::function<void()> act) : QObject(dialog), act(std::move(act))
    {
        dialog->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            showLevel = QThread::currentThread()->loopLevel();
            QTimer::singleShot(0, this, &WhenShown::run);
        }
        return false;
    }

private:
    void run()
    {
        if (QThread::currentThread()->loopLevel() <= showLevel) {
            QTimer::singleShot(0, this, &WhenShown::run);
            return;
        }
        act();
        deleteLater();
    }

    std::function<void()> act;
    int showLevel = 0;
};

template <typename T> T* in(const char* dialog, const char* name)
{
    return topLevel(dialog)->findChild<T*>(QString::fromLatin1(name));
}

void login(const char* password)
{
    QTest::keyClicks(in<QLineEdit>("LoginView", "pwdLineEdit"), QString::fromLatin1(password));
    in<QPushButton>("LoginView", "okBtn")->click();
}

} // namespace

class TestAdminFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void factoryResetThroughAdminView();
    void refusedReset_data();
    void refusedReset();
    void modelList_data();
    void modelList();
};

void TestAdminFlow::factoryResetThroughAdminView()
{
    FeigBench bench(tagImage(100, 0));
    bench.waitForRead(100);

    // Without the file the list stays empty and the login still opens.
    new WhenShown(topLevel("LoginView"), [] { in<QPushButton>("LoginView", "cancelBtn")->click(); });
    QVERIFY(QMetaObject::invokeMethod(bench.window.get(), "adminPushBtn_clicked"));
    QCOMPARE(promptTrace().value(0).section('|', 0, 1),
             QString("information|Failed to open product properties file"));

    // Put in place later, the file is read at the next call. The chosen model's CLO times hold
    // one value too many, as files written elsewhere may: the first eight are taken.
    bench.env.writeFile(FACTORY_FILE, twoModels([](QList<QByteArray>& l) {
                                          l[7] = "PID:  7: CLO_Time :0:5:10:20:30:40:50:60:70";
                                      }) + block("KLD-075 M100 spare", 1400));
    Prompt::clearLog();
    QString loginError;
    QStringList models;
    bool otpShown = false;
    new WhenShown(topLevel("LoginView"), [&] {
        login("quillornz");
        loginError = in<QLabel>("LoginView", "errorLabel")->text();
        login("QuillorNZ");
    });
    new WhenShown(topLevel("AdvanceView"), [&] {
        auto* list = in<QComboBox>("AdvanceView", "factoryResetDriverComboBox");
        for (int i = 0; i < list->count(); ++i)
            models << list->itemText(i);
        list->setCurrentIndex(1);
        auto* otp = in<QCheckBox>("AdvanceView", "otpCheckBox");
        otpShown = otp->isChecked();
        in<QPushButton>("AdvanceView", "factoryResetPushButton")->click();
        otp->setChecked(false);
        in<QPushButton>("AdvanceView", "okButton")->click();
    });
    QVERIFY(QMetaObject::invokeMethod(bench.window.get(), "adminPushBtn_clicked"));

    QCOMPARE(loginError, QString("Incorrect password"));
    QCOMPARE(models, QStringList({"KLD-075 M100", "KLD-075 M100 factory", "KLD-075 M100 spare"}));
    QVERIFY(otpShown); // the tag's OTP byte is set
    QCOMPARE(promptTrace(),
             QStringList({"question|Warning|Do you really need to perform the reset operation?",
                          "information|Information|Factory reset success!"}));
    const QByteArray tag = bench.tags[0].driverImage();
    QCOMPARE(hexOf(tag.left(8)), QByteArray("01 55 1A 04 00 64 05 01"));    // identity kept, 1050 mA
    QCOMPARE(hexOf(tag.mid(8, 3)), QByteArray("03 3C 01"));                 // DALI, EOL 60 kh, CLO on
    QCOMPARE(hexOf(tag.mid(11, 8)), QByteArray("00 05 0A 14 1E 28 32 3C")); // CLO times
    QCOMPARE(hexOf(tag.mid(27, 8)), QByteArray("00 00 00 00 00 00 00 00")); // operating times cleared
    // The tab shows the tag as read back; OK of the view then wrote its OTP box over the reset's.
    QCOMPARE(bench.child<QComboBox>("currentSetComboBox")->currentText(), QString("1050"));
    QCOMPARE(bench.child<QLabel>("cloTimeLabel")->text(), QString("Module Operating Time = 0 hours"));
    QCOMPARE(int(bench.window->programmingData().OTP_Enable), 0);
}

void TestAdminFlow::refusedReset_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("tool");
    QTest::addColumn<QString>("box");

    const QString productError("critical|Error|Product information error, please contact the manufacturer!");
    QTest::newRow("no model chosen")
        << threeModels() << 0 << int(PROG_TOOL_FEIG_NFC)
        << "information|Error|No this product, please select the correct product!";
    QTest::newRow("fewer models than the list")
        << threeModels() << 4 << int(PROG_TOOL_FEIG_NFC) << productError;
    QTest::newRow("CLO times one short")
        << twoModels([](QList<QByteArray>& l) { l[7] = "PID:  7: CLO_Time :0:5:10:20:30:40:50"; }) << 2
        << int(PROG_TOOL_FEIG_NFC) << productError;
    QTest::newRow("value beyond its field")
        << twoModels([](QList<QByteArray>& l) { l[5] = "PID: 5: EOL_Time :300"; }) << 2
        << int(PROG_TOOL_FEIG_NFC) << productError;
    QTest::newRow("value not a number")
        << twoModels([](QList<QByteArray>& l) { l[1] = "PID: 1: Current :1050mA"; }) << 2
        << int(PROG_TOOL_FEIG_NFC) << productError;
    // A model name that reads as a number must not pass for the missing last line.
    QTest::newRow("block runs into the next")
        << twoModels([](QList<QByteArray>& l) { l.removeAt(33); }) + block("075", 1400) << 2
        << int(PROG_TOOL_FEIG_NFC) << productError;
    QTest::newRow("header ending in 40 million colons")
        << twoModels([](QList<QByteArray>& l) { l[0] += QByteArray(40000000, ':'); }) << 2
        << int(PROG_TOOL_FEIG_NFC) << productError;
    QTest::newRow("file ends inside the block") << twoModels([](QList<QByteArray>& l) { l = l.mid(0, 11); })
                                                << 2 << int(PROG_TOOL_FEIG_NFC) << productError;
    QTest::newRow("tool without factory reset")
        << threeModels() << 2 << int(PROG_TOOL_DALI)
        << "information|Warning|The selected programming tool doesn't "
           "support factory reset function!";
}

void TestAdminFlow::refusedReset()
{
    QFETCH(QByteArray, file);
    QFETCH(int, index);
    QFETCH(int, tool);
    QFETCH(QString, box);

    FeigBench bench(tagImage(100, 0));
    bench.waitForRead(100);
    bench.env.writeFile(FACTORY_FILE, file);
    bench.child<QComboBox>("programToolComboBox")->setCurrentIndex(tool);
    Prompt::clearLog();
    QVERIFY(QMetaObject::invokeMethod(bench.window.get(), "NFC_factoryReset", Q_ARG(int, index)));

    QCOMPARE(promptTrace(), QStringList(box));
    // Nothing of the factory block is taken, and the tag is untouched.
    QCOMPARE(int(bench.window->programmingData().current), 700);
    QCOMPARE(bench.tags[0].driverImage(), tagImage(100, 0));
}

void TestAdminFlow::modelList_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("models");
    QTest::addColumn<QStringList>("boxes");

    const QStringList refused{"critical|Error|Product information error, please contact the manufacturer!"};
    const QByteArray header = "ProductIndex:   100  :Description:KLD\n";
    QTest::newRow("three models") << threeModels() << 3 << QStringList();
    QTest::newRow("4096 models") << header.repeated(4096) << 4096 << QStringList();
    QTest::newRow("4097 models") << header.repeated(4097) << 0 << refused;
    QTest::newRow("1,000,000 header lines") << QByteArray("ProductIndex\n").repeated(1000000) << 0 << refused;
    QTest::newRow("header ending in 40 million colons")
        << block("KLD-075 M100", 700) + "ProductIndex:   100  :Description:KLD" + QByteArray(40000000, ':') +
               '\n'
        << 0 << refused;
    // Lines of 512 characters, the longest a block holds, to 16 MiB and one line beyond.
    const QByteArray line = QByteArray(511, '#') + '\n';
    const int fit = ((16 << 20) - threeModels().size()) / line.size();
    QTest::newRow("16 MiB") << threeModels() + line.repeated(fit) << 3 << QStringList();
    QTest::newRow("beyond 16 MiB") << threeModels() + line.repeated(fit + 1) << 0 << refused;
}

void TestAdminFlow::modelList()
{
    QFETCH(QByteArray, file);

    FeigBench bench(tagImage(100, 0));
    bench.env.writeFile(FACTORY_FILE, file);
    Prompt::clearLog();
    new WhenShown(topLevel("LoginView"), [] { in<QPushButton>("LoginView", "cancelBtn")->click(); });
    QVERIFY(QMetaObject::invokeMethod(bench.window.get(), "adminPushBtn_clicked"));

    QTEST(in<QComboBox>("AdvanceView", "factoryResetDriverComboBox")->count(), "models");
    QTEST(promptTrace(), "boxes");
}

QTEST_MAIN(TestAdminFlow)
#include "tst_adminflow.moc"
