#include "views/dashboard/SearchField.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Observation.h"
#include "store/Store.h"
#include "views/cards/SearchModel.h"
#include "views/kit/PlainEdit.h"
#include "views/kit/SymbolView.h"

#include <QAbstractButton>
#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int narrowest = 120, widest = 220;

class ClearButton : public QAbstractButton {
public:
    explicit ClearButton(QWidget* parent) : QAbstractButton(parent) {
        setFixedSize(14, 14);
        setCursor(Qt::ArrowCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Symbols::paint(painter, QRectF(rect()), QStringLiteral("xmark.circle.fill"), Palette::current().secondary(),
                       Palette::current().window());
    }
};
} // namespace

SearchField::SearchField(Store& store, QWidget* parent) : QWidget(parent), store_(store) {
    setMinimumWidth(narrowest);
    setMaximumWidth(widest);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::IBeamCursor);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(11, 7, 11, 7);
    row->setSpacing(6);
    row->addWidget(new SymbolView(QStringLiteral("magnifyingglass"), 13, Palette::Tint::secondary, 14, this));
    edit_ = new QLineEdit(this);
    edit_->setFrame(false);
    edit_->setFont(Fonts::system(12.5));
    edit_->setPlaceholderText(SearchModel::placeholder());
    edit_->setAccessibleName(SearchModel::accessibilityLabel());
    edit_->setAttribute(Qt::WA_MacShowFocusRect, false);
    PlainEdit::colour(edit_, Palette::Tint::tertiary);
    edit_->installEventFilter(this);
    row->addWidget(edit_, 1);
    clear_ = new ClearButton(this);
    clear_->setToolTip(SearchModel::clearHelp());
    row->addWidget(clear_);

    connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) { store_.setQuery(text); });
    connect(clear_, &QAbstractButton::clicked, this, [this] { SearchModel::clear(store_); });

    // The hidden "Find" command: Ctrl+F from anywhere in the window while the field is shown.
    auto* find = new QAction(tr("Find"), this);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, [this] { edit_->setFocus(Qt::ShortcutFocusReason); });
    addAction(find);

    new Observer(
        this, [this] { refresh(); }, [] {});
}

void SearchField::refresh() {
    const QString& query = store_.query();
    if (edit_->text() != query)
        edit_->setText(query);
    clear_->setVisible(SearchModel::showsClear(query));
}

QSize SearchField::sizeHint() const { return QSize(200, QWidget::sizeHint().height()); }

bool SearchField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            SearchModel::clear(store_);
            return true;
        }
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            update();
    }
    return QWidget::eventFilter(watched, event);
}

void SearchField::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
    PaintCache::fillRounded(painter, box, box.height() / 2, palette.primary(0.06));
    if (edit_->hasFocus()) {
        QPainterPath capsule;
        capsule.addRoundedRect(box, box.height() / 2, box.height() / 2);
        QColor ring = palette.accent();
        ring.setAlphaF(0.6f);
        painter.setPen(QPen(ring, 1.5));
        painter.drawPath(capsule);
    }
}
