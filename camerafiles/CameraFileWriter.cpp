#include "camerafiles/CameraFileWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>
#include <QSize>
#include <QtEndian>

#include <openssl/evp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>
#include <vector>

// libjpeg's header needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace testsupport {
namespace {

// EXIF tags the camera writes.
constexpr quint16 tagImageDescription = 0x010E;
constexpr quint16 tagMake = 0x010F;
constexpr quint16 tagModel = 0x0110;
constexpr quint16 tagXResolution = 0x011A;
constexpr quint16 tagYResolution = 0x011B;
constexpr quint16 tagResolutionUnit = 0x0128;
constexpr quint16 tagSoftware = 0x0131;
constexpr quint16 tagDateTime = 0x0132;
constexpr quint16 tagYCbCrPositioning = 0x0213;
constexpr quint16 tagExifIfd = 0x8769;
constexpr quint16 tagExifVersion = 0x9000;
constexpr quint16 tagDateTimeOriginal = 0x9003;
constexpr quint16 tagComponentsConfiguration = 0x9101;
constexpr quint16 tagMakerNote = 0x927C;
constexpr quint16 tagUserComment = 0x9286;
constexpr quint16 tagFlashpixVersion = 0xA000;
constexpr quint16 tagColorSpace = 0xA001;
constexpr quint16 tagPixelXDimension = 0xA002;
constexpr quint16 tagPixelYDimension = 0xA003;

constexpr quint16 typeAscii = 2;
constexpr quint16 typeShort = 3;
constexpr quint16 typeLong = 4;
constexpr quint16 typeRational = 5;
constexpr quint16 typeUndefined = 7;

// The reader expects the TIFF header here, right behind SOI and the APP1 header (2 + 2 + 2 + 6 bytes).
constexpr qint64 tiffHeaderForReader = 12;
// The reader's tag scan starts at this file offset.
constexpr qint64 tagScanStart = 19;

// Blocks the camera encrypts (maker-note offsets, whole AES blocks). 2048-3071 covers the extra
// information regions and the version-4 patient block; ECB lets every block stand alone.
constexpr std::pair<int, int> encryptedRegions[] = {{96, 128},   {144, 176},   {288, 448},
                                                    {496, 1024}, {1024, 2048}, {2048, 3072}};

constexpr int aesBlock = 16;

struct CipherContextFree
{
    void operator()(EVP_CIPHER_CTX* context) const noexcept { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

// Encrypts [begin, end) of `data` in place; both ends lie on block boundaries.
bool encryptInPlace(QByteArray& data, int begin, int end, const QByteArray& key)
{
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context || key.size() != aesBlock)
        return false;
    const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.constData());
    if (EVP_EncryptInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, keyBytes, nullptr) != 1)
        return false;
    EVP_CIPHER_CTX_set_padding(context.get(), 0);
    QByteArray out(end - begin + aesBlock, '\0');
    int written = 0;
    auto* outBytes = reinterpret_cast<unsigned char*>(out.data());
    const auto* inBytes = reinterpret_cast<const unsigned char*>(data.constData() + begin);
    if (EVP_EncryptUpdate(context.get(), outBytes, &written, inBytes, end - begin) != 1)
        return false;
    int finalWritten = 0;
    if (EVP_EncryptFinal_ex(context.get(), outBytes + written, &finalWritten) != 1)
        return false;
    if (written + finalWritten != end - begin)
        return false;
    std::copy_n(out.constData(), end - begin, data.data() + begin);
    return true;
}

void putByte(QByteArray& target, qint64 offset, quint8 value)
{
    if (offset >= 0 && offset < target.size())
        target[offset] = static_cast<char>(value);
}

// Copies bytes into target at offset, cut to what fits.
void putBytes(QByteArray& target, qint64 offset, const QByteArray& bytes)
{
    if (offset < 0 || offset >= target.size())
        return;
    const qint64 count = std::min<qint64>(bytes.size(), target.size() - offset);
    std::copy_n(bytes.constData(), count, target.data() + offset);
}

// A fixed-width field: the bytes cut to the width, zero-padded.
QByteArray fixedWidth(QByteArray bytes, qsizetype width, char pad = '\0')
{
    bytes.truncate(width);
    if (bytes.size() < width)
        bytes.append(width - bytes.size(), pad);
    return bytes;
}

void putText(QByteArray& target, qint64 offset, qsizetype width, const QString& text)
{
    putBytes(target, offset, fixedWidth(text.toUtf8(), width));
}

QByteArray exifDate(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1().append('\0');
}

ByteOrder effectiveByteOrder(const CameraImage& image)
{
    return image.byteOrder.value_or(layoutByteOrder(image.layout));
}

