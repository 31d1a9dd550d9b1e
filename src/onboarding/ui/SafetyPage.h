#pragma once

#include <QElapsedTimer>
#include <QWidget>

// Page 2: a shield and the verification steps, ticked off one by one in rounds; all passed at
// once under reduced motion.
class SafetyPage : public QWidget {
    Q_OBJECT
public:
    explicit SafetyPage(QWidget* parent = nullptr);

    int done() const;
    // How far each step's tick has sprung in, 0 to about 1 (it overshoots a little).
    double passed(int step) const;

private:
    class Checklist;
    QElapsedTimer since_;
};
