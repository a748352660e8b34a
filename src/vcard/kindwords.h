#pragma once

#include "contactrecord.h"

#include <QString>

// The words of a phone's or an address's type or label that say its kind, as
// cards and address books' spreadsheets write them.
namespace vcard {

// The field a phone of this type or label fills ("Mobile", "Celular comercial",
// "Escritório"): mobile, work, work mobile, anything else home;
// contact::FieldCount for a fax or a pager.
contact::Field phoneField(const QString& type);
// Whether a type or label says work ("Trabalho", "Comercial", "Escritório").
bool isWork(const QString& type);
// Whether a label says a phone's or an address's kind: work, mobile or home.
bool namesKind(const QString& label);

} // namespace vcard
