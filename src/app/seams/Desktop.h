#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace wordlark {

// What the program hands to the desktop: web addresses and other programs.
// Tests put recorders in place of the desktop.

// OpenUrlInBrowser hands an address to the desktop's handler for it and says
// whether a handler took it. Only web and mail addresses are opened; an empty
// text or any other kind of address (javascript:, file:, ...) opens nothing.
// An address typed without a scheme ("www.example.com") is taken as a web
// address. Addresses are read as people type them: blanks, "|", "{}" and a
// "%" that starts no escape are percent-encoded, not refused.
bool OpenUrlInBrowser(const QString& url);

// The address OpenUrlInBrowser would open, or an invalid URL when it would
// open nothing.
QUrl BrowsableUrl(const QString& url);

// For tests: where addresses go instead of the desktop (none: the desktop).
void SetUrlOpenerForTesting(std::function<bool(const QUrl&)> opener);

// Starts a program of its own, not waiting for it; true when it started.
bool StartProgram(const QString& program, const QStringList& arguments);

// For tests: where program starts go instead (none: really start them).
void SetProgramStarterForTesting(std::function<bool(const QString&, const QStringList&)> starter);

}  // namespace wordlark
