#pragma once

#include <QWidget>

class QFormLayout;

// One section of a grouped settings form: an optional header, the rows in a rounded box, and an
// optional footer in the secondary colour.
class SettingsSection : public QWidget {
    Q_OBJECT
public:
    explicit SettingsSection(const QString& header = {}, QWidget* parent = nullptr);

    QFormLayout* form() const { return form_; }
    // A row of its own under the label `label` (none: the widget spans the row).
    void addRow(const QString& label, QWidget* field);
    void addRow(QWidget* field);
    // An empty text hides the footer.
    void setFooter(const QString& text);

private:
    QFormLayout* form_;
    class PlainLabel* title_ = nullptr;
    class PlainLabel* footer_;
};
