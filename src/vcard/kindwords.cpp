#include "kindwords.h"

namespace vcard {

namespace {
// Whether a type or label holds one of words, accents and case aside.
bool says(const QString& type, std::initializer_list<const char*> words)
{
    const QString key = contact::headerKey(type);
    for (const char* word : words) {
        if (key.contains(QLatin1String(word)))
            return true;
    }
    return false;
}

bool isMobile(const QString& type)
{
    return says(type, {"mobile", "cel"});
}

bool isFax(const QString& type)
{
    return says(type, {"fax", "pager"});
}
} // namespace

bool isWork(const QString& type)
{
    return says(type, {"work", "trabalho", "business", "comercial", "escritorio"});
}

bool namesKind(const QString& label)
{
    return !isFax(label) && (isWork(label) || isMobile(label) ||
                             says(label, {"home", "casa", "residencial", "residencia"}));
}

contact::Field phoneField(const QString& type)
{
    if (isFax(type))
        return contact::FieldCount;
    const bool mobile = isMobile(type);
    if (isWork(type))
        return mobile ? contact::CelularCom : contact::FoneCom;
    return mobile ? contact::CelularRes : contact::FoneRes;
}

} // namespace vcard
