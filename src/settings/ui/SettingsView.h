#pragma once

#include <QWidget>

#include <memory>

class QTabWidget;
class SettingsModel;

// The settings window: five tabs whose selection is the store's, a fixed size per tab. Every
// control writes straight through; there is nothing to apply or cancel.
class SettingsView final : public QWidget {
    Q_OBJECT
public:
    // Takes the model; the window is kept and shown again, so it is made once.
    explicit SettingsView(std::unique_ptr<SettingsModel> model, QWidget* parent = nullptr);
    ~SettingsView() override;

    SettingsModel& model() const { return *model_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // The tab symbols are drawn in the text colour of the appearance in force.

private:
    void refresh();
    void drawSymbols();

    std::unique_ptr<SettingsModel> model_;
    QTabWidget* tabs_ = nullptr;
};
