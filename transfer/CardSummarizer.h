#pragma once

#include "app/Edition.h"
#include "app/SettingsSnapshot.h"
#include "transfer/ImportBatch.h"

#include <QStringList>

// What the cards hold, for the question before they are imported: the stills and movies, and the
// patients they show, as their folders would be named. A pass over the pictures' metadata alone.
namespace CardSummarizer {

CardSummary summarize(const QStringList& cards, Edition edition, const SettingsSnapshot& settings);

} // namespace CardSummarizer
