// Every form as a user first sees it: opened at its starting size with a typical record, in the font
// the program itself sets up, each visible label, button, check box, radio button, group-box title,
// combo box, table header and cell, and chart text shows whole, nothing cut off and nothing elided.

#include "advanceview.h"
#include "appsetup.h"
#include "bankbytes.h"
#include "clocurve.h"
#include "corridor_curve.h"
#include "dimcurve.h"
#include "loginview.h"
#include "mainwindow_testsupport.h"
#include "mtpcurve.h"
#include "programview.h"
#include "setting_dt6.h"
#include "setting_part250.h"
#include "setting_part251.h"
#include "setting_part253.h"
#include "shift_calculator.h"
#include "smartcurve.h"

#include <QtCharts>
#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>

namespace {

// The part of w (in w's coordinates) that its ancestors do not clip away.
QRect unclippedRect(const QWidget* w)
{
    QRect r = w->rect();
    for (const QWidget* a = w; !a->isWindow() && a->parentWidget(); a = a->parentWidget()) {
        const QWidget* p = a->parentWidget();
        r &= QRect(w->mapFrom(p, QPoint(0, 0)), p->size());
    }
    return r;
}

class TextCheck
{
public:
    QStringList cut;

    // The text, placed in `room` as the widget aligns it, must keep its advance inside room and its
    // glyphs inside what room and the widget's ancestors leave visible.
    void place(const QWidget* w, const QString& text, const QFontMetrics& fm, const QRect& room,
               Qt::Alignment align)
    {
        const QSize need = fm.size(Qt::TextShowMnemonic, text);
        const QRect at = QStyle::alignedRect(w->layoutDirection(), align, need, room);
        const QRect visible = room & unclippedRect(w);
        // Upwards and downwards only the glyphs' ink counts: a line box a pixel taller than its place
        // loses nothing one could see.
        const QRect ink = fm.tightBoundingRect(text).translated(at.left(), at.top() + fm.ascent());
        if (at.left() < visible.left() || at.right() > visible.right() || ink.top() < visible.top() ||
            ink.bottom() > visible.bottom())
            cut << QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6 visible")
                       .arg(w->objectName(), text)
                       .arg(need.width())
                       .arg(ink.height())
                       .arg(visible.width())
                       .arg(visible.height());
    }

    void width(const QWidget* w, const QString& text, int need, int room)
    {
        if (need > room)
            cut << QStringLiteral("%1 \"%2\": needs %3 px, has %4")
                       .arg(w->objectName(), text)
                       .arg(need)
                       .arg(room);
    }

    void label(QLabel* l)
    {
        // A row of underscores is a drawn rule, not a text to read: its ends may run off.
        if (l->text().isEmpty() || l->movie() || !l->pixmap(Qt::ReturnByValue).isNull() ||
            l->text().count(QLatin1Char('_')) == l->text().size())
            return;
        // The forms' labels are single plain lines, neither word-wrapped nor rich text.
        const QRect room = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
        place(l, l->text(), l->fontMetrics(), room, l->alignment());
    }

    void button(QAbstractButton* b)
    {
        if (b->text().isEmpty())
            return;
        if (auto* tool = qobject_cast<QToolButton*>(b)) {
            // A tool bar lays its buttons out at their size hints; one narrower cuts its text.
            if (tool->toolButtonStyle() != Qt::ToolButtonIconOnly)
                width(b, b->text(), tool->sizeHint().width(), tool->width());
            return;
        }
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        QStyle::SubElement contents = QStyle::SE_PushButtonContents;
        if (qobject_cast<QCheckBox*>(b))
            contents = QStyle::SE_CheckBoxContents;
        else if (qobject_cast<QRadioButton*>(b))
            contents = QStyle::SE_RadioButtonContents;
        QRect room = b->style()->subElementRect(contents, &opt, b);
        if (contents == QStyle::SE_PushButtonContents && !b->icon().isNull())
            room.adjust(b->iconSize().width() + 4, 0, 0, 0);
        const Qt::Alignment align =
            contents == QStyle::SE_PushButtonContents ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter;
        place(b, b->text(), b->fontMetrics(), room, align);
    }

