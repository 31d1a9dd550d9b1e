#include "platform/gui/Symbols.h"

#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <memory>

namespace Symbols {

namespace {
// 24 × 24 drawings; %1 is the colour, %2 the inner mark of the filled ones.
const QHash<QString, QString>& drawings() {
    static const QHash<QString, QString> table =
        {
            {QStringLiteral("chevron.right"),
             QStringLiteral(
                 R"(<polyline points="9,4.5 16.5,12 9,19.5" fill="none" stroke="%1" stroke-width="2.6" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("checkmark"),
             QStringLiteral(
                 R"(<polyline points="4.5,12.5 9.5,17.5 19.5,6.5" fill="none" stroke="%1" stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("checkmark.circle"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="9.6" fill="none" stroke="%1" stroke-width="1.8"/><polyline points="7.6,12.4 10.7,15.4 16.4,8.8" fill="none" stroke="%1" stroke-width="1.9" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("checkmark.circle.fill"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="10.5" fill="%1"/><polyline points="7.4,12.4 10.6,15.6 16.6,8.7" fill="none" stroke="%2" stroke-width="2.3" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("checkmark.seal.fill"),
             QStringLiteral(
                 R"(<path d="M12,1.6 L14.4,3.5 L17.4,3.1 L18.6,5.9 L21.2,7.4 L20.6,10.4 L22.2,12.9 L20.2,15.2 L20.1,18.2 L17.2,19.0 L15.5,21.6 L12.6,20.6 L9.7,21.7 L8.0,19.1 L5.0,18.4 L4.8,15.3 L2.8,13.0 L4.3,10.4 L3.6,7.5 L6.2,5.9 L7.3,3.1 L10.3,3.4 Z" fill="%1" stroke="%1" stroke-width="1" stroke-linejoin="round"/><polyline points="7.8,12.2 10.8,15.2 16.2,9.0" fill="none" stroke="%2" stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("clock"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="9.6" fill="none" stroke="%1" stroke-width="1.8"/><polyline points="12,6.4 12,12 15.8,14.2" fill="none" stroke="%1" stroke-width="1.9" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("xmark.octagon.fill"),
             QStringLiteral(
                 R"(<polygon points="8.1,1.9 15.9,1.9 22.1,8.1 22.1,15.9 15.9,22.1 8.1,22.1 1.9,15.9 1.9,8.1" fill="%1" stroke="%1" stroke-width="1.2" stroke-linejoin="round"/><path d="M8.4,8.4 L15.6,15.6 M15.6,8.4 L8.4,15.6" stroke="%2" stroke-width="2.3" stroke-linecap="round"/>)")},
            {QStringLiteral("xmark.circle.fill"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="10.5" fill="%1"/><path d="M8.5,8.5 L15.5,15.5 M15.5,8.5 L8.5,15.5" stroke="%2" stroke-width="2.2" stroke-linecap="round"/>)")},
            {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral(
                                                                  R"(<path d="M10.3,3.2 Q12,0.6 13.7,3.2 L22.3,18.6 Q23.6,21.2 20.6,21.2 L3.4,21.2 Q0.4,21.2 1.7,18.6 Z" fill="%1"/><path d="M12,8.2 L12,13.6" stroke="%2" stroke-width="2.3" stroke-linecap="round"/><circle cx="12" cy="17.4" r="1.35" fill="%2"/>)")},
            {QStringLiteral("eye.slash"),
             QStringLiteral(
                 R"(<path d="M2,12 Q12,2.5 22,12 Q12,21.5 2,12 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><circle cx="12" cy="12" r="3.3" fill="none" stroke="%1" stroke-width="1.8"/><path d="M4,3.5 L20,20.5" stroke="%1" stroke-width="1.9" stroke-linecap="round"/>)")},
            {QStringLiteral("eye.slash.fill"),
             QStringLiteral(
                 R"(<path d="M2,12 Q12,2.5 22,12 Q12,21.5 2,12 Z" fill="%1"/><circle cx="12" cy="12" r="3.4" fill="%2"/><path d="M4,3.5 L20,20.5" stroke="%2" stroke-width="3.6" stroke-linecap="round"/><path d="M4,3.5 L20,20.5" stroke="%1" stroke-width="1.8" stroke-linecap="round"/>)")},
            {QStringLiteral("arrow.down.app"),
             QStringLiteral(
                 R"(<rect x="2.6" y="2.6" width="18.8" height="18.8" rx="5" fill="none" stroke="%1" stroke-width="1.8"/><path d="M12,6.8 L12,16.4 M8.1,12.6 L12,16.5 L15.9,12.6" fill="none" stroke="%1" stroke-width="1.9" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("arrow.right"),
             QStringLiteral(
                 R"(<path d="M3.5,12 L19.5,12 M13.5,5.5 L20,12 L13.5,18.5" fill="none" stroke="%1" stroke-width="3" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("arrow.down.circle.dotted"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="9.6" fill="none" stroke="%1" stroke-width="2" stroke-linecap="round" stroke-dasharray="0.1,3.7"/><path d="M12,6.6 L12,16.4 M8.2,12.6 L12,16.5 L15.8,12.6" fill="none" stroke="%1" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("arrow.down.circle.fill"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="10.5" fill="%1"/><path d="M12,6.6 L12,16.4 M8.2,12.6 L12,16.5 L15.8,12.6" fill="none" stroke="%2" stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("lock.shield.fill"), QStringLiteral(
                                                     R"(<path d="M12,1.5 L20.5,4.6 L20.5,11 Q20.5,18.6 12,22.5 Q3.5,18.6 3.5,11 L3.5,4.6 Z" fill="%1" stroke="%1" stroke-width="1" stroke-linejoin="round"/><rect x="8.4" y="11" width="7.2" height="5.6" rx="1.2" fill="%2"/><path d="M9.9,11 L9.9,9.3 Q9.9,7.2 12,7.2 Q14.1,7.2 14.1,9.3 L14.1,11" fill="none" stroke="%2" stroke-width="1.6"/>)")},
            {QStringLiteral("minus.circle"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="9.6" fill="none" stroke="%1" stroke-width="1.8"/><path d="M7.5,12 L16.5,12" stroke="%1" stroke-width="1.9" stroke-linecap="round"/>)")},
            {QStringLiteral("folder"),
             QStringLiteral(
                 R"(<path d="M2.8,6.4 Q2.8,4.4 4.8,4.4 L9.2,4.4 L11.2,6.6 L19.2,6.6 Q21.2,6.6 21.2,8.6 L21.2,17.6 Q21.2,19.6 19.2,19.6 L4.8,19.6 Q2.8,19.6 2.8,17.6 Z M2.8,9.4 L21.2,9.4" fill="none" stroke="%1" stroke-width="1.7" stroke-linejoin="round"/>)")},
            {QStringLiteral("envelope"),
             QStringLiteral(
                 R"(<rect x="2.6" y="5" width="18.8" height="14" rx="2.6" fill="none" stroke="%1" stroke-width="1.8"/><polyline points="3.4,6.6 12,13 20.6,6.6" fill="none" stroke="%1" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("envelope.badge"),
             QStringLiteral(
                 R"(<path d="M14.2,6.6 L4.6,6.6 Q2.2,6.6 2.2,9 L2.2,18 Q2.2,20.4 4.6,20.4 L16.6,20.4 Q19,20.4 19,18 L19,12.2" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><polyline points="3,8.2 10.6,13.8 15.4,10.3" fill="none" stroke="%1" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/><circle cx="19.2" cy="5.8" r="3.6" fill="%1"/>)")},
            {QStringLiteral("icloud.and.arrow.down"),
             QStringLiteral(
                 R"(<path d="M7.2,19 L17.4,19 A4.3,4.3 0 0 0 18.2,10.5 A6.3,6.3 0 0 0 6.3,9.4 A4.85,4.85 0 0 0 7.2,19 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><path d="M12,10.5 L12,16.5 M9.5,14 L12,16.5 L14.5,14" fill="none" stroke="%1" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("checkmark.icloud"),
             QStringLiteral(
                 R"(<path d="M7.2,19 L17.4,19 A4.3,4.3 0 0 0 18.2,10.5 A6.3,6.3 0 0 0 6.3,9.4 A4.85,4.85 0 0 0 7.2,19 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><polyline points="9.2,14 11.3,16 15,11.6" fill="none" stroke="%1" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("exclamationmark.icloud"),
             QStringLiteral(
                 R"(<path d="M7.2,19 L17.4,19 A4.3,4.3 0 0 0 18.2,10.5 A6.3,6.3 0 0 0 6.3,9.4 A4.85,4.85 0 0 0 7.2,19 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><path d="M12,10.8 L12,14.4" stroke="%1" stroke-width="1.9" stroke-linecap="round"/><circle cx="12" cy="16.6" r="1.05" fill="%1"/>)")},
            {QStringLiteral("icloud.slash"),
             QStringLiteral(
                 R"(<path d="M7.2,19 L17.4,19 A4.3,4.3 0 0 0 18.2,10.5 A6.3,6.3 0 0 0 6.3,9.4 A4.85,4.85 0 0 0 7.2,19 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><path d="M4,4 L20.5,20.5" stroke="%1" stroke-width="1.9" stroke-linecap="round"/>)")},
            {QStringLiteral("laptopcomputer"),
             QStringLiteral(
                 R"(<rect x="4.6" y="5" width="14.8" height="10.4" rx="1.6" fill="none" stroke="%1" stroke-width="1.8"/><path d="M2,18.6 L22,18.6" stroke="%1" stroke-width="2" stroke-linecap="round"/>)")},
            {QStringLiteral("ellipsis.circle"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="9.6" fill="none" stroke="%1" stroke-width="1.7"/><circle cx="7.6" cy="12" r="1.35" fill="%1"/><circle cx="12" cy="12" r="1.35" fill="%1"/><circle cx="16.4" cy="12" r="1.35" fill="%1"/>)")},
            {QStringLiteral("person.crop.circle.fill"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="10.5" fill="%1"/><circle cx="12" cy="9.4" r="3.6" fill="%2"/><path d="M5.6,18.4 Q7.4,14.4 12,14.4 Q16.6,14.4 18.4,18.4 Q15.8,21 12,21 Q8.2,21 5.6,18.4 Z" fill="%2"/>)")},
            {QStringLiteral("tray"),
             QStringLiteral(
                 R"(<path d="M3,13 L5.6,4.6 L18.4,4.6 L21,13 L21,19.4 L3,19.4 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><path d="M3,13 L8.2,13 Q8.6,15.8 12,15.8 Q15.4,15.8 15.8,13 L21,13" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/>)")},
            {QStringLiteral("hand.thumbsup"),
             QStringLiteral(
                 R"(<path d="M8,10.6 L11.6,3.4 Q13.8,3.4 13.6,6 L13.2,9.4 L18.6,9.4 Q20.6,9.6 20.2,11.8 L18.8,18.2 Q18.4,20 16.4,20 L8,20 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><rect x="3.4" y="10.6" width="4.6" height="9.4" rx="1" fill="none" stroke="%1" stroke-width="1.8"/>)")},
            {QStringLiteral("icloud.and.arrow.up"), QStringLiteral(
                                                        R"(<path d="M7.2,19 L17.4,19 A4.3,4.3 0 0 0 18.2,10.5 A6.3,6.3 0 0 0 6.3,9.4 A4.85,4.85 0 0 0 7.2,19 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><path d="M12,16.6 L12,10.6 M9.5,13 L12,10.5 L14.5,13" fill="none" stroke="%1" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("macbook.and.iphone"),
             QStringLiteral(
                 R"(<path d="M14.6,14.6 L14.6,6.4 Q14.6,5 13.2,5 L3.6,5 Q2.2,5 2.2,6.4 L2.2,14.6 M0.8,17.4 L14.6,17.4" fill="none" stroke="%1" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/><rect x="16.6" y="7.6" width="6.2" height="12" rx="1.6" fill="none" stroke="%1" stroke-width="1.8"/>)")},
            {QStringLiteral("person"),
             QStringLiteral(
                 R"(<circle cx="12" cy="8" r="4" fill="none" stroke="%1" stroke-width="1.8"/><path d="M4.4,20.6 Q4.4,14 12,14 Q19.6,14 19.6,20.6" fill="none" stroke="%1" stroke-width="1.8" stroke-linecap="round"/>)")},
            {QStringLiteral("lock"),
             QStringLiteral(
                 R"(<rect x="4.8" y="10.4" width="14.4" height="10.6" rx="2.2" fill="none" stroke="%1" stroke-width="1.8"/><path d="M8,10.4 L8,7.6 Q8,3.4 12,3.4 Q16,3.4 16,7.6 L16,10.4" fill="none" stroke="%1" stroke-width="1.8"/>)")},
            {QStringLiteral("chevron.left"),
             QStringLiteral(
                 R"(<polyline points="15,4.5 7.5,12 15,19.5" fill="none" stroke="%1" stroke-width="2.6" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("sparkles"),
             QStringLiteral(
                 R"(<path d="M10,3 Q11,9 17,10 Q11,11 10,17 Q9,11 3,10 Q9,9 10,3 Z" fill="%1"/><path d="M18,14 Q18.5,17 21,17.5 Q18.5,18 18,21 Q17.5,18 15,17.5 Q17.5,17 18,14 Z" fill="%1"/>)")},
            {QStringLiteral("shield.lefthalf.filled"),
             QStringLiteral(
                 R"(<path d="M12,2.6 L19.6,5.6 L19.6,11.4 Q19.6,17.8 12,21.4 Q4.4,17.8 4.4,11.4 L4.4,5.6 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><path d="M12,2.6 L4.4,5.6 L4.4,11.4 Q4.4,17.8 12,21.4 Z" fill="%1"/>)")},
            {QStringLiteral("checkmark.shield.fill"),
             QStringLiteral(
                 R"(<path d="M12,2.2 L20,5.4 L20,11.4 Q20,18.2 12,22 Q4,18.2 4,11.4 L4,5.4 Z" fill="%1"/><polyline points="8,12.2 11,15.2 16.2,9.2" fill="none" stroke="%2" stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("lock.shield"),
             QStringLiteral(
                 R"(<path d="M12,2.6 L19.6,5.6 L19.6,11.4 Q19.6,17.8 12,21.4 Q4.4,17.8 4.4,11.4 L4.4,5.6 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><rect x="8.8" y="10.6" width="6.4" height="5.2" rx="1" fill="%1"/><path d="M10,10.6 L10,9.2 Q10,7.2 12,7.2 Q14,7.2 14,9.2 L14,10.6" fill="none" stroke="%1" stroke-width="1.5"/>)")},
            {QStringLiteral("sun.max"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="4.2" fill="none" stroke="%1" stroke-width="1.8"/><path d="M12,2.5 L12,4.8 M12,19.2 L12,21.5 M2.5,12 L4.8,12 M19.2,12 L21.5,12 M5.3,5.3 L6.9,6.9 M17.1,17.1 L18.7,18.7 M5.3,18.7 L6.9,17.1 M17.1,6.9 L18.7,5.3" stroke="%1" stroke-width="1.8" stroke-linecap="round"/>)")},
            {QStringLiteral("moon.stars"),
             QStringLiteral(
                 R"(<path d="M14.5,4.5 A8,8 0 1 0 20,15.5 A6.6,6.6 0 0 1 14.5,4.5 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><path d="M18,3 L18.6,4.6 L20.2,5.2 L18.6,5.8 L18,7.4 L17.4,5.8 L15.8,5.2 L17.4,4.6 Z" fill="%1"/>)")},
            {QStringLiteral("folder.fill"),
             QStringLiteral(
                 R"(<path d="M2.8,6.4 Q2.8,4.8 4.4,4.8 L9.2,4.8 L11.2,6.8 L19.6,6.8 Q21.2,6.8 21.2,8.4 L21.2,17.6 Q21.2,19.2 19.6,19.2 L4.4,19.2 Q2.8,19.2 2.8,17.6 Z" fill="%1"/><path d="M3.6,9.4 L20.4,9.4" stroke="%2" stroke-width="1.2"/>)")},
            {QStringLiteral("power"),
             QStringLiteral(
                 R"(<path d="M12,3 L12,11.4" stroke="%1" stroke-width="2" stroke-linecap="round"/><path d="M7.2,6.6 A7.4,7.4 0 1 0 16.8,6.6" fill="none" stroke="%1" stroke-width="2" stroke-linecap="round"/>)")},
            {QStringLiteral("wifi"),
             QStringLiteral(
                 R"(<path d="M3.4,9.4 A12.4,12.4 0 0 1 20.6,9.4 M6.4,12.6 A8,8 0 0 1 17.6,12.6 M9.3,15.8 A3.8,3.8 0 0 1 14.7,15.8" fill="none" stroke="%1" stroke-width="2" stroke-linecap="round"/><circle cx="12" cy="18.8" r="1.5" fill="%1"/>)")},
            {QStringLiteral("battery.75percent"),
             QStringLiteral(
                 R"(<rect x="2.6" y="7.4" width="16.4" height="9.2" rx="2.4" fill="none" stroke="%1" stroke-width="1.5"/><rect x="4.6" y="9.4" width="9.6" height="5.2" rx="1" fill="%1"/><path d="M20.8,10.4 L20.8,13.6" stroke="%1" stroke-width="1.8" stroke-linecap="round"/>)")},
            {QStringLiteral("switch.2"),
             QStringLiteral(
                 R"(<rect x="3" y="4.2" width="18" height="6.4" rx="3.2" fill="none" stroke="%1" stroke-width="1.5"/><circle cx="7.4" cy="7.4" r="1.9" fill="%1"/><rect x="3" y="13.4" width="18" height="6.4" rx="3.2" fill="none" stroke="%1" stroke-width="1.5"/><circle cx="16.6" cy="16.6" r="1.9" fill="%1"/>)")},
            {QStringLiteral("apple.logo"),
             QStringLiteral(
                 R"(<path d="M12,8 Q8,5.6 5.6,8.4 Q3.4,11.4 5.4,16 Q7.4,20.6 10,19.6 Q12,18.8 14,19.6 Q16.6,20.6 18.4,16.4 Q16,15 16.2,12.2 Q16.4,10 18,9 Q16,6 12,8 Z" fill="%1"/><path d="M12,7.2 Q12.2,4 15,3" fill="none" stroke="%1" stroke-width="1.6" stroke-linecap="round"/>)")},
            {QStringLiteral("circle.inset.filled"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="9.6" fill="none" stroke="%1" stroke-width="1.8"/><circle cx="12" cy="12" r="5.4" fill="%1"/>)")},
            {QStringLiteral("circle"),
             QStringLiteral(R"(<circle cx="12" cy="12" r="9.6" fill="none" stroke="%1" stroke-width="1.8"/>)")},
            {QStringLiteral("trash"),
             QStringLiteral(
                 R"(<path d="M3.8,6 L20.2,6 M9,6 L9,3.8 L15,3.8 L15,6 M5.8,6 L6.9,20.2 L17.1,20.2 L18.2,6 M10,9.6 L10.3,16.8 M14,9.6 L13.7,16.8" fill="none" stroke="%1" stroke-width="1.7" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("shippingbox.fill"),
             QStringLiteral(
                 R"(<path d="M12,2.4 L20.8,6.6 L20.8,17.2 L12,21.6 L3.2,17.2 L3.2,6.6 Z" fill="%1"/><path d="M3.6,6.8 L12,11 L20.4,6.8 M12,11 L12,21.2 M7.6,4.6 L16.2,8.9 L16.2,12.6" fill="none" stroke="%2" stroke-width="1.3" stroke-linejoin="round"/>)")},
            {QStringLiteral("arrow.clockwise"),
             QStringLiteral(
                 R"(<path d="M19.4,12.6 A7.6,7.6 0 1 1 16.9,6.4" fill="none" stroke="%1" stroke-width="2.1" stroke-linecap="round"/><path d="M13.4,5.2 L18.4,5.0 L18.0,10.0" fill="none" stroke="%1" stroke-width="2.1" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("person.crop.circle"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="9.6" fill="none" stroke="%1" stroke-width="1.8"/><circle cx="12" cy="9.6" r="3.2" fill="none" stroke="%1" stroke-width="1.8"/><path d="M6.2,18.6 Q7.4,14.8 12,14.8 Q16.6,14.8 17.8,18.6" fill="none" stroke="%1" stroke-width="1.8" stroke-linecap="round"/>)")},
            {QStringLiteral("lock.shield"),
             QStringLiteral(R"(<path d="M12,2.6 L19.6,5.4 L19.6,11.4 Q19.6,17.6 12,21.4 Q4.4,17.6 4.4,11.4 L4.4,5.4 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><rect x="9" y="11" width="6" height="4.6" rx="0.9" fill="%1"/><path d="M10.2,11 L10.2,9.6 Q10.2,7.6 12,7.6 Q13.8,7.6 13.8,9.6 L13.8,11" fill="none" stroke="%1" stroke-width="1.4"/>)")},
            {QStringLiteral("gearshape"),
             QStringLiteral(
                 R"s(<path d="M10.4,2.6 L13.6,2.6 L14.2,5.2 L16.2,6.3 L18.7,5.4 L20.3,8.2 L18.3,10 L18.3,12.4 L20.3,14.2 L18.7,17 L16.2,16.1 L14.2,17.2 L13.6,19.8 L10.4,19.8 L9.8,17.2 L7.8,16.1 L5.3,17 L3.7,14.2 L5.7,12.4 L5.7,10 L3.7,8.2 L5.3,5.4 L7.8,6.3 L9.8,5.2 Z" transform="translate(0,0.8)" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><circle cx="12" cy="12" r="3.2" fill="none" stroke="%1" stroke-width="1.8"/>)s")},
            {QStringLiteral("questionmark.circle"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="9.6" fill="none" stroke="%1" stroke-width="1.8"/><path d="M9.3,9.4 Q9.3,6.6 12,6.6 Q14.8,6.6 14.8,9.2 Q14.8,10.8 12.9,11.8 Q12,12.3 12,13.8" fill="none" stroke="%1" stroke-width="1.9" stroke-linecap="round"/><circle cx="12" cy="17.2" r="1.2" fill="%1"/>)")},
            {QStringLiteral("exclamationmark.circle.fill"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="10.5" fill="%1"/><path d="M12,6.6 L12,13.2" stroke="%2" stroke-width="2.3" stroke-linecap="round"/><circle cx="12" cy="17" r="1.35" fill="%2"/>)")},
            {QStringLiteral("square.grid.2x2"),
             QStringLiteral(
                 R"(<rect x="3.4" y="3.4" width="7.4" height="7.4" rx="1.8" fill="none" stroke="%1" stroke-width="1.7"/><rect x="13.2" y="3.4" width="7.4" height="7.4" rx="1.8" fill="none" stroke="%1" stroke-width="1.7"/><rect x="3.4" y="13.2" width="7.4" height="7.4" rx="1.8" fill="none" stroke="%1" stroke-width="1.7"/><rect x="13.2" y="13.2" width="7.4" height="7.4" rx="1.8" fill="none" stroke="%1" stroke-width="1.7"/>)")},
            {QStringLiteral("arrow.down.circle"),
             QStringLiteral(
                 R"(<circle cx="12" cy="12" r="9.6" fill="none" stroke="%1" stroke-width="1.8"/><path d="M12,6.8 L12,16.2 M8.3,12.5 L12,16.3 L15.7,12.5" fill="none" stroke="%1" stroke-width="1.9" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("exclamationmark.triangle"), QStringLiteral(
                                                             R"(<path d="M10.4,3.8 Q12,1.4 13.6,3.8 L21.6,18.2 Q22.8,20.6 20,20.6 L4,20.6 Q1.2,20.6 2.4,18.2 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><path d="M12,8.6 L12,13.6" stroke="%1" stroke-width="2" stroke-linecap="round"/><circle cx="12" cy="17" r="1.2" fill="%1"/>)")},
            {QStringLiteral("icloud"),
             QStringLiteral(
                 R"(<path d="M7,18.6 Q2.6,18.6 2.6,14.6 Q2.6,11 6.4,10.6 Q7.4,5.6 12.4,5.6 Q16.8,5.6 17.8,10.2 Q21.4,10.8 21.4,14.4 Q21.4,18.6 17,18.6 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/>)")},
            {QStringLiteral("magnifyingglass"),
             QStringLiteral(
                 R"(<circle cx="10.2" cy="10.2" r="6.6" fill="none" stroke="%1" stroke-width="2"/><path d="M15.1,15.1 L20.6,20.6" stroke="%1" stroke-width="2.4" stroke-linecap="round"/>)")},
            {QStringLiteral("checkmark.seal"),
             QStringLiteral(
                 R"(<path d="M12,2.2 L14.3,4 L17.2,3.6 L18.3,6.3 L20.8,7.7 L20.2,10.6 L21.7,13 L19.8,15.2 L19.7,18.1 L16.9,18.9 L15.3,21.3 L12.5,20.4 L9.8,21.4 L8.2,19 L5.3,18.3 L5.1,15.4 L3.2,13.1 L4.6,10.6 L4,7.8 L6.5,6.3 L7.5,3.6 L10.4,3.9 Z" fill="none" stroke="%1" stroke-width="1.6" stroke-linejoin="round"/><polyline points="8.2,12.2 10.9,14.9 15.9,9.3" fill="none" stroke="%1" stroke-width="1.9" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("checkmark.shield"),
             QStringLiteral(
                 R"(<path d="M12,2 L20.2,5 L20.2,11.2 Q20.2,18.4 12,22 Q3.8,18.4 3.8,11.2 L3.8,5 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><polyline points="8.3,12 11,14.7 15.9,9.2" fill="none" stroke="%1" stroke-width="1.9" stroke-linecap="round" stroke-linejoin="round"/>)")},
            {QStringLiteral("eye"),
             QStringLiteral(
                 R"(<path d="M2,12 Q12,2.5 22,12 Q12,21.5 2,12 Z" fill="none" stroke="%1" stroke-width="1.8" stroke-linejoin="round"/><circle cx="12" cy="12" r="3.3" fill="none" stroke="%1" stroke-width="1.8"/>)")},
        };
    return table;
}

QString rgba(const QColor& colour) { return colour.name(QColor::HexRgb); }

QByteArray document(const QString& body, const QColor& colour, const QColor& inner) {
    // Substituted, not arg(): most drawings have no inner mark, and arg() warns of the unused colour.
    QString drawing = body;
    drawing.replace(QStringLiteral("%1"), rgba(colour)).replace(QStringLiteral("%2"), rgba(inner));
    QString svg =
        QStringLiteral(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24" width="24" height="24">)") +
        drawing + QStringLiteral("</svg>");
    return svg.toUtf8();
}
// The parsed drawing of one symbol in one pair of colours. Parsing costs more than drawing, and
// a dashboard repaint draws dozens of symbols in a handful of colours.
QSvgRenderer& renderer(const QString& name, const QString& body, const QColor& colour, const QColor& inner) {
    thread_local QHash<QString, std::shared_ptr<QSvgRenderer>> parsed;
    const QString key = name + QLatin1Char('|') + rgba(colour) + QLatin1Char('|') + rgba(inner);
    if (const auto found = parsed.constFind(key); found != parsed.constEnd())
        return **found;
    // Colours in motion make new pairs on every frame; the cache starts over rather than grow.
    if (parsed.size() >= 256)
        parsed.clear();
    const auto made = std::make_shared<QSvgRenderer>(document(body, colour, inner));
    parsed.insert(key, made);
    return *made;
}
} // namespace

bool has(const QString& name) { return drawings().contains(name); }

QStringList names() {
    QStringList all = drawings().keys();
    all.sort();
    return all;
}

void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& colour, const QColor& inner) {
    const auto found = drawings().constFind(name);
    if (found == drawings().constEnd())
        return;
    const double side = std::min(rect.width(), rect.height());
    const QRectF square(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    // The renderer takes colours without alpha; the painter's opacity carries it.
    QColor opaque = colour;
    opaque.setAlphaF(1);
    QColor opaqueInner = inner;
    opaqueInner.setAlphaF(1);
    painter.save();
    painter.setOpacity(painter.opacity() * colour.alphaF());
    const QString key =
        QStringLiteral("symbol:") + name + QLatin1Char('|') + rgba(opaque) + QLatin1Char('|') + rgba(opaqueInner);
    PaintCache::place(painter, key, square, [&](QPainter& into) {
        into.setRenderHint(QPainter::Antialiasing);
        renderer(name, *found, opaque, opaqueInner).render(&into, square);
    });
    painter.restore();
}

QPixmap pixmap(const QString& name, int size, const QColor& colour, double devicePixelRatio, const QColor& inner) {
    const int side = std::max(1, static_cast<int>(std::ceil(size * devicePixelRatio)));
    QPixmap result(side, side);
    result.fill(Qt::transparent);
    {
        QPainter painter(&result);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(painter, QRectF(0, 0, side, side), name, colour, inner);
    }
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon icon(const QString& name, const QColor& colour) {
    const QColor used = colour.isValid() ? colour : Palette::current().text();
    QIcon result;
    for (const int size : {16, 24, 32, 48})
        result.addPixmap(pixmap(name, size, used));
    return result;
}

} // namespace Symbols
