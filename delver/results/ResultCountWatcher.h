#pragma once

#include <QObject>
#include <QString>

namespace levy {

// While it lives, notes how many records the results window showed when it closes:
// the count of a result read to its end, 0 for one with no records, and -1 (left as
// it was) when the read was stopped or failed before the end.
class ResultCountWatcher : public QObject {
public:
    // `failure`, when given, gets the message the window gave up with; `pageOneMs` and
    // `countMs` how long page 1 and the count took (left as they were when not known).
    explicit ResultCountWatcher(qint64* records, QString* failure = nullptr, qint64* pageOneMs = nullptr,
                                qint64* countMs = nullptr);
    ~ResultCountWatcher() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    qint64* records_;
    QString* failure_;
    qint64* pageOneMs_;
    qint64* countMs_;
};

} // namespace levy