    void groupBox(QGroupBox* g)
    {
        if (g->title().isEmpty())
            return;
        QStyleOptionGroupBox opt;
        opt.initFrom(g);
        opt.text = g->title();
        opt.textAlignment = g->alignment();
        opt.lineWidth = 1;
        opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        if (g->isCheckable())
            opt.subControls |= QStyle::SC_GroupBoxCheckBox;
        // The style sizes the title's place to its text; a box narrower than that cuts it.
        const QRect label =
            g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
        if (!g->rect().contains(label) || !unclippedRect(g).contains(label))
            cut << QStringLiteral("%1 \"%2\": title runs past the box").arg(g->objectName(), g->title());
    }

    void comboBox(QComboBox* c)
    {
        if (c->currentText().isEmpty() || c->isEditable())
            return;
        QStyleOptionComboBox opt;
        opt.initFrom(c);
        opt.editable = false;
        opt.frame = c->hasFrame();
        opt.currentText = c->currentText();
        opt.subControls = QStyle::SC_All;
        const QRect room =
            c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
        place(c, c->currentText(), c->fontMetrics(), room, Qt::AlignLeft | Qt::AlignVCenter);
    }

    // Header sections and the cells of the rows a typical record fills.
    void table(QTableView* t)
    {
        QHeaderView* header = t->horizontalHeader();
        if (!header->isVisible())
            return;
        const int margin = t->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        // A cell's text keeps a margin on either side, and the grid line takes a pixel of the column.
        const int cellMargin = 2 * (t->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t) + 1) +
                               (t->showGrid() ? 1 : 0);
        for (int column = 0; column < t->model()->columnCount(); ++column) {
            if (header->isSectionHidden(column))
                continue;
            const QString title = t->model()->headerData(column, Qt::Horizontal).toString();
            width(header, title, header->fontMetrics().horizontalAdvance(title) + 2 * margin,
                  header->sectionSize(column));
            for (int row = 0; row < t->model()->rowCount(); ++row) {
                const QString text = t->model()->index(row, column).data().toString();
                width(t, text, t->fontMetrics().horizontalAdvance(text) + cellMargin, t->columnWidth(column));
            }
        }
    }

    // Qt Charts shortens an axis title or label that has no room to "..." and drops the tick labels of
    // a vertical axis that has no room to stand them one above the other; labels that touch are hard
    // to read apart, so each wants half a line of space to the next.
    void chart(QChartView* view)
    {
        const QList<QGraphicsItem*> items = view->scene()->items();
        for (QGraphicsItem* item : items) {
            auto* text = dynamic_cast<QGraphicsTextItem*>(item);
            if (text && text->isVisible() && text->toPlainText().endsWith(QLatin1String("...")))
                cut << QStringLiteral("%1: chart text \"%2\"").arg(view->objectName(), text->toPlainText());
        }
        const QList<QAbstractAxis*> axes = view->chart()->axes(Qt::Vertical);
        for (QAbstractAxis* axis : axes) {
            auto* values = qobject_cast<QValueAxis*>(axis);
            if (!values || !values->isVisible() || !values->labelsVisible())
                continue;
            const int need = (values->tickCount() - 1) * 3 * QFontMetrics(values->labelsFont()).height() / 2;
            if (view->chart()->plotArea().height() < need)
                cut << QStringLiteral("%1: plot %2 px high, its %3 tick labels need %4")
                           .arg(view->objectName())
                           .arg(view->chart()->plotArea().height())
                           .arg(values->tickCount())
                           .arg(need);
        }
    }

