#pragma once

#include <QHash>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <memory>

class ElidedLabel;
class IslandButton;
class IslandModel;
class IslandRow;
class NumericLabel;
class PlainLabel;
class QScrollArea;
class QVariantAnimation;
class QVBoxLayout;
class Store;

// The island: the black shape hanging at the top centre, folded into a pill (or around the
// notch), and once open the header, the list of rows and the action or question row. It reads
// its model and calls its operations; the open and fold follow the state's `expanded`.
class IslandView : public QWidget {
    Q_OBJECT
public:
    IslandView(std::shared_ptr<IslandModel> model, Store* store, double ear, QWidget* parent = nullptr);
    ~IslandView() override;

    const std::shared_ptr<IslandModel>& model() const { return model_; }
    // The island's drawn outline in this widget, as it is at this moment of the animation.
    QPainterPath outline() const;
    // The island's rectangle (ears included) at this moment.
    QRectF islandRect() const;
    // How open it is drawn: 0 folded, 1 open (a spring may pass 1 for a moment).
    double openness() const { return openness_; }

    // For the screens tool: the buttons of the open island.
    QWidget* content() const { return content_; }

Q_SIGNALS:
    void shapeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    QWidget* buildHeader();
    QWidget* buildActions();
    QWidget* buildQuestion();
    void refresh();
    void syncRows();
    void arriveQuestion();
    void animateTo(bool expanded);
    void setOpenness(double value);
    void layoutContent();
    double foldedWidth() const;
    double foldedHeight() const;
    int contentHeight() const;
    double openHeight() const;
    void holdLater();
    void showLaterMenu();

    std::shared_ptr<IslandModel> model_;
    Store* store_;
    double ear_;
    bool notched_;
    double openness_ = 0;
    bool expanded_ = false;
    QPointer<QVariantAnimation> motion_;

    QWidget* content_ = nullptr;
    NumericLabel* title_ = nullptr;
    ElidedLabel* subtitle_ = nullptr;
    QScrollArea* list_ = nullptr;
    QWidget* rowsHost_ = nullptr;
    QVBoxLayout* rows_ = nullptr;
    QHash<QString, IslandRow*> rowById_;
    QWidget* actions_ = nullptr;
    QWidget* question_ = nullptr;
    IslandButton* later_ = nullptr;
    IslandButton* updateAll_ = nullptr;
    bool laterHeld_ = false;
    int pressGeneration_ = 0;
};
