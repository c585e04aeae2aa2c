#pragma once

#include "app/SettingsSnapshot.h"

#include <QString>

#include <memory>

class DcmSCU;

// One association with the practice's imaging server (PACS): a C-ECHO to see whether it answers,
// and C-STOREs of the DICOM files this program writes (VL Photographic Images, JPEG baseline, sent as
// they lie on disk). Blocking: it runs on the import worker or another thread of its own, never the
// window thread. Every wait is bounded: the connection, the association and each answer time out.
class DicomSender
{
public:
    // What became of an association or of one file.
    enum class Outcome {
        Done,               // answered, or stored (also with a warning status)
        NoConnection,       // no TCP connection (host unknown, nobody listening, timed out)
        AssociationRefused, // the server refused the association: AE titles, or no JPEG photographs
        NoAnswer,           // connected, but the request got no answer or failed on the way
        Refused,            // the server answered a C-STORE with a failure status
    };
    struct Answer
    {
        Outcome outcome = Outcome::NoConnection;
        QString detail; // the network layer's or the server's words, empty when done without remark
        bool done() const { return outcome == Outcome::Done; }
    };

    explicit DicomSender(DicomPeer peer);
    ~DicomSender();
    DicomSender(const DicomSender&) = delete;
    DicomSender& operator=(const DicomSender&) = delete;

    // Asks whether the server answers: an association for Verification and one C-ECHO.
    static Answer echo(const DicomPeer& peer);

    // Opens the association for VL Photographic Images in JPEG baseline.
    Answer open();
    // Sends one DICOM file over the open association. A file the server refuses leaves the
    // association open; one lost on the way closes it (open() again to go on).
    Answer send(const QString& dicomFile);
    bool isOpen() const;
    // Releases the association (or aborts it when it is in doubt).
    void close();

    // An association that did not come about, in words for the log: "the imaging server HOST:PORT
    // cannot be reached: DETAIL" or "... refused the association: DETAIL".
    static QString describe(const Answer& opened, const QString& server);
    // "host:port", for messages.
    static QString peerName(const DicomPeer& peer);

private:
    DicomPeer m_peer;
    std::unique_ptr<DcmSCU> m_scu;
};
