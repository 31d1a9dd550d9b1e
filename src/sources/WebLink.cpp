#include "sources/WebLink.h"

#include "runtime/Url.h"
#include "sources/InlineMarkdown.h"

#include <QStringList>

namespace {

std::optional<QUrl> checked(const std::optional<QString>& string, const std::optional<QUrl>& base,
                            std::initializer_list<const char*> schemes) {
    if (!string)
        return std::nullopt;
    auto url = Url::parse(*string);
    if (!url)
        return std::nullopt;
    const QUrl absolute = base ? base->resolved(*url) : *url;
    const QString scheme = absolute.scheme().toLower();
    for (const char* allowed : schemes)
        if (scheme == QLatin1String(allowed))
            return absolute;
    return std::nullopt;
}

} // namespace

namespace WebLink {

std::optional<QUrl> web(const std::optional<QString>& string, const std::optional<QUrl>& base) {
    return checked(string, base, {"http", "https"});
}

std::optional<QUrl> store(const std::optional<QString>& string) {
    return checked(string, std::nullopt, {"http", "https", "macappstore", "itms-apps"});
}

StyledText markdown(const QString& text) {
    StyledText parsed = InlineMarkdown::parse(text);
    StyledText result;
    for (StyledText::Run run : parsed.runs) {
        if (run.link)
            run.link = web(run.link->toString(QUrl::FullyEncoded));
        result.append(std::move(run));
    }
    return result;
}

} // namespace WebLink
