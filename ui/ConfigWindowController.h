#pragma once

#include "app/SettingsSnapshot.h"
#include "ui/BaseWindowController.h"
#include "ui/DetailConfigWindowController.h"
#include "ui/TrevaselWindowManager.h"

#include <QPointer>
#include <QScopedPointer>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace Ui {
class ConfigWindowController;
}

// The settings window: the settings window. It shows the general, source and destination settings of the
// settings file, checks them, writes them and lets the program restart its sources. It opens the
// detailed settings (the detailed settings window) from here and takes their values when it applies;
// the detail window never writes the file itself. The basic edition's window has the desktop-notice
// check box instead of the eject and movie controls, and writes a dictionary of exactly its own keys.
//
// Each opening loads fresh values from the file; changes take effect only through Apply or OK.
class ConfigWindowController : public BaseWindowController
{
    Q_OBJECT

public:
    // The tags of the two choices stored in "confirm before sending": 1001 asks before a card is
    // imported, anything else imports at once.
    static constexpr int kConfirmBeforeSendingTag = 1001;
    static constexpr int kAutoSendingTag = 1002;

    ConfigWindowController();
    ~ConfigWindowController() override;

    int getTrevaselWindow() const override { return TrevaselWindowManager::Config; }

    // Dependent controls: each enables or disables the controls that only mean something while its
    // check box is on.
    void watchRemovableDiskDriveButtonClick();
    void watchFolderButtonClick();
    void exportMOVButtonClick();
    void saveDayFolderButtonClick();

    // Folder choosers (through DialogService). Cancelling changes nothing. A destination whose
    // "deliver" is a file is refused with a sheet; one without "deliver" gets it made at Apply.
    void watchFolderTextButtonClick();
    void destinationFolderButtonClick();
    void destinationFolderMOVButtonClick();

    // A first start, with no destination chosen yet: a welcome line above the settings, and the
    // destination chooser opened over them.
    void showWelcome();

    // Opens the detail window, or brings the one this window holds forward.
    void detailButtonClick();
    DetailConfigWindowController* detailWindow() const { return m_detailWindow; }

    // Checks, saves and puts the settings to work; false, with a sheet saying why, when nothing was
    // saved.
    bool applyButtonClick();
    // Apply, then closes both windows unless nothing was saved.
    void okButtonClick();
    // Closes both windows; nothing is saved.
    void cancelButtonClick();

    // The first rule the controls break, as the text to show; empty when they break none.
    QString checkSetting() const;
    // Writes the controls' settings into the file (see the source for the exact keys); false when
    // the file could not be written.
    bool saveSettings();

    // A stored detail setting as an integer, the form a save without the detail window gives it: a
    // text as it is, anything else by its text form; digits only give their value, anything else 0.
    static qint64 getIntegerSettingValue(const QVariant& value);

Q_SIGNALS:
    // After every save by Apply or OK, with the settings file as read back: the program puts the new
    // settings to work (the sources, the login item, the menu).
    void settingsApplied(const SettingsSnapshotPtr& settings);

protected:
    void loadLayout(QWidget* window) override;
    void windowDidLoad() override;
    void windowWillClose() override;

private:
    bool isFull() const;
    void destinationFolderChosen(const QString& chosen);
    void chooseFolder(const char* titleKey, const QString& current,
                      std::function<void(const QString&)> chosen);
    void showMessage(const QString& text, const QString& buttonTitle);
    void detailWindowFinished(bool accepted, const QVariantMap& values);
    void closeDetailWindow();
    // The detail settings to save: those of the open or hidden detail window, else those accepted
    // with its OK; nothing when the detail window was not opened or was cancelled.
    std::optional<QVariantMap> detailValues() const;
    QVariantMap fullSettings(QVariantMap settings) const;
    QVariantMap basicSettings(const QVariantMap& stored) const;
    void showFirstDestinationNotice();

    QScopedPointer<Ui::ConfigWindowController> m_ui;
    QPointer<DetailConfigWindowController> m_detailWindow;
    std::optional<QVariantMap> m_acceptedDetailValues;
    bool m_detailOpened = false;
    bool m_destinationWasEmpty = false;
    bool m_deliverPending = false;
};
