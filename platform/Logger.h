#pragma once

#include <QString>

// The standard logger: every diagnostic line of the system goes to standard error as
// "date time program[pid] message". Lines use one of the message forms "[info]: ...", "[debug]: ..."
// and "[warning]: ...", or a fixed text where the system defines one.
namespace Logger {

// Routes Qt's messages through the standard line format. Called once by each program's main.
void install();

void info(const QString& message);  // "[info]: message"
void debug(const QString& message); // "[debug]: message"
// "[warning]: message": what a window would have told the user, where there is none to show it.
void warning(const QString& message);
void plain(const QString& message); // the message as it stands
// The message with its control characters (line breaks among them) written as "\xNN" escapes,
// as every line is written.
QString oneLine(const QString& message);

} // namespace Logger
