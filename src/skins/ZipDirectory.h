// The central directory of a zip archive as the zip component reads it: the
// end record found from the end of the file (so data in front of the
// archive does not matter), the entries with their names, extra fields and
// comments, and the corrected position of the first local header.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <stdexcept>

namespace vx {

// The zip component's error; its text is shown to the user as it is.
class ZipError : public std::runtime_error {
public:
    explicit ZipError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

inline constexpr uint32_t kEndRecordSignature = 0x06054B50;
inline constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr int kEndRecordSize = 22;
inline constexpr int kCentralHeaderSize = 46;

struct ZipEntry {
    std::array<uint8_t, kCentralHeaderSize> header{};  // as stored
    bool encrypted = false;  // bit 0 of the general purpose flags
    QString fileName;        // "/" separated
    QByteArray extraField;
    QString comment;

    uint16_t flags() const;
    uint16_t method() const;
    uint32_t crc32() const;
    uint32_t compressedSize() const;
    uint32_t uncompressedSize() const;
    uint32_t localHeaderOffset() const;
};

struct ZipDirectory {
    std::array<uint8_t, kEndRecordSize> endRecord{};
    qint64 endRecordPosition = -1;  // -1: none
    QString comment;
    bool oemNames = false;
    QList<ZipEntry> entries;
    uint32_t firstEntryOffset = 0;

    uint16_t diskNumber() const;           // number of this disk
    uint16_t centralDirectoryDisk() const;
    uint16_t totalEntries() const;
    uint32_t centralDirectorySize() const;
    uint32_t centralDirectoryOffset() const;
};

// Position of the end record in the device, -1 when there is none.
qint64 findEndRecord(QIODevice& device);

// Reads the directory; displayPath names the archive in error texts. Throws
// ZipError "\"<path>\"\nis not a valid Zip file." for a file without a usable
// end record (archives spread over several disks included) and
// "Error reading CentralFileHeader." when the directory is cut short.
ZipDirectory readZipDirectory(QIODevice& device, const QString& displayPath);

}  // namespace vx
