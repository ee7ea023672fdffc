#include "commandline.h"

#include <QtTest>

#include <cstring>

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void argvForTheApplication();
};

void TestCommandLine::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("args");

    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("program only") << "kavro.exe" << QStringList{"kavro.exe"};
    QTest::newRow("trailing blanks") << "kavro.exe a \t " << QStringList{"kavro.exe", "a"};
    QTest::newRow("blanks and tabs separate") << "p a\tb   c" << QStringList{"p", "a", "b", "c"};
    QTest::newRow("quoted program with blank") << R"("C:\Program Files\Kavro\kavro.exe" -style fusion)"
                                               << QStringList{R"(C:\Program Files\Kavro\kavro.exe)", "-style", "fusion"};
    QTest::newRow("program keeps backslashes before a quote") << R"(C:\a\"b c)" << QStringList{R"(C:\a\"b)", "c"};
    QTest::newRow("text right after the quoted program") << R"("p"x y)" << QStringList{"p", "x", "y"};
    QTest::newRow("leading blank gives an empty program") << " a" << QStringList{"", "a"};
    QTest::newRow("quoted arguments") << R"(p "abc" d e)" << QStringList{"p", "abc", "d", "e"};
    QTest::newRow("backslashes without quote") << R"(p a\\b d"e f"g h)" << QStringList{"p", R"(a\\b)", "de fg", "h"};
    QTest::newRow("odd backslashes escape the quote") << R"(p a\\\"b c d)" << QStringList{"p", R"(a\"b)", "c", "d"};
    QTest::newRow("even backslashes before a quote") << R"(p a\\\\"b c" d e)" << QStringList{"p", R"(a\\b c)", "d", "e"};
    QTest::newRow("one backslash before a quote") << R"(p \"x\")" << QStringList{"p", R"("x")"};
    QTest::newRow("empty quoted arguments") << R"(p "" "")" << QStringList{"p", "", ""};
    QTest::newRow("doubled quote inside quotes ends quoting") << R"(p a"b"" c d)" << QStringList{"p", R"(ab")", "c", "d"};
    QTest::newRow("tripled quote inside quotes") << R"(p "a"""b c")" << QStringList{"p", R"(a"b c)"};
    QTest::newRow("doubled quote opens a quoted blank") << R"(p """a b""")" << QStringList{"p", R"("a)", R"(b")"};
    QTest::newRow("unclosed quote runs to the end") << R"(p "a b)" << QStringList{"p", "a b"};
    QTest::newRow("trailing backslash") << R"(p C:\dir\ x)" << QStringList{"p", R"(C:\dir\)", "x"};
    QTest::newRow("non-ASCII kept") << QString::fromUtf8("p Lämpe") << QStringList{"p", QString::fromUtf8("Lämpe")};
}

void TestCommandLine::split()
{
    QFETCH(QString, line);
    QTEST(splitWindowsCommandLine(line), "args");
}

void TestCommandLine::argvForTheApplication()
{
    ProcessArguments args(QStringList{"kavro.exe", "-style", "", "a b"});
    QCOMPARE(args.argc(), 4);
    char** argv = args.argv();
    QCOMPARE(std::strcmp(argv[0], "kavro.exe"), 0);
    QCOMPARE(std::strcmp(argv[1], "-style"), 0);
    QCOMPARE(std::strcmp(argv[2], ""), 0);
    QCOMPARE(std::strcmp(argv[3], "a b"), 0);
    QVERIFY(argv[4] == nullptr);
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
