#pragma once

#include <QObject>
#include <QString>

namespace levy {

// While it lives, notes how many records the results window showed when it closes:
// the count of a result read to its end, 0 for one with no records, and -1 (left as
// it was) when the read was stopped or failed before the end.
class ResultCountWatcher : public QObject {
public:
    // `failure`, when given, gets the message the window gave up with.
    explicit ResultCountWatcher(qint64* records, QString* failure = nullptr);
    ~ResultCountWatcher() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    qint64* records_;
    QString* failure_;
};

} // namespace levy
