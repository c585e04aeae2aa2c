#include "UiTestSupport.h"

#include "app/PropertyList.h"
#include "app/SettingsKeys.h"
#include "ui/ConfigWindowController.h"
#include "ui/DetailConfigWindowController.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLineEdit>
#include <QMutex>
#include <QPointer>
#include <QSemaphore>
#include <QSpinBox>
#include <QTest>
#include <QThread>

#include <memory>

using PeerTestAnswer = DetailConfigWindowController::PeerTestAnswer;

// The detail window's DICOM section, driven through its widgets against a settings file in a
// temporary home.
class DicomSettings : public UiTest
{
protected:
    void TearDown() override
    {
        // A tester still held by a test is let go and ends before the next test.
        m_release->release(100);
        EXPECT_TRUE(QTest::qWaitFor([&] { return testsRunning() == 0; }, 10000));
        UiTest::TearDown();
    }

    static void writeSettings(const QVariantMap& changes)
    {
        QVariantMap settings = *PropertyList::fromData(TrevaselCommon::getDefaultUserSettingData());
        settings.insert(changes);
        ASSERT_TRUE(TrevaselCommon::writeUserSettingDictionary(settings));
    }
    DetailConfigWindowController* open(const QVariantMap& initialValues = {})
    {
        auto* detail = new DetailConfigWindowController;
        detail->setInitialValues(initialValues);
        if (m_peerTest)
            detail->setPeerTest(m_peerTest);
        detail->showWindow();
        return detail;
    }
    template <typename W = QAbstractButton>
    static W* widget(BaseWindowController* controller, const char* name)
    {
        W* found = controller->window()->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void type(BaseWindowController* controller, const char* field, const QString& text)
    {
        widget<QLineEdit>(controller, field)->setText(text);
    }
    static QString message(BaseWindowController* controller)
    {
        auto* label = widget<QLabel>(controller, "settingsMessageLabel");
        return label->isVisible() ? label->text() : QString();
    }
    static QString text(const char* key) { return Strings::text(QString::fromLatin1(key)); }
    static QVariantMap sending(const QString& host)
    {
        return {{SettingsKey::dicomExport, true},
                {SettingsKey::dicomFolderPath, QStringLiteral("/srv/dicom")},
                {SettingsKey::dicomSend, true},
                {SettingsKey::dicomPeerHost, host}};
    }

    // A tester that records what it was asked, from which thread, and waits for release when told.
    void useTester(PeerTestAnswer answer, bool waitForRelease = false)
    {
        m_peerTest = [answer, waitForRelease, release = m_release, asked = m_asked](const DicomPeer& peer) {
            {
                QMutexLocker lock(&asked->mutex);
                asked->peers << peer;
                asked->onWindowThread = QThread::currentThread() == qApp->thread();
                ++asked->running;
            }
            if (waitForRelease)
                release->tryAcquire(1, 10000);
            QMutexLocker lock(&asked->mutex);
            --asked->running;
            return answer;
        };
    }

    struct Asked
    {
        QMutex mutex;
        QList<DicomPeer> peers;
        bool onWindowThread = false;
        int running = 0;
    };
    int testsRunning() const
    {
        QMutexLocker lock(&m_asked->mutex);
        return m_asked->running;
    }
    std::shared_ptr<QSemaphore> m_release = std::make_shared<QSemaphore>();
    std::shared_ptr<Asked> m_asked = std::make_shared<Asked>();
    DetailConfigWindowController::PeerTest m_peerTest;
};

TEST_F(DicomSettings, ValuesLoadWithThoseNotYetAppliedOverTheFilesAndComeBackAsSettings)
{
    writeSettings({{SettingsKey::dicomExport, true},
                   {SettingsKey::dicomFolderPath, QStringLiteral("/srv/dicom")},
                   {SettingsKey::dicomPeerHost, QStringLiteral("pacs.local")},
                   {SettingsKey::dicomPeerPort, QStringLiteral("11112")},
                   {SettingsKey::dicomCalledAeTitle, QStringLiteral("ARCHIVE")}});
    DetailConfigWindowController* detail =
        open({{SettingsKey::dicomSend, true}, {SettingsKey::dicomCallingAeTitle, QStringLiteral("CHAIR2")}});
    EXPECT_EQ(widget<QSpinBox>(detail, "dicomPortSpinBox")->value(), 11112);
    EXPECT_TRUE(widget(detail, "dicomSendButton")->isChecked());
    type(detail, "dicomHostTextField", QStringLiteral(" 192.168.1.20 "));

    const QVariantMap values = detail->settingsValues();
    EXPECT_EQ(values.value(SettingsKey::dicomExport), true);
    EXPECT_EQ(values.value(SettingsKey::dicomFolderPath), QStringLiteral("/srv/dicom"));
    EXPECT_EQ(values.value(SettingsKey::dicomSend), true);
    EXPECT_EQ(values.value(SettingsKey::dicomPeerHost), QStringLiteral("192.168.1.20"));
    EXPECT_EQ(values.value(SettingsKey::dicomPeerPort), QVariant(qint64(11112)));
    EXPECT_EQ(values.value(SettingsKey::dicomCalledAeTitle), QStringLiteral("ARCHIVE"));
    EXPECT_EQ(values.value(SettingsKey::dicomCallingAeTitle), QStringLiteral("CHAIR2"));

    // Export off: neither sending nor the server's fields apply.
    widget(detail, "dicomExportButton")->click();
    EXPECT_FALSE(widget(detail, "dicomSendButton")->isEnabled());
    EXPECT_FALSE(widget<QLineEdit>(detail, "dicomHostTextField")->isEnabled());
    EXPECT_FALSE(widget(detail, "dicomFolderButton")->isEnabled());
    detail->close();

    // A file from before the DICOM settings shows their defaults; the basic edition has none of it.
    writeSettings({});
    detail = open();
    EXPECT_EQ(widget<QLineEdit>(detail, "dicomCallingAeTitleTextField")->text(), QStringLiteral("TREVASEL"));
    EXPECT_EQ(widget<QSpinBox>(detail, "dicomPortSpinBox")->value(), 104);
    detail->close();
    TrevaselCommon::setEdition(Edition::Basic);
    detail = open();
    EXPECT_FALSE(widget<QGroupBox>(detail, "dicomBox")->isVisible());
    EXPECT_FALSE(detail->settingsValues().contains(SettingsKey::dicomExport));
}

TEST_F(DicomSettings, OkIsRefusedInTheWindowForAFolderServerOrAeTitleThatCannotWork)
{
    writeSettings(
        {{SettingsKey::dicomExport, true}, {SettingsKey::dicomFolderPath, QStringLiteral("dicom")}});
    DetailConfigWindowController* detail = open();
    std::optional<QVariantMap> accepted;
    QObject::connect(detail, &DetailConfigWindowController::finished,
                     [&](bool ok, const QVariantMap& values) { accepted = ok ? values : QVariantMap(); });
    const auto refused = [&](const QString& expected) {
        widget(detail, "okButton")->click();
        EXPECT_EQ(message(detail), expected);
        EXPECT_TRUE(detail->window()->isVisible());
        EXPECT_TRUE(DialogService::shownSheets().empty()) << "said in the window, not in a box";
    };

    refused(text("DetailConfigWindow_DicomFolderRelativeMessage").arg(QStringLiteral("dicom")));
    DialogService::setNextFolderAnswer(m_root.filePath(QStringLiteral("dicom")));
    widget(detail, "dicomFolderButton")->click();
    EXPECT_TRUE(message(detail).isEmpty()) << "changing the value clears its message";
    widget(detail, "dicomSendButton")->click();
    type(detail, "dicomHostTextField", QStringLiteral("pacs server"));
    refused(text("DetailConfigWindow_DicomHostMessage"));
    type(detail, "dicomHostTextField", QStringLiteral("pacs.local"));
    type(detail, "dicomCalledAeTitleTextField", QStringLiteral("ANY\\SCP"));
    refused(text("DetailConfigWindow_DicomCalledAeTitleMessage"));
    type(detail, "dicomCalledAeTitleTextField", QStringLiteral("ANY-SCP"));
    type(detail, "dicomCallingAeTitleTextField", QStringLiteral("   "));
    refused(text("DetailConfigWindow_DicomCallingAeTitleMessage"));
    EXPECT_FALSE(accepted);

    type(detail, "dicomCallingAeTitleTextField", QStringLiteral("TREVASEL"));
    widget(detail, "okButton")->click();
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->value(SettingsKey::dicomFolderPath), m_root.filePath(QStringLiteral("dicom")));
}

