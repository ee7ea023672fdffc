#include "prompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(Prompt::Kind)

class TestPrompt : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void responderAnswersEveryBox_data();
    void responderAnswersEveryBox();
    void responderAnswersFileDialogs_data();
    void responderAnswersFileDialogs();
    void logKeepsOrderUntilCleared();
    void realBoxShowsWhatWasAsked_data();
    void realBoxShowsWhatWasAsked();
    void realOpenFileDialogIsShownAsAsked();

private:
    // Runs check on the first modal widget that appears while a prompt's own loop is running.
    static void whenModalAppears(std::function<void(QWidget*)> check);
};

void TestPrompt::cleanup()
{
    Prompt::setResponder(nullptr);
    Prompt::clearLog();
}

void TestPrompt::whenModalAppears(std::function<void(QWidget*)> check)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, check]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        check(modal);
    });
    poll->start();
}

using Call = std::function<QMessageBox::StandardButton(QWidget*)>;
Q_DECLARE_METATYPE(Call)

void TestPrompt::responderAnswersEveryBox_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<Prompt::Kind>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("answer");

    QTest::newRow("information") << Call([](QWidget* p) {
        return Prompt::information(p, "Information", "Factory reset success!", QMessageBox::Ok);
    }) << Prompt::Kind::Information << "Information" << "Factory reset success!" << int(QMessageBox::Ok)
                                 << int(QMessageBox::NoButton) << int(QMessageBox::Ok);
    QTest::newRow("warning") << Call([](QWidget* p) {
        return Prompt::warning(p, "Warning", "Short address should be in range of 0~63！");
    }) << Prompt::Kind::Warning << "Warning" << QString::fromUtf8("Short address should be in range of 0~63！")
                             << int(QMessageBox::Ok) << int(QMessageBox::NoButton) << int(QMessageBox::Ok);
    QTest::newRow("critical") << Call([](QWidget* p) {
        return Prompt::critical(p, "Error", "Product list file error, please contact the manufacturer!",
            QMessageBox::Ok);
    }) << Prompt::Kind::Critical << "Error" << "Product list file error, please contact the manufacturer!"
                              << int(QMessageBox::Ok) << int(QMessageBox::NoButton) << int(QMessageBox::Ok);
    QTest::newRow("question cancelled") << Call([](QWidget* p) {
        return Prompt::question(p, "Warning", "Do you really need to perform the reset operation?",
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    }) << Prompt::Kind::Question << "Warning" << "Do you really need to perform the reset operation?"
                                        << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Ok)
                                        << int(QMessageBox::Cancel);
    QTest::newRow("question default buttons") << Call([](QWidget* p) {
        return Prompt::question(p, "Tips", "Overwrite?");
    }) << Prompt::Kind::Question << "Tips" << "Overwrite?" << int(QMessageBox::Yes | QMessageBox::No)
                                              << int(QMessageBox::NoButton) << int(QMessageBox::Yes);
}

void TestPrompt::responderAnswersEveryBox()
{
    QFETCH(Call, call);
    QFETCH(Prompt::Kind, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, answer);

    QWidget parent;
    QList<Prompt::Record> seen;
    Prompt::setResponder([&](const Prompt::Record& r) {
        seen.append(r);
        return Prompt::Answer(QMessageBox::StandardButton(answer));
    });

    QCOMPARE(int(call(&parent)), answer);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].kind, kind);
    QCOMPARE(seen[0].parent, &parent);
    QCOMPARE(seen[0].title, title);
    QCOMPARE(seen[0].text, text);
    QCOMPARE(int(seen[0].buttons), buttons);
    QCOMPARE(int(seen[0].defaultButton), defaultButton);
    QCOMPARE(Prompt::log().size(), 1);
    QCOMPARE(Prompt::log()[0].text, text);
}

void TestPrompt::responderAnswersFileDialogs_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected"); // the default suffix "hex" / "txt" added where none

    QTest::newRow("open") << false << "/tmp/fw.hex" << "/tmp/fw.hex";
    QTest::newRow("open without suffix") << false << "/tmp/fw" << "/tmp/fw.hex";
    QTest::newRow("open cancelled") << false << "" << "";
    QTest::newRow("save") << true << "/tmp/Save Profile_3.txt" << "/tmp/Save Profile_3.txt";
    QTest::newRow("save other suffix kept") << true << "/tmp/profile.cfg" << "/tmp/profile.cfg";
}

void TestPrompt::responderAnswersFileDialogs()
{
    QFETCH(bool, save);
    QFETCH(QString, answer);
    QFETCH(QString, expected);

    Prompt::setResponder([&](const Prompt::Record&) { return Prompt::Answer(answer); });
    const QString got = save ? Prompt::getSaveFileName(nullptr, "Save File", "Save Profile_3.txt", "Text(*.txt)", "txt")
                             : Prompt::getOpenFileName(nullptr, "Open File", ".", "Hex Files(*.hex)", "hex");
    QCOMPARE(got, expected);
    QCOMPARE(Prompt::log().size(), 1);
    const Prompt::Record r = Prompt::log()[0];
    QCOMPARE(r.kind, save ? Prompt::Kind::SaveFile : Prompt::Kind::OpenFile);
    QCOMPARE(r.title, save ? QString("Save File") : QString("Open File"));
    QCOMPARE(r.dir, save ? QString("Save Profile_3.txt") : QString("."));
    QCOMPARE(r.filter, save ? QString("Text(*.txt)") : QString("Hex Files(*.hex)"));
    QCOMPARE(r.defaultSuffix, save ? QString("txt") : QString("hex"));
    QVERIFY(r.text.isEmpty());
}

