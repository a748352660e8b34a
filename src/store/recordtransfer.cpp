#include "recordtransfer.h"

namespace transfer {

namespace {
// A value a field shows: its text, an empty one for a database null.
QString shownText(const QVariant& value)
{
    return value.isNull() ? QString() : value.toString();
}

// Text, or nothing at all; anything else (a blob, a number) was put in by
// other means.
bool isText(const QVariant& value)
{
    return !value.isValid() || value.isNull() || value.typeId() == QMetaType::QString;
}
} // namespace

StoreError toRow(TableRecordset& recordset, const QList<FieldBinding>& map)
{
    for (const FieldBinding& binding : map) {
        const QString column = contact::column(binding.field);
        const QString text = binding.text();
        const StoreResult<QVariant> held = recordset.Value(column);
        if (!held.error && !isText(held.value) && shownText(held.value) == text)
            continue; // written back as it was
        if (StoreError e = recordset.setValue(column, text))
            return e;
    }
    return {};
}

StoreError toWindow(TableRecordset& recordset, const QList<FieldBinding>& map)
{
    StoreError first;
    for (const FieldBinding& binding : map) {
        const StoreResult<QVariant> value = recordset.Value(contact::column(binding.field));
        if (value.error) {
            if (!first)
                first = value.error;
            continue;
        }
        binding.setText(shownText(value.value));
    }
    return first;
}

} // namespace transfer
