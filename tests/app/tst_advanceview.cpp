#include "advanceview.h"

#include "prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestAdvanceView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void okReportsTheCheckBox_data();
    void okReportsTheCheckBox();
    void factoryReset_data();
    void factoryReset();
    void keysDoNotCloseTheView_data();
    void keysDoNotCloseTheView();

private:
    AdvanceView* view = nullptr;
    QCheckBox* otp() const { return view->findChild<QCheckBox*>("otpCheckBox"); }
    void press(const char* button) { view->findChild<QPushButton*>(button)->click(); }
};

void TestAdvanceView::init()
{
    view = new AdvanceView;
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
}

void TestAdvanceView::cleanup()
{
    delete view;
    view = nullptr;
    Prompt::setResponder(nullptr);
    Prompt::clearLog();
}

void TestAdvanceView::okReportsTheCheckBox_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("click");
    QTest::addColumn<bool>("reported");

    QTest::newRow("loaded off") << false << false << false;
    QTest::newRow("loaded on") << true << false << true;
    QTest::newRow("loaded on, unchecked by the user") << true << true << false;
    QTest::newRow("loaded off, checked by the user") << false << true << true;
}

void TestAdvanceView::okReportsTheCheckBox()
{
    QFETCH(bool, loaded);
    QFETCH(bool, click);
    QFETCH(bool, reported);

    QVERIFY(otp()->isChecked()); // the form's default
    view->setCheckBox(AdvanceSettingDef{loaded, 1234});
    QCOMPARE(otp()->isChecked(), loaded);
    if (click)
        otp()->click();
    QSignalSpy spy(view, &AdvanceView::hideDialog);
    press("okButton");
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy[0][0].toBool(), reported);
    QVERIFY(view->isHidden());
}

void TestAdvanceView::factoryReset_data()
{
    QTest::addColumn<QStringList>("models");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QList<int>>("emitted");

    QTest::newRow("first model") << QStringList{"KLD-040", "KLD-075", "KLT-060"} << 0 << int(QMessageBox::Ok)
                                 << QList<int>{1};
    QTest::newRow("third model") << QStringList{"KLD-040", "KLD-075", "KLT-060"} << 2 << int(QMessageBox::Ok)
                                 << QList<int>{3};
    QTest::newRow("cancelled") << QStringList{"KLD-040"} << 0 << int(QMessageBox::Cancel) << QList<int>{};
    QTest::newRow("box closed without a button") << QStringList{"KLD-040"} << 0 << int(QMessageBox::NoButton)
                                                 << QList<int>{};
    QTest::newRow("empty list") << QStringList{} << -1 << int(QMessageBox::Ok) << QList<int>{0};
}

void TestAdvanceView::factoryReset()
{
    QFETCH(QStringList, models);
    QFETCH(int, chosen);
    QFETCH(int, answer);
    QFETCH(QList<int>, emitted);

    for (const QString& m : models)
        view->addComboItem(m);
    auto* combo = view->findChild<QComboBox*>("factoryResetDriverComboBox");
    QCOMPARE(combo->count(), models.size());
    combo->setCurrentIndex(chosen);

    Prompt::setResponder([&](const Prompt::Record&) { return Prompt::Answer(QMessageBox::StandardButton(answer)); });
    QSignalSpy spy(view, &AdvanceView::startFactoryReset);
    press("factoryResetPushButton");

    QCOMPARE(Prompt::log().size(), 1);
    const Prompt::Record box = Prompt::log()[0];
    QCOMPARE(box.kind, Prompt::Kind::Question);
    QCOMPARE(box.parent, view);
    QCOMPARE(box.title, QString("Warning"));
    QCOMPARE(box.text, QString("Do you really need to perform the reset operation?"));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok | QMessageBox::Cancel));
    QCOMPARE(box.defaultButton, QMessageBox::Ok);

    QList<int> got;
    for (const QList<QVariant>& args : spy)
        got << args[0].toInt();
    QCOMPARE(got, emitted);
    QVERIFY(view->isVisible());
}

void TestAdvanceView::keysDoNotCloseTheView_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("escape") << int(Qt::Key_Escape);
    QTest::newRow("return") << int(Qt::Key_Return);
    QTest::newRow("enter") << int(Qt::Key_Enter);
}

void TestAdvanceView::keysDoNotCloseTheView()
{
    QFETCH(int, key);
    QSignalSpy ok(view, &AdvanceView::hideDialog);
    QSignalSpy reset(view, &AdvanceView::startFactoryReset);
    Prompt::setResponder([](const Prompt::Record&) { return Prompt::Answer(QMessageBox::Ok); });
    QTest::keyClick(view, Qt::Key(key));
    QVERIFY(view->isVisible());
    QCOMPARE(ok.count(), 0);
    QCOMPARE(reset.count(), 0);
    QVERIFY(Prompt::log().isEmpty());
}

QTEST_MAIN(TestAdvanceView)
#include "tst_advanceview.moc"
