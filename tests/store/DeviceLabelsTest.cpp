#include "store/Device.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(DeviceLabels, ClashingNamesGainModelThenLastSeenThenId) {
    const QDateTime now(QDate(2026, 1, 10), QTime(12, 0), Qt::UTC);
    const QDateTime threeDays = now.addDays(-3), twoHours = now.addSecs(-7200);
    const QDateTime never(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    const struct {
        const char* rule;
        QList<Device> devices;
        QHash<QString, QString> labels;
    } cases[] = {
        {"none", {}, {}},
        {"alone: the plain name", {{u"a1"_s, u"Studio"_s, u"M1"_s, now, {}}}, {{u"a1"_s, u"Studio"_s}}},
        {"case and spacing form one group; each keeps its own spelling",
         {{u"a1"_s, u"Ada's  Mac"_s, u"MacBookPro18,1"_s, now, {}}, {u"b2"_s, u" ada's mac"_s, u"Mac14,2"_s, now, {}}},
         {{u"a1"_s, u"Ada's  Mac · MacBookPro18,1"_s}, {u"b2"_s, u" ada's mac · Mac14,2"_s}}},
        {"only members still clashing get the next part",
         {{u"a1"_s, u"Mac"_s, u"A"_s, threeDays, {}},
          {u"b2"_s, u"Mac"_s, u"A"_s, twoHours, {}},
          {u"c3"_s, u"Mac"_s, u"B"_s, now, {}}},
         {{u"a1"_s, u"Mac · A · last seen 3 days ago"_s},
          {u"b2"_s, u"Mac · A · last seen 2 hours ago"_s},
          {u"c3"_s, u"Mac · B"_s}}},
        {"an empty model adds nothing and may clash on",
         {{u"a1xyz"_s, u"Mac"_s, u""_s, never, {}}, {u"b2xyz"_s, u"Mac"_s, u""_s, never, {}}},
         {{u"a1xyz"_s, u"Mac · last seen 2,025 years ago · a1xy"_s},
          {u"b2xyz"_s, u"Mac · last seen 2,025 years ago · b2xy"_s}}},
        {"same model and phrase: the first 4 characters of the ids",
         {{u"dabc123"_s, u"Mac"_s, u"M"_s, threeDays, {}},
          {u"dxyz"_s, u"Mac"_s, u"M"_s, threeDays, {}},
          {u"q"_s, u"Other"_s, u"M"_s, now, {}}},
         {{u"dabc123"_s, u"Mac · M · last seen 3 days ago · dabc"_s},
          {u"dxyz"_s, u"Mac · M · last seen 3 days ago · dxyz"_s},
          {u"q"_s, u"Other"_s}}},
        {"a name of spaces is a name", {{u"a1"_s, u"  "_s, u""_s, now, {}}}, {{u"a1"_s, u"  "_s}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(labels(c.devices, now), c.labels) << c.rule;
}