    void form(QWidget* root)
    {
        QList<QWidget*> widgets = root->findChildren<QWidget*>();
        widgets.prepend(root);
        for (QWidget* w : widgets) {
            if (!w->isVisible() || w->objectName().startsWith(QLatin1String("qt_")))
                continue;
            // A control cut by its parent (its place is smaller than it is) shows cut text and frame.
            const bool control = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                                 qobject_cast<QGroupBox*>(w) || qobject_cast<QComboBox*>(w);
            if (control && w != root &&
                !qobject_cast<QAbstractScrollArea*>(w->parentWidget()->parentWidget()) &&
                unclippedRect(w) != w->rect())
                cut << QStringLiteral("%1: %2x%3 but only %4x%5 visible")
                           .arg(w->objectName())
                           .arg(w->width())
                           .arg(w->height())
                           .arg(unclippedRect(w).width())
                           .arg(unclippedRect(w).height());
            if (auto* l = qobject_cast<QLabel*>(w))
                label(l);
            else if (auto* b = qobject_cast<QAbstractButton*>(w))
                button(b);
            else if (auto* g = qobject_cast<QGroupBox*>(w))
                groupBox(g);
            else if (auto* c = qobject_cast<QComboBox*>(w))
                comboBox(c);
            else if (auto* t = qobject_cast<QTableView*>(w))
                table(t);
            else if (auto* v = qobject_cast<QChartView*>(w))
                chart(v);
        }
    }
};

// Bank values as a driver typically reads: defaults, a dated luminaire with its texts, counters.
ProgDataStructDef typicalRecord()
{
    ProgDataStructDef r;
    setProgDataDefaults(r);
    r.DT6PowerOnLevel = 254;
    r.DT6MinLevel = 85;
    r.DT6MaxLevel = 254;
    r.DT6ShortAddress = 11;
    setBankNumber(r.bank1GTIN, 4012345678901);
    setBankNumber(r.bank1ID, 1234567);
    r.bank1YY = 24;
    r.bank1WW = 52;
    setBankNumber(r.bank1Power, 100);
    setBankNumber(r.bank1MinVoltage, 120);
    setBankNumber(r.bank1MaxVoltage, 277);
    setBankNumber(r.bank1Lm, 12000);
    r.bank1CRI = 80;
    setBankNumber(r.bank1CCT, 4000);
    setBankText(r.bank1ColorString, QStringLiteral("Warm white"));
    setBankText(r.bank1IDString, QStringLiteral("Kavro street light KLS-100"));
    setBankNumber(r.bank205OperatingTime, 3600000);
    setBankNumber(r.bank205StartCounter, 1500);
    r.bank205Temperature = 85;
    return r;
}

// A dialog filled the way the window fills it before opening it.
template <class Dialog, class Settings> QWidget* loaded(const Settings& settings)
{
    auto* d = new Dialog;
    d->loadSettings(settings);
    return d;
}

} // namespace

class TestFormTexts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textsShowWhole_data();
    void textsShowWhole();
};

void TestFormTexts::initTestCase()
{
    setUpApplication();
}

void TestFormTexts::textsShowWhole_data()
{
    QTest::addColumn<QString>("form");
    for (const char* form :
         {"DALI Control", "Programming", "Power Meter", "Firmware Update", "Corridor Mode", "Smart Timer",
          "Time Shift Calculator", "0-10V Dimming Curve", "Thermal Derating", "CLO Curve", "DT6", "Part 250",
          "Part 251", "Part 253", "Production View", "Login", "Admin View"})
        QTest::newRow(form) << QString::fromLatin1(form);
}