TEST_F(DicomSettings, SettingsWindowSavesNothingWhileItsOpenDetailWindowHoldsAValueThatCannotWork)
{
    writeSettings({{SettingsKey::destinationFolderPath, m_root.path()}});
    const QVariantMap before = *PropertyList::readFile(TrevaselCommon::getUserSettingPlistFilePath());
    auto* config = qobject_cast<ConfigWindowController*>(
        TrevaselWindowManager::sharedInstance().getWindowController(TrevaselWindowManager::Config));
    config->showWindow();
    widget(config, "detailButton")->click();
    DetailConfigWindowController* detail = config->detailWindow();
    widget(detail, "dicomExportButton")->click();
    widget(config, "okButton")->click();

    EXPECT_EQ(message(detail), text("DetailConfigWindow_DicomFolderEmptyMessage"));
    EXPECT_TRUE(config->window()->isVisible());
    EXPECT_EQ(*PropertyList::readFile(TrevaselCommon::getUserSettingPlistFilePath()), before);
}

TEST_F(DicomSettings, ConnectionTestAsksOffTheWindowThreadWithTheFieldsValuesAndSaysWhatCameBack)
{
    writeSettings(sending(QStringLiteral("saved.example")));
    // Without a tester there is nothing to press.
    DetailConfigWindowController* detail = open();
    EXPECT_FALSE(widget(detail, "dicomTestButton")->isVisible());
    detail->close();

    useTester({PeerTestAnswer::Outcome::Answered, QString()}, true);
    detail = open();
    QAbstractButton* test = widget(detail, "dicomTestButton");
    auto* result = widget<QLabel>(detail, "dicomTestResultLabel");
    type(detail, "dicomHostTextField", QStringLiteral("pacs.local"));
    widget<QSpinBox>(detail, "dicomPortSpinBox")->setValue(11112);
    test->click();
    EXPECT_FALSE(test->isEnabled());
    EXPECT_EQ(result->text(), text("DetailConfigWindow_DicomTesting"));
    m_release->release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return test->isEnabled(); }, 5000));
    EXPECT_EQ(result->text(), QStringLiteral("The server at pacs.local:11112 answered."));
    {
        QMutexLocker lock(&m_asked->mutex);
        ASSERT_EQ(m_asked->peers.size(), 1);
        EXPECT_EQ(m_asked->peers.first(), (DicomPeer{QStringLiteral("pacs.local"), 11112,
                                                     QStringLiteral("ANY-SCP"), QStringLiteral("TREVASEL")}));
        EXPECT_FALSE(m_asked->onWindowThread);
    }
    detail->close();

    useTester({PeerTestAnswer::Outcome::NoConnection, QStringLiteral("Connection refused")});
    detail = open();
    type(detail, "dicomHostTextField", QStringLiteral("::1"));
    widget(detail, "dicomTestButton")->click();
    result = widget<QLabel>(detail, "dicomTestResultLabel");
    EXPECT_TRUE(QTest::qWaitFor([&] { return widget(detail, "dicomTestButton")->isEnabled(); }, 5000));
    EXPECT_EQ(result->text(), QStringLiteral("No connection to [::1]:104 (Connection refused)."));

    // A host that cannot be asked is said at once, without a test.
    type(detail, "dicomHostTextField", QString());
    widget(detail, "dicomTestButton")->click();
    EXPECT_EQ(result->text(), text("DetailConfigWindow_DicomHostMessage"));
    QMutexLocker lock(&m_asked->mutex);
    EXPECT_EQ(m_asked->peers.size(), 2);
}

TEST_F(DicomSettings, WindowClosedWhileATestRunsNeitherWaitsForItNorHearsItsAnswer)
{
    writeSettings(sending(QStringLiteral("pacs.local")));
    useTester({PeerTestAnswer::Outcome::Answered, QString()}, true);
    DetailConfigWindowController* detail = open();
    widget(detail, "dicomTestButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return testsRunning() == 1; }, 5000));
    const QPointer<DetailConfigWindowController> controller = detail;
    detail->close();
    flushDeletes();
    EXPECT_TRUE(controller.isNull());
    EXPECT_EQ(testsRunning(), 1) << "the window went without waiting for the server";

    m_release->release();
    m_peerTest = {};
    // With the last copy of the tester gone, its thread is done and its answer sent.
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_asked.use_count() == 1; }, 5000));
    QCoreApplication::processEvents(); // the answer arrives with nobody to take it
}