void TestPrompt::logKeepsOrderUntilCleared()
{
    Prompt::setResponder([](const Prompt::Record&) { return Prompt::Answer(QMessageBox::Ok); });
    Prompt::information(nullptr, "Notice", "one");
    Prompt::warning(nullptr, "Warning", "two");
    Prompt::getOpenFileName(nullptr, "three");
    QCOMPARE(Prompt::log().size(), 3);
    QCOMPARE(Prompt::log()[0].text, QString("one"));
    QCOMPARE(Prompt::log()[1].text, QString("two"));
    QCOMPARE(Prompt::log()[2].title, QString("three"));
    Prompt::clearLog();
    QVERIFY(Prompt::log().isEmpty());

    // Back to real dialogs once the responder is taken away.
    Prompt::setResponder(nullptr);
    QVERIFY(!Prompt::hasResponder());
}

void TestPrompt::realBoxShowsWhatWasAsked_data()
{
    QTest::addColumn<Prompt::Kind>("kind");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("press");

    QTest::newRow("information") << Prompt::Kind::Information << int(QMessageBox::Information)
                                 << int(QMessageBox::Ok) << int(QMessageBox::NoButton) << int(QMessageBox::Ok);
    QTest::newRow("warning") << Prompt::Kind::Warning << int(QMessageBox::Warning) << int(QMessageBox::Ok)
                             << int(QMessageBox::NoButton) << int(QMessageBox::Ok);
    QTest::newRow("critical") << Prompt::Kind::Critical << int(QMessageBox::Critical) << int(QMessageBox::Ok)
                              << int(QMessageBox::NoButton) << int(QMessageBox::Ok);
    QTest::newRow("question") << Prompt::Kind::Question << int(QMessageBox::Question)
                              << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Ok)
                              << int(QMessageBox::Cancel);
}

void TestPrompt::realBoxShowsWhatWasAsked()
{
    QFETCH(Prompt::Kind, kind);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, press);

    QWidget parent;
    // Read what the box shows and close it at once, so a wrong box can fail the test but never
    // leave it waiting on a modal loop.
    bool seen = false;
    int shownIcon = -1;
    QString shownTitle, shownText;
    int shownButtons = -1;
    QWidget* shownParent = nullptr;
    QAbstractButton* shownDefault = nullptr;
    QAbstractButton* expectedDefault = nullptr;
    whenModalAppears([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            modal->close();
            return;
        }
        seen = true;
        shownIcon = int(box->icon());
        shownTitle = box->windowTitle();
        shownText = box->text();
        shownButtons = int(box->standardButtons());
        shownParent = box->parentWidget();
        shownDefault = box->defaultButton();
        expectedDefault = box->button(QMessageBox::StandardButton(defaultButton));
        if (QAbstractButton* b = box->button(QMessageBox::StandardButton(press)))
            b->click();
        else
            box->done(QMessageBox::NoButton);
    });

    const QString title("Error");
    const QString text("Reading product info error");
    const auto std = QMessageBox::StandardButtons(buttons);
    const auto def = QMessageBox::StandardButton(defaultButton);
    QMessageBox::StandardButton got = QMessageBox::NoButton;
    switch (kind) {
    case Prompt::Kind::Warning: got = Prompt::warning(&parent, title, text, std, def); break;
    case Prompt::Kind::Critical: got = Prompt::critical(&parent, title, text, std, def); break;
    case Prompt::Kind::Question: got = Prompt::question(&parent, title, text, std, def); break;
    default: got = Prompt::information(&parent, title, text, std, def); break;
    }
    QVERIFY(seen);
    QCOMPARE(shownIcon, icon);
    QCOMPARE(shownTitle, title);
    QCOMPARE(shownText, text);
    QCOMPARE(shownButtons, buttons);
    QCOMPARE(shownParent, &parent);
    if (defaultButton != QMessageBox::NoButton)
        QCOMPARE(shownDefault, expectedDefault);
    QCOMPARE(int(got), press);
    QCOMPARE(Prompt::log().size(), 1);
}

void TestPrompt::realOpenFileDialogIsShownAsAsked()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    bool seen = false;
    QString shownTitle;
    QStringList shownFilters;
    QString shownDir;
    int shownMode = -1;
    QString shownSuffix;
    whenModalAppears([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            seen = true;
            shownTitle = dialog->windowTitle();
            shownFilters = dialog->nameFilters();
            shownDir = dialog->directory().absolutePath();
            shownMode = int(dialog->fileMode());
            shownSuffix = dialog->defaultSuffix();
        }
        QMetaObject::invokeMethod(modal, "reject");
    });
    const QString got = Prompt::getOpenFileName(nullptr, "Open Hex File", dir.path(), "Hex Files(*.hex)", "hex");
    QVERIFY(seen);
    QCOMPARE(shownTitle, QString("Open Hex File"));
    QCOMPARE(shownFilters, QStringList{"Hex Files(*.hex)"});
    QCOMPARE(shownDir, QDir(dir.path()).absolutePath());
    QCOMPARE(shownMode, int(QFileDialog::ExistingFile));
    QCOMPARE(shownSuffix, QString("hex"));
    QCOMPARE(got, QString());
}

QTEST_MAIN(TestPrompt)
#include "tst_prompt.moc"
