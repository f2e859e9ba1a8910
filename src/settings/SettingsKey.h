// Where the viewer's settings live in the registry.
#pragma once

#include "platform/Registry.h"

namespace vx {

inline const QString kSettingsKeyPath = QStringLiteral("SOFTWARE\\Vextrel Viewer\\version 2.03");
inline constexpr Hive kSettingsHive = Hive::LocalMachine;

}  // namespace vx
