#ifndef PROGRAMVIEW_H
#define PROGRAMVIEW_H

#include <QDialog>

class QCloseEvent;

namespace Ui {
class programView;
}

// Production progress view: the state of the driver being programmed in large letters on a
// coloured panel, and the drivers programmed and failed since the view was last closed with Done.
class programView : public QDialog
{
    Q_OBJECT

public:
    // View states handed to showProgrammingState.
    static constexpr int VIEW_STATE_START = 0;
    static constexpr int VIEW_STATE_SUCCESS = 1;
    static constexpr int VIEW_STATE_FAIL = 2;
    static constexpr int VIEW_STATE_RETRY = 3;
    static constexpr int VIEW_STATE_WAIT_DRIVER = 4;

    explicit programView(QWidget* parent = nullptr);
    ~programView() override;

    // States 0 to 4 as above; any other value changes nothing.
    void showProgrammingState(int state);

signals:
    // Closed with Done: the production run is over.
    void hideDialog();

protected:
    // Done is the only way out: Escape and the window's close button would hide the view while the
    // engine keeps programming every driver plugged in, with nobody watching the results.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void doneBtnClicked();

private:
    Ui::programView* ui;
    int successCount;
    int failureCount;
    int retryCount;
};

#endif // PROGRAMVIEW_H
