#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <array>
#include <optional>

// Builds the files that the maker's intra-oral camera writes: JPEG stills and movie index files (".MIF")
// whose EXIF holds the camera's maker note, with the protected maker-note regions encrypted
// (AES-128-ECB, no padding) under the image key. Every maker-note field has a knob, and so has every
// broken variant that the reader has to refuse or survive. Shared by the tests, trevasel-cli's
// sample-card maker and the benchmarks; it knows nothing of the reader in metadata/, so the two check
// each other.
//
// Typical use:
//     auto image = testsupport::defaultCameraImage(testsupport::MakerNoteLayout::Extended2);
//     image.setPatient({.id = "0000012345", .alphabeticName = "SATO^HANAKO^", .displayName = "SATO HANAKO"});
//     image.shootingMode = 0xFE;
//     testsupport::writeCameraFile(dir.filePath("ORVS0001.JPG"), image);
namespace testsupport {

// The camera's three maker-note generations.
enum class MakerNoteLayout {
    Legacy,    // versions below 2.1: big-endian "MM", 1024-byte maker note, patient block at 288-447
    Extended,  // versions 2.1 to 3.x: "MM", 2048 bytes; adds the patient and operator block 1024-2047
    Extended2, // versions 4 and above: little-endian "II", 3072 bytes; patient block at 2576-2735
};

enum class ByteOrder { BigEndian, LittleEndian };

enum class FileKind {
    Still,      // a JPEG with a full picture
    MovieIndex, // the ".MIF" beside a ".MOV": the same EXIF layout, a thumbnail-sized picture
};

// Bytes to put at an offset. For maker-note patches the offset is from the start of the maker note and
// the bytes are plaintext (they are encrypted afterwards where they fall into a protected region).
struct BytePatch
{
    qint64 offset = 0;
    QByteArray bytes{};
};

// A second IFD entry for a tag, stored inside a value that lies before IFD0 in the file, so that a raw
// byte scan for the tag from the file's start meets this copy first. Its value offset points to `value`,
// stored right behind it; EXIF tools that walk the IFDs still see the real entry.
struct EarlyEntry
{
    quint16 tag = 0;
    QByteArray value{};
};

// A patient as the camera records one, for CameraImage::setPatient.
struct Patient
{
    QString id{};              // at most 20 bytes of UTF-8
    QString alphabeticName{};  // name forms: components joined by "^", e.g. "YAMADA^TARO^"
    QString ideographicName{}; // e.g. "山田^太郎^"
    QString phoneticName{};    // e.g. "やまだ^たろう^"
    quint8 nameOrder = 0x04;   // how the display name orders the components ("04": first, second)
    QString displayName{};     // what the patient block holds, e.g. "YAMADA TARO"
    char sex = 'F';
    QString birthDate = QStringLiteral("19850321"); // yyyyMMdd
    QString ageQR = QStringLiteral("0039");
    QString dateQR = QStringLiteral("20240514");
};

// One camera file. Maker-note fields are named after the camera's map and written at their offsets
// (noted beside each) wherever the layout's maker note is long enough for them; texts are UTF-8, cut to
// their width and padded with zero bytes.
struct CameraImage
{
    MakerNoteLayout layout = MakerNoteLayout::Extended2;
    FileKind kind = FileKind::Still;

    // --- EXIF: IFD0 and the Exif IFD ---
    QString imageDescription;   // 28 bytes: 27 characters and a zero
    QString make;               // 12 bytes, zero-padded
    QString model;              // 20 bytes: padded with spaces to 19 characters, then a zero
    QString software;           // counted text with its terminating zero
    QDateTime dateTime;         // "yyyy:MM:dd HH:mm:ss", counted
    QDateTime dateTimeOriginal; // 20 bytes "yyyy:MM:dd HH:mm:ss\0"; digits of it feed the image key
    // Exact value bytes (and count) for a tag, replacing the formatted value: 0x010E, 0x010F, 0x0110,
    // 0x0131, 0x0132, 0x9003 or 0x927C (the last replaces the whole maker note, encryption included).
    QMap<quint16, QByteArray> rawTagValues;

    // --- Maker note, plain bytes 0-95 ---
    quint8 majorVersion = 4;   // 0
    quint8 minorVersion = 0;   // 1
    QByteArray serial;         // 2-9, 8 bytes; also key bytes 0-7
    quint8 encryptionType = 0; // 10; 0 is the only type the camera's AES form uses
    QString owner;             // 11-30, 20 characters
    char identifier = 'A';     // 31
    QString timeZone;          // 32-35, 4 characters
    quint8 summerTime = 0;     // 36

