#ifndef APPSETUP_H
#define APPSETUP_H

// What every process that shows the main window does once its QApplication stands and before the
// window is built: the program itself, the idle benchmark and the tests that look at the window as
// a user sees it all go through here, so that they show the same window.
void setUpApplication();

#endif // APPSETUP_H
