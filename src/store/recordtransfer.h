#pragma once

#include "contactrecord.h"
#include "storeerror.h"
#include "tablerecordset.h"

#include <QList>
#include <QString>

#include <functional>

// One window field as the transfer between row and window sees it: the field of
// the record it shows, and its text, read and written.
struct FieldBinding {
    contact::Field field;
    std::function<QString()> text;
    std::function<void(const QString&)> setText;
};

namespace transfer {

// Copies each bound field's text into the row being added or edited, in the
// map's order, unchanged. A value that is not text (a blob or a number put in by
// other means) stays as it was, type included, while its field shows the same
// text. Stops at the first field the store refuses; nothing is written to the
// file either way.
StoreError toRow(TableRecordset& recordset, const QList<FieldBinding>& map);

// Copies the current row into the bound fields, in the map's order, unchanged. A
// field with no value (a database null) shows an empty text. A field the store
// cannot give is left as it was and the others are still copied; the first such
// failure is returned.
StoreError toWindow(TableRecordset& recordset, const QList<FieldBinding>& map);

} // namespace transfer
