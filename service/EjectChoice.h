#pragma once

#include <QString>
#include <QStringList>

// Which mounted camera volumes a finished card batch ejects: for each card folder, the mounted volume
// that holds it. Whole path components are compared, so a card at ".../NO NAME1" is never taken for
// the volume ".../NO NAME".
namespace EjectChoice {

// True when path is folder itself or lies below it.
bool isWithin(const QString& path, const QString& folder);
// The volumes of media to eject for the folders, each once, in the folders' order.
QStringList mediaToEject(const QStringList& folders, const QStringList& media);

} // namespace EjectChoice
