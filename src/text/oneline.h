#pragma once

#include <QString>

namespace textline {

// Text for one line: line breaks at its ends dropped, those inside and tabs
// turned into blanks (a CR LF pair into one), the other control characters
// and the direction overrides and isolates dropped. Other format characters
// (the joiners inside emoji) stay.
QString oneLine(const QString& text);

} // namespace textline