// The value bytes of a tag as the camera formats them, unless the image gives them raw.
QByteArray tagValue(const CameraImage& image, quint16 tag)
{
    if (const auto raw = image.rawTagValues.constFind(tag); raw != image.rawTagValues.constEnd())
        return *raw;
    switch (tag) {
    case tagImageDescription:
        return fixedWidth(image.imageDescription.toUtf8(), 27).append('\0');
    case tagMake:
        return fixedWidth(image.make.toUtf8(), 12);
    case tagModel:
        // The camera pads the model with spaces to 19 characters; the camera test compares it trimmed.
        return fixedWidth(image.model.toUtf8(), 19, ' ').append('\0');
    case tagSoftware:
        return image.software.toUtf8().append('\0');
    case tagDateTime:
        return exifDate(image.dateTime);
    case tagDateTimeOriginal:
        return exifDate(image.dateTimeOriginal);
    case tagMakerNote:
        return makerNoteStored(image);
    default:
        return {};
    }
}

// Little TIFF byte writer in one byte order.
class TiffBytes
{
public:
    explicit TiffBytes(ByteOrder order) : m_littleEndian(order == ByteOrder::LittleEndian) {}

    void u16(quint16 value)
    {
        char bytes[2];
        if (m_littleEndian)
            qToLittleEndian(value, bytes);
        else
            qToBigEndian(value, bytes);
        m_data.append(bytes, 2);
    }
    void u32(quint32 value)
    {
        char bytes[4];
        if (m_littleEndian)
            qToLittleEndian(value, bytes);
        else
            qToBigEndian(value, bytes);
        m_data.append(bytes, 4);
    }
    void append(const QByteArray& bytes) { m_data.append(bytes); }
    void alignToWord()
    {
        if (m_data.size() % 2 != 0)
            m_data.append('\0');
    }
    void padTo(qsizetype size)
    {
        if (m_data.size() < size)
            m_data.append(size - m_data.size(), '\0');
    }
    qsizetype size() const { return m_data.size(); }
    const QByteArray& data() const { return m_data; }

private:
    bool m_littleEndian;
    QByteArray m_data;
};

struct Entry
{
    quint16 tag;
    quint16 type;
    quint32 count;
    QByteArray value; // more than 4 bytes: stored at an offset; else the entry's value field as it stands
};

Entry bytesEntry(quint16 tag, quint16 type, const QByteArray& bytes)
{
    return {tag, type, static_cast<quint32>(bytes.size()), bytes};
}

Entry numberEntry(quint16 tag, quint16 type, quint32 number, ByteOrder order)
{
    TiffBytes field(order);
    if (type == typeShort) {
        field.u16(static_cast<quint16>(number));
        field.u16(0);
    } else {
        field.u32(number);
    }
    return {tag, type, 1, field.data()};
}

Entry rationalEntry(quint16 tag, quint32 numerator, quint32 denominator, ByteOrder order)
{
    TiffBytes field(order);
    field.u32(numerator);
    field.u32(denominator);
    return {tag, typeRational, 1, field.data()};
}

bool storedInEntry(const Entry& entry)
{
    return entry.value.size() <= 4;
}

// A laid-out TIFF block; offsets are from the TIFF header.
struct TiffLayout
{
    QByteArray tiff;
    qint64 ifd0 = 0;
    QMap<quint16, qint64> entries;
    QMap<quint16, qint64> values;
    QList<qint64> earlyEntries;
};

QByteArray tagPair(quint16 tag, ByteOrder order)
{
    TiffBytes bytes(order);
    bytes.u16(tag);
    return bytes.data();
}

// The camera's reader finds a tag by scanning for its two bytes in file order; an armed scan that
// meets anything but the second byte disarms without looking at that byte again.
qint64 scanForPair(const QByteArray& data, qint64 from, char first, char second)
{
    bool armed = false;
    qint64 remembered = -1;
    for (qint64 i = from; i < data.size(); ++i) {
        if (armed) {
            if (data[i] == second)
                return remembered;
            armed = false;
        } else if (data[i] == first) {
            remembered = i;
            armed = true;
        }
    }
    return -1;
}

