#include "store/DatePhrases.h"

#include <QLocale>

#include <unicode/datefmt.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

// The C locale (no LANG) reads as American English, as the collator of names does.
icu::Locale userLocale() {
    const QLocale user;
    return icu::Locale(user.language() == QLocale::C ? "en_US" : user.name().toUtf8().constData());
}

QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

} // namespace

namespace DatePhrases {

QString relative(const QDateTime& date, const QDateTime& now) {
    // Years and months count whole calendar months; shorter units count elapsed seconds.
    const qint64 offset = now.secsTo(date);
    const QDateTime earlier = std::min(date, now), later = std::max(date, now);
    int months = (later.date().year() - earlier.date().year()) * 12 + later.date().month() - earlier.date().month();
    if (months > 0 && earlier.addMonths(months) > later)
        --months;
    const int sign = offset < 0 ? -1 : 1;
    double amount = 0;
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
    const qint64 seconds = std::llabs(offset);
    if (months >= 12) {
        amount = months / 12, unit = UDAT_REL_UNIT_YEAR;
    } else if (months >= 1) {
        amount = months, unit = UDAT_REL_UNIT_MONTH;
    } else if (seconds >= 7 * 86400) {
        amount = static_cast<double>(seconds / (7 * 86400)), unit = UDAT_REL_UNIT_WEEK;
    } else if (seconds >= 86400) {
        amount = static_cast<double>(seconds / 86400), unit = UDAT_REL_UNIT_DAY;
    } else if (seconds >= 3600) {
        amount = static_cast<double>(seconds / 3600), unit = UDAT_REL_UNIT_HOUR;
    } else if (seconds >= 60) {
        amount = static_cast<double>(seconds / 60), unit = UDAT_REL_UNIT_MINUTE;
    } else {
        amount = static_cast<double>(seconds);
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::RelativeDateTimeFormatter formatter(userLocale(), nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE,
                                             status);
    icu::UnicodeString text;
    formatter.formatNumeric(sign * amount, unit, text, status);
    return U_SUCCESS(status) ? fromIcu(text) : QString();
}

QString abbreviated(const QDateTime& date) {
    const std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, userLocale()));
    if (!format)
        return date.date().toString(Qt::ISODate);
    icu::UnicodeString text;
    format->format(static_cast<UDate>(date.toMSecsSinceEpoch()), text);
    return fromIcu(text);
}

} // namespace DatePhrases
