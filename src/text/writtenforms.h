#pragma once

#include <QString>

// The written forms of phone numbers and postal codes (CEP), and the guard that
// keeps a spreadsheet from running a cell as a formula: text in, text out, for
// the masked fields' paste, the import and the export alike.
namespace writtenform {

// The digits of a pasted phone number: a leading "+55" (the country's code) and
// then a leading 0 (the long-distance prefix) dropped, and everything not a digit.
QString phoneDigits(const QString& clipText);

// A phone or postal code written the usual Brazilian ways, put into the form
// the window's masked field holds ("(11) 98765-4321", "01.310-100"); anything
// else as given.
QString phoneForm(const QString& written);
QString cepForm(const QString& written);

// A stored phone in the international form (+55 11 98765-4321), a stored CEP as
// 01310-100; anything else as stored.
QString internationalPhone(const QString& stored);
QString plainCep(const QString& stored);

// A text a spreadsheet would run as a formula (=, +, - or @ first) gets a
// leading ', and an imported cell loses the ' that kept it from running.
QString guardFormula(const QString& text);
QString unguardFormula(const QString& cell);

} // namespace writtenform
