#pragma once

#include "ui/TrevaselWindowManager.h"

#include <QObject>

// The start-up run of a list check (UpdateChecker, InformationChecker): checks once and, when
// callsForWindow says the result is worth showing, opens the check's window with that result, so
// that the window does not fetch again, and brings it to front. Otherwise, or when the window cannot
// be made, nothing is shown. The checker frees itself once it has answered.
template <typename Checker, typename Window, typename Result, typename Predicate>
void checkThenOpenWindow(TrevaselWindowManager::WindowId windowId, Predicate callsForWindow)
{
    auto* checker = new Checker;
    QObject::connect(
        checker, &Checker::finished, checker, [checker, windowId, callsForWindow](const Result& result) {
            checker->deleteLater();
            if (!callsForWindow(result))
                return;
            auto* window =
                qobject_cast<Window*>(TrevaselWindowManager::sharedInstance().getWindowController(windowId));
            if (!window)
                return;
            window->setResult(result);
            window->showWindow();
            window->orderFront();
        });
    checker->check();
}
