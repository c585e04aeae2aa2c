#pragma once

#include "metadata/BasicExifOperator.h"
#include "transfer/NamingRules.h"
#include "transfer/TransferJob.h"

// The basic edition's transfer job: an earlier, smaller form of the full job. It takes the ".JPG"
// stills of one folder (no sub-folders, no movies), names them by the plain rules, and copies or
// moves them. It has no history, no XML export and no exception of its own: a file that cannot be
// transferred stays where it is, is logged and is not counted.
class BasicWatchFolderOperator : public TransferJob, public NamingRules
{
public:
    using TransferJob::copyImage;
    void copyImage(const QString& sourceFolder, const SettingsSnapshot& settings, bool isMove) override;
    qint64 getTotalImageFileCount(const QString& folder, qint64 startCount) const override;

    // The basic camera test: any model containing "Orthavisio K-22".
    static bool checkValidImageData(const ExifEntity& record);
    // The free destination path for the shot in folder, or nothing when the same shot is there.
    static std::optional<QString> getValidNewImageFileName(const QString& folder, const ExifEntity& record);
    static QString getNewImageFileName(const ExifEntity& record, int index);

private:
    BasicExifOperator m_reader;
};
