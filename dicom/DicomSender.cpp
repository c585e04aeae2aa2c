#include "dicom/DicomSender.h"

#include <QFile>

#include "dcmtk/dcmdata/dcuid.h"
#include "dcmtk/dcmnet/cond.h"
#include "dcmtk/dcmnet/diutil.h"
#include "dcmtk/dcmnet/scu.h"
#include "dcmtk/oflog/oflog.h"

#include <mutex>

namespace {

// How long each step may wait: a server that is off or behind a firewall costs seconds, never a
// hung import.
constexpr Sint32 kConnectionTimeoutSeconds = 10;
constexpr Uint32 kAssociationTimeoutSeconds = 15;
constexpr Uint32 kAnswerTimeoutSeconds = 60; // one photograph of a few megabytes and its answer

// The network layer reports through our answers; its own log would only repeat them on stderr.
void quietNetworkLog()
{
    static std::once_flag once;
    std::call_once(once, [] { OFLog::configure(OFLogger::FATAL_LOG_LEVEL); });
}

QString words(const OFCondition& condition)
{
    return QString::fromUtf8(condition.text());
}

DicomSender::Answer answer(DicomSender::Outcome outcome, const QString& detail = {})
{
    return {outcome, detail};
}

std::unique_ptr<DcmSCU> makeScu(const DicomPeer& peer)
{
    quietNetworkLog();
    auto scu = std::make_unique<DcmSCU>();
    scu->setAETitle(OFString(peer.callingAeTitle.toLatin1().constData()));
    scu->setPeerAETitle(OFString(peer.calledAeTitle.toLatin1().constData()));
    scu->setPeerHostName(OFString(peer.host.toUtf8().constData()));
    scu->setPeerPort(Uint16(peer.port));
    scu->setConnectionTimeout(kConnectionTimeoutSeconds);
    scu->setACSETimeout(kAssociationTimeoutSeconds);
    scu->setDIMSEBlockingMode(DIMSE_NONBLOCKING);
    scu->setDIMSETimeout(kAnswerTimeoutSeconds);
    return scu;
}

// Why an association did not come about, in one of the outcomes.
DicomSender::Answer associationFailure(const OFCondition& condition)
{
    if (condition == DUL_ASSOCIATIONREJECTED)
        return answer(DicomSender::Outcome::AssociationRefused, words(condition));
    if (condition == NET_EC_NoAcceptablePresentationContexts)
        return answer(DicomSender::Outcome::AssociationRefused,
                      QStringLiteral("the server takes no VL Photographic Images in JPEG baseline"));
    const bool noConnection =
        condition.module() == OFM_dcmnet &&
        (condition.code() == DULC_TCPINITERROR || condition.code() == DULC_UNKNOWNHOST ||
         condition.code() == DULC_REQUESTASSOCIATIONFAILED ||
         condition.code() == DULC_PEERABORTEDASSOCIATION || condition.code() == DULC_NETWORKCLOSED);
    if (noConnection)
        return answer(DicomSender::Outcome::NoConnection, words(condition));
    return answer(DicomSender::Outcome::NoAnswer, words(condition));
}

// Opens an association with the presentation contexts already added.
DicomSender::Answer associate(DcmSCU& scu, const DicomPeer& peer)
{
    if (peer.host.isEmpty())
        return answer(DicomSender::Outcome::NoConnection, QStringLiteral("no server host is set"));
    if (OFCondition status = scu.initNetwork(); status.bad())
        return answer(DicomSender::Outcome::NoConnection, words(status));
    if (OFCondition status = scu.negotiateAssociation(); status.bad())
        return associationFailure(status);
    return answer(DicomSender::Outcome::Done);
}

} // namespace

DicomSender::DicomSender(DicomPeer peer) : m_peer(std::move(peer)) {}

DicomSender::~DicomSender()
{
    close();
}

QString DicomSender::peerName(const DicomPeer& peer)
{
    return QStringLiteral("%1:%2").arg(peer.host).arg(peer.port);
}

QString DicomSender::describe(const Answer& opened, const QString& server)
{
    switch (opened.outcome) {
    case Outcome::AssociationRefused:
        return QStringLiteral("the imaging server %1 refused the association (check both AE titles): %2")
            .arg(server, opened.detail);
    case Outcome::NoAnswer:
        return QStringLiteral("the imaging server %1 did not answer: %2").arg(server, opened.detail);
    default:
        return QStringLiteral("the imaging server %1 cannot be reached: %2").arg(server, opened.detail);
    }
}

DicomSender::Answer DicomSender::echo(const DicomPeer& peer)
{
    const std::unique_ptr<DcmSCU> scu = makeScu(peer);
    OFList<OFString> syntaxes;
    syntaxes.push_back(UID_LittleEndianImplicitTransferSyntax);
    scu->addPresentationContext(UID_VerificationSOPClass, syntaxes);
    if (Answer opened = associate(*scu, peer); !opened.done())
        return opened;
    const OFCondition echoed = scu->sendECHORequest(0);
    if (echoed.bad()) {
        scu->abortAssociation();
        return answer(Outcome::NoAnswer, words(echoed));
    }
    scu->releaseAssociation();
    return answer(Outcome::Done);
}

DicomSender::Answer DicomSender::open()
{
    close();
    m_scu = makeScu(m_peer);
    OFList<OFString> syntaxes;
    syntaxes.push_back(UID_JPEGProcess1TransferSyntax);
    m_scu->addPresentationContext(UID_VLPhotographicImageStorage, syntaxes);
    Answer opened = associate(*m_scu, m_peer);
    if (!opened.done())
        m_scu.reset();
    return opened;
}

bool DicomSender::isOpen() const
{
    return m_scu && m_scu->isConnected();
}

DicomSender::Answer DicomSender::send(const QString& dicomFile)
{
    if (!isOpen())
        return answer(Outcome::NoConnection, QStringLiteral("no association is open"));
    const T_ASC_PresentationContextID context =
        m_scu->findPresentationContextID(UID_VLPhotographicImageStorage, UID_JPEGProcess1TransferSyntax);
    if (context == 0)
        return answer(Outcome::AssociationRefused,
                      QStringLiteral("the server takes no VL Photographic Images in JPEG baseline"));
    Uint16 status = 0;
    const OFCondition sent = m_scu->sendSTORERequest(
        context, OFFilename(QFile::encodeName(dicomFile).constData()), nullptr, status);
    if (sent.bad()) {
        // A file that cannot be read fails before anything is sent; anything else leaves the
        // association in doubt.
        if (!m_scu->isConnected() || sent != EC_IllegalCall) {
            m_scu->abortAssociation();
            m_scu.reset();
        }
        return answer(Outcome::NoAnswer, words(sent));
    }
    // Success, and the warnings "coercion of data elements", "elements discarded" and "data set
    // does not match SOP class": the server has stored the picture.
    if (status == STATUS_Success)
        return answer(Outcome::Done);
    const QString statusWords = QStringLiteral("status 0x%1: %2")
                                    .arg(status, 4, 16, QLatin1Char('0'))
                                    .arg(QString::fromUtf8(DU_cstoreStatusString(status)));
    if ((status & 0xF000) == 0xB000)
        return answer(Outcome::Done, statusWords);
    return answer(Outcome::Refused, statusWords);
}

void DicomSender::close()
{
    if (!m_scu)
        return;
    if (m_scu->isConnected())
        m_scu->releaseAssociation();
    m_scu.reset();
}
