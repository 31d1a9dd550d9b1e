#pragma once

#include "account/GoogleSignIn.h"

#include <QWidget>

#include <functional>

class QPushButton;

// The small window shown while the browser has the user for a Google sign-in; its Cancel ends
// the sign-in.
class BrowserWaitWindow final : public QWidget, public GoogleSignIn::Sheet {
    Q_OBJECT
public:
    explicit BrowserWaitWindow(QWidget* parent = nullptr);

    void present(std::function<void()> cancel) override;
    void dismiss() override;

    QPushButton* cancelButton() const { return cancelButton_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cancelled();

    QPushButton* cancelButton_;
    std::function<void()> cancel_;
};
