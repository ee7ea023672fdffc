#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Kavro Lumorant"));
    window.setWindowTitle(QStringLiteral("Kavro Lumorant"));
    window.resize(640, 480);
    window.show();
    return app.exec();
}
