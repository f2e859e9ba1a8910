// Making sure the Flash control the viewer hosts is registered: the
// registration lives under the control's class id in the classes hive, and
// the control is the viewer's own player, so registering it writes the
// program's path and the player's version there.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace vx {

// major, minor, release, build; all -1 = unknown.
struct ControlVersion {
    std::array<int32_t, 4> parts{-1, -1, -1, -1};
    bool operator==(const ControlVersion&) const = default;
    bool isUnknown() const;
};

inline constexpr ControlVersion EmbeddedControlVersion{{8, 0, 24, 0}};
inline const QString kFlashClassId = QStringLiteral("{D27CDB6E-AE6D-11cf-96B8-444553540000}");
inline const QString kFlashServerKey = QStringLiteral("CLSID\\") + kFlashClassId + QStringLiteral("\\InprocServer32");

// The version found by the last ProvisionFlashControl (unknown until then).
ControlVersion RegisteredControlVersion();

// "undefined" when any part is -1, else "%d.%d.%d.%d".
QString FormatControlVersion(const ControlVersion& version);
// "8.0.24.0" -> the version; unknown for anything else.
ControlVersion parseControlVersion(const QString& text);

// Reads the registration; when its version differs from the player's, writes
// the player's registration (programPath and version). False only when that
// registration cannot be written.
bool ProvisionFlashControl(const QString& programPath);

}  // namespace vx
