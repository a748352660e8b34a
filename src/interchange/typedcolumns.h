#pragma once

#include "csvread.h"

// Columns whose field a row's own cells decide, as contact exports of web
// address books write them: "Phone 1 - Type" = "Mobile" beside "Phone 1 - Value",
// "Address 2 - Label" = "Work" beside "Address 2 - City", and names in parts
// ("First Name", "Last Name") with no column for the whole name.
namespace interchange {

// The table with one more column under our own name for each field such columns
// fill, its cells taken from them row by row: phones by type (mobile, work, work
// mobile, anything else home; fax numbers left out), the first e-mail (a
// preferred one, marked "* ", first), addresses by type (work, anything else
// home), and the name's parts joined when no column holds the whole name. A
// table without such columns comes back as it was.
CsvTable withOwnColumns(const CsvTable& table);

} // namespace interchange
