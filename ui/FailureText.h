#pragma once

#include <QString>

// A failed import said in plain words for the receptionist: what failed, what is safe, and what to
// do. The technical reason it is made from goes under "Details" beside it.
namespace FailureText {

// reason: the import's technical reason; fromCard: the pictures came from a camera card (else from
// the watch folder); arrived: the pictures that arrived before the failure.
QString plainWords(const QString& reason, bool fromCard, qint64 arrived);

} // namespace FailureText
