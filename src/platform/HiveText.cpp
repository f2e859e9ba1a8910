#include "platform/HiveText.h"

#include <QStringDecoder>

namespace vx {

// ---- keys and values ------------------------------------------------------

const RegistryValue* RegistryKeyData::find(const QString& name) const
{
    auto it = index_.constFind(name.toUpper());
    return it == index_.constEnd() ? nullptr : &entries[it.value()].value;
}

void RegistryKeyData::set(const QString& name, const RegistryValue& value)
{
    auto it = index_.constFind(name.toUpper());
    if (it != index_.constEnd()) {
        RegistryEntry& e = entries[it.value()];
        e.value = value;
        e.raw.clear();
        return;
    }
    add(RegistryEntry{name, value, {}, false});
}

void RegistryKeyData::add(RegistryEntry entry)
{
    if (!entry.comment) {
        const QString key = entry.name.toUpper();
        auto it = index_.constFind(key);
        if (it != index_.constEnd()) {
            // A later line for the same name wins, as when the file is imported.
            entries[it.value()] = std::move(entry);
            return;
        }
        index_.insert(key, entries.size());
    }
    entries.push_back(std::move(entry));
}

bool RegistryKeyData::remove(const QString& name)
{
    auto it = index_.find(name.toUpper());
    if (it == index_.end())
        return false;
    const size_t at = it.value();
    index_.erase(it);
    entries.erase(entries.begin() + qsizetype(at));
    for (auto& i : index_)
        if (i > at)
            --i;
    return true;
}

QStringList RegistryKeyData::valueNames() const
{
    QStringList names;
    for (const RegistryEntry& e : entries)
        if (!e.comment)
            names << e.name;
    return names;
}

RegistryKeyData* HiveData::find(const QString& path)
{
    auto it = keys.find(keyOf(path));
    return it == keys.end() ? nullptr : &it.value();
}

const RegistryKeyData* HiveData::find(const QString& path) const
{
    auto it = keys.constFind(keyOf(path));
    return it == keys.constEnd() ? nullptr : &it.value();
}

RegistryKeyData& HiveData::create(const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString prefix;
    RegistryKeyData* last = nullptr;
    for (const QString& part : parts) {
        prefix = prefix.isEmpty() ? part : prefix + QLatin1Char('\\') + part;
        auto it = keys.find(keyOf(prefix));
        if (it == keys.end()) {
            RegistryKeyData key;
            key.path = prefix;
            it = keys.insert(keyOf(prefix), key);
        }
        last = &it.value();
    }
    if (!last) {
        auto it = keys.find(QString());
        if (it == keys.end())
            it = keys.insert(QString(), RegistryKeyData());
        last = &it.value();
    }
    return *last;
}

bool HiveData::removeTree(const QString& path)
{
    const QString key = keyOf(path);
    const QString below = key + QLatin1Char('\\');
    bool found = false;
    for (auto it = keys.begin(); it != keys.end();) {
        if (it.key() == key || it.key().startsWith(below)) {
            it = keys.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

// ---- text -------------------------------------------------------------------

namespace {

const QString kRegedit4 = QStringLiteral("REGEDIT4");
const QString kRegedit5 = QStringLiteral("Windows Registry Editor Version 5.00");

QString escape(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    for (QChar c : text) {
        if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
            continue;
        }
        if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\r");
            continue;
        }
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

// Reads a quoted string starting at pos (at the opening quote); advances pos
// past the closing quote. False when it is not a well-formed string.
bool readQuoted(const QString& line, qsizetype& pos, QString& out)
{
    if (pos >= line.size() || line[pos] != QLatin1Char('"'))
        return false;
    ++pos;
    out.clear();
    while (pos < line.size()) {
        const QChar c = line[pos++];
        if (c == QLatin1Char('"'))
            return true;
        if (c == QLatin1Char('\\')) {
            if (pos >= line.size())
                return false;
            const QChar e = line[pos++];
            if (e == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else if (e == QLatin1Char('r'))
                out += QLatin1Char('\r');
            else
                out += e;
            continue;
        }
        out += c;
    }
    return false;
}

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
           || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// "hex:", "hex(7):" ... followed by comma-separated two-digit bytes.
bool isHexData(const QString& data)
{
    qsizetype pos = 3;
    if (data.size() > 3 && data[3] == QLatin1Char('(')) {
        const qsizetype close = data.indexOf(QLatin1Char(')'), 4);
        if (close < 5 || close > 12)
            return false;
        for (qsizetype i = 4; i < close; ++i)
            if (!isHexDigit(data[i]))
                return false;
        pos = close + 1;
    }
    if (pos >= data.size() || data[pos] != QLatin1Char(':'))
        return false;
    const QString bytes = data.mid(pos + 1).remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    if (bytes.isEmpty())
        return true;
    const QStringList parts = bytes.split(QLatin1Char(','));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& b = parts[i];
        if (b.isEmpty() && i == parts.size() - 1)
            continue;  // a trailing comma before the end
        if (b.size() != 2 || !isHexDigit(b[0]) || !isHexDigit(b[1]))
            return false;
    }
    return true;
}

// The value's data part (after "="): fills value, false when not valid.
bool parseData(const QString& data, RegistryValue& value)
{
    if (data.startsWith(QLatin1Char('"'))) {
        qsizetype p = 0;
        if (!readQuoted(data, p, value.text) || data.mid(p).trimmed().size() != 0)
            return false;
        value.type = RegistryValue::Type::String;
        return true;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString hex = data.mid(6).trimmed();
        bool ok = false;
        const qulonglong n = hex.toULongLong(&ok, 16);
        if (!ok || hex.isEmpty() || hex.size() > 8 || hex.startsWith(QLatin1Char('+'))
            || hex.startsWith(QLatin1Char('-')))
            return false;
        value.type = RegistryValue::Type::DWord;
        value.number = uint32_t(n);
        return true;
    }
    if (data == QLatin1String("-") || (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive) && isHexData(data))) {
        value.type = RegistryValue::Type::Other;
        value.text = data;
        return true;
    }
    return false;
}

QString decodeText(const QByteArray& bytes, bool& utf16)
{
    utf16 = bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE;
    if (utf16) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder(bytes.mid(2));
    }
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(body);
    // Hand-written REGEDIT4 files may be in a single-byte code page.
    if (decoder.hasError())
        text = QString::fromLatin1(body);
    return text;
}

}  // namespace

std::vector<int> parseHive(const QByteArray& bytes, Hive hive, HiveData& out)
{
    out = HiveData();
    std::vector<int> skipped;
    const QString text = decodeText(bytes, out.utf16);
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QString root = hiveRootName(hive);
    bool sawHeader = false;
    RegistryKeyData* current = nullptr;
    QStringList* foreign = nullptr;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        const int number = int(n) + 1;
        if (trimmed.isEmpty())
            continue;
        if (trimmed.startsWith(QLatin1Char(';'))) {
            if (foreign)
                foreign->append(line);
            else if (current)
                current->add(RegistryEntry{QString(), {}, {line}, true});
            else
                out.preamble.append(line);
            continue;
        }
        if (!sawHeader) {
            sawHeader = true;
            if (trimmed == kRegedit4 || trimmed == kRegedit5) {
                out.header = trimmed;
                continue;
            }
            skipped.push_back(number);
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('['))) {
            current = nullptr;
            foreign = nullptr;
            if (!trimmed.endsWith(QLatin1Char(']')) || trimmed.size() < 3) {
                skipped.push_back(number);
                continue;
            }
            const QString full = trimmed.mid(1, trimmed.size() - 2);
            if (full.compare(root, Qt::CaseInsensitive) == 0) {
                current = &out.create(QString());
            } else if (full.startsWith(root + QLatin1Char('\\'), Qt::CaseInsensitive)) {
                current = &out.create(full.mid(root.size() + 1));
            } else if (full.startsWith(QLatin1String("HKEY_"), Qt::CaseInsensitive)
                       || full.startsWith(QLatin1String("-HKEY_"), Qt::CaseInsensitive)) {
                out.foreign.push_back({line});
                foreign = &out.foreign.back();
            } else {
                skipped.push_back(number);
            }
            continue;
        }

        // A value: "name"=data or @=data; hex data may continue on the next
        // lines, each ending with a backslash.
        RegistryEntry entry;
        qsizetype pos = 0;
        bool ok = true;
        if (trimmed.startsWith(QLatin1Char('@')))
            pos = 1;
        else
            ok = readQuoted(trimmed, pos, entry.name);
        while (ok && pos < trimmed.size() && trimmed[pos].isSpace())
            ++pos;
        ok = ok && pos < trimmed.size() && trimmed[pos] == QLatin1Char('=');
        QString data = ok ? trimmed.mid(pos + 1).trimmed() : QString();
        QStringList raw{line};
        qsizetype last = n;
        if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            while (data.endsWith(QLatin1Char('\\')) && last + 1 < lines.size()) {
                QString next = lines[++last];
                if (next.endsWith(QLatin1Char('\r')))
                    next.chop(1);
                raw.append(next);
                data.chop(1);
                data += next.trimmed();
            }
        }
        ok = ok && parseData(data, entry.value);
        if (!ok || (!current && !foreign)) {
            for (qsizetype k = n; k <= last; ++k)
                skipped.push_back(int(k) + 1);
            n = last;
            continue;
        }
        n = last;
        if (foreign) {
            foreign->append(raw);
            continue;
        }
        entry.raw = raw;
        current->add(std::move(entry));
    }
    return skipped;
}