TiffLayout layTiff(const CameraImage& image, const QMap<quint16, QByteArray>& values, QSize picture, int gap)
{
    const ByteOrder order = effectiveByteOrder(image);

    // Data stored before IFD0: a UserComment value (character code "undefined": 8 zero bytes) that
    // carries the raw bytes and the decoy entries.
    QByteArray early;
    QList<qint64> earlyPositions;
    if (!image.bytesBeforeIfd0.isEmpty() || !image.earlyEntries.isEmpty()) {
        early = QByteArray(8, '\0') + image.bytesBeforeIfd0;
        for (const EarlyEntry& decoy : image.earlyEntries) {
            if (early.size() % 2 != 0)
                early.append('\0');
            const qint64 at = 8 + early.size();
            earlyPositions.append(at);
            TiffBytes entry(order);
            entry.u16(decoy.tag);
            entry.u16(typeUndefined);
            entry.u32(static_cast<quint32>(decoy.value.size()));
            entry.u32(static_cast<quint32>(at + 12));
            early += entry.data() + decoy.value;
        }
    }

    // Besides the tags the camera's reader reads, the tags that EXIF requires of a JPEG, so that other
    // tools take the file for what it is. Those that fit sit inside their entries; the reader looks for
    // none of them.
    QList<Entry> ifd0{
        bytesEntry(tagImageDescription, typeAscii, values[tagImageDescription]),
        bytesEntry(tagMake, typeAscii, values[tagMake]),
        bytesEntry(tagModel, typeAscii, values[tagModel]),
        rationalEntry(tagXResolution, 72, 1, order),
        rationalEntry(tagYResolution, 72, 1, order),
        numberEntry(tagResolutionUnit, typeShort, 2, order), // inches
        bytesEntry(tagSoftware, typeAscii, values[tagSoftware]),
        bytesEntry(tagDateTime, typeAscii, values[tagDateTime]),
        numberEntry(tagYCbCrPositioning, typeShort, 1, order), // centred
        numberEntry(tagExifIfd, typeLong, 0, order),           // set below
    };
    QList<Entry> exifIfd{
        bytesEntry(tagExifVersion, typeUndefined, QByteArrayLiteral("0230")),
        bytesEntry(tagDateTimeOriginal, typeAscii, values[tagDateTimeOriginal]),
        bytesEntry(tagComponentsConfiguration, typeUndefined, QByteArray("\x01\x02\x03\x00", 4)), // Y Cb Cr
        bytesEntry(tagMakerNote, typeUndefined, values[tagMakerNote]),
    };
    if (!early.isEmpty())
        exifIfd.append(bytesEntry(tagUserComment, typeUndefined, early));
    exifIfd.append(bytesEntry(tagFlashpixVersion, typeUndefined, QByteArrayLiteral("0100")));
    exifIfd.append(numberEntry(tagColorSpace, typeShort, 1, order)); // sRGB
    exifIfd.append(numberEntry(tagPixelXDimension, typeLong, static_cast<quint32>(picture.width()), order));
    exifIfd.append(numberEntry(tagPixelYDimension, typeLong, static_cast<quint32>(picture.height()), order));

    const qint64 ifd0Offset = 8 + ((early.size() + 1) / 2) * 2;
    const qint64 ifd0Size = 2 + 12 * ifd0.size() + 4;
    const qint64 exifOffset = ifd0Offset + ifd0Size;
    const qint64 exifSize = 2 + 12 * exifIfd.size() + 4;
    ifd0.last() = numberEntry(tagExifIfd, typeLong, static_cast<quint32>(exifOffset), order);

    // Values follow the IFDs in entry order; the maker note comes last so that the picture data lies
    // behind it (the reader reads past a 1024-byte maker note).
    TiffLayout layout;
    qint64 next = exifOffset + exifSize + gap;
    const auto placeValues = [&](QList<Entry>& entries) {
        for (Entry& entry : entries) {
            if (storedInEntry(entry) || entry.tag == tagUserComment || entry.tag == tagMakerNote)
                continue;
            layout.values[entry.tag] = next;
            next += (entry.value.size() + 1) / 2 * 2;
        }
    };
    placeValues(ifd0);
    placeValues(exifIfd);
    layout.values[tagMakerNote] = next;
    if (!early.isEmpty())
        layout.values[tagUserComment] = 8;

    TiffBytes tiff(order);
    tiff.append(order == ByteOrder::LittleEndian ? QByteArrayLiteral("II") : QByteArrayLiteral("MM"));
    tiff.u16(42);
    tiff.u32(static_cast<quint32>(ifd0Offset));
    tiff.append(early);
    tiff.padTo(ifd0Offset);
    const auto writeIfd = [&](const QList<Entry>& entries) {
        tiff.u16(static_cast<quint16>(entries.size()));
        for (const Entry& entry : entries) {
            layout.entries[entry.tag] = tiff.size();
            tiff.u16(entry.tag);
            tiff.u16(entry.type);
            tiff.u32(entry.count);
            if (storedInEntry(entry))
                tiff.append(fixedWidth(entry.value, 4));
            else
                tiff.u32(static_cast<quint32>(layout.values.value(entry.tag)));
        }
        tiff.u32(0); // no further IFD
    };
    writeIfd(ifd0);
    writeIfd(exifIfd);
    tiff.padTo(exifOffset + exifSize + gap);
    const auto writeValues = [&](const QList<Entry>& entries) {
        for (const Entry& entry : entries) {
            if (storedInEntry(entry) || entry.tag == tagUserComment || entry.tag == tagMakerNote)
                continue;
            tiff.append(entry.value);
            tiff.alignToWord();
        }
    };
    writeValues(ifd0);
    writeValues(exifIfd);
    if (values[tagMakerNote].size() > 4)
        tiff.append(values[tagMakerNote]);
    tiff.alignToWord();

    layout.tiff = tiff.data();
    layout.ifd0 = ifd0Offset;
    layout.earlyEntries = earlyPositions;
    return layout;
}

