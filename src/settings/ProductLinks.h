// The project's own addresses, shown on the About page of the settings
// dialog: the texts the link labels show and what a click opens.
#pragma once

#include <QString>

namespace vx::links {

struct Link {
    QString text;
    QString target;
};

inline const Link kHomePage{QStringLiteral("www.vextrel.org/viewer"), QStringLiteral("https://www.vextrel.org/viewer/")};
inline const Link kSkinsPage{QStringLiteral("www.vextrel.org/viewer/skins"),
                             QStringLiteral("https://www.vextrel.org/viewer/skins/")};
inline const Link kMail{QStringLiteral("viewer@vextrel.org"), QStringLiteral("mailto:viewer@vextrel.org")};
inline const Link kSponsor{QStringLiteral("www.vextrel.org"), QStringLiteral("https://www.vextrel.org/")};
inline const QString kSponsorCaption = QStringLiteral("Sponsored by:");

}  // namespace vx::links
