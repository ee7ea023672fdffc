#ifndef FEIGBENCH_H
#define FEIGBENCH_H

// The NFC bench of the window tests: the real window with "FEIG NFC Programming" chosen, the
// simulated FEIG reader behind the reader calls and driver tags put on it and taken away. The
// window's own 2000 ms polls run unchanged, so each step takes a few seconds.

#include "../engines/nfctag_testdata.h"
#include "mainwindow_testsupport.h"
#include "simfeigreader.h"
#include "simisotag.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

constexpr int STEP_TIMEOUT_MS = 30000;

// Products 0 to 134, each 350 to 1400 mA.
inline QList<QByteArray> productLines()
{
    QList<QByteArray> lines;
    for (int i = 0; i <= 134; ++i)
        lines << QStringLiteral("%1,Kavro KLD 075 M%1,75,1400,350,1,10,56.0,28.0,0,17FF").arg(i).toLatin1();
    return lines;
}

inline QByteArray hexOf(const QByteArray& bytes)
{
    return bytes.toHex(' ').toUpper();
}

// A bench: working directory, reader, three driver tags (only the first on the reader) and the
// window on the Programming tab with the FEIG reader chosen. The window goes first.
struct FeigBench
{
    WindowTestEnvironment env;
    SimFeigReader reader;
    SimIsoTag tags[3] = {SimIsoTag(tagHex("E0 04 01 00 00 00 00 01")),
                         SimIsoTag(tagHex("E0 04 01 00 00 00 00 02")),
                         SimIsoTag(tagHex("E0 04 01 00 00 00 00 03"))};
    std::unique_ptr<MainWindow> window;

    explicit FeigBench(const QByteArray& image)
    {
        FA_location = 0;
        tagInField = 0;
        DT6Programmable = part250Programmable = part251Programmable = part253Programmable = 0;
        env.writeProductList(productLines());
        for (SimIsoTag& tag : tags)
            tag.setDriverImage(image);
        reader.placeTag(&tags[0]);
        window = std::make_unique<MainWindow>();
        child<QTabWidget>("tabWidget")->setCurrentIndex(MainWindow::TAB_PROGRAMMING);
        child<QComboBox>("programToolComboBox")->setCurrentIndex(PROG_TOOL_FEIG_NFC);
    }

    template <typename T> T* child(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QAction* action(const char* name) const { return child<QAction>(name); }
    QString viewText(const char* label) const
    {
        return topLevel("programView")->findChild<QLabel*>(QString::fromLatin1(label))->text();
    }
    void waitForRead(quint16 product) const
    {
        QTRY_COMPARE_WITH_TIMEOUT(window->programmingData().productIndex, product, STEP_TIMEOUT_MS);
        QTRY_VERIFY_WITH_TIMEOUT(action("programAction")->isEnabled(), STEP_TIMEOUT_MS);
    }
};

#endif // FEIGBENCH_H
