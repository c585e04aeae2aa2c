#pragma once

#include <QMetaType>
#include <QString>

// Why a picture was left where it is.
enum class SkipReason {
    NotACameraPicture,  // no metadata of the supported cameras
    PatientInformation, // a patient-information shot, not sent (removed from the source in move mode)
    AlreadyImported,    // the import history knows the shot
    AlreadyInPlace,     // the same shot lies at its destination
    NotWhole,           // changed while it was copied, or cut off: left where it is for a later try
    NoPatientData,      // a camera picture without a patient ID: it has no patient folder to go to
};
Q_DECLARE_METATYPE(SkipReason)

// Who hears of a job's pictures as they go: the import service's worker, which passes them on as
// signals, or a test. Called on the thread that runs the job.
class TransferObserver
{
public:
    virtual ~TransferObserver() = default;
    // A picture is in place at target (and described and recorded, where the settings say so).
    virtual void pictureArrived(const QString& source, const QString& target) = 0;
    // A picture was looked at and left where it is.
    virtual void pictureSkipped(const QString& source, SkipReason why)
    {
        (void)source;
        (void)why;
    }
    // The pictures of this patient are being imported now.
    virtual void importingPatient(const QString& patient) { (void)patient; }
};
