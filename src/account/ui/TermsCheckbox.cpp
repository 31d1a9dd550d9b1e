#include "account/ui/TermsCheckbox.h"

#include "account/SiteLinks.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Shell.h"
#include "views/kit/OnAppearance.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

TermsCheckbox::TermsCheckbox(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    box_ = new QCheckBox(this);
    box_->setAccessibleName(tr("I agree to the Terms of Service and Privacy Policy"));
    row->addWidget(box_, 0, Qt::AlignTop);

    text_ = new QLabel(this);
    text_->setTextFormat(Qt::RichText);
    // The links' colour is written into the text, so the text is made again for a new appearance.
    OnAppearance::follow(text_, [this] {
        const QString link = Palette::current().accent().name();
        const auto anchor = [&](const QUrl& url, const QString& title) {
            return u"<a style=\"color:%1; text-decoration:none\" href=\"%2\">%3</a>"_s.arg(
                link, url.toString(QUrl::FullyEncoded).toHtmlEscaped(), title.toHtmlEscaped());
        };
        text_->setText(tr("I agree to the %1 and %2")
                           .arg(anchor(SiteLinks::terms(), tr("Terms of Service")),
                                anchor(SiteLinks::privacy(), tr("Privacy Policy"))));
    });
    text_->setFont(Fonts::system(12.5));
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    text_->setOpenExternalLinks(false);
    connect(text_, &QLabel::linkActivated, this, [](const QString& url) { Shell::current().openUrl(QUrl(url)); });
    row->addWidget(text_, 1);
    connect(box_, &QCheckBox::toggled, this, &TermsCheckbox::agreedChanged);
}

void TermsCheckbox::setAgreed(bool agreed) {
    if (box_->isChecked() == agreed)
        return;
    const QSignalBlocker quiet(box_);
    box_->setChecked(agreed);
}
