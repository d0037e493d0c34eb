// The program's application object: every event goes through the general
// error report, so an exception never crosses Qt's event loop.
#pragma once

#include <QApplication>

class TricomaApplication : public QApplication {
    Q_OBJECT
public:
    TricomaApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
