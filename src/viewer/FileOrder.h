// The order in which folders list their files, as file managers show them:
// letter case ignored, runs of digits compared as numbers ("img2" before
// "img10"), ties broken by the exact bytes so that the order is total.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

namespace vx {

// Appends the sort key of a file name (its bytes) to key; keys compare
// byte by byte (shorter first on a common start) in the order above.
void appendFileNameSortKey(std::string& key, const char* name, size_t length);

// The order above for two names, exact bytes deciding ties.
bool fileNameLess(const QByteArray& a, const QByteArray& b);
bool fileNameLess(const QString& a, const QString& b);

}  // namespace vx