    // --- Region 96-111: shooting settings ---
    quint8 customMode = 0;   // 99
    quint8 selectedMag = 0;  // 100
    quint8 shootingMode = 0; // 101; 0xFE marks a patient-information image
    quint8 flashMode = 0;    // 102
    quint8 brightness = 0;   // 103
    quint8 led = 0;          // 104
    quint8 ledLighting = 0;  // 105
    quint8 focusMode = 0;    // 106
    quint8 afSpotX = 0;      // 107
    quint8 afSpotY = 0;      // 108
    quint8 hueAB = 0;        // 109
    quint8 hueMG = 0;        // 110
    quint8 contrast = 0;     // 111
    // --- Region 112-127: image settings ---
    quint8 sharpness = 0;      // 112
    quint8 dialFunction = 0;   // 113
    quint8 autoCropping = 0;   // 114
    quint8 cameraPosition = 0; // 115
    quint8 flipDirection = 0;  // 116, the additional information (01/02 flipped, 03 colour, 04 b/w)
    // --- Region 144-159: draw flags ---
    quint8 drawingFlag = 0;  // 150
    quint8 drawingFlag2 = 0; // 151
    // --- Region 160-175 ---
    quint8 magnificationU = 0; // 160
    quint8 magnificationL = 0; // 161
    QString totalCount;        // 162-165, ASCII hexadecimal digits ("012C" is 300)
    QString workingDistance;   // 166-167, ASCII hexadecimal digits
    // --- The patient block: 288-447 (300 ID, 320 name) below version 4; 2576-2735 (2576 ID, 2596 name) from
    // 4 ---
    QString patientInformationID;   // 20 bytes
    QString patientInformationName; // 120 bytes
    // --- Region 496-1023 ---
    QString managementData; // 500-1023, 524 bytes
    // --- Region 1024-2047: patient and operator information (Extended, Extended2) ---
    quint8 patientNameOrder = 0x04;             // 1024
    quint8 patientInfoFlag0 = 0;                // 1029
    QString patientID;                          // 1030, 20 bytes
    QString patientNameA;                       // 1050, 68 bytes
    QString patientNameI;                       // 1118, 196 bytes
    QString patientNameP;                       // 1314, 196 bytes
    char patientSex = 0;                        // 1510
    QString patientBirthDate;                   // 1511, 8 bytes
    QString patientAgeQR;                       // 1519, 4 bytes
    QString dateQR;                             // 1523, 8 bytes
    std::array<quint8, 9> patientInfoFlags{};   // 1531-1539: flags 1 to 9
    quint8 operatorsNameOrder = 0x04;           // 1540
    quint8 operatorInfoFlag0 = 0;               // 1545
    QString operatorsID;                        // 1546, 20 bytes
    QString operatorsNameA;                     // 1566, 68 bytes
    QString operatorsNameI;                     // 1634, 196 bytes
    QString operatorsNameP;                     // 1830, 196 bytes
    quint8 operatorsGroup = 0;                  // 2026
    std::array<quint8, 21> operatorInfoFlags{}; // 2027-2047: flags 1 to 21
    // --- Regions 2064-2319 and 2320-2575 (Extended2) ---
    QByteArray patientExtraInfo;  // up to 256 bytes, zero-filled
    QByteArray operatorExtraInfo; // up to 256 bytes, zero-filled

    // Plaintext bytes put into the maker note after every field above, before encryption.
    QList<BytePatch> makerNotePatches;

    // --- Shape of the file ---
    // 0: the natural size of the picture. Otherwise the file is exactly this long (a larger picture,
    // cached per size, and comment-segment padding), as long as the EXIF alone is shorter than that.
    qint64 targetFileSize = 0;

    // --- Broken variants ---
    std::optional<qint64> truncateAt; // cut the file after this many bytes
    bool jfifFirst = false;           // an APP0 "JFIF" segment before APP1: the TIFF header moves off byte 12
    std::optional<ByteOrder> byteOrder;      // write the TIFF data in this order instead of the layout's
    QList<EarlyEntry> earlyEntries;          // decoy entries stored before IFD0 (inside a UserComment value)
    QByteArray bytesBeforeIfd0;              // raw bytes stored before IFD0, in the same UserComment value
    std::optional<QByteArray> encryptionKey; // encrypt under this key instead of the image key
    int makerNoteLength = 0;      // 0: the layout's (1024, 2048, 3072); else the maker note's size and count
    QList<BytePatch> filePatches; // file bytes overwritten last (before truncation)

    // Writes the patient everywhere the layout keeps one: the patient block (ID and display name), the ID
    // at 1030 and the three name forms with their order, sex, birth date, age and date of the QR code.
    void setPatient(const Patient& patient);
    // An image shot without a patient: every patient field empty.
    void clearPatient();
};

// A realistic, valid image that the reader accepts as a supported camera: Legacy is an "Orthavisio
// K-22" with version 1.0, Extended a "K-222" with 2.1, Extended2 a "K-44" with 4.0; all shot on
// 2024-05-14 10:32:07 of patient 0000012345 "SATO HANAKO". A movie index of Extended2 has shooting
// mode 0x08 (movie).
CameraImage defaultCameraImage(MakerNoteLayout layout, FileKind kind = FileKind::Still);

// Where the parts of a built file lie (file offsets), for tests that patch or check single bytes.
struct CameraFileMap
{
    qint64 tiffHeader = 0;         // "MM" or "II"; 12 unless jfifFirst
    qint64 makerNote = 0;          // first byte of the maker-note value
    QMap<quint16, qint64> entries; // each IFD entry of IFD0 and the Exif IFD, by tag
    QMap<quint16, qint64> values;  // each value stored outside its entry, by tag
    QList<qint64> earlyEntries;    // each decoy entry, in the order given
    qint64 pictureBody = 0;        // the JPEG segments after the EXIF segment and its padding
    qint64 size = 0;               // the whole file before truncation
};

// The whole file.
QByteArray buildCameraFile(const CameraImage& image, CameraFileMap* map = nullptr);
// Writes the file whole: to a temporary file first, then renamed into place. Creates missing parent
// folders. False when it cannot be written.
bool writeCameraFile(const QString& path, const CameraImage& image);

// The 16-byte key the reader must derive: serial bytes (maker-note 2-9), then DateTimeOriginal bytes
// 2-3, 5-6, 8-9 and 11-12 (year, month, day, hour), as they stand in the file.
QByteArray imageKey(const CameraImage& image);
// The maker note before encryption, every field and patch applied.
QByteArray makerNotePlaintext(const CameraImage& image);
// The maker note as stored in the file.
QByteArray makerNoteStored(const CameraImage& image);

int layoutMakerNoteLength(MakerNoteLayout layout);
ByteOrder layoutByteOrder(MakerNoteLayout layout);

// A small QuickTime file that stands in for the ".MOV" beside a movie index.
QByteArray moviePlaceholder();

} // namespace testsupport
