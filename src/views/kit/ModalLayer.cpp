#include "views/kit/ModalLayer.h"

#include "views/kit/ModalPrompt.h"

ModalLayer::ModalLayer(QWidget* window) : QObject(window), window_(window) {}

void ModalLayer::retire() {
    if (shown_) {
        shown_->leave();
        shown_->vanish();
    }
    shown_ = nullptr;
}

void ModalLayer::present(ModalPrompt* prompt) {
    retire();
    shown_ = prompt;
    prompt->show();
    prompt->raise();
    prompt->takeFocus();
    prompt->appear();
}
