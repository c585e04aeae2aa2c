#pragma once

#include "app/TrevaselCommon.h"
#include "ui/BaseWindowController.h"
#include "ui/DialogService.h"
#include "ui/Strings.h"
#include "ui/TrevaselWindowManager.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A temporary home for the settings file, dialogs answered in advance, English texts, the full
// edition, and no window left open afterwards.
class UiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        qputenv("HOME", m_root.path().toUtf8());
        qputenv("XDG_DATA_HOME", (m_root.path() + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_root.path() + QStringLiteral("/config")).toUtf8());
        TrevaselCommon::setEdition(Edition::Full);
        Strings::setLanguage(QStringLiteral("en"));
        DialogService::setAnswering(true);
    }

    void TearDown() override
    {
        TrevaselCommon::setEdition(Edition::Full);
        TrevaselWindowManager& manager = TrevaselWindowManager::sharedInstance();
        for (int id = 0; id <= 11; ++id)
            if (manager.checkWindow(id))
                manager.getWindowController(id)->window()->close();
        // Windows made outside the registry too (the settings window's own notice).
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible())
                window->close();
        flushDeletes();
        DialogService::setAnswering(false);
        Strings::setLanguage(QString());
    }

    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    static QString labelText(BaseWindowController* controller, const char* name)
    {
        auto* label = controller->window()->findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("<no label %1>").arg(QLatin1String(name));
    }

    QTemporaryDir m_root;
};
