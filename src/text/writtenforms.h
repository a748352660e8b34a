#pragma once

#include <QString>

// The written forms of phone numbers and postal codes (CEP), and the guard that
// keeps a spreadsheet from running a cell as a formula: text in, text out, for
// the masked fields' paste, the import and the export alike.
namespace writtenform {

// The longest written form of a phone kept, wherever it comes from.
inline constexpr int PhoneMaxLength = 30;

// The digits of a pasted phone number: those of its form when phoneForm knows it
// as Brazilian ("0xx11 3333-4444" gives 1133334444, "0800 727 0101" keeps its
// 0), else all the digits written after a leading "+55" (the country's code).
QString phoneDigits(const QString& clipText);

// A number written with another country's code ("+1 ...", "+351 ...") or with
// a three-digit group in parentheses ("(206) 555-9857").
bool isForeignPhone(const QString& written);

// A phone written the usual Brazilian ways, put into the form the window's
// masked field holds: "(11) 98765-4321" for area code and number (after a
// leading 0: 11 or 12 digits are long-distance prefix, area code and number; 13
// or 14 carry a carrier code, "0xx" standing for it), "0800 727 0101" for a
// non-geographic number. Anything else, a foreign number included, as written,
// trimmed. At most PhoneMaxLength characters either way.
QString phoneForm(const QString& written);
// The same form, not cut at PhoneMaxLength.
QString wholePhoneForm(const QString& written);

// A postal code written the usual ways ("01310-100", "01310 100", "1310100" as
// a spreadsheet leaves it without its leading zero) in the masked field's form
// "01.310-100"; anything else as given.
QString cepForm(const QString& written);

// A phone with an extension written after it ("ramal 215", "r. 215", "x215",
// "ext. 215", ",215") taken apart; without one, the whole text is the number.
struct SplitPhone {
    QString number;
    QString extension;
};
SplitPhone splitExtension(const QString& written);

// A state's code for a code in any letter case ("sp") or its full name, accents
// and letter case aside ("São Paulo", "sao paulo"); anything else as written.
QString stateCode(const QString& written);

// A stored phone with an area code in the international form (+55 11 98765-4321),
// a stored CEP as 01310-100; anything else as stored.
QString internationalPhone(const QString& stored);
QString plainCep(const QString& stored);

// A text a spreadsheet would run as a formula (=, +, - or @ first) gets a
// leading ', and an imported cell loses the ' that kept it from running.
QString guardFormula(const QString& text);
QString unguardFormula(const QString& cell);

} // namespace writtenform
