#pragma once
// A timer whose interval is its whole state: 0 means stopped, anything else
// fires every that many milliseconds. Setting the interval restarts the count.
#include <QObject>
#include <QTimer>

namespace platform {

class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr);
    int interval() const { return interval_; }
    void setInterval(int ms);

signals:
    void timeout();

private:
    QTimer timer_;
    int interval_ = 0;
};

} // namespace platform
