#pragma once

#include <QString>

// Where "View Tutorial" finds the tutorial page, which comes with the program: the build's copy
// beside a program run from its build tree, else the copy the package installs.
namespace Tutorial {

inline const QString kInstalledPage = QStringLiteral("/usr/share/doc/quillet/tutorial.html");

// <programDirectory>/doc/tutorial.html when there is one, else the installed page when there is
// one; empty when neither is there.
QString findPage(const QString& programDirectory, const QString& installedPage = kInstalledPage);

// Tells the user, in a warning box, that the page is not on this computer and where to read instead.
void tellPageMissing();

} // namespace Tutorial
