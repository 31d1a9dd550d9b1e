#include "account/ui/SignInScreen.h"

#include "account/ui/AuthView.h"

#include <QVBoxLayout>

SignInScreen::SignInScreen(Store& store, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    // The dashboard's backdrop shows through.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 18, 0, 0);
    card_ = new AuthView(store, content);
    column->addWidget(card_, 0, Qt::AlignHCenter | Qt::AlignTop);
    column->addStretch(1);
    setWidget(content);
}
