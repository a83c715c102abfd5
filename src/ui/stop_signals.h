#pragma once

#include <QObject>

class QSocketNotifier;

namespace dravik::ui {

// Turns SIGINT, SIGTERM and SIGHUP into a call on the window's event thread,
// so that Ctrl+C in the terminal, a kill and the terminal closing end the
// game as its close button does. One instance at a time.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested();

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace dravik::ui