// True when the reader's byte scan, started where it starts with the TIFF header at byte 12, meets
// every tag it reads at its entry, or before IFD0 where the caller put decoys on purpose.
bool scanFindsIntendedEntries(const CameraImage& image, const TiffLayout& layout)
{
    const ByteOrder order = effectiveByteOrder(image);
    const QByteArray file = QByteArray(tiffHeaderForReader, '\0') + layout.tiff;
    for (const quint16 tag : {tagDateTime, tagSoftware, tagImageDescription, tagMake, tagModel,
                              tagDateTimeOriginal, tagMakerNote}) {
        const QByteArray pair = tagPair(tag, order);
        const qint64 found = scanForPair(file, tagScanStart, pair[0], pair[1]) - tiffHeaderForReader;
        const bool decoy = found >= 0 && found < layout.ifd0;
        if (!decoy && found != layout.entries.value(tag))
            return false;
    }
    return true;
}

// Entry offsets and counts can happen to hold a tag's byte pair (or disarm the scan right before an
// entry); a small gap before the values moves them until the scan meets every entry where it should.
TiffLayout layTiffForReader(const CameraImage& image, QSize picture)
{
    QMap<quint16, QByteArray> values;
    for (const quint16 tag : {tagImageDescription, tagMake, tagModel, tagSoftware, tagDateTime,
                              tagDateTimeOriginal, tagMakerNote})
        values[tag] = tagValue(image, tag);
    TiffLayout first = layTiff(image, values, picture, 0);
    if (scanFindsIntendedEntries(image, first))
        return first;
    for (int gap = 2; gap <= 64; gap += 2) {
        TiffLayout shifted = layTiff(image, values, picture, gap);
        if (scanFindsIntendedEntries(image, shifted))
            return shifted;
    }
    // Bytes that no gap moves (the caller's decoys, a huge block before IFD0) are the caller's choice.
    return first;
}

// --- The picture ---

// Pixels as 8-bit R, G, B triples, row after row.
struct RgbPicture
{
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

// A mouth-like picture: gum-coloured gradient, a row of teeth, and noise whose strength sets how
// large the JPEG gets.
RgbPicture makePicture(int width, int height, int noise, quint32 seed)
{
    RgbPicture picture{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 3)};
    quint32 state = seed;
    const double toothWidth = width / 7.0;
    for (int y = 0; y < height; ++y) {
        unsigned char* line = picture.pixels.data() + static_cast<size_t>(y) * width * 3;
        const double v = static_cast<double>(y) / height;
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            double r = 165 + 45 * v;
            double g = 70 + 30 * u;
            double b = 85 + 20 * v;
            // Teeth: ellipses centred on the middle row.
            const double cx = (std::floor(x / toothWidth) + 0.5) * toothWidth;
            const double dx = (x - cx) / (toothWidth * 0.45);
            const double dy = (y - height * 0.5) / (height * 0.28);
            if (dx * dx + dy * dy < 1.0) {
                const double shade = 1.0 - 0.25 * (dx * dx + dy * dy);
                r = 240 * shade;
                g = 232 * shade;
                b = 212 * shade;
            }
            state = state * 1664525u + 1013904223u;
            const int n =
                noise > 0 ? static_cast<int>((state >> 24) % static_cast<quint32>(2 * noise + 1)) - noise : 0;
            const auto channel = [n](double c) {
                return static_cast<unsigned char>(std::clamp(static_cast<int>(c) + n, 0, 255));
            };
            line[x * 3] = channel(r);
            line[x * 3 + 1] = channel(g);
            line[x * 3 + 2] = channel(b);
        }
    }
    return picture;
}

