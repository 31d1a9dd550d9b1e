#include "account/ui/BrowserWaitWindow.h"

#include "runtime/Spawn.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

BrowserWaitWindow::BrowserWaitWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog), cancelButton_(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle(tr("Sign in with Google"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("Waiting for your browser…"), this);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);
    connect(cancelButton_, &QPushButton::clicked, this, guarded([this] { cancelled(); }));
}

void BrowserWaitWindow::present(std::function<void()> cancel) {
    cancel_ = std::move(cancel);
    show();
    raise();
}

void BrowserWaitWindow::dismiss() {
    cancel_ = nullptr;
    hide();
}

void BrowserWaitWindow::closeEvent(QCloseEvent* event) {
    // Closing the window is the same as Cancel, as closing the sheet would be.
    cancelled();
    event->accept();
}

void BrowserWaitWindow::cancelled() {
    if (auto cancel = std::exchange(cancel_, nullptr))
        cancel();
    hide();
}