void TestFormTexts::textsShowWhole()
{
    QFETCH(QString, form);

    WindowTestEnvironment env;
    QVERIFY(QFile::copy(QStringLiteral(EXAMPLE_PRODUCT_LIST), env.path(QStringLiteral("Product List.txt"))));
    const ProgDataStructDef record = typicalRecord();
    std::unique_ptr<QWidget> shown;
    // What the form shows in turn; every step is checked.
    QList<std::function<void()>> steps = {[] {}};
    const QStringList tabs = {"DALI Control", "Programming", "Power Meter", "Firmware Update"};

    if (tabs.contains(form)) {
        auto* window = new MainWindow;
        shown.reset(window);
        window->findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(tabs.indexOf(form));
        if (form == QLatin1String("Power Meter")) {
            // One reading of a driver, as the table shows it.
            auto* table = window->findChild<QTableWidget*>(QStringLiteral("monitorTableWidget"));
            table->setRowCount(1);
            const QStringList row = {"12-07 13:00:57", "40.125", "12345.678", "41.250",
                                     "12690.004",      "38.750", "11920.512"};
            for (int column = 0; column < row.size(); ++column)
                table->setItem(0, column, new QTableWidgetItem(row[column]));
        }
    } else if (form == QLatin1String("Corridor Mode")) {
        shown.reset(loaded<corridor_curve>(corridor_curve::CorridorSettings{100, 10, 3, 5, 120, 600}));
    } else if (form == QLatin1String("Smart Timer")) {
        auto* d = new smartcurve;
        d->setMinDimLevel(1);
        d->setMode(1, 1);
        d->setLevels({100, 80, 50, 30, 70});
        d->setMidnightShift(30);
        d->setFadeTimes({1, 2, 3, 4, 5});
        d->setDurations({20, 30, 40, 30, 20});
        shown.reset(d);
    } else if (form == QLatin1String("Time Shift Calculator")) {
        shown.reset(new shift_calculator);
    } else if (form == QLatin1String("0-10V Dimming Curve")) {
        shown.reset(loaded<dimcurve>(dimcurve::DimSettings{0, 10, 9.0, 1.0}));
    } else if (form == QLatin1String("Thermal Derating")) {
        shown.reset(loaded<mtpcurve>(mtpcurve::MTPSettings{50, 8.0, 4.0}));
    } else if (form == QLatin1String("CLO Curve")) {
        auto* d = new clocurve;
        d->setTimeList({0, 10, 20, 30, 40, 50, 60, 70});
        d->setLevelList({80, 82, 84, 86, 88, 90, 95, 100});
        shown.reset(d);
    } else if (form == QLatin1String("DT6")) {
        shown.reset(loaded<setting_DT6>(record));
    } else if (form == QLatin1String("Part 250")) {
        shown.reset(loaded<setting_part250>(record));
    } else if (form == QLatin1String("Part 251")) {
        FA_location = 3; // the tag layout whose bank 1 shows every editor
        shown.reset(loaded<setting_part251>(record));
    } else if (form == QLatin1String("Part 253")) {
        shown.reset(loaded<setting_part253>(record));
    } else if (form == QLatin1String("Production View")) {
        auto* d = new programView;
        shown.reset(d);
        for (int state = programView::VIEW_STATE_START; state <= programView::VIEW_STATE_WAIT_DRIVER; ++state)
            steps << [d, state] { d->showProgrammingState(state); };
    } else if (form == QLatin1String("Login")) {
        auto* d = new LoginView;
        shown.reset(d);
        steps << [d] {
            d->findChild<QLineEdit*>(QStringLiteral("pwdLineEdit"))->setText(QStringLiteral("guess"));
            d->findChild<QPushButton*>(QStringLiteral("okBtn"))->click();
        };
    } else {
        auto* d = new AdvanceView;
        d->addComboItem(QStringLiteral("Kavro LED Driver KLD-040-1050"));
        d->setCheckBox(AdvanceSettingDef{true, 0});
        shown.reset(d);
    }

    // Each page of a tab widget on the form in turn (the window's own tabs are rows of their own).
    const QList<QTabWidget*> pages = shown->findChildren<QTabWidget*>();
    for (QTabWidget* tabWidget : pages) {
        if (tabWidget->objectName() == QLatin1String("tabWidget") || !tabWidget->isVisibleTo(shown.get()))
            continue;
        for (int index = 0; index < tabWidget->count(); ++index)
            steps << [tabWidget, index] { tabWidget->setCurrentIndex(index); };
    }

    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
    TextCheck check;
    for (const auto& step : steps) {
        step();
        QCoreApplication::processEvents();
        check.form(shown.get());
    }
    FA_location = 0;
    check.cut.removeDuplicates();
    QVERIFY2(check.cut.isEmpty(), qPrintable(QLatin1Char('\n') + check.cut.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestFormTexts)
#include "tst_formtexts.moc"
