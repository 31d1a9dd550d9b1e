#include "views/kit/FadeEffect.h"

#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QStringList said;
void record(QtMsgType, const QMessageLogContext&, const QString& message) { said.append(message); }
struct Filled : QWidget {
    using QWidget::QWidget;
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::red); }
};

} // namespace

// A row whose own fade has just reached full opacity, with its status still fading in: the
// window's repaint draws both without Qt finding the painter taken.
TEST(FadeEffect, AFadeInsideAFullyOpaqueFadeDrawsThroughTheWindowsPainter) {
    QWidget row;
    row.resize(120, 40);
    row.setGraphicsEffect(new FadeEffect(&row, 1));
    auto* status = new Filled(&row);
    status->setGeometry(10, 10, 40, 20);
    status->setGraphicsEffect(new FadeEffect(status, 0.5));
    row.show();
    const QtMessageHandler previous = qInstallMessageHandler(record);
    row.repaint();
    qInstallMessageHandler(previous);
    EXPECT_EQ(said, QStringList());
}
