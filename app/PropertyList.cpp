#include "app/PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QVariantList>

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>

namespace PropertyList {

namespace {

struct PlistDeleter
{
    void operator()(plist_t node) const noexcept { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Keys and dictionary iterators come from malloc inside libplist.
struct MallocDeleter
{
    void operator()(void* p) const noexcept { std::free(p); }
};
using MallocPtr = std::unique_ptr<void, MallocDeleter>;

struct XmlBufferDeleter
{
    void operator()(char* p) const noexcept { plist_to_xml_free(p); }
};

// A settings file is flat; the bound keeps the recursion below from exhausting the stack on a file
// made of nested arrays.
constexpr int kMaxDepth = 64;
// Far above any settings file; keeps libplist's 32-bit lengths in range.
constexpr qint64 kMaxFileSize = 1024 * 1024;
// Property-list dates count from 2001-01-01T00:00:00Z.
constexpr qint64 kPlistEpochMSecs = 978307200000LL;
constexpr char kUidKey[] = "CF$UID";

std::optional<QVariant> toVariant(plist_t node, int depth);

std::optional<QVariantMap> toMap(plist_t dict, int depth)
{
    QVariantMap map;
    plist_dict_iter rawIter = nullptr;
    plist_dict_new_iter(dict, &rawIter);
    const MallocPtr iter(rawIter);
    if (!iter)
        return std::nullopt;
    for (;;) {
        char* rawKey = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(dict, iter.get(), &rawKey, &item);
        const MallocPtr key(rawKey);
        if (!item)
            break;
        std::optional<QVariant> value = toVariant(item, depth + 1);
        if (!value)
            return std::nullopt;
        map.insert(QString::fromUtf8(rawKey ? rawKey : ""), *value);
    }
    return map;
}

std::optional<QVariant> toVariant(plist_t node, int depth)
{
    if (depth > kMaxDepth)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return QVariant(v != 0);
    }
    case PLIST_UINT: {
        std::uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return QVariant(static_cast<qint64>(v)); // see the header: libplist keeps negatives this way
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return QVariant(v);
    }
    case PLIST_STRING: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return QVariant(text ? QString::fromUtf8(text, static_cast<qsizetype>(length)) : QString(""));
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return QVariant(bytes ? QByteArray(bytes, static_cast<qsizetype>(length)) : QByteArray(""));
    }
    case PLIST_DATE: {
        std::int32_t sec = 0;
        std::int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 msecs = kPlistEpochMSecs + qint64(sec) * 1000 + usec / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const std::uint32_t size = plist_array_get_size(node);
        for (std::uint32_t i = 0; i < size; ++i) {
            std::optional<QVariant> item = toVariant(plist_array_get_item(node, i), depth + 1);
            if (!item)
                return std::nullopt;
            list.append(*item);
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        std::optional<QVariantMap> map = toMap(node, depth);
        if (!map)
            return std::nullopt;
        return QVariant(*map);
    }
    case PLIST_UID: {
        // Only binary lists hold these; the XML form of a UID is this one-key dictionary.
        std::uint64_t v = 0;
        plist_get_uid_val(node, &v);
        return QVariant(QVariantMap{{QString::fromLatin1(kUidKey), static_cast<qint64>(v)}});
    }
    case PLIST_KEY:
    case PLIST_NONE:
        break;
    }
    return std::nullopt;
}

PlistPtr toPlist(const QVariant& value, int depth);

PlistPtr toDict(const QVariantMap& map, int depth)
{
    PlistPtr dict(plist_new_dict());
    if (!dict)
        return nullptr;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QByteArray key = it.key().toUtf8();
        if (key.contains('\0'))
            return nullptr;
        PlistPtr item = toPlist(it.value(), depth + 1);
        if (!item)
            return nullptr;
        plist_dict_set_item(dict.get(), key.constData(), item.release()); // the dictionary owns it now
    }
    return dict;
}

PlistPtr toArray(const QVariantList& list, int depth)
{
    PlistPtr array(plist_new_array());
    if (!array)
        return nullptr;
    for (const QVariant& value : list) {
        PlistPtr item = toPlist(value, depth + 1);
        if (!item)
            return nullptr;
        plist_array_append_item(array.get(), item.release()); // the array owns it now
    }
    return array;
}

PlistPtr toPlist(const QVariant& value, int depth)
{
    if (depth > kMaxDepth)
        return nullptr;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return PlistPtr(plist_new_bool(value.toBool() ? 1 : 0));
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return PlistPtr(plist_new_uint(static_cast<std::uint64_t>(value.toLongLong())));
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong v = value.toULongLong();
        if (v > qulonglong(std::numeric_limits<qint64>::max()))
            return nullptr; // would be written, and read back, as a negative number
        return PlistPtr(plist_new_uint(v));
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return PlistPtr(plist_new_real(value.toDouble()));
    case QMetaType::QString: {
        const QByteArray text = value.toString().toUtf8();
        if (text.contains('\0'))
            return nullptr; // libplist takes C strings; writing it would cut the text short
        return PlistPtr(plist_new_string(text.constData()));
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return PlistPtr(plist_new_data(bytes.constData(), static_cast<std::uint64_t>(bytes.size())));
    }
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid())
            return nullptr;
        const qint64 msecs = date.toMSecsSinceEpoch() - kPlistEpochMSecs;
        const qint64 sec = msecs >= 0 ? msecs / 1000 : -((-msecs + 999) / 1000);
        if (sec < std::numeric_limits<std::int32_t>::min() || sec > std::numeric_limits<std::int32_t>::max())
            return nullptr;
        const auto usec = static_cast<std::int32_t>((msecs - sec * 1000) * 1000);
        return PlistPtr(plist_new_date(static_cast<std::int32_t>(sec), usec));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return toArray(value.toList(), depth);
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return toDict(value.toMap(), depth);
    default:
        return nullptr;
    }
}

} // namespace

std::optional<QVariantMap> fromData(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > kMaxFileSize)
        return std::nullopt;
    plist_t raw = nullptr;
    plist_from_memory(data.constData(), static_cast<std::uint32_t>(data.size()), &raw);
    const PlistPtr root(raw);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    return toMap(root.get(), 0);
}

std::optional<QByteArray> toXml(const QVariantMap& dictionary)
{
    const PlistPtr root = toDict(dictionary, 0);
    if (!root)
        return std::nullopt;
    char* raw = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root.get(), &raw, &length);
    const std::unique_ptr<char, XmlBufferDeleter> xml(raw);
    if (!xml || length == 0)
        return std::nullopt;
    return QByteArray(xml.get(), static_cast<qsizetype>(length));
}

std::optional<QVariantMap> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return fromData(data);
}

bool writeFile(const QString& path, const QVariantMap& dictionary)
{
    const std::optional<QByteArray> xml = toXml(dictionary);
    if (!xml)
        return false;
    // QSaveFile writes a temporary file beside the target, syncs it to disk on commit and renames it
    // over the target; on any failure it removes the temporary file and leaves the target alone.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(*xml) != xml->size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace PropertyList
