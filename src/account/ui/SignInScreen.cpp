#include "account/ui/SignInScreen.h"

#include "account/ui/AuthView.h"

#include <QVBoxLayout>

SignInScreen::SignInScreen(Store& store, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 18, 0, 0);
    card_ = new AuthView(store, content);
    column->addWidget(card_, 0, Qt::AlignHCenter | Qt::AlignTop);
    column->addStretch(1);
    setWidget(content);
    // The dashboard's backdrop shows through (setWidget has the content fill its background).
    viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
}
