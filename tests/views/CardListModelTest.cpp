#include "RowSamples.h"
#include "model/AppItem.h"
#include "runtime/MakeShared.h"
#include "views/CardListModel.h"

#include <gtest/gtest.h>

namespace {
std::shared_ptr<AppItem> item(const char* name, Status status) {
    auto row = makeShared<AppItem>(RowSamples::app(QString::fromLatin1(name)));
    row->setStatus(std::move(status));
    return row;
}

QStringList shape(const QList<CardListModel::Section>& sections) {
    QStringList out;
    for (const auto& section : sections) {
        QStringList names;
        for (const auto& row : section.rows)
            names << row->app().name;
        out << section.title + QStringLiteral(": ") + names.join(QLatin1Char(' '));
    }
    return out;
}
} // namespace

TEST(CardListModel, SectionsGroupByStatusOnlyUnderAllOnceChecksFinish) {
    const CardListModel::Rows rows{item("Ig", Status::ignored(QStringLiteral("Ignored"))), item("U1", Status::update()),
                                   item("Ok", Status::upToDate()), item("U2", Status::update())};
    EXPECT_EQ(shape(CardListModel::sections(rows, Filter::all)),
              (QStringList{QStringLiteral("Updates Available: U1 U2"), QStringLiteral("Up to Date: Ok"),
                           QStringLiteral("Ignored: Ig")}));
    EXPECT_EQ(shape(CardListModel::sections(rows, Filter::updates)),
              QStringList{QStringLiteral(": Ig U1 Ok U2")});

    auto checking = rows;
    checking.append(item("Busy", Status::checking()));
    checking.append(item("Odd", Status::cantVerify(QStringLiteral("No feed"))));
    EXPECT_EQ(shape(CardListModel::sections(checking, Filter::all)),
              QStringList{QStringLiteral(": Ig U1 Ok U2 Busy Odd")});
    checking[4]->setStatus(Status::upToDate());
    EXPECT_EQ(shape(CardListModel::sections(checking, Filter::all)),
              (QStringList{QStringLiteral("Updates Available: U1 U2"), QStringLiteral("Can't Verify: Odd"),
                           QStringLiteral("Up to Date: Ok Busy"), QStringLiteral("Ignored: Ig")}));

    EXPECT_TRUE(CardListModel::sections({}, Filter::all).isEmpty());
    EXPECT_TRUE(CardListModel::sections({}, Filter::ignored).isEmpty());
}

TEST(CardListModel, EmptyStatePerFilter) {
    const QStringList folders{QStringLiteral("/Applications"), QStringLiteral("/home/me/Applications")};
    struct Case {
        Filter filter;
        QString title;
        QString description;
    };
    const Case cases[] = {
        {Filter::all, QStringLiteral("No apps found"), QStringLiteral("/Applications, /home/me/Applications")},
        {Filter::updates, QStringLiteral("Nothing to update"), QStringLiteral("Quenlark found no updates for your apps.")},
        {Filter::cantVerify, QStringLiteral("Nothing unverified"),
         QStringLiteral("Every app has an update source Quenlark can read.")},
        {Filter::ignored, QStringLiteral("No ignored apps"),
         QStringLiteral("Right-click an app to ignore it or skip one version.")},
    };
    for (const auto& c : cases) {
        const auto empty = CardListModel::emptyState(c.filter, folders);
        ASSERT_TRUE(empty);
        EXPECT_EQ(empty->title, c.title);
        EXPECT_EQ(empty->description, c.description);
    }
    EXPECT_FALSE(CardListModel::emptyState(Filter::library, folders));
}