// The compressor and the memory it encodes into, released together whatever happens.
class JpegCompressor
{
public:
    JpegCompressor()
    {
        m_info.err = jpeg_std_error(&m_errors);
        // The default handler would exit the process; a writer that cannot encode is a broken build.
        m_errors.error_exit = [](j_common_ptr info) {
            char message[JMSG_LENGTH_MAX];
            (*info->err->format_message)(info, message);
            qFatal("camera file writer: libjpeg cannot encode the picture (%s)", message);
        };
        jpeg_create_compress(&m_info);
        jpeg_mem_dest(&m_info, &m_buffer, &m_size);
    }
    ~JpegCompressor()
    {
        jpeg_destroy_compress(&m_info);
        std::free(m_buffer);
    }
    JpegCompressor(const JpegCompressor&) = delete;
    JpegCompressor& operator=(const JpegCompressor&) = delete;

    QByteArray encode(const RgbPicture& picture, int quality)
    {
        m_info.image_width = static_cast<JDIMENSION>(picture.width);
        m_info.image_height = static_cast<JDIMENSION>(picture.height);
        m_info.input_components = 3;
        m_info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&m_info);
        jpeg_set_quality(&m_info, quality, TRUE);
        // No JFIF APP0: the camera file has its own APP1 first.
        m_info.write_JFIF_header = FALSE;
        jpeg_start_compress(&m_info, TRUE);
        while (m_info.next_scanline < m_info.image_height) {
            auto* row = const_cast<JSAMPLE*>(picture.pixels.data() +
                                             static_cast<size_t>(m_info.next_scanline) * picture.width * 3);
            jpeg_write_scanlines(&m_info, &row, 1);
        }
        jpeg_finish_compress(&m_info);
        return QByteArray(reinterpret_cast<const char*>(m_buffer), static_cast<qsizetype>(m_size));
    }

private:
    jpeg_compress_struct m_info{};
    jpeg_error_mgr m_errors{};
    unsigned char* m_buffer = nullptr;
    unsigned long m_size = 0;
};

// The JPEG segments that follow SOI, without any APP0: DQT, SOF0, DHT, SOS, the scan and EOI.
// Encoded with libjpeg directly, so the writer needs no GUI library.
QByteArray encodeBody(const RgbPicture& picture, int quality)
{
    const QByteArray encoded = JpegCompressor().encode(picture, quality);
    QByteArray body;
    qsizetype at = 2; // past SOI
    while (at + 4 <= encoded.size() && static_cast<quint8>(encoded[at]) == 0xFF) {
        const auto marker = static_cast<quint8>(encoded[at + 1]);
        if (marker == 0xDA) // start of scan: everything from here on is kept
            break;
        const qsizetype length = qFromBigEndian<quint16>(encoded.constData() + at + 2);
        if (marker != 0xE0)
            body += encoded.mid(at, 2 + length);
        at += 2 + length;
    }
    body += encoded.mid(at);
    return body;
}

struct Picture
{
    QByteArray body;
    QSize size;
};

struct PictureKey
{
    FileKind kind;
    qint64 budget;
    auto operator<=>(const PictureKey&) const = default;
};

// Encoding is the slow part of building a file; one body per kind and size serves every file.
Picture encodePicture(int width, int height, int noise, int quality)
{
    return {encodeBody(makePicture(width, height, noise, 11), quality), QSize(width, height)};
}

Picture pictureBody(FileKind kind, qint64 budget)
{
    static QMutex mutex;
    static std::map<PictureKey, Picture> cache;
    const QMutexLocker lock(&mutex);
    const PictureKey key{kind, budget};
    if (const auto found = cache.find(key); found != cache.end())
        return found->second;

    Picture picture;
    if (budget <= 0) {
        picture =
            kind == FileKind::MovieIndex ? encodePicture(160, 120, 4, 85) : encodePicture(640, 480, 4, 90);
    } else {
        // Grow a noisy picture towards the budget from the size a probe reaches per pixel.
        constexpr int noise = 24;
        constexpr int quality = 92;
        picture = encodePicture(400, 300, noise, quality);
        const auto target = static_cast<double>(budget);
        double bytesPerPixel = static_cast<double>(picture.body.size()) / (400.0 * 300.0);
        for (int attempt = 0; attempt < 6; ++attempt) {
            const double pixels = target / bytesPerPixel * 0.98;
            const int width = std::max(16, static_cast<int>(std::sqrt(pixels * 4.0 / 3.0)) / 16 * 16);
            const int height = std::max(16, width * 3 / 4);
            const Picture candidate = encodePicture(width, height, noise, quality);
            const auto size = static_cast<double>(candidate.body.size());
            if (size <= target) {
                picture = candidate;
                if (size >= target * 0.95)
                    break;
            }
            bytesPerPixel = size / (static_cast<double>(width) * height);
        }
        if (picture.body.size() > budget)
            picture = encodePicture(16, 16, 0, quality);
    }
    cache.emplace(key, picture);
    return picture;
}

