#pragma once

#include <QVariantMap>

#include <functional>

// Brings a settings file (and the import history table) written by an older build of the full
// edition up to the running build. Start-up calls doUpdate once, with the dictionary it has just
// read, when the stored "last build number" is at least 1 and below the running build's number; it
// stamps the new build number itself afterwards and reads the file again.
//
// Steps are chosen by the stored build number B alone and only ever add keys that are absent: a key
// present with any value, NO, 0 and the empty text included, is left as it is. A file from a very old
// build passes through every step in turn, and a key that two steps add keeps the first step's value.
// No step reports a failure; the next step runs regardless.
class SettingsMigration
{
public:
    SettingsMigration() = delete;

    // The build thresholds: step 1 runs when B equals 1, the others when B is below their number.
    static constexpr int kProductPageBuild = 1;
    static constexpr int kLayoutSwitchesBuild = 3;
    static constexpr int kEnglishInformationBuild = 4;
    static constexpr int kSettingsMovedBuild = 6;
    static constexpr int kDeliverBuild = 10006;
    static constexpr int kEjectAndWaitBuild = 10007;
    static constexpr int kMovieBuild = 10009;
    static constexpr int kVerifyCopiesBuild = 10010;

    // addHistoryColumns adds the import history's two movie-era columns (the history lives above
    // the settings, so the program hands the step in).
    static void doUpdate(const QVariantMap& settings, const std::function<void()>& addHistoryColumns);
};
