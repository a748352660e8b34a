#include "recordtransfer.h"

namespace transfer {

StoreError toRow(TableRecordset& recordset, const QList<FieldBinding>& map)
{
    for (const FieldBinding& binding : map) {
        if (StoreError e = recordset.setValue(contact::column(binding.field), binding.text()))
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
        binding.setText(value.value.isNull() ? QString() : value.value.toString());
    }
    return first;
}

} // namespace transfer