// Room left for the EXIF segment, the JFIF decoy and the padding when a file has a target size.
constexpr qint64 exifAllowance = 8192;

QByteArray segment(quint8 marker, const QByteArray& payload)
{
    QByteArray bytes;
    bytes.append(char(0xFF));
    bytes.append(static_cast<char>(marker));
    char length[2];
    qToBigEndian(static_cast<quint16>(payload.size() + 2), length);
    bytes.append(length, 2);
    bytes.append(payload);
    return bytes;
}

// Comment segments of zero bytes that add exactly `count` bytes (at least 4).
QByteArray commentPadding(qint64 count)
{
    constexpr qint64 largest = 2 + 65535;
    QByteArray padding;
    while (count >= 4) {
        qint64 take = std::min(count, largest);
        if (count - take > 0 && count - take < 4)
            take -= 4;
        padding += segment(0xFE, QByteArray(take - 4, '\0'));
        count -= take;
    }
    return padding;
}

// The file in two parts: everything before the picture (built per image) and the picture body
// (shared), so that a large file is written without being copied.
struct FileParts
{
    QByteArray head;
    QByteArray body;
    CameraFileMap map;
};

FileParts buildParts(const CameraImage& image)
{
    FileParts parts;
    const qint64 budget = image.targetFileSize > 0 ? image.targetFileSize - exifAllowance : 0;
    const Picture picture = pictureBody(image.kind, budget);
    parts.body = picture.body;
    const TiffLayout layout = layTiffForReader(image, picture.size);

    QByteArray head("\xFF\xD8", 2);
    if (image.jfifFirst)
        head += segment(0xE0, QByteArray("JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14));
    QByteArray exif = QByteArray("Exif\0\0", 6) + layout.tiff;
    const qint64 tiffStart = head.size() + 4 + 6;

    if (image.targetFileSize > 0) {
        qint64 remainder = image.targetFileSize - (head.size() + 4 + exif.size()) - parts.body.size();
        if (remainder > 0 && remainder < 4) {
            // Too little for a comment segment: tools accept slack at the end of the EXIF segment.
            exif.append(remainder, '\0');
            remainder = 0;
        }
        head += segment(0xE1, exif);
        if (remainder > 0)
            head += commentPadding(remainder);
    } else {
        head += segment(0xE1, exif);
    }
    parts.head = head;

    CameraFileMap& map = parts.map;
    map.tiffHeader = tiffStart;
    map.makerNote = tiffStart + layout.values.value(tagMakerNote);
    for (auto it = layout.entries.cbegin(); it != layout.entries.cend(); ++it)
        map.entries[it.key()] = tiffStart + it.value();
    for (auto it = layout.values.cbegin(); it != layout.values.cend(); ++it)
        map.values[it.key()] = tiffStart + it.value();
    for (const qint64 at : layout.earlyEntries)
        map.earlyEntries.append(tiffStart + at);
    map.pictureBody = parts.head.size();
    map.size = parts.head.size() + parts.body.size();
    return parts;
}

bool needsWholeFile(const CameraImage& image)
{
    return image.truncateAt.has_value() || !image.filePatches.isEmpty();
}

QByteArray finish(const CameraImage& image, QByteArray file)
{
    for (const BytePatch& patch : image.filePatches)
        putBytes(file, patch.offset, patch.bytes);
    if (image.truncateAt)
        file.truncate(std::clamp<qint64>(*image.truncateAt, 0, file.size()));
    return file;
}

} // namespace

int layoutMakerNoteLength(MakerNoteLayout layout)
{
    switch (layout) {
    case MakerNoteLayout::Legacy:
        return 1024;
    case MakerNoteLayout::Extended:
        return 2048;
    case MakerNoteLayout::Extended2:
        return 3072;
    }
    return 1024;
}

ByteOrder layoutByteOrder(MakerNoteLayout layout)
{
    return layout == MakerNoteLayout::Extended2 ? ByteOrder::LittleEndian : ByteOrder::BigEndian;
}

void CameraImage::setPatient(const Patient& patient)
{
    patientInformationID = patient.id;
    patientInformationName = patient.displayName;
    patientID = patient.id;
    patientNameA = patient.alphabeticName;
    patientNameI = patient.ideographicName;
    patientNameP = patient.phoneticName;
    patientNameOrder = patient.nameOrder;
    patientSex = patient.sex;
    patientBirthDate = patient.birthDate;
    patientAgeQR = patient.ageQR;
    dateQR = patient.dateQR;
}

void CameraImage::clearPatient()
{
    setPatient(Patient{.nameOrder = 0x00, .sex = 0, .birthDate = {}, .ageQR = {}, .dateQR = {}});
}

CameraImage defaultCameraImage(MakerNoteLayout layout, FileKind kind)
{
    CameraImage image;
    image.layout = layout;
    image.kind = kind;
    image.imageDescription = QStringLiteral("KORVA DENTAL DIGITAL CAMERA");
    image.make = QStringLiteral("KORVA INC.");
    image.dateTimeOriginal = QDateTime(QDate(2024, 5, 14), QTime(10, 32, 7));
    image.dateTime = image.dateTimeOriginal;
    image.selectedMag = 0x0A;
    image.flashMode = 0x01;
    image.brightness = 0x03;
    image.led = 0x01;
    image.ledLighting = 0x02;
    image.focusMode = 0x01;
    image.afSpotX = 0x08;
    image.afSpotY = 0x06;
    image.hueAB = 0x80;
    image.hueMG = 0x80;
    image.contrast = 0x02;
    image.sharpness = 0x02;
    image.dialFunction = 0x01;
    image.cameraPosition = 0x01;
    image.magnificationU = 0x14;
    image.magnificationL = 0x0A;
    image.managementData = QStringLiteral("ORV-MGMT;CLINIC=SAKURA;ROOM=2;CHAIR=1");
    image.setPatient({.id = QStringLiteral("0000012345"),
                      .alphabeticName = QStringLiteral("SATO^HANAKO^"),
                      .displayName = QStringLiteral("SATO HANAKO")});
    image.operatorsNameOrder = 0x04;
    image.operatorInfoFlag0 = 0x01;
    image.operatorsID = QStringLiteral("OP0007");
    image.operatorsNameA = QStringLiteral("TANAKA^KEN^");
    image.operatorsGroup = 0x01;

    switch (layout) {
    case MakerNoteLayout::Legacy:
        image.model = QStringLiteral("Orthavisio K-22");
        image.software = QStringLiteral("K-22 Ver.1.10");
        image.majorVersion = 1;
        image.minorVersion = 0;
        image.serial = QByteArrayLiteral("K2200457");
        image.shootingMode = 0x02; // standard, in the numbering below version 4
        break;
    case MakerNoteLayout::Extended:
        image.model = QStringLiteral("Orthavisio K-222");
        image.software = QStringLiteral("K-222 Ver.2.05");
        image.majorVersion = 2;
        image.minorVersion = 1;
        image.serial = QByteArrayLiteral("K2220316");
        image.shootingMode = 0x02;
        break;
    case MakerNoteLayout::Extended2:
        image.model = QStringLiteral("Orthavisio K-44");
        image.software = QStringLiteral("K-44 Ver.4.02");
        image.majorVersion = 4;
        image.minorVersion = 0;
        image.serial = QByteArrayLiteral("K4400123");
        image.owner = QStringLiteral("SAKURA DENTAL CLINIC");
        image.identifier = 'A';
        image.timeZone = QStringLiteral("+900");
        image.customMode = 0x01;
        image.shootingMode =
            kind == FileKind::MovieIndex ? 0x08 : 0x00; // version 4 numbers standard 00, movie 08
        image.totalCount = QStringLiteral("012C");
        image.workingDistance = QStringLiteral("1E");
        break;
    }
    return image;
}

QByteArray makerNotePlaintext(const CameraImage& image)
{
    const int length =
        image.makerNoteLength > 0 ? image.makerNoteLength : layoutMakerNoteLength(image.layout);
    QByteArray note(length, '\0');
    putByte(note, 0, image.majorVersion);
    putByte(note, 1, image.minorVersion);
    putBytes(note, 2, fixedWidth(image.serial, 8));
    putByte(note, 10, image.encryptionType);
    putText(note, 11, 20, image.owner);
    putByte(note, 31, static_cast<quint8>(image.identifier));
    putText(note, 32, 4, image.timeZone);
    putByte(note, 36, image.summerTime);

    putByte(note, 99, image.customMode);
    putByte(note, 100, image.selectedMag);
    putByte(note, 101, image.shootingMode);
    putByte(note, 102, image.flashMode);
    putByte(note, 103, image.brightness);
    putByte(note, 104, image.led);
    putByte(note, 105, image.ledLighting);
    putByte(note, 106, image.focusMode);
    putByte(note, 107, image.afSpotX);
    putByte(note, 108, image.afSpotY);
    putByte(note, 109, image.hueAB);
    putByte(note, 110, image.hueMG);
    putByte(note, 111, image.contrast);
    putByte(note, 112, image.sharpness);
    putByte(note, 113, image.dialFunction);
    putByte(note, 114, image.autoCropping);
    putByte(note, 115, image.cameraPosition);
    putByte(note, 116, image.flipDirection);
    putByte(note, 150, image.drawingFlag);
    putByte(note, 151, image.drawingFlag2);
    putByte(note, 160, image.magnificationU);
    putByte(note, 161, image.magnificationL);
    putText(note, 162, 4, image.totalCount);
    putText(note, 166, 2, image.workingDistance);

    // From version 4 on the camera keeps the patient block at 2576, after the extra information.
    const bool lateBlock = image.layout == MakerNoteLayout::Extended2;
    putText(note, lateBlock ? 2576 : 300, 20, image.patientInformationID);
    putText(note, lateBlock ? 2596 : 320, 120, image.patientInformationName);

    putText(note, 500, 524, image.managementData);

    if (image.layout != MakerNoteLayout::Legacy) {
        putByte(note, 1024, image.patientNameOrder);
        putByte(note, 1029, image.patientInfoFlag0);
        putText(note, 1030, 20, image.patientID);
        putText(note, 1050, 68, image.patientNameA);
        putText(note, 1118, 196, image.patientNameI);
        putText(note, 1314, 196, image.patientNameP);
        putByte(note, 1510, static_cast<quint8>(image.patientSex));
        putText(note, 1511, 8, image.patientBirthDate);
        putText(note, 1519, 4, image.patientAgeQR);
        putText(note, 1523, 8, image.dateQR);
        for (int i = 0; i < 9; ++i)
            putByte(note, 1531 + i, image.patientInfoFlags[static_cast<size_t>(i)]);
        putByte(note, 1540, image.operatorsNameOrder);
        putByte(note, 1545, image.operatorInfoFlag0);
        putText(note, 1546, 20, image.operatorsID);
        putText(note, 1566, 68, image.operatorsNameA);
        putText(note, 1634, 196, image.operatorsNameI);
        putText(note, 1830, 196, image.operatorsNameP);
        putByte(note, 2026, image.operatorsGroup);
        for (int i = 0; i < 21; ++i)
            putByte(note, 2027 + i, image.operatorInfoFlags[static_cast<size_t>(i)]);
    }
    if (image.layout == MakerNoteLayout::Extended2) {
        putBytes(note, 2064, fixedWidth(image.patientExtraInfo, 256));
        putBytes(note, 2320, fixedWidth(image.operatorExtraInfo, 256));
    }

    for (const BytePatch& patch : image.makerNotePatches)
        putBytes(note, patch.offset, patch.bytes);
    return note;
}

QByteArray imageKey(const CameraImage& image)
{
    const QByteArray note = makerNotePlaintext(image);
    const QByteArray date = fixedWidth(tagValue(image, tagDateTimeOriginal), 20);
    QByteArray key = fixedWidth(note.mid(2, 8), 8);
    key += date.mid(2, 2) + date.mid(5, 2) + date.mid(8, 2) + date.mid(11, 2);
    return key;
}

QByteArray makerNoteStored(const CameraImage& image)
{
    if (const auto raw = image.rawTagValues.constFind(tagMakerNote); raw != image.rawTagValues.constEnd())
        return *raw;
    QByteArray note = makerNotePlaintext(image);
    const QByteArray key = image.encryptionKey ? fixedWidth(*image.encryptionKey, aesBlock) : imageKey(image);
    const int length = static_cast<int>(note.size());
    for (const auto& [begin, end] : encryptedRegions) {
        const int last = std::min(end, length / aesBlock * aesBlock);
        if (begin < last && !encryptInPlace(note, begin, last, key))
            qFatal("camera file writer: AES-128-ECB encryption failed");
    }
    return note;
}

QByteArray buildCameraFile(const CameraImage& image, CameraFileMap* map)
{
    const FileParts parts = buildParts(image);
    if (map)
        *map = parts.map;
    return finish(image, parts.head + parts.body);
}

bool writeCameraFile(const QString& path, const CameraImage& image)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (needsWholeFile(image)) {
        const QByteArray whole = buildCameraFile(image);
        if (file.write(whole) != whole.size())
            return false;
    } else {
        const FileParts parts = buildParts(image);
        if (file.write(parts.head) != parts.head.size() || file.write(parts.body) != parts.body.size())
            return false;
    }
    return file.commit();
}

QByteArray moviePlaceholder()
{
    // ftyp "qt  " and an empty mdat: enough for file-type detection, no frames.
    return QByteArray("\x00\x00\x00\x14"
                      "ftypqt  "
                      "\x00\x00\x02\x00"
                      "qt  "
                      "\x00\x00\x00\x08"
                      "mdat",
                      28);
}

} // namespace testsupport