QByteArray formatHive(const HiveData& data, Hive hive)
{
    const QString eol = data.utf16 ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text = data.header + eol;
    for (const QString& line : data.preamble)
        text += line + eol;
    const QString root = hiveRootName(hive);
    for (const RegistryKeyData& key : data.keys) {
        text += eol;
        text += QLatin1Char('[') + root;
        if (!key.path.isEmpty())
            text += QLatin1Char('\\') + key.path;
        text += QLatin1Char(']') + eol;
        for (const RegistryEntry& e : key.entries) {
            if (!e.raw.isEmpty()) {
                for (const QString& line : e.raw)
                    text += line + eol;
                continue;
            }
            text += e.name.isEmpty() ? QStringLiteral("@") : QLatin1Char('"') + escape(e.name) + QLatin1Char('"');
            text += QLatin1Char('=');
            switch (e.value.type) {
            case RegistryValue::Type::String: text += QLatin1Char('"') + escape(e.value.text) + QLatin1Char('"'); break;
            case RegistryValue::Type::DWord:
                text += QStringLiteral("dword:%1").arg(e.value.number, 8, 16, QLatin1Char('0'));
                break;
            case RegistryValue::Type::Other: text += e.value.text; break;
            }
            text += eol;
        }
    }
    for (const QStringList& block : data.foreign) {
        text += eol;
        for (const QString& line : block)
            text += line + eol;
    }
    if (!data.utf16)
        return text.toUtf8();
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

QString lineRanges(const std::vector<int>& lines)
{
    QStringList parts;
    for (size_t i = 0; i < lines.size();) {
        size_t j = i;
        while (j + 1 < lines.size() && lines[j + 1] == lines[j] + 1)
            ++j;
        parts << (j == i ? QString::number(lines[i])
                         : QString::number(lines[i]) + QLatin1Char('-') + QString::number(lines[j]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

}  // namespace vx
