#include "views/kit/TextSelection.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>

TextSelection::TextSelection(QWidget* owner, Text text) : QObject(owner), owner_(owner), text_(std::move(text)) {
    owner_->setFocusPolicy(Qt::StrongFocus);
    owner_->setCursor(Qt::IBeamCursor);
    owner_->installEventFilter(this);
}

int TextSelection::clamp(int position) const { return std::clamp(position, 0, std::max(0, text_.length())); }

void TextSelection::select(int from, int to) {
    anchor_ = clamp(from);
    position_ = clamp(to);
    owner_->update();
}

QString TextSelection::selectedText() const { return empty() ? QString() : text_.copied(start(), end()); }

void TextSelection::copy() const {
    if (!empty())
        QGuiApplication::clipboard()->setText(selectedText());
}

bool TextSelection::key(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return true;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        select(0, text_.length());
        return true;
    }
    struct Move {
        QKeySequence::StandardKey move, extend;
        int to;
    };
    const int length = text_.length();
    const Move moves[] = {
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, position_ - 1},
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, position_ + 1},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, 0},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, length},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, 0},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, length},
    };
    for (const Move& move : moves) {
        if (event->matches(move.extend)) {
            select(anchor_, move.to);
            return true;
        }
        if (event->matches(move.move)) {
            select(move.to, move.to);
            return true;
        }
    }
    return false;
}

bool TextSelection::eventFilter(QObject* watched, QEvent* event) {
    if (watched != owner_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        const int at = clamp(text_.positionAt(mouse->position()));
        select(mouse->modifiers() & Qt::ShiftModifier ? anchor_ : at, at);
        pressed_ = true;
        dragged_ = false;
        return false;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!pressed_ || !(mouse->buttons() & Qt::LeftButton))
            return false;
        const int at = clamp(text_.positionAt(mouse->position()));
        if (at != position_) {
            dragged_ = true;
            select(anchor_, at);
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        pressed_ = false;
        return false;
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        const auto [from, to] =
            text_.wordAt ? text_.wordAt(clamp(text_.positionAt(mouse->position()))) : std::pair{0, text_.length()};
        select(from, to);
        dragged_ = true;
        return true;
    }
    case QEvent::ShortcutOverride: {
        // The copy and move keys belong to the focused text before any shortcut of the window.
        auto* keys = static_cast<QKeyEvent*>(event);
        if (keys->matches(QKeySequence::Copy) || keys->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
        return false;
    }
    case QEvent::KeyPress:
        return key(static_cast<QKeyEvent*>(event));
    case QEvent::ContextMenu: {
        // A right-click on selected text offers to copy it, in place of the menu around it.
        if (empty())
            return false;
        auto* menu = new QMenu(owner_);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(tr("Copy"), this, [this] { copy(); });
        menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    case QEvent::FocusOut:
        // One selection at a time, as a text field shows it. The owner may be half destroyed
        // (a widget gives up its focus as it goes), so its text is not asked.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && !empty()) {
            anchor_ = position_;
            owner_->update();
        }
        return false;
    default:
        return false;
    }
}
