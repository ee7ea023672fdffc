#include "loginview.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestLoginView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void passwords_data();
    void passwords();
    void keysDoNotLeaveTheDialog_data();
    void keysDoNotLeaveTheDialog();
    void cancelAfterAFailureStartsBlank();
    void fieldIsBlankWhenTheSignalArrives();

private:
    LoginView* view = nullptr;
    QLineEdit* field() const { return view->findChild<QLineEdit*>("pwdLineEdit"); }
    QString error() const { return view->findChild<QLabel*>("errorLabel")->text(); }
    void press(const char* button) { view->findChild<QPushButton*>(button)->click(); }
};

void TestLoginView::init()
{
    view = new LoginView;
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    view->activateWindow();
    field()->setFocus();
}

void TestLoginView::cleanup()
{
    delete view;
    view = nullptr;
}

void TestLoginView::passwords_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("correct") << "QuillorNZ" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("other letter case") << "quillornz" << false;
    QTest::newRow("trailing blank") << "QuillorNZ " << false;
    QTest::newRow("too short") << "QuillorN" << false;
    QTest::newRow("longer than 20 is cut and fails") << "QuillorNZQuillorNZQuillorNZ" << false;
}

void TestLoginView::passwords()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);

    QSignalSpy spy(view, &LoginView::loginSuccess);
    QTest::keyClicks(field(), typed);
    QVERIFY(field()->text().size() <= 20);
    press("okBtn");

    QCOMPARE(spy.count(), accepted ? 1 : 0);
    QCOMPARE(view->isVisible(), !accepted);
    QCOMPARE(field()->text(), QString());
    QCOMPARE(error(), accepted ? QString() : QString("Incorrect password"));
    if (!accepted)
        QVERIFY(field()->hasFocus());
}

void TestLoginView::keysDoNotLeaveTheDialog_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("escape") << int(Qt::Key_Escape);
    QTest::newRow("return") << int(Qt::Key_Return);
    QTest::newRow("enter") << int(Qt::Key_Enter);
}

void TestLoginView::keysDoNotLeaveTheDialog()
{
    QFETCH(int, key);
    QSignalSpy spy(view, &LoginView::loginSuccess);
    QTest::keyClicks(field(), "QuillorNZ");
    QTest::keyClick(field(), Qt::Key(key));
    QTest::keyClick(view, Qt::Key(key));
    QVERIFY(view->isVisible());
    QCOMPARE(spy.count(), 0);
    QCOMPARE(field()->text(), QString("QuillorNZ"));
    QCOMPARE(error(), QString());
}

void TestLoginView::cancelAfterAFailureStartsBlank()
{
    QSignalSpy spy(view, &LoginView::loginSuccess);
    QTest::keyClicks(field(), "wrong");
    press("okBtn");
    QCOMPARE(error(), QString("Incorrect password"));
    QTest::keyClicks(field(), "half");
    press("cancelBtn");
    QVERIFY(view->isHidden());
    QCOMPARE(spy.count(), 0);
    QCOMPARE(field()->text(), QString());
    QCOMPARE(error(), QString());
}

void TestLoginView::fieldIsBlankWhenTheSignalArrives()
{
    QTest::keyClicks(field(), "wrong");
    press("okBtn");
    QString fieldAtSignal("not called");
    QString errorAtSignal("not called");
    bool visibleAtSignal = false;
    connect(view, &LoginView::loginSuccess, this, [&]() {
        fieldAtSignal = field()->text();
        errorAtSignal = error();
        visibleAtSignal = view->isVisible();
    });
    QTest::keyClicks(field(), "QuillorNZ");
    press("okBtn");
    QCOMPARE(fieldAtSignal, QString());
    QCOMPARE(errorAtSignal, QString());
    QVERIFY(visibleAtSignal);
    QVERIFY(view->isHidden());
}

QTEST_MAIN(TestLoginView)
#include "tst_loginview.moc"
