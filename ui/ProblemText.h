#pragma once

#include <QString>

#include <string>

namespace kvx {

// A failure told in the house style: the headline, then the file and the
// system's reason each on a line of its own, then what became of the file.
QString problemText(const QString& headline, const std::string& path, const std::string& reason,
    const QString& aftermath = {});

} // namespace kvx
